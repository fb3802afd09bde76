#include "installer/InstallerRun.h"

#include "installer/ConsoleLines.h"
#include "installer/InstallerPaths.h"
#include "installer/StoreLock.h"
#include "installer/StoreRecovery.h"
#include "installer/StoreReplacement.h"

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

bool VisitStores(const std::string& profileFolder, std::chrono::milliseconds lockWait,
                 std::ostream& out, const std::function<void(const std::string& storePath)>& visit,
                 platform::ExclusiveLock::Use use)
{
    bool visitedAll = true;
    for (const char* version : kAcrobatVersions) {
        const std::string storePath = ComposeStorePath(profileFolder, version);
        // No store of this version, not even an interrupted run's backup: nothing to lock.
        if (KindOfStorePath(storePath) == StoreKind::Absent &&
            KindOfStorePath(BackupPathOf(storePath)) == StoreKind::Absent) {
            continue;
        }
        visitedAll = WithStoreLock(
                         storePath, lockWait, out, [&]() { visit(storePath); }, use) &&
                     visitedAll;
    }
    return visitedAll;
}
