#include "installer/OldBackup.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "installer/AddressBookReader.h"
#include "installer/ConsoleLines.h"
#include "installer/StoreReplacement.h"
#include "pdf/io/Hexadecimal.h"
#include "pdf/objects/ArrayIterator.h"
#include "pdf/objects/PDFHexString.h"
#include "pdf/objects/PDFIndirectObjectReference.h"
#include "pdf/objects/PDFLiteralString.h"
#include "pdf/objects/PDFObjectCast.h"
#include "pdf/objects/RefCountPtr.h"
#include "pdf/writing/MD5Generator.h"
#include "platform/Platform.h"

namespace {

// A certificate as a 128-bit digest of its text: tens of thousands of them fit in a few
// hundred kilobytes, where their texts would take tens of megabytes.
using CertificateDigest = std::array<std::uint8_t, 16>;

// The certificate of one entry in the form certificates are kept in, or nothing when the
// entry holds none as a string.
std::optional<std::string> EntryCertificate(PDFDictionary* entry)
{
    const RefCountPtr<PDFObject> held(entry->Lookup("Cert"));
    PDFObject* cert = held.Get();
    if (cert == nullptr) {
        return std::nullopt;
    }
    if (cert->GetType() == PDFObject::ePDFObjectHexString) {
        return NormalizeHexCertificate(static_cast<PDFHexString*>(cert)->GetValue());
    }
    if (cert->GetType() == PDFObject::ePDFObjectLiteralString) {
        const std::string& bytes = static_cast<PDFLiteralString*>(cert)->GetValue();
        return Hexadecimal::ToLowerHex(bytes);
    }
    return std::nullopt;
}

// The digests of the certificates of every entry of a store, sorted, and whether some entry
// holds no certificate string.
struct EntryCertificates
{
    std::vector<CertificateDigest> digests;
    bool someWithout = false;
};

// Nothing when the store at path cannot be read in full.
std::optional<EntryCertificates> ReadEntryCertificates(const std::string& path)
{
    OpenedStore store;
    StoreSchema schema;
    if (!store.Open(path) || !LoadStoreSchema(store.parser, schema)) {
        return std::nullopt;
    }
    EntryCertificates result;
    result.digests.reserve(schema.entries->GetLength());
    MD5Generator md5;
    ArrayIterator it = schema.entries->GetItemIterator();
    while (it.MoveNext()) {
        PDFObject* item = it.GetItem();
        RefCountPtr<PDFObject> fetched;
        if (item->GetType() == PDFObject::ePDFObjectIndirectObjectReference) {
            fetched = RefCountPtr<PDFObject>(store.parser.ParseObjectByReference(
                *static_cast<PDFIndirectObjectReference*>(item)));
            item = fetched.Get();
        }
        if (item == nullptr) {
            return std::nullopt; // an entry that can't be read may hold anything
        }
        const std::optional<std::string> certificate =
            item->GetType() == PDFObject::ePDFObjectDictionary
                ? EntryCertificate(static_cast<PDFDictionary*>(item))
                : std::nullopt;
        if (!certificate) {
            result.someWithout = true;
            continue;
        }
        md5.Accumulate(*certificate);
        result.digests.push_back(md5.Finalize());
    }
    std::sort(result.digests.begin(), result.digests.end());
    result.digests.erase(std::unique(result.digests.begin(), result.digests.end()),
                         result.digests.end());
    return result;
}

// Moves the backup to the first free numbered name; the line names both paths.
OldBackupFate MoveBackupAside(const std::string& backupPath, const std::string& why,
                              std::ostream& out)
{
    // Far more than a store ever gathers; a folder that holds them all is not searched on.
    constexpr int kMaxBackupNumber = 1000;
    std::string reason = "no free name up to -backup-" + std::to_string(kMaxBackupNumber);
    for (int number = 1; number <= kMaxBackupNumber; ++number) {
        const std::string aside = backupPath + "-" + std::to_string(number);
        if (platform::KindOfName(aside) != platform::NameKind::Missing) {
            continue;
        }
        if (platform::RenameNoReplace(backupPath, aside, reason)) {
            WriteLine(out, "Kept " + backupPath + " as " + aside + ": " + why);
            return OldBackupFate::MovedAside;
        }
        if (platform::KindOfName(aside) == platform::NameKind::Missing) {
            break; // refused for another reason than a name taken meanwhile
        }
    }
    WriteLine(out,
              "Can't move " + backupPath + " aside: " + reason + "; the store was left unchanged");
    return OldBackupFate::Stuck;
}

} // namespace

OldBackupFate SettleOldBackup(const std::string& storePath, std::ostream& out)
{
    const std::string backupPath = BackupPathOf(storePath);
    const std::optional<EntryCertificates> backup = ReadEntryCertificates(backupPath);
    if (!backup) {
        return MoveBackupAside(backupPath, "it can't be read in full as a store", out);
    }
    // A store that can't be read tells nothing: the backup may be all that is left.
    const std::optional<EntryCertificates> store = ReadEntryCertificates(storePath);
    if (backup->someWithout || !store ||
        !std::includes(store->digests.begin(), store->digests.end(), backup->digests.begin(),
                       backup->digests.end())) {
        return MoveBackupAside(backupPath, "it holds entries the store lacks", out);
    }
    return OldBackupFate::Redundant;
}
