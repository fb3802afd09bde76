#include "installer/StoreRecovery.h"

#include "installer/ConsoleLines.h"
#include "installer/InstallerPaths.h"
#include "installer/StoreReplacement.h"
#include "platform/Platform.h"

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
