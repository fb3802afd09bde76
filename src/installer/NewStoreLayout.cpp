#include "installer/NewStoreLayout.h"

#include <algorithm>
#include <climits>
#include <utility>
#include <vector>

#include "installer/AddressBookReader.h"
#include "pdf/objects/ArrayIterator.h"
#include "pdf/objects/PDFIndirectObjectReference.h"
#include "pdf/objects/PDFInteger.h"
#include "pdf/objects/PDFObjectCast.h"
#include "pdf/parsing/PDFObjectParser.h"
#include "pdf/writing/PDFWriter.h"

namespace {

const PDFIndirectObjectReference* AsReference(const PDFObject* object)
{
    return object->GetType() == PDFObject::ePDFObjectIndirectObjectReference
               ? static_cast<const PDFIndirectObjectReference*>(object)
               : nullptr;
}

// The user dictionary's own content: a direct dictionary, or one an indirect reference leads
// to. The new store always holds it directly.
RefCountPtr<PDFDictionary> FindUser(PDFParser& parser, PDFDictionary* ppk)
{
    RefCountPtr<PDFObject> user(ppk->Lookup("User"));
    if (!user.IsNull() && AsReference(user.Get()) != nullptr) {
        user = RefCountPtr<PDFObject>(parser.ParseObjectByReference(*AsReference(user.Get())));
    }
    PDFObjectCastPtr<PDFDictionary> dictionary;
    dictionary = user.Get();
    return dictionary;
}

// Writes the catalog, the copies of the old entries, the new entries and the extra objects.
WriteOutcome WriteStoreObjects(OpenedStore& store, StoreSchema& schema, ObjectsContext& objects,
                               const std::vector<CertificateRecord>& certificates,
                               std::uint32_t missingCount, long long firstID,
                               std::uint32_t& writtenEntryCount)
{
    // Catalog and entries are numbered before anything is written, so that extras found on
    // the way take the numbers after them. An entry listed several times is copied once, and
    // each of its listings refers to that copy: the list keeps its length.
    StoreCopier copier(store, objects);
    const auto firstCopyID = static_cast<ObjectNumber>(2);
    std::vector<std::pair<ObjectNumber, std::uint32_t>> oldEntries; // number, generation
    oldEntries.reserve(schema.entries->GetLength());
    copier.ReserveEntries(schema.entries->GetLength());
    ArrayIterator scan = schema.entries->GetItemIterator();
    while (scan.MoveNext()) {
        const PDFIndirectObjectReference* reference = AsReference(scan.GetItem());
        if (reference != nullptr &&
            copier.MapEntry(*reference,
                            static_cast<ObjectNumber>(firstCopyID + oldEntries.size()))) {
            oldEntries.emplace_back(reference->ObjectID, reference->GenerationNumber);
        }
    }
    IndirectObjectsReferenceRegistry& registry = objects.GetReferencesRegistry();
    const std::size_t numberCount = 1 + oldEntries.size() + missingCount;
    registry.ReserveObjectIDs(numberCount);
    for (std::size_t i = 0; i < numberCount; ++i) {
        if (registry.AllocateObjectID() == 0) {
            return WriteOutcome::ValueNotCopyable;
        }
    }
    const auto firstNewID = static_cast<ObjectNumber>(2 + oldEntries.size());
    const RefCountPtr<PDFDictionary> oldUser = FindUser(store.parser, schema.ppk.Get());
    RefCountPtr<PDFObject> version(schema.ppk->Lookup("V"));
    const WriteOutcome keyFailure = WriteOutcome::ValueNotCopyable;
    // A failure the copier did not name (a dictionary the writer would not close) is still one.
    auto failed = [&copier] {
        return copier.Failure() == WriteOutcome::Written ? WriteOutcome::KeyNotWritten
                                                         : copier.Failure();
    };

    objects.StartIndirectObject(1);
    DictionaryContext* catalog = objects.StartDictionary();
    (void)catalog->WriteKey("PPK"); // a fresh dictionary: the key is new
    DictionaryContext* ppk = objects.StartDictionary();
    (void)ppk->WriteKey("AddressBook");
    DictionaryContext* book = objects.StartDictionary();
    (void)book->WriteKey("Entries");
    objects.StartArray();
    // Items that are not references stay where they stood, as they were.
    ArrayIterator items = schema.entries->GetItemIterator();
    while (items.MoveNext()) {
        if (const PDFIndirectObjectReference* reference = AsReference(items.GetItem())) {
            objects.WriteIndirectObjectReference(copier.EntryNumber(*reference), SeparatorSpace);
        } else if (!copier.CopyArrayItem(items.GetItem(), SeparatorSpace)) {
            return failed();
        }
    }
    for (std::uint32_t j = 0; j < missingCount; ++j) {
        objects.WriteIndirectObjectReference(firstNewID + j, SeparatorSpace);
    }
    objects.EndArray(SeparatorNone);
    writtenEntryCount = schema.entries->GetLength() + missingCount;
    (void)book->WriteKey("NextID");
    book->WriteIntegerValue(firstID + missingCount); // the caller checked it fits
    (void)book->WriteKey("Type");
    (void)book->WriteKey("AddressBook"); // the name value, written as the store's writer does
    if (!copier.CopyKeys(book, schema.addressBook.Get(), {"Entries", "NextID", "Type"}, false,
                         keyFailure) ||
        objects.EndDictionary(book) != Success) {
        return failed();
    }
    (void)ppk->WriteKey("Type");
    (void)ppk->WriteKey("PPK");
    (void)ppk->WriteKey("User");
    DictionaryContext* user = objects.StartDictionary();
    (void)user->WriteKey("Type");
    (void)user->WriteKey("User");
    if ((!oldUser.IsNull() && !copier.CopyKeys(user, oldUser.Get(), {"Type"}, false, keyFailure)) ||
        objects.EndDictionary(user) != Success) {
        return failed();
    }
    (void)ppk->WriteKey("V");
    if (!copier.CopyDictionaryValue(version.Get(), false) ||
        !copier.CopyKeys(ppk, schema.ppk.Get(), {"AddressBook", "Type", "User", "V"}, false,
                         keyFailure) ||
        objects.EndDictionary(ppk) != Success) {
        return failed();
    }
    (void)catalog->WriteKey("Type");
    (void)catalog->WriteKey("Catalog");
    if (!copier.CopyKeys(catalog, schema.catalog.Get(), {"PPK", "Type"}, false, keyFailure) ||
        objects.EndDictionary(catalog) != Success) {
        return failed();
    }
    objects.EndIndirectObject();
    schema = StoreSchema(); // a store's list of entries is the largest thing held; done with it

    for (std::size_t k = 0; k < oldEntries.size(); ++k) {
        if (!copier.CopyEntry(oldEntries[k].first, oldEntries[k].second,
                              static_cast<ObjectNumber>(firstCopyID + k))) {
            return failed();
        }
    }
    ObjectNumber newID = firstNewID;
    long long id = firstID;
    for (const CertificateRecord& record : certificates) {
        if (!record.alreadyTrusted) {
            WriteCertificateEntry(objects, newID++, record.certHex, id++);
        }
    }
    if (!copier.WriteExtraObjects()) {
        return failed();
    }
    return WriteOutcome::Written;
}

// The identifier of the first new entry: past NextID and past every identifier in use, so a
// store whose NextID fell behind its entries never receives a duplicate. NextID counts as a
// reader sees it: the direct value, or the object a reference leads to; one that cannot be read
// leaves the store unchanged, since the new NextID must not fall below it. Identifiers count
// from 1, as in every store the reader application writes (its empty store has NextID 1): a
// store with neither NextID nor identifiers, or with only values below 1 there, starts at 1,
// because 0 reads as "no identifier" to code that tests for it.
WriteOutcome FirstNewIdentifier(PDFParser& parser, PDFDictionary* addressBook,
                                const AddressBookSummary& summary, std::uint32_t missingCount,
                                long long& first)
{
    constexpr long long kFirstIdentifier = 1;
    first = kFirstIdentifier;
    RefCountPtr<PDFObject> nextValue(addressBook->Lookup("NextID"));
    if (!nextValue.IsNull() && AsReference(nextValue.Get()) != nullptr) {
        nextValue =
            RefCountPtr<PDFObject>(parser.ParseObjectByReference(*AsReference(nextValue.Get())));
        if (nextValue.IsNull()) {
            return WriteOutcome::ObjectUnreadable;
        }
    }
    // A reference beyond 32-bit object numbers names no object to take NextID from.
    if (PDFObjectParser::IsReferenceBeyondObjectNumbers(nextValue.Get())) {
        return WriteOutcome::ObjectUnreadable;
    }
    if (!nextValue.IsNull() && nextValue->GetType() == PDFObject::ePDFObjectSymbol) {
        return WriteOutcome::IdentifiersUsedUp; // a number beyond 64 bits: none after it fits
    }
    PDFObjectCastPtr<PDFInteger> nextID;
    nextID = nextValue.Get();
    if (!nextID.IsNull()) {
        first = std::max(first, nextID->GetValue());
    }
    if (summary.largestID) {
        if (*summary.largestID == LLONG_MAX) {
            return WriteOutcome::IdentifiersUsedUp;
        }
        first = std::max(first, *summary.largestID + 1);
    }
    long long end = 0;
    if (__builtin_add_overflow(first, static_cast<long long>(missingCount), &end)) {
        return WriteOutcome::IdentifiersUsedUp;
    }
    return WriteOutcome::Written;
}

} // namespace

WriteOutcome WriteNewStore(PDFWriter& writer, OpenedStore& store, StoreSchema& schema,
                           const std::string& newStorePath,
                           const std::vector<CertificateRecord>& certificates,
                           const AddressBookSummary& summary, std::uint32_t missingCount,
                           std::uint32_t& writtenEntryCount)
{
    long long firstID = 0;
    const WriteOutcome identifiers =
        FirstNewIdentifier(store.parser, schema.addressBook.Get(), summary, missingCount, firstID);
    if (identifiers != WriteOutcome::Written) {
        return identifiers;
    }

    WriterSettings settings;
    settings.mCompressStreams = true;
    settings.mEmbedFonts = true;
    // The new store replaces the old one only once it is on disk: a crash after the swap must
    // not leave an empty store behind.
    settings.mFlushToDisk = true;
    // Whatever is at the path now was put there by someone else: never written through.
    settings.mCreateNew = true;
    if (writer.StartPDF(newStorePath, PPKLiteVersion21, TraceLogSettings::Default(), settings) !=
        Success) {
        return WriteOutcome::CannotCreate;
    }
    WriteOutcome outcome =
        WriteStoreObjects(store, schema, writer.GetObjectsContext(), certificates, missingCount,
                          firstID, writtenEntryCount);
    if (outcome == WriteOutcome::Written && writer.FinishPDF() != Success) {
        outcome = WriteOutcome::EndFailed;
    }
    if (outcome != WriteOutcome::Written) {
        (void)writer.EndPDF(); // only closes the abandoned file, which the caller removes
    }
    return outcome;
}

void WriteCertificateEntry(ObjectsContext& objects, ObjectNumber objectID,
                           const std::string& certHex, long long id)
{
    objects.StartIndirectObject(objectID);
    DictionaryContext* entry = objects.StartDictionary();
    // A fresh dictionary: none of these keys can be refused.
    auto integer = [entry](const char* key, long long value) {
        (void)entry->WriteKey(key);
        entry->WriteIntegerValue(value);
    };
    auto boolean = [entry](const char* key, bool value) {
        (void)entry->WriteKey(key);
        entry->WriteBooleanValue(value);
    };
    integer("ABEType", 1);
    (void)entry->WriteKey("Cert");
    entry->WriteHexStringValue(certHex);
    boolean("Editable", true);
    integer("Trust", 96);
    integer("Usage", 1);
    boolean("Viewable", true);
    integer("ID", id);
    (void)objects.EndDictionary(entry); // the innermost dictionary, opened just above
    objects.EndIndirectObject();
}
