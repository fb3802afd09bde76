#include "installer/StoreRecovery.h"

#include "installer/ConsoleLines.h"
#include "installer/StoreReplacement.h"
#include "platform/Platform.h"

void RecoverInterruptedStore(const std::string& storePath, std::ostream& out)
{
    const std::string backupPath = BackupPathOf(storePath);
    // Only a file is put back: a link there is never made the store.
    if (platform::PathExists(storePath) ||
        platform::KindOfName(backupPath) != platform::NameKind::RegularFile) {
        return;
    }
    std::string reason;
    if (platform::RenameNoReplace(backupPath, storePath, reason)) {
        WriteLine(out, "Restored " + storePath + " from " + backupPath);
    } else {
        WriteLine(out, "Can't restore " + storePath + " from " + backupPath + ": " + reason);
    }
}
