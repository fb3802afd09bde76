#include "installer/InstallerRun.h"

#include <algorithm>

#include "installer/ConsoleLines.h"
#include "installer/InstallerPaths.h"
#include "installer/StoreLock.h"
#include "installer/StoreRecovery.h"
#include "installer/StoreReplacement.h"
#include "platform/FolderListing.h"

int RunInstaller(const std::string& executableFolder,
                 const std::optional<std::string>& appDataFolder, std::ostream& out,
                 const InstallCertificatesFunction& install, std::chrono::milliseconds lockWait)
{
    if (!appDataFolder || appDataFolder->empty()) {
        WriteLine(out, "APPDATA is not set; no trust store to update");
        return 0;
    }
    const std::string profileFolder = ComposeProfileFolder(*appDataFolder);

    // Without its own folder the run would look for certificates at the root of the drive.
    if (executableFolder.empty()) {
        WriteLine(out, "can't find the installer's folder; no certificate to install");
        return 0;
    }
    std::optional<std::vector<CertificateRecord>> certificates =
        ReadCertificateList(executableFolder, out);
    if (!certificates) {
        return 0;
    }

    (void)VisitStores(profileFolder, lockWait, out, [&](const std::string& storePath) {
        RecoverInterruptedStore(storePath, out);
        const StoreKind kind = KindOfStorePath(storePath);
        if (kind == StoreKind::Absent) {
            return;
        }
        WriteLine(out, storePath);
        if (kind == StoreKind::NotAFile) {
            WriteLine(out, "Can't parse addressbook");
            return;
        }
        install(storePath, storePath + "-new", *certificates);
    }); // a store left alone said so
    return 0;
}

namespace {

// True when the store path or its backup path (an interrupted run's) holds anything.
bool HasStoreOrBackup(const std::string& storePath)
{
    return KindOfStorePath(storePath) != StoreKind::Absent ||
           KindOfStorePath(BackupPathOf(storePath)) != StoreKind::Absent;
}

bool IsAcrobatVersion(const std::string& folderName)
{
    return std::any_of(kAcrobatVersions.begin(), kAcrobatVersions.end(), [&](const char* version) {
        return platform::SameFileName(folderName, version);
    });
}

// The folders that may keep a store, in the order they are visited: the versions of
// kAcrobatVersions, then every other folder directly in the profile folder, in ascending byte
// order of its name. Whether one holds a store is looked at when it is visited.
std::vector<std::string> StoreFolders(const std::string& profileFolder)
{
    std::vector<std::string> others;
    (void)platform::ForEachSubfolder(profileFolder, [&](const std::string& name) {
        if (!IsAcrobatVersion(name)) {
            others.push_back(name);
        }
    }); // a profile folder that cannot be listed holds no other store to find
    std::sort(others.begin(), others.end());
    std::vector<std::string> folders(kAcrobatVersions.begin(), kAcrobatVersions.end());
    folders.insert(folders.end(), others.begin(), others.end());
    return folders;
}

} // namespace

bool VisitStores(const std::string& profileFolder, std::chrono::milliseconds lockWait,
                 std::ostream& out, const std::function<void(const std::string& storePath)>& visit,
                 platform::ExclusiveLock::Use use)
{
    bool visitedAll = true;
    for (const std::string& folder : StoreFolders(profileFolder)) {
        const std::string storePath = ComposeStorePath(profileFolder, folder);
        // No store in this folder, not even an interrupted run's backup: nothing to lock.
        if (!HasStoreOrBackup(storePath)) {
            continue;
        }
        visitedAll = WithStoreLock(
                         storePath, lockWait, out, [&]() { visit(storePath); }, use) &&
                     visitedAll;
    }
    return visitedAll;
}
