#include "installer/StoreReplacement.h"

#include <memory>

#include "installer/ConsoleLines.h"
#include "installer/InstallerPaths.h"
#include "platform/Platform.h"

std::string BackupPathOf(const std::string& storePath)
{
    return storePath + "-backup";
}

ReplaceOutcome ReplaceStore(const std::string& storePath, const std::string& newStorePath,
                            std::ostream& out, std::ostream& err)
{
    const std::string backupPath = BackupPathOf(storePath);
    // A backup left by an earlier run is stale: the store itself is in place. Anything that is
    // not a plain file (a folder) stays, and the first rename then fails on it.
    if (FileExists(backupPath)) {
        (void)platform::RemoveFile(backupPath); // if it stays, the first rename reports it
    }

    std::string reason;
    const bool movedOut = platform::RenameNoReplace(storePath, backupPath, reason);
    if (movedOut) {
        WriteLine(out, "File successfully renamed");
    } else {
        WriteError(err, "Error renaming file 1", reason);
    }

    // Tried even after a failed first rename: then the old store still holds the store path,
    // and this rename fails without touching it.
    if (platform::RenameNoReplace(newStorePath, storePath, reason)) {
        WriteLine(out, "File successfully renamed");
        if (movedOut) {
            (void)platform::RemoveFile(backupPath); // a stale backup is removed on the next run
        }
        return ReplaceOutcome::Replaced;
    }
    WriteError(err, "Error renaming file 2", reason);
    if (!movedOut) {
        return ReplaceOutcome::LeftUnchanged;
    }
    // The store path is empty now; the old store goes back before anyone looks for it.
    if (platform::RenameNoReplace(backupPath, storePath, reason)) {
        return ReplaceOutcome::LeftUnchanged;
    }
    WriteError(err, "Error renaming the backup back", reason);
    return ReplaceOutcome::OldStoreAtBackup;
}

void RecoverInterruptedStore(const std::string& storePath, std::ostream& out)
{
    const std::string backupPath = BackupPathOf(storePath);
    if (platform::PathExists(storePath) || !FileExists(backupPath)) {
        return;
    }
    std::string reason;
    if (platform::RenameNoReplace(backupPath, storePath, reason)) {
        WriteLine(out, "Restored " + storePath + " from " + backupPath);
    } else {
        WriteLine(out, "Can't restore " + storePath + " from " + backupPath + ": " + reason);
    }
}

namespace {

// How often a run waiting for another run's install looks again.
constexpr int kLockPollMilliseconds = 50;

} // namespace

bool WithStoreLock(const std::string& storePath, std::chrono::milliseconds lockWait,
                   std::ostream& out, const std::function<void()>& work)
{
    const auto giveUp = std::chrono::steady_clock::now() + lockWait;
    bool saidWaiting = false;
    std::unique_ptr<platform::ExclusiveLock> lock;
    while (lock == nullptr) {
        std::string reason;
        switch (platform::ExclusiveLock::TryAcquire(storePath, lock, reason)) {
        case platform::ExclusiveLock::Attempt::Acquired:
            continue;
        case platform::ExclusiveLock::Attempt::Failed:
            WriteLine(out, "Can't lock " + storePath + " for the install: " + reason +
                               "; it was left alone");
            return false;
        case platform::ExclusiveLock::Attempt::HeldElsewhere:
            break;
        }
        if (std::chrono::steady_clock::now() >= giveUp) {
            WriteLine(out,
                      "Another install is still updating " + storePath + "; it was left alone");
            return false;
        }
        if (!saidWaiting) {
            WriteLine(out, "Another install is updating " + storePath + "; waiting");
            saidWaiting = true;
        }
        platform::SleepMilliseconds(kLockPollMilliseconds);
    }
    work();
    return true;
}
