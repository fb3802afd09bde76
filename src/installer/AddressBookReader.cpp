#include "installer/AddressBookReader.h"

#include <span>
#include <string_view>
#include <unordered_map>

#include "pdf/objects/ArrayIterator.h"
#include "pdf/objects/DictionaryIterator.h"
#include "pdf/objects/PDFHexString.h"
#include "pdf/objects/PDFIndirectObjectReference.h"
#include "pdf/objects/PDFInteger.h"
#include "pdf/objects/PDFLiteralString.h"
#include "pdf/objects/PDFName.h"
#include "pdf/objects/PDFObjectCast.h"

bool OpenedStore::Open(const std::string& storePath)
{
    if (file.OpenFile(storePath) != Success) {
        return false;
    }
    // A store has no page tree, so the full document read ends in Failure after the header,
    // the cross-reference data and the trailer are loaded; those are all a store needs. What
    // tells a readable store is whether its catalog can be found afterwards.
    (void)parser.ParseDocument(file.GetInputStream());
    return true;
}

namespace {

PDFDictionary* FetchDictionary(PDFParser& parser, ObjectNumber objectID)
{
    PDFObjectCastPtr<PDFDictionary> object(parser.ParseObjectByID(objectID));
    PDFDictionary* result = object.Get();
    if (result != nullptr) {
        result->Retain(); // handed to the caller
    }
    return result;
}

// The trailer names the catalog. Stores we write always say 1 0 R; when /Root is missing or
// leads nowhere useful we fall back to object 1, where every known writer puts it.
PDFDictionary* FindCatalog(PDFParser& parser)
{
    PDFDictionary* trailer = parser.GetTrailer();
    if (trailer != nullptr) {
        PDFObjectCastPtr<PDFIndirectObjectReference> root(trailer->Lookup("Root"));
        if (!root.IsNull()) {
            PDFDictionary* catalog = FetchDictionary(parser, root->ObjectID);
            if (catalog != nullptr) {
                return catalog;
            }
        }
    }
    return FetchDictionary(parser, 1);
}

template <typename T> bool LookupDirect(PDFDictionary* parent, const char* key, RefCountPtr<T>& out)
{
    PDFObjectCastPtr<T> value(parent->Lookup(key));
    out = value.Get();
    return !out.IsNull();
}

bool IsHexWhiteSpace(std::uint8_t byte)
{
    return byte == 0 || byte == '\t' || byte == '\n' || byte == '\f' || byte == '\r' || byte == ' ';
}

bool IsHexDigit(std::uint8_t byte)
{
    return (byte >= '0' && byte <= '9') || (byte >= 'a' && byte <= 'f') ||
           (byte >= 'A' && byte <= 'F');
}

// Where each certificate text stands in the list; equal certificates share one key.
using CertificateIndex = std::unordered_map<std::string_view, std::vector<std::size_t>>;

void MarkCertificate(const std::string& certHex, const CertificateIndex& index,
                     std::vector<CertificateRecord>& certificates)
{
    auto found = index.find(certHex);
    if (found == index.end()) {
        return;
    }
    for (std::size_t position : found->second) {
        certificates[position].alreadyTrusted = true;
    }
}

// Walks one entry's keys: marks its certificate and notes its identifier.
void ReadEntry(PDFDictionary* entry, const CertificateIndex& index,
               std::vector<CertificateRecord>& certificates, AddressBookSummary& summary)
{
    DictionaryIterator it = entry->GetEntryIterator();
    while (it.MoveNext()) {
        const std::string& key = it.GetKey()->GetValue();
        PDFObject* value = it.GetValue();
        if (key == "Cert") {
            if (value->GetType() == PDFObject::ePDFObjectHexString) {
                MarkCertificate(
                    NormalizeHexCertificate(static_cast<PDFHexString*>(value)->GetValue()), index,
                    certificates);
            } else if (value->GetType() == PDFObject::ePDFObjectLiteralString) {
                const std::string& bytes = static_cast<PDFLiteralString*>(value)->GetValue();
                MarkCertificate(
                    BytesToHex(std::span<const std::uint8_t>(
                        reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size())),
                    index, certificates);
            }
            // A certificate held in any other way is no certificate we can compare.
        } else if (key == "ID" && value->GetType() == PDFObject::ePDFObjectInteger) {
            const long long id = static_cast<PDFInteger*>(value)->GetValue();
            if (!summary.largestID || id > *summary.largestID) {
                summary.largestID = id;
            }
        }
    }
}

} // namespace

bool LoadStoreSchema(PDFParser& parser, StoreSchema& schema)
{
    schema.catalog = RefCountPtr<PDFDictionary>(FindCatalog(parser));
    if (schema.catalog.IsNull() || !LookupDirect(schema.catalog.Get(), "PPK", schema.ppk)) {
        return false;
    }
    // "V" is not used while reading, but a PPK without it is not a store we know.
    if (!schema.ppk->Contains("V")) {
        return false;
    }
    return LookupDirect(schema.ppk.Get(), "AddressBook", schema.addressBook) &&
           LookupDirect(schema.addressBook.Get(), "Entries", schema.entries);
}

std::string NormalizeHexCertificate(const std::string& hexText)
{
    std::string result;
    result.reserve(hexText.size() + 1);
    std::size_t digits = 0;
    for (char c : hexText) {
        const auto byte = static_cast<std::uint8_t>(c);
        if (IsHexWhiteSpace(byte)) {
            continue;
        }
        if (IsHexDigit(byte)) {
            ++digits;
            if (byte >= 'A' && byte <= 'F') {
                result.push_back(static_cast<char>(byte - 'A' + 'a'));
                continue;
            }
        }
        result.push_back(c);
    }
    if (digits % 2 != 0) {
        result.push_back('0');
    }
    return result;
}

bool ReadAddressBook(const std::string& storePath, std::vector<CertificateRecord>& certificates)
{
    AddressBookSummary summary;
    return ReadAddressBook(storePath, certificates, summary);
}

bool ReadAddressBook(const std::string& storePath, std::vector<CertificateRecord>& certificates,
                     AddressBookSummary& summary)
{
    summary = AddressBookSummary();
    for (CertificateRecord& record : certificates) {
        record.alreadyTrusted = false;
    }
    CertificateIndex index;
    for (std::size_t i = 0; i < certificates.size(); ++i) {
        index[certificates[i].certHex].push_back(i);
    }

    OpenedStore store;
    StoreSchema schema;
    if (!store.Open(storePath) || !LoadStoreSchema(store.parser, schema)) {
        return false;
    }
    summary.entryCount = schema.entries->GetLength();
    ArrayIterator it = schema.entries->GetItemIterator();
    while (it.MoveNext()) {
        PDFObject* item = it.GetItem();
        // Entries we did not write may stand directly in the array; they hold no certificate
        // we could look up by number, and are carried over as they are.
        if (item->GetType() != PDFObject::ePDFObjectIndirectObjectReference) {
            continue;
        }
        ++summary.referenceCount;
        RefCountPtr<PDFDictionary> entry(FetchDictionary(
            store.parser, static_cast<PDFIndirectObjectReference*>(item)->ObjectID));
        // An entry we cannot read might hold one of our certificates, and a rewrite could not
        // copy it: the whole store counts as unreadable.
        if (entry.IsNull()) {
            return false;
        }
        ReadEntry(entry.Get(), index, certificates, summary);
    }
    return true;
}
