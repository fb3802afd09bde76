#pragma once

#include <chrono>
#include <functional>
#include <ostream>
#include <string>

// Where the old store is after an attempt to put a new store in its place.
enum class ReplaceOutcome
{
    Replaced,        // the store path holds the new store; no backup is left
    LeftUnchanged,   // the store path holds the old store, as it was
    OldStoreAtBackup // the store path is empty and the old store lies at the backup path
};

// storePath + "-backup": where the old store waits while the new one moves in.
std::string BackupPathOf(const std::string& storePath);

// Puts the finished store at newStorePath in place of the store at storePath through the
// backup path. Never replaces an existing file: a backup path that cannot be cleared makes the
// first rename fail and the store stays. When the new store cannot move in after the old one
// moved out, the old one is moved back. Each successful rename says so on out; failed renames
// are reported on err with the system's reason. The new store path is left as it is.
ReplaceOutcome ReplaceStore(const std::string& storePath, const std::string& newStorePath,
                            std::ostream& out, std::ostream& err);

// A run stopped between the two renames leaves the store only under its backup name. Puts it
// back at storePath, saying so on out, when the store path is free and the backup is a file.
// The caller holds the store's lock: without it, another run's swap in progress (the store
// moved out, the new one not yet in) would look the same, and be undone.
void RecoverInterruptedStore(const std::string& storePath, std::ostream& out);

// Runs work while this process holds the store's exclusive lock, so that runs started side by
// side for one user take turns: the lock covers everything from before the store is read to
// after the swap. A run that finds the lock taken says so on out once and polls for up to
// lockWait. False, with one line on out, when the wait ran out or the lock cannot be taken at
// all; work is not run then and the store is left alone. The lock goes with the process, so a
// run killed while holding it does not keep others out.
bool WithStoreLock(const std::string& storePath, std::chrono::milliseconds lockWait,
                   std::ostream& out, const std::function<void()>& work);
