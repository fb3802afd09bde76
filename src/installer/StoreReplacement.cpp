#include "installer/StoreReplacement.h"

#include "installer/ConsoleLines.h"
#include "platform/Platform.h"

std::string BackupPathOf(const std::string& storePath)
{
    return storePath + "-backup";
}

ReplaceOutcome ReplaceStore(const std::string& storePath, const std::string& newStorePath,
                            const platform::FileIdentity& readIdentity, std::ostream& out,
                            std::ostream& err)
{
    const std::string backupPath = BackupPathOf(storePath);
    // The last moment another program's change can be seen and kept.
    if (platform::IdentityOf(storePath) != readIdentity) {
        return ReplaceOutcome::StoreChanged;
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
