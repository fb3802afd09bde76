#include "tools/trust-check/TrustCheck.h"

#include <algorithm>
#include <vector>

#include "installer/AddressBookReader.h"
#include "installer/CertificateSet.h"
#include "installer/ConsoleLines.h"
#include "installer/InstallerPaths.h"
#include "installer/StoreReplacement.h"

namespace {

// What the installer would find at the store path: the store, or the copy an interrupted run
// left under the backup name, which it puts back before anything else. Nothing when neither.
std::optional<std::string> FileToRead(const std::string& storePath)
{
    if (FileExists(storePath)) {
        return storePath;
    }
    const std::string backupPath = BackupPathOf(storePath);
    if (FileExists(backupPath)) {
        return backupPath;
    }
    return std::nullopt;
}

// Judges one store, writing its lines after the store path.
TrustCheckResult CheckStore(const std::string& fileToRead,
                            std::vector<CertificateRecord>& certificates, std::ostream& out)
{
    if (!ReadAddressBook(fileToRead, certificates)) {
        WriteLine(out, "Can't parse addressbook");
        return TrustCheckResult::CannotTell;
    }
    TrustCheckResult result = TrustCheckResult::NothingToDo;
    for (const CertificateRecord& certificate : certificates) {
        if (!certificate.alreadyTrusted) {
            WriteLine(out, std::string("missing: ") + certificate.label);
            result = TrustCheckResult::WouldAdd;
        }
    }
    if (result == TrustCheckResult::NothingToDo) {
        WriteLine(out, "All certificates are trusted");
    }
    return result;
}

} // namespace

TrustCheckResult RunTrustCheck(const std::string& executableFolder,
                               const std::optional<std::string>& appDataFolder, std::ostream& out)
{
    if (!appDataFolder || appDataFolder->empty()) {
        WriteLine(out, "APPDATA is not set; no trust store to check");
        return TrustCheckResult::CannotTell;
    }
    if (executableFolder.empty()) {
        WriteLine(out, "can't find the program's folder; no certificate to check");
        return TrustCheckResult::CannotTell;
    }
    std::optional<std::vector<CertificateRecord>> certificates =
        ReadCertificateList(executableFolder, out);
    if (!certificates) {
        return TrustCheckResult::CannotTell;
    }

    const std::string profileFolder = ComposeProfileFolder(*appDataFolder);
    bool foundStore = false;
    TrustCheckResult result = TrustCheckResult::NothingToDo;
    for (const char* version : kAcrobatVersions) {
        const std::string storePath = ComposeStorePath(profileFolder, version);
        const std::optional<std::string> fileToRead = FileToRead(storePath);
        if (!fileToRead) {
            continue;
        }
        foundStore = true;
        WriteLine(out, storePath);
        result = std::max(result, CheckStore(*fileToRead, *certificates, out));
    }
    if (!foundStore) {
        WriteLine(out, "No trust store found");
    }
    return result;
}
