#include "tools/pdf-dump/TrustStoreSummary.h"

#include <cstdint>
#include <cstdio>
#include <optional>
#include <span>
#include <string_view>

#include "installer/AddressBookReader.h"
#include "pdf/io/Hexadecimal.h"
#include "pdf/objects/PDFArray.h"
#include "pdf/objects/PDFDictionary.h"
#include "pdf/objects/PDFHexString.h"
#include "pdf/objects/PDFIndirectObjectReference.h"
#include "pdf/objects/PDFInteger.h"
#include "pdf/objects/PDFLiteralString.h"
#include "pdf/objects/PDFObjectCast.h"
#include "pdf/writing/MD5Generator.h"
#include "platform/CertificateParser.h"
#include "tools/pdf-dump/DumpParser.h"
#include "tools/pdf-dump/ObjectDumper.h"

namespace {

// The entry's value of key, through the object it refers to for "Cert" and "ID", as the
// installer judges an entry; null when that object cannot be read.
RefCountPtr<PDFObject> JudgedValue(DumpParser& parser, PDFDictionary* entry, const char* key)
{
    RefCountPtr<PDFObject> held(entry->Lookup(key));
    PDFObject* value = held.Get();
    RefCountPtr<PDFObject> target;
    if (value == nullptr || !ResolveJudgedValue(parser, key, value, target)) {
        return RefCountPtr<PDFObject>();
    }
    RefCountPtr<PDFObject> judged;
    judged = value; // retained: held or target keeps it until here
    return judged;
}

std::string IntegerOrDash(DumpParser& parser, PDFDictionary* dictionary, const char* key)
{
    PDFObjectCastPtr<PDFInteger> value;
    value = JudgedValue(parser, dictionary, key).Get(); // retained before the temporary goes
    return !value.IsNull() ? std::to_string(value->GetValue()) : "-";
}

// The bytes of the entry's /Cert, a hexadecimal string decoded first; nothing when the entry
// has no string there.
std::optional<std::string> CertificateBytes(DumpParser& parser, PDFDictionary* entry)
{
    RefCountPtr<PDFObject> cert(JudgedValue(parser, entry, "Cert"));
    if (cert.IsNull()) {
        return std::nullopt;
    }
    if (cert->GetType() == PDFObject::ePDFObjectHexString) {
        return Hexadecimal::FromHex(static_cast<PDFHexString*>(cert.Get())->GetValue());
    }
    if (cert->GetType() == PDFObject::ePDFObjectLiteralString) {
        return static_cast<PDFLiteralString*>(cert.Get())->GetValue();
    }
    return std::nullopt;
}

// "MD5 <digest>  Expires <date>  Subject <name>", with "-" for what the bytes cannot tell. The
// subject comes last: it is the one field that holds spaces.
std::string CertificateFields(const std::optional<std::string>& bytes)
{
    if (!bytes) {
        return "MD5 -  Expires -  Subject -";
    }
    MD5Generator md5;
    md5.Accumulate(*bytes);
    const std::optional<platform::CertificateDescription> description =
        platform::DescribeCertificate(std::span<const std::uint8_t>(
            reinterpret_cast<const std::uint8_t*>(bytes->data()), bytes->size()));
    return "MD5 " + md5.FinalizeToHexString() + "  Expires " +
           (description ? description->expiry : "-") + "  Subject " +
           (description ? description->name : "-");
}

} // namespace

StatusCode SummarizeTrustStore(DumpParser& parser, const std::string& path, std::string& outText,
                               std::string& outError)
{
    if (!parser.IsTrustStore()) {
        outError =
            "not a trust store (the first line is not %PPKLITE-); use --objects for PDF files";
        return Failure;
    }
    // The catalog and the dictionaries below it, found as the installer finds them.
    StoreSchema schema;
    if (!LoadStoreSchema(parser, schema)) {
        outError = schema.catalog.IsNull()
                       ? "object 1, the store's catalog, is missing or not a dictionary"
                       : "the catalog has no /PPK (with /V) /AddressBook /Entries array";
        return Failure;
    }
    const RefCountPtr<PDFArray>& entries = schema.entries;

    char version[64];
    std::snprintf(version, sizeof(version), "%g", parser.HeaderVersion());
    outText = "Trust store: " + path + "\n";
    outText += std::string("Header version: ") + version + "\n";
    outText += "Entries: " + std::to_string(entries->GetLength()) + "\n";
    ArrayIterator it = entries->GetItemIterator();
    while (it.MoveNext()) {
        PDFObject* item = it.GetItem();
        PDFObjectCastPtr<PDFDictionary> entry;
        if (item != nullptr && item->GetType() == PDFObject::ePDFObjectDictionary) {
            // An entry standing directly in Entries is one the installer reads all the same.
            entry = item; // retained: the array keeps its own reference
        } else if (item == nullptr ||
                   item->GetType() != PDFObject::ePDFObjectIndirectObjectReference) {
            outText += "(an item that is not a reference)\n";
            continue;
        } else {
            const auto* reference = static_cast<PDFIndirectObjectReference*>(item);
            entry = PDFObjectCastPtr<PDFDictionary>(parser.ParseObjectByReference(*reference));
            if (!entry) {
                outText += "(object " + std::to_string(reference->ObjectID) +
                           " is missing or not a dictionary)\n";
                continue;
            }
        }
        outText += "ID " + IntegerOrDash(parser, entry.Get(), "ID") + "  ABEType " +
                   IntegerOrDash(parser, entry.Get(), "ABEType") + "  Trust " +
                   IntegerOrDash(parser, entry.Get(), "Trust") + "  " +
                   CertificateFields(CertificateBytes(parser, entry.Get())) + "\n";
    }
    return Success;
}
