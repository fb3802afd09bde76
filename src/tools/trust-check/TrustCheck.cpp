#include "tools/trust-check/TrustCheck.h"

#include <algorithm>
#include <vector>

#include "installer/AddressBookReader.h"
#include "installer/CertificateList.h"
#include "installer/ConsoleLines.h"
#include "installer/InstallerPaths.h"
#include "installer/StoreReplacement.h"

namespace {

// Judges the store the installer would find at storePath, writing its lines. The installer
// puts a store left under its backup name by an interrupted run back first; that file is read
// in its place. Nothing when the installer would find no store there.
std::optional<TrustCheckResult> CheckStore(const std::string& storePath,
                                           std::vector<CertificateRecord>& certificates,
                                           std::ostream& out)
{
    std::string fileToRead = storePath;
    const StoreKind kind = KindOfStorePath(storePath);
    if (kind == StoreKind::Absent) {
        fileToRead = BackupPathOf(storePath);
        if (!FileExists(fileToRead)) {
            return std::nullopt;
        }
    }
    WriteLine(out, storePath);
    // A store the installer would refuse to copy cannot be told complete or mended either.
    AddressBookSummary summary;
    if (kind == StoreKind::NotAFile || !ReadAddressBook(fileToRead, certificates, summary) ||
        summary.refersBeyondObjectNumbers) {
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
                               const std::optional<std::string>& appDataFolder, std::ostream& out,
                               std::chrono::milliseconds lockWait)
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

    bool foundStore = false;
    TrustCheckResult result = TrustCheckResult::NothingToDo;
    const bool visitedAll = VisitStores(
        ComposeProfileFolder(*appDataFolder), lockWait, out,
        [&](const std::string& storePath) {
            const std::optional<TrustCheckResult> store = CheckStore(storePath, *certificates, out);
            if (store) {
                foundStore = true;
                result = std::max(result, *store);
            }
        },
        platform::ExclusiveLock::Use::Read);
    // A store left alone after the wait was named by its line: what it holds is not known.
    if (!visitedAll) {
        return TrustCheckResult::CannotTell;
    }
    if (!foundStore) {
        WriteLine(out, "No trust store found");
    }
    return result;
}
