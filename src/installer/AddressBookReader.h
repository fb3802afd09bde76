#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "installer/AddressbookParser.h"
#include "installer/CertificateList.h"
#include "pdf/io/InputFile.h"
#include "pdf/objects/PDFArray.h"
#include "pdf/objects/PDFDictionary.h"
#include "pdf/objects/RefCountPtr.h"

// A trust store opened for reading: the file and the parser over it, for one read. The store
// is closed when this goes away.
struct OpenedStore
{
    InputFile file;
    AddressbookParser parser;

    // Opens the file and loads its directory. False only when the file cannot be opened. A
    // file that is no store (wrong header, no cross-reference data) opens all the same, but
    // nothing can be fetched from it: its catalog is then not found.
    bool Open(const std::string& storePath);
};

// The dictionaries a store must hold, in the shape we read and write: catalog -> PPK ->
// AddressBook -> Entries, each a direct value of its parent, and PPK with a "V".
struct StoreSchema
{
    RefCountPtr<PDFDictionary> catalog;
    RefCountPtr<PDFDictionary> ppk;
    RefCountPtr<PDFDictionary> addressBook;
    RefCountPtr<PDFArray> entries;
};

// Finds the catalog (through the trailer's /Root when that leads to a dictionary, object 1
// otherwise) and the dictionaries below it. False when any is missing or of another type.
bool LoadStoreSchema(PDFParser& parser, StoreSchema& schema);

// A "Cert" or "ID" held in an object of its own counts through that object, as any reader sees
// the entry; other keys are not looked at, and what they refer to is not read. False when
// value refers to an object that cannot be read: the entry then cannot be judged, since that
// object might hold one of our certificates or an identifier in use. Otherwise value is what
// the key stands for, held by target while it is used.
bool ResolveJudgedValue(PDFParser& parser, std::string_view key, PDFObject*& value,
                        RefCountPtr<PDFObject>& target);

// What a complete read of a store found besides the certificates.
struct AddressBookSummary
{
    std::uint32_t entryCount = 0;       // items of Entries, of every kind
    std::uint32_t referenceCount = 0;   // items that are indirect references
    std::optional<long long> largestID; // largest integer /ID of any entry, direct or not
    // Entries, or an entry, holds "num gen R" beyond 32-bit object numbers: a reader sees null
    // there and the entries are judged so, but the store cannot be copied.
    bool refersBeyondObjectNumbers = false;
};

// Reads the store at storePath and marks in the list the certificates it holds. Each store is
// judged on its own: every flag is cleared before the store is read. True only when the store
// could be read in full: a store we cannot read entirely, or an encrypted one (its trailer has
// /Encrypt), is never rewritten. An entry listed several times in Entries is read once. The
// store is judged as any PDF reader sees it: an entry standing directly in Entries counts like
// one referred to, and a "Cert" or "ID" held in an object of its own counts through that object
// (one that cannot be read makes the store unreadable). Writes nothing to the console and never
// changes the store.
bool ReadAddressBook(const std::string& storePath, std::vector<CertificateRecord>& certificates);

// The same, also telling what the rewrite needs to know about the store.
bool ReadAddressBook(const std::string& storePath, std::vector<CertificateRecord>& certificates,
                     AddressBookSummary& summary);

// The same, reading through store, which the caller keeps: after a true result it is open and
// schema holds the store's dictionaries, so a rewrite can copy from it without reading the
// directory again. The caller closes the store (by destroying it) before the file is moved.
bool ReadAddressBook(const std::string& storePath, std::vector<CertificateRecord>& certificates,
                     AddressBookSummary& summary, OpenedStore& store, StoreSchema& schema);

// The text a "Cert" hexadecimal string stands for, in the form certificates are kept in: white
// space dropped, digits in lower case, an odd last digit completed with 0. Other characters
// are kept, so a damaged string matches no certificate.
std::string NormalizeHexCertificate(const std::string& hexText);
