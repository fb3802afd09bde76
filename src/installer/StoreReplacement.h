#pragma once

#include <ostream>
#include <string>

#include "platform/Platform.h"

// Where the old store is after an attempt to put a new store in its place.
enum class ReplaceOutcome
{
    Replaced,         // the store path holds the new store; no backup is left
    LeftUnchanged,    // the store path holds the old store, as it was
    OldStoreAtBackup, // the store path is empty and the old store lies at the backup path
    StoreChanged      // the store is no longer the file that was read; nothing was moved
};

// storePath + "-backup": where the old store waits while the new one moves in.
std::string BackupPathOf(const std::string& storePath);

// Puts the finished store at newStorePath in place of the store at storePath through the
// backup path, which the caller has cleared (ClearSideFiles). Immediately before the first
// rename the store must still be the file that was read, with the identity readIdentity;
// otherwise nothing is moved. Never replaces an existing file: anything at the backup path
// makes the first rename fail and the store stays. When the new store cannot move in after the
// old one moved out, the old one is moved back. Each successful rename says so on out; failed
// renames are reported on err with the system's reason. The new store path is left as it is.
ReplaceOutcome ReplaceStore(const std::string& storePath, const std::string& newStorePath,
                            const platform::FileIdentity& readIdentity, std::ostream& out,
                            std::ostream& err);
