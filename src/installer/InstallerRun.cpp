#include "installer/InstallerRun.h"

#include "installer/ConsoleLines.h"
#include "installer/InstallerPaths.h"
#include "installer/StoreReplacement.h"

int RunInstaller(const std::string& executableFolder,
                 const std::optional<std::string>& appDataFolder, std::ostream& out,
                 const InstallCertificatesFunction& install)
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

    for (const char* version : kAcrobatVersions) {
        const std::string storePath = ComposeStorePath(profileFolder, version);
        RecoverInterruptedStore(storePath, out);
        if (!FileExists(storePath)) {
            continue;
        }
        WriteLine(out, storePath);
        install(storePath, storePath + "-new", *certificates);
    }
    return 0;
}
