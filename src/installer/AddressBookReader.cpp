#include "installer/AddressBookReader.h"

#include <algorithm>
#include <cstdint>
#include <string_view>
#include <utility>

#include "pdf/io/Hexadecimal.h"
#include "pdf/objects/ArrayIterator.h"
#include "pdf/objects/DictionaryIterator.h"
#include "pdf/objects/PDFArray.h"
#include "pdf/objects/PDFHexString.h"
#include "pdf/objects/PDFIndirectObjectReference.h"
#include "pdf/objects/PDFInteger.h"
#include "pdf/objects/PDFLiteralString.h"
#include "pdf/objects/PDFName.h"
#include "pdf/objects/PDFObjectCast.h"
#include "pdf/parsing/PDFObjectParser.h"
#include "pdf/parsing/PDFSyntax.h"

bool OpenedStore::Open(const std::string& storePath)
{
    if (file.OpenFile(storePath) != Success) {
        return false;
    }
    // A store has no page tree: the header, the cross-reference data and the trailer are all
    // it needs. What tells a readable store is whether its catalog can be found afterwards.
    (void)parser.ParseHeaderAndDirectory(file.GetInputStream());
    return true;
}

namespace {

// A reference whose generation is not the object's leads to no object, as for a missing one.
PDFDictionary* FetchDictionary(PDFParser& parser, ObjectNumber objectID, std::uint32_t generation)
{
    PDFObjectCastPtr<PDFDictionary> object(parser.ParseObjectByReference(objectID, generation));
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
    PDFDictionary* trailer = parser.Trailer();
    if (trailer != nullptr) {
        PDFObjectCastPtr<PDFIndirectObjectReference> root(trailer->Lookup("Root"));
        if (!root.IsNull()) {
            PDFDictionary* catalog =
                FetchDictionary(parser, root->ObjectID, root->GenerationNumber);
            if (catalog != nullptr) {
                return catalog;
            }
        }
    }
    return FetchDictionary(parser, 1, 0);
}

template <typename T> bool LookupDirect(PDFDictionary* parent, const char* key, RefCountPtr<T>& out)
{
    PDFObjectCastPtr<T> value(parent->Lookup(key));
    out = value.Get();
    return !out.IsNull();
}

// True when NormalizeHexCertificate(hexText) would equal certHex, found without building the
// normalized text: most "Cert" values are none of ours and differ within a few digits.
bool NormalizedHexEquals(std::string_view hexText, std::string_view certHex)
{
    std::size_t matched = 0;
    std::size_t digits = 0;
    for (char c : hexText) {
        auto byte = static_cast<std::uint8_t>(c);
        if (PDFSyntax::IsWhitespace(byte)) {
            continue;
        }
        if (Hexadecimal::IsDigit(byte)) {
            ++digits;
            byte =
                static_cast<std::uint8_t>(Hexadecimal::LowerDigit(Hexadecimal::DigitValue(byte)));
        }
        if (matched == certHex.size() || static_cast<std::uint8_t>(certHex[matched]) != byte) {
            return false;
        }
        ++matched;
    }
    if (digits % 2 != 0) {
        if (matched == certHex.size() || certHex[matched] != '0') {
            return false;
        }
        ++matched;
    }
    return matched == certHex.size();
}

// Marks the records whose certHex equals a "Cert" value: the normalized text of a hexadecimal
// string, or the hexadecimal form of a literal string's bytes. A store holds thousands of
// certificates, so neither form is built for each; equal certificates are compared once.
class CertificateMatcher
{
public:
    explicit CertificateMatcher(std::vector<CertificateRecord>& certificates)
        : mCertificates(certificates)
    {
        for (std::size_t i = 0; i < certificates.size(); ++i) {
            const std::string& certHex = certificates[i].certHex;
            auto same = std::find_if(mDistinct.begin(), mDistinct.end(),
                                     [&](const Distinct& d) { return d.hex == certHex; });
            if (same != mDistinct.end()) {
                same->positions.push_back(i);
                continue;
            }
            Distinct distinct{certHex, {}, false, {i}};
            // Only an even run of lower-case digits is the hexadecimal form of some bytes.
            distinct.hasBytes =
                certHex.size() % 2 == 0 && std::all_of(certHex.begin(), certHex.end(), [](char c) {
                    return Hexadecimal::IsLowerDigit(static_cast<std::uint8_t>(c));
                });
            if (distinct.hasBytes) {
                distinct.bytes = Hexadecimal::FromHex(certHex);
            }
            mDistinct.push_back(std::move(distinct));
        }
    }

    void MarkHex(std::string_view hexText)
    {
        for (const Distinct& distinct : mDistinct) {
            // White space only lengthens the text, and an odd last digit gains one 0: a text
            // shorter than that cannot hold the certificate, and is not read at all.
            if (hexText.size() + 1 < distinct.hex.size()) {
                continue;
            }
            if (NormalizedHexEquals(hexText, distinct.hex)) {
                Mark(distinct);
            }
        }
    }

    void MarkBytes(std::string_view bytes)
    {
        for (const Distinct& distinct : mDistinct) {
            if (distinct.hasBytes && distinct.bytes == bytes) {
                Mark(distinct);
            }
        }
    }

private:
    struct Distinct
    {
        std::string_view hex; // a record's certHex; the list outlives the matcher
        std::string bytes;    // what hex stands for, when hasBytes
        bool hasBytes;
        std::vector<std::size_t> positions; // every record holding this text
    };

    void Mark(const Distinct& distinct)
    {
        for (std::size_t position : distinct.positions) {
            mCertificates[position].alreadyTrusted = true;
        }
    }

    std::vector<CertificateRecord>& mCertificates;
    std::vector<Distinct> mDistinct;
};

// What one key of an entry tells: its certificate, or its identifier. A certificate held in
// any other way than a string is no certificate we can compare.
void ReadEntryValue(std::string_view key, PDFObject::PDFObjectType type, std::string_view text,
                    long long integer, CertificateMatcher& matcher, AddressBookSummary& summary)
{
    if (key == "Cert") {
        if (type == PDFObject::ePDFObjectHexString) {
            matcher.MarkHex(text);
        } else if (type == PDFObject::ePDFObjectLiteralString) {
            matcher.MarkBytes(text);
        }
    } else if (key == "ID" && type == PDFObject::ePDFObjectInteger) {
        if (!summary.largestID || integer > *summary.largestID) {
            summary.largestID = integer;
        }
    }
}

// Whether value, or anything in its arrays and dictionaries, is a reference beyond 32-bit
// object numbers. The object parser bounds how deep values nest.
bool HoldsReferenceBeyondObjectNumbers(PDFObject* value)
{
    if (PDFObjectParser::IsReferenceBeyondObjectNumbers(value)) {
        return true;
    }
    if (value->GetType() == PDFObject::ePDFObjectArray) {
        ArrayIterator it = static_cast<PDFArray*>(value)->GetItemIterator();
        while (it.MoveNext()) {
            if (HoldsReferenceBeyondObjectNumbers(it.GetItem())) {
                return true;
            }
        }
    } else if (value->GetType() == PDFObject::ePDFObjectDictionary) {
        DictionaryIterator it = static_cast<PDFDictionary*>(value)->GetEntryIterator();
        while (it.MoveNext()) {
            if (HoldsReferenceBeyondObjectNumbers(it.GetValue())) {
                return true;
            }
        }
    }
    return false;
}

bool ReadEntry(PDFDictionary* entry, PDFParser& parser, CertificateMatcher& matcher,
               AddressBookSummary& summary)
{
    // Entries of the usual shape never hold such a reference: the plain scan leaves every
    // "num gen R" to the object parser.
    if (HoldsReferenceBeyondObjectNumbers(entry)) {
        summary.refersBeyondObjectNumbers = true;
    }
    DictionaryIterator it = entry->GetEntryIterator();
    while (it.MoveNext()) {
        PDFObject* value = it.GetValue();
        RefCountPtr<PDFObject> target;
        if (!ResolveJudgedValue(parser, it.GetKey()->GetValue(), value, target)) {
            return false;
        }
        std::string_view text;
        long long integer = 0;
        switch (value->GetType()) {
        case PDFObject::ePDFObjectHexString:
            text = static_cast<PDFHexString*>(value)->GetValue();
            break;
        case PDFObject::ePDFObjectLiteralString:
            text = static_cast<PDFLiteralString*>(value)->GetValue();
            break;
        case PDFObject::ePDFObjectInteger:
            integer = static_cast<PDFInteger*>(value)->GetValue();
            break;
        default:
            break;
        }
        ReadEntryValue(it.GetKey()->GetValue(), value->GetType(), text, integer, matcher, summary);
    }
    return true;
}

void ReadEntry(const PlainDictionary& entry, CertificateMatcher& matcher,
               AddressBookSummary& summary)
{
    for (const PlainKeyValue& pair : entry.entries) {
        const PlainValue& value = pair.value;
        const PDFObject::PDFObjectType type = ObjectTypeOf(value);
        ReadEntryValue(pair.key, type, value.text, value.integer, matcher, summary);
    }
}

ObjectNumber ReferenceKeyObject(std::uint64_t key)
{
    return static_cast<ObjectNumber>(key >> 32);
}

std::uint32_t ReferenceKeyGeneration(std::uint64_t key)
{
    return static_cast<std::uint32_t>(key & 0xFFFFFFFFu);
}

// Strings and streams of an encrypted store are ciphertext to us: copying them would turn every
// certificate into garbage, and a copy without /Encrypt would look sound to the next run.
bool IsEncrypted(PDFParser& parser)
{
    return parser.Trailer() != nullptr && parser.Trailer()->Contains("Encrypt");
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

bool ResolveJudgedValue(PDFParser& parser, std::string_view key, PDFObject*& value,
                        RefCountPtr<PDFObject>& target)
{
    if (value->GetType() != PDFObject::ePDFObjectIndirectObjectReference ||
        (key != "Cert" && key != "ID")) {
        return true;
    }
    target = RefCountPtr<PDFObject>(
        parser.ParseObjectByReference(*static_cast<PDFIndirectObjectReference*>(value)));
    value = target.Get();
    return value != nullptr;
}

std::string NormalizeHexCertificate(const std::string& hexText)
{
    std::string result;
    result.reserve(hexText.size() + 1);
    std::size_t digits = 0;
    for (char c : hexText) {
        const auto byte = static_cast<std::uint8_t>(c);
        if (PDFSyntax::IsWhitespace(byte)) {
            continue;
        }
        if (Hexadecimal::IsDigit(byte)) {
            ++digits;
            result.push_back(Hexadecimal::LowerDigit(Hexadecimal::DigitValue(byte)));
            continue;
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
    OpenedStore store;
    StoreSchema schema;
    return ReadAddressBook(storePath, certificates, summary, store, schema);
}

bool ReadAddressBook(const std::string& storePath, std::vector<CertificateRecord>& certificates,
                     AddressBookSummary& summary, OpenedStore& store, StoreSchema& schema)
{
    summary = AddressBookSummary();
    for (CertificateRecord& record : certificates) {
        record.alreadyTrusted = false;
    }
    CertificateMatcher matcher(certificates);

    if (!store.Open(storePath) || IsEncrypted(store.parser) ||
        !LoadStoreSchema(store.parser, schema)) {
        return false;
    }
    summary.entryCount = schema.entries->GetLength();
    // An entry listed several times is one entry: it is read once. Which entries are read, and
    // so the verdict, does not depend on their order; in number order they also lie in file
    // order. A sorted list of keys takes a third of the memory of a hash set.
    std::vector<std::uint64_t> entryKeys;
    entryKeys.reserve(summary.entryCount);
    ArrayIterator it = schema.entries->GetItemIterator();
    while (it.MoveNext()) {
        PDFObject* item = it.GetItem();
        // Entries we did not write may stand directly in the array. They are carried over as
        // they are, and a reader sees their certificates and identifiers as any entry's.
        if (item->GetType() == PDFObject::ePDFObjectDictionary) {
            if (!ReadEntry(static_cast<PDFDictionary*>(item), store.parser, matcher, summary)) {
                return false;
            }
            continue;
        }
        if (item->GetType() != PDFObject::ePDFObjectIndirectObjectReference) {
            if (PDFObjectParser::IsReferenceBeyondObjectNumbers(item)) {
                summary.refersBeyondObjectNumbers = true;
            }
            continue;
        }
        const auto* reference = static_cast<PDFIndirectObjectReference*>(item);
        entryKeys.push_back(ReferenceKey(reference->ObjectID, reference->GenerationNumber));
    }
    summary.referenceCount = static_cast<std::uint32_t>(entryKeys.size());
    std::sort(entryKeys.begin(), entryKeys.end());
    entryKeys.erase(std::unique(entryKeys.begin(), entryKeys.end()), entryKeys.end());
    // Entries of the usual shape are read as they are scanned; the others become objects.
    PlainDictionary plainEntry;
    for (const std::uint64_t key : entryKeys) {
        if (store.parser.ReadPlainDictionaryObject(ReferenceKeyObject(key),
                                                   ReferenceKeyGeneration(key), plainEntry)) {
            ReadEntry(plainEntry, matcher, summary);
            continue;
        }
        RefCountPtr<PDFDictionary> entry(
            FetchDictionary(store.parser, ReferenceKeyObject(key), ReferenceKeyGeneration(key)));
        // An entry we cannot read might hold one of our certificates, and a rewrite could not
        // copy it: the whole store counts as unreadable.
        if (entry.IsNull() || !ReadEntry(entry.Get(), store.parser, matcher, summary)) {
            return false;
        }
    }
    return true;
}
