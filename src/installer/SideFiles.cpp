#include "installer/SideFiles.h"

#include "installer/ConsoleLines.h"
#include "installer/OldBackup.h"
#include "installer/StoreReplacement.h"
#include "platform/Platform.h"

namespace {

// Removes a file or a link at path (a link itself). False, with one line, when something else
// is there or it cannot be removed.
bool RemoveLeftover(const std::string& path, std::ostream& out)
{
    std::string reason;
    if (!platform::RemoveFile(path, reason)) {
        WriteLine(out, "Can't remove " + path + ": " + reason + "; the store was left unchanged");
        return false;
    }
    return true;
}

bool IsInTheWay(platform::NameKind kind, const std::string& path, std::ostream& out)
{
    if (kind == platform::NameKind::Folder || kind == platform::NameKind::Other) {
        WriteLine(out,
                  "Something other than a file is at " + path + "; the store was left unchanged");
        return true;
    }
    return false;
}

} // namespace

bool ClearSideFiles(const std::string& storePath, const std::string& newStorePath,
                    std::ostream& out)
{
    const platform::NameKind newKind = platform::KindOfName(newStorePath);
    if (IsInTheWay(newKind, newStorePath, out)) {
        return false;
    }
    if (newKind != platform::NameKind::Missing && !RemoveLeftover(newStorePath, out)) {
        return false;
    }
    const std::string backupPath = BackupPathOf(storePath);
    const platform::NameKind backupKind = platform::KindOfName(backupPath);
    switch (backupKind) {
    case platform::NameKind::Missing:
        return true;
    case platform::NameKind::Folder:
    case platform::NameKind::Other:
        return !IsInTheWay(backupKind, backupPath, out);
    case platform::NameKind::Link:
        return RemoveLeftover(backupPath, out);
    case platform::NameKind::RegularFile:
        break;
    }
    switch (SettleOldBackup(storePath, out)) {
    case OldBackupFate::Redundant:
        return RemoveLeftover(backupPath, out);
    case OldBackupFate::MovedAside:
        return true;
    case OldBackupFate::Stuck:
        break;
    }
    return false;
}
