#include "installer/InstallerRun.h"

#include "installer/ConsoleLines.h"
#include "installer/InstallerPaths.h"
#include "installer/StoreReplacement.h"
#include "platform/Platform.h"

namespace {

std::string CertificatePath(const std::string& executableFolder, const CertificateFile& file)
{
    return executableFolder + platform::kPathSeparator + file.fileName;
}

// Tests the mandatory files in list order; at the first one missing says so and gives false.
bool HasMandatoryCertificates(const std::string& executableFolder, std::ostream& out)
{
    for (const CertificateFile& file : kCertificateFiles) {
        if (file.isMandatory && !FileExists(CertificatePath(executableFolder, file))) {
            WriteLine(out, std::string("can't find ") + file.label + " certificate");
            return false;
        }
    }
    return true;
}

// Reads every certificate file in list order. A mandatory file that passed the presence test
// but cannot be read after all (gone meanwhile, too large) stops the run like a missing one;
// an optional file that cannot be read is left out of the list.
bool ReadCertificateList(const std::string& executableFolder, std::ostream& out,
                         std::vector<CertificateRecord>& certificates)
{
    for (const CertificateFile& file : kCertificateFiles) {
        std::optional<std::vector<std::uint8_t>> bytes =
            ReadFileBytes(CertificatePath(executableFolder, file));
        if (!bytes) {
            if (file.isMandatory) {
                WriteLine(out, std::string("can't read ") + file.label + " certificate");
                return false;
            }
            WriteLine(out, std::string("can't read ") + file.label + " certificate, skipping it");
            continue;
        }
        certificates.push_back(CertificateRecord{BytesToHex(*bytes), false});
    }
    return true;
}

} // namespace

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
    if (!HasMandatoryCertificates(executableFolder, out)) {
        return 0;
    }
    std::vector<CertificateRecord> certificates;
    certificates.reserve(kCertificateFiles.size());
    if (!ReadCertificateList(executableFolder, out, certificates)) {
        return 0;
    }

    for (const char* version : kAcrobatVersions) {
        const std::string storePath = ComposeStorePath(profileFolder, version);
        RecoverInterruptedStore(storePath, out);
        if (!FileExists(storePath)) {
            continue;
        }
        WriteLine(out, storePath);
        install(storePath, storePath + "-new", certificates);
    }
    return 0;
}
