#include "installer/AddressBookRewriter.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <deque>
#include <initializer_list>
#include <iostream>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "installer/AddressBookReader.h"
#include "installer/StoreReplacement.h"
#include "pdf/io/IByteReaderWithPosition.h"
#include "pdf/objects/ArrayIterator.h"
#include "pdf/objects/DictionaryIterator.h"
#include "pdf/objects/PDFBoolean.h"
#include "pdf/objects/PDFHexString.h"
#include "pdf/objects/PDFIndirectObjectReference.h"
#include "pdf/objects/PDFInteger.h"
#include "pdf/objects/PDFLiteralString.h"
#include "pdf/objects/PDFName.h"
#include "pdf/objects/PDFObjectCast.h"
#include "pdf/objects/PDFReal.h"
#include "pdf/objects/PDFStreamInput.h"
#include "pdf/writing/PDFWriter.h"
#include "platform/Platform.h"

namespace {

// Why writing the new store stopped; each has its own console line.
enum class WriteOutcome
{
    Written,
    CannotCreate,      // the new store file could not be created
    KeyNotWritten,     // a copied entry's key or dictionary was refused by the writer
    ValueNotCopyable,  // a value the writer cannot reproduce (a symbol, too deep, too many objects)
    ObjectUnreadable,  // a referenced object or stream data that cannot be read
    IdentifiersUsedUp, // the new identifiers would not fit a 64-bit integer
    EndFailed          // the writer could not finish, write or flush the file
};

// Nested arrays and dictionaries copied inside each other. The reader already refuses deeper
// nesting; this keeps the copier's own recursion bounded whatever it is given.
constexpr int kMaxCopyDepth = 512;
// Stream data is passed through in pieces of this size, so a large stream never sits in memory.
constexpr std::size_t kStreamCopyChunk = 64 * 1024;

void WriteLine(std::ostream& out, const std::string& text)
{
    out << text << '\n' << std::flush;
}

std::string HexOfBytes(const std::string& bytes)
{
    return BytesToHex(std::span<const std::uint8_t>(
        reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
}

bool IsReference(const PDFObject* object)
{
    return object->GetType() == PDFObject::ePDFObjectIndirectObjectReference;
}

ObjectNumber ReferencedID(const PDFObject* object)
{
    return static_cast<const PDFIndirectObjectReference*>(object)->ObjectID;
}

// Copies values from the old store into the new one. Old object numbers are not kept: an
// entry object gets the number the caller chose for it (MapEntry), and any other object that
// a copied value refers to is copied once more as an extra object, numbered as it is first
// met and written by WriteExtraObjects. Numbers are given out before anything is fetched, so
// references that lead in a circle end at an object already numbered.
//
// Every operation returns false at the first failure and remembers the first reason; the new
// store is abandoned then, so nothing is undone here.
class StoreCopier
{
public:
    StoreCopier(OpenedStore& store, ObjectsContext& objects) : mStore(store), mObjects(objects) {}

    // The first mapping of an old number wins: an entry listed twice is copied twice, and
    // references to it lead to the first copy.
    void MapEntry(ObjectNumber oldID, ObjectNumber newID) { mNewNumbers.emplace(oldID, newID); }

    WriteOutcome Failure() const { return mFailure; }

    bool CopyEntry(ObjectNumber oldID, ObjectNumber newID)
    {
        PDFObjectCastPtr<PDFDictionary> entry(mStore.parser.ParseObjectByID(oldID));
        if (entry.IsNull()) {
            return Fail(WriteOutcome::ObjectUnreadable);
        }
        mObjects.StartIndirectObject(newID);
        DictionaryContext* dictionary = mObjects.StartDictionary();
        if (!CopyKeys(dictionary, entry.Get(), {}, true, WriteOutcome::KeyNotWritten)) {
            return false;
        }
        if (mObjects.EndDictionary(dictionary) != Success) {
            return Fail(WriteOutcome::KeyNotWritten);
        }
        mObjects.EndIndirectObject();
        return true;
    }

    // Copies every key of source except those in skip, in key order. Under certRule a literal
    // "Cert" is written as hexadecimal digits, the form every certificate we write has.
    // keyFailure tells what a refused key means where the keys are written.
    bool CopyKeys(DictionaryContext* target, PDFDictionary* source,
                  std::initializer_list<std::string_view> skip, bool certRule,
                  WriteOutcome keyFailure)
    {
        DictionaryIterator it = source->GetEntryIterator();
        while (it.MoveNext()) {
            const std::string& key = it.GetKey()->GetValue();
            if (std::find(skip.begin(), skip.end(), key) != skip.end()) {
                continue;
            }
            if (target->WriteKey(key) != Success) {
                return Fail(keyFailure);
            }
            if (!CopyDictionaryValue(target, it.GetValue(), certRule && key == "Cert")) {
                return false;
            }
        }
        return true;
    }

    // Writes value after a key that the caller has written; every value ends its line except
    // arrays, which end at their closing bracket.
    bool CopyDictionaryValue(DictionaryContext* target, PDFObject* value, bool isCert)
    {
        switch (value->GetType()) {
        case PDFObject::ePDFObjectBoolean:
            target->WriteBooleanValue(static_cast<PDFBoolean*>(value)->GetValue());
            return true;
        case PDFObject::ePDFObjectLiteralString: {
            const std::string& bytes = static_cast<PDFLiteralString*>(value)->GetValue();
            if (isCert) {
                target->WriteHexStringValue(HexOfBytes(bytes));
            } else {
                target->WriteLiteralStringValue(bytes);
            }
            return true;
        }
        case PDFObject::ePDFObjectHexString:
            target->WriteHexStringValue(static_cast<PDFHexString*>(value)->GetValue());
            return true;
        case PDFObject::ePDFObjectNull:
            target->WriteNullValue();
            return true;
        case PDFObject::ePDFObjectName:
            target->WriteNameValue(static_cast<PDFName*>(value)->GetValue());
            return true;
        case PDFObject::ePDFObjectInteger:
            target->WriteIntegerValue(static_cast<PDFInteger*>(value)->GetValue());
            return true;
        case PDFObject::ePDFObjectReal:
            target->WriteRealValue(static_cast<PDFReal*>(value)->GetValue());
            return true;
        case PDFObject::ePDFObjectArray:
            return CopyArray(static_cast<PDFArray*>(value), SeparatorNone);
        case PDFObject::ePDFObjectDictionary:
            return CopyDictionary(static_cast<PDFDictionary*>(value));
        case PDFObject::ePDFObjectIndirectObjectReference: {
            const ObjectNumber newID = NewNumberFor(ReferencedID(value));
            if (newID == 0) {
                return false;
            }
            target->WriteObjectReferenceValue(newID);
            return true;
        }
        default:
            // A symbol is a word the reader did not know; writing it back could not promise
            // the same meaning. A stream can only stand as an object of its own.
            return Fail(WriteOutcome::ValueNotCopyable);
        }
    }

    // Writes one array item followed by separator.
    bool CopyArrayItem(PDFObject* item, TokenSeparator separator)
    {
        switch (item->GetType()) {
        case PDFObject::ePDFObjectBoolean:
            mObjects.WriteBoolean(static_cast<PDFBoolean*>(item)->GetValue(), separator);
            return true;
        case PDFObject::ePDFObjectLiteralString:
            mObjects.WriteLiteralString(static_cast<PDFLiteralString*>(item)->GetValue(),
                                        separator);
            return true;
        case PDFObject::ePDFObjectHexString:
            mObjects.WriteHexString(static_cast<PDFHexString*>(item)->GetValue(), separator);
            return true;
        case PDFObject::ePDFObjectNull:
            mObjects.WriteNull(separator);
            return true;
        case PDFObject::ePDFObjectName:
            mObjects.WriteName(static_cast<PDFName*>(item)->GetValue(), separator);
            return true;
        case PDFObject::ePDFObjectInteger:
            mObjects.WriteInteger(static_cast<PDFInteger*>(item)->GetValue(), separator);
            return true;
        case PDFObject::ePDFObjectReal:
            mObjects.WriteReal(static_cast<PDFReal*>(item)->GetValue(), separator);
            return true;
        case PDFObject::ePDFObjectArray:
            return CopyArray(static_cast<PDFArray*>(item),
                             separator == SeparatorSpace ? SeparatorNone : separator);
        case PDFObject::ePDFObjectDictionary:
            return CopyDictionary(static_cast<PDFDictionary*>(item)); // ends its own line
        case PDFObject::ePDFObjectIndirectObjectReference: {
            const ObjectNumber newID = NewNumberFor(ReferencedID(item));
            if (newID == 0) {
                return false;
            }
            mObjects.WriteIndirectObjectReference(newID, separator);
            return true;
        }
        default:
            return Fail(WriteOutcome::ValueNotCopyable);
        }
    }

    // Writes every object that copied values referred to, including those that the extras
    // themselves refer to, one fetched object in memory at a time.
    bool WriteExtraObjects()
    {
        while (!mPendingExtras.empty()) {
            const auto [oldID, newID] = mPendingExtras.front();
            mPendingExtras.pop_front();
            RefCountPtr<PDFObject> object(mStore.parser.ParseObjectByID(oldID));
            if (object.IsNull()) {
                return Fail(WriteOutcome::ObjectUnreadable);
            }
            if (object->GetType() == PDFObject::ePDFObjectStream) {
                if (!CopyStreamObject(newID, static_cast<PDFStreamInput*>(object.Get()))) {
                    return false;
                }
                continue;
            }
            mObjects.StartIndirectObject(newID);
            if (!CopyArrayItem(object.Get(), SeparatorEndLine)) {
                return false;
            }
            mObjects.EndIndirectObject();
        }
        return true;
    }

private:
    bool Fail(WriteOutcome outcome)
    {
        if (mFailure == WriteOutcome::Written) {
            mFailure = outcome;
        }
        return false;
    }

    // The new number of an old object: its entry's number, or a new extra object.
    ObjectNumber NewNumberFor(ObjectNumber oldID)
    {
        auto found = mNewNumbers.find(oldID);
        if (found != mNewNumbers.end()) {
            return found->second;
        }
        const ObjectNumber newID = mObjects.GetReferencesRegistry().AllocateObjectID();
        if (newID == 0) {
            Fail(WriteOutcome::ValueNotCopyable);
            return 0;
        }
        mNewNumbers.emplace(oldID, newID);
        mPendingExtras.emplace_back(oldID, newID);
        return newID;
    }

    bool CopyArray(PDFArray* array, TokenSeparator endSeparator)
    {
        if (++mDepth > kMaxCopyDepth) {
            return Fail(WriteOutcome::ValueNotCopyable);
        }
        mObjects.StartArray();
        ArrayIterator it = array->GetItemIterator();
        while (it.MoveNext()) {
            if (!CopyArrayItem(it.GetItem(), SeparatorSpace)) {
                return false;
            }
        }
        mObjects.EndArray(endSeparator);
        --mDepth;
        return true;
    }

    bool CopyDictionary(PDFDictionary* source)
    {
        if (++mDepth > kMaxCopyDepth) {
            return Fail(WriteOutcome::ValueNotCopyable);
        }
        DictionaryContext* dictionary = mObjects.StartDictionary();
        if (!CopyKeys(dictionary, source, {}, false, WriteOutcome::KeyNotWritten)) {
            return false;
        }
        if (mObjects.EndDictionary(dictionary) != Success) {
            return Fail(WriteOutcome::KeyNotWritten);
        }
        --mDepth;
        return true;
    }

    // The stream's /Length as a number, direct or through one reference.
    std::optional<long long> StreamLength(PDFDictionary* dictionary)
    {
        RefCountPtr<PDFObject> length(dictionary->Lookup("Length"));
        if (!length.IsNull() && IsReference(length.Get())) {
            length =
                RefCountPtr<PDFObject>(mStore.parser.ParseObjectByID(ReferencedID(length.Get())));
        }
        if (length.IsNull() || length->GetType() != PDFObject::ePDFObjectInteger) {
            return std::nullopt;
        }
        return static_cast<PDFInteger*>(length.Get())->GetValue();
    }

    // A stream keeps its dictionary (every key but /Length, which is written directly) and its
    // data exactly as stored, still encoded: nothing is decoded and compressed again.
    bool CopyStreamObject(ObjectNumber newID, PDFStreamInput* stream)
    {
        RefCountPtr<PDFDictionary> dictionary(stream->GetDictionary());
        const std::optional<long long> length = StreamLength(dictionary.Get());
        const FilePosition dataStart = stream->GetDataStart();
        const FilePosition fileSize = mStore.file.GetFileSize();
        IByteReaderWithPosition* input = mStore.parser.ParserStream();
        if (!length || input == nullptr || *length < 0 || dataStart < 0 || dataStart > fileSize ||
            *length > fileSize - dataStart) {
            return Fail(WriteOutcome::ObjectUnreadable);
        }

        mObjects.StartIndirectObject(newID);
        DictionaryContext* target = mObjects.StartDictionary();
        if (!CopyKeys(target, dictionary.Get(), {"Length"}, false, WriteOutcome::KeyNotWritten)) {
            return false;
        }
        if (target->WriteKey("Length") != Success) {
            return Fail(WriteOutcome::KeyNotWritten);
        }
        target->WriteIntegerValue(*length);
        if (mObjects.EndDictionary(target) != Success) {
            return Fail(WriteOutcome::KeyNotWritten);
        }
        TokenWriter& tokens = mObjects.GetTokenWriter();
        tokens.WriteKeyword("stream");
        // Fetching the extras moves the reader; position it only now.
        input->SetPosition(dataStart);
        std::vector<Byte> buffer(kStreamCopyChunk);
        long long remaining = *length;
        while (remaining > 0) {
            const auto want = static_cast<IOByteCount>(
                std::min<long long>(remaining, static_cast<long long>(buffer.size())));
            const IOByteCount got = input->Read(buffer.data(), want);
            if (got == 0) {
                return Fail(WriteOutcome::ObjectUnreadable);
            }
            tokens.WriteBytes(buffer.data(), got);
            remaining -= got;
        }
        tokens.EndLine();
        tokens.WriteKeyword("endstream");
        mObjects.EndIndirectObject();
        return true;
    }

    OpenedStore& mStore;
    ObjectsContext& mObjects;
    std::unordered_map<ObjectNumber, ObjectNumber> mNewNumbers;
    std::deque<std::pair<ObjectNumber, ObjectNumber>> mPendingExtras; // old, new
    WriteOutcome mFailure = WriteOutcome::Written;
    int mDepth = 0;
};

// The user dictionary's own content: a direct dictionary, or one an indirect reference leads
// to. The new store always holds it directly.
RefCountPtr<PDFDictionary> FindUser(PDFParser& parser, PDFDictionary* ppk)
{
    RefCountPtr<PDFObject> user(ppk->Lookup("User"));
    if (!user.IsNull() && IsReference(user.Get())) {
        user = RefCountPtr<PDFObject>(parser.ParseObjectByID(ReferencedID(user.Get())));
    }
    PDFObjectCastPtr<PDFDictionary> dictionary;
    dictionary = user.Get();
    return dictionary;
}

// Writes the catalog, the copies of the old entries, the new entries and the extra objects.
WriteOutcome WriteStoreObjects(OpenedStore& store, const StoreSchema& schema,
                               ObjectsContext& objects,
                               const std::vector<CertificateRecord>& certificates,
                               std::uint32_t missingCount, long long firstID,
                               std::uint32_t& writtenEntryCount)
{
    // Catalog and entries are numbered before anything is written, so that extras found on
    // the way take the numbers after them.
    std::vector<ObjectNumber> oldEntryIDs;
    ArrayIterator scan = schema.entries->GetItemIterator();
    while (scan.MoveNext()) {
        if (IsReference(scan.GetItem())) {
            oldEntryIDs.push_back(ReferencedID(scan.GetItem()));
        }
    }
    IndirectObjectsReferenceRegistry& registry = objects.GetReferencesRegistry();
    const std::size_t numberCount = 1 + oldEntryIDs.size() + missingCount;
    for (std::size_t i = 0; i < numberCount; ++i) {
        if (registry.AllocateObjectID() == 0) {
            return WriteOutcome::ValueNotCopyable;
        }
    }
    const auto firstCopyID = static_cast<ObjectNumber>(2);
    const auto firstNewID = static_cast<ObjectNumber>(2 + oldEntryIDs.size());
    StoreCopier copier(store, objects);
    for (std::size_t k = 0; k < oldEntryIDs.size(); ++k) {
        copier.MapEntry(oldEntryIDs[k], static_cast<ObjectNumber>(firstCopyID + k));
    }
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
    ObjectNumber nextCopyID = firstCopyID;
    ArrayIterator items = schema.entries->GetItemIterator();
    while (items.MoveNext()) {
        if (IsReference(items.GetItem())) {
            objects.WriteIndirectObjectReference(nextCopyID++, SeparatorSpace);
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
    if (!copier.CopyDictionaryValue(ppk, version.Get(), false) ||
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

    for (std::size_t k = 0; k < oldEntryIDs.size(); ++k) {
        if (!copier.CopyEntry(oldEntryIDs[k], static_cast<ObjectNumber>(firstCopyID + k))) {
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
// store whose NextID fell behind its entries never receives a duplicate.
std::optional<long long> FirstNewIdentifier(PDFDictionary* addressBook,
                                            const AddressBookSummary& summary,
                                            std::uint32_t missingCount)
{
    long long first = 0;
    PDFObjectCastPtr<PDFInteger> nextID(addressBook->Lookup("NextID"));
    if (!nextID.IsNull()) {
        first = nextID->GetValue();
    }
    if (summary.largestID) {
        if (*summary.largestID == LLONG_MAX) {
            return std::nullopt;
        }
        first = nextID.IsNull() ? *summary.largestID + 1 : std::max(first, *summary.largestID + 1);
    }
    long long end = 0;
    if (__builtin_add_overflow(first, static_cast<long long>(missingCount), &end)) {
        return std::nullopt;
    }
    return first;
}

// Writes the new store from the old one, which the first read left open: the file has not
// changed since, so its directory and dictionaries are used as they were read.
WriteOutcome WriteNewStore(OpenedStore& store, const StoreSchema& schema,
                           const std::string& newStorePath,
                           const std::vector<CertificateRecord>& certificates,
                           const AddressBookSummary& summary, std::uint32_t missingCount,
                           std::uint32_t& writtenEntryCount)
{
    const std::optional<long long> firstID =
        FirstNewIdentifier(schema.addressBook.Get(), summary, missingCount);
    if (!firstID) {
        return WriteOutcome::IdentifiersUsedUp;
    }

    PDFWriter writer;
    WriterSettings settings;
    settings.mCompressStreams = true;
    settings.mEmbedFonts = true;
    // The new store replaces the old one only once it is on disk: a crash after the swap must
    // not leave an empty store behind.
    settings.mFlushToDisk = true;
    if (writer.StartPDF(newStorePath, PPKLiteVersion21, TraceLogSettings::Default(), settings) !=
        Success) {
        return WriteOutcome::CannotCreate;
    }
    const WriteOutcome outcome =
        WriteStoreObjects(store, schema, writer.GetObjectsContext(), certificates, missingCount,
                          *firstID, writtenEntryCount);
    if (outcome != WriteOutcome::Written) {
        (void)writer.EndPDF(); // only closes the abandoned file, which the caller removes
        return outcome;
    }
    if (writer.EndPDF() != Success) {
        return WriteOutcome::EndFailed;
    }
    return WriteOutcome::Written;
}

// The new store must read as a store, hold every certificate of the list, and list as many
// entries as were written; anything less is not put in place of a store that works.
bool VerifyNewStore(const std::string& newStorePath,
                    const std::vector<CertificateRecord>& certificates,
                    std::uint32_t writtenEntryCount)
{
    std::vector<CertificateRecord> check = certificates;
    AddressBookSummary summary;
    if (!ReadAddressBook(newStorePath, check, summary)) {
        return false;
    }
    return summary.entryCount == writtenEntryCount &&
           std::all_of(check.begin(), check.end(),
                       [](const CertificateRecord& record) { return record.alreadyTrusted; });
}

const char* FailureLine(WriteOutcome outcome)
{
    switch (outcome) {
    case WriteOutcome::CannotCreate:
        return "Can't create the new store file; the store was left unchanged";
    case WriteOutcome::KeyNotWritten:
        return "Error writing certificate";
    case WriteOutcome::ValueNotCopyable:
        return "The store holds a value that can't be copied; the store was left unchanged";
    case WriteOutcome::ObjectUnreadable:
        return "The store refers to an object that can't be read; the store was left unchanged";
    case WriteOutcome::IdentifiersUsedUp:
        return "The store has no entry identifiers left; the store was left unchanged";
    case WriteOutcome::EndFailed:
    case WriteOutcome::Written:
        break;
    }
    return "failed in end PDF";
}

} // namespace

void WriteCertificateEntry(ObjectsContext& objects, ObjectNumber objectID,
                           const std::string& certHex, long long id)
{
    objects.StartIndirectObject(objectID);
    DictionaryContext* entry = objects.StartDictionary();
    // A fresh dictionary: none of these keys can be refused.
    (void)entry->WriteKey("ABEType");
    entry->WriteIntegerValue(1);
    (void)entry->WriteKey("Cert");
    entry->WriteHexStringValue(certHex);
    (void)entry->WriteKey("Editable");
    entry->WriteBooleanValue(true);
    (void)entry->WriteKey("Trust");
    entry->WriteIntegerValue(96);
    (void)entry->WriteKey("Usage");
    entry->WriteIntegerValue(1);
    (void)entry->WriteKey("Viewable");
    entry->WriteBooleanValue(true);
    (void)entry->WriteKey("ID");
    entry->WriteIntegerValue(id);
    (void)objects.EndDictionary(entry); // the innermost dictionary, opened just above
    objects.EndIndirectObject();
}

void InstallCertificatesTo(const std::string& storePath, const std::string& newStorePath,
                           std::vector<CertificateRecord>& certificates, std::ostream& out,
                           std::ostream& err)
{
    AddressBookSummary summary;
    // The store stays open from the first read to the end of the copy, and is closed before
    // anything is moved.
    auto store = std::make_unique<OpenedStore>();
    StoreSchema schema;
    if (!ReadAddressBook(storePath, certificates, summary, *store, schema)) {
        WriteLine(out, "Can't parse addressbook");
        return;
    }
    const auto missingCount = static_cast<std::uint32_t>(
        std::count_if(certificates.begin(), certificates.end(),
                      [](const CertificateRecord& record) { return !record.alreadyTrusted; }));
    if (missingCount == 0) {
        WriteLine(out, "Certificates are already trusted");
        return;
    }
    WriteLine(out, "adding certificates");

    std::uint32_t writtenEntryCount = 0;
    const WriteOutcome outcome = WriteNewStore(*store, schema, newStorePath, certificates, summary,
                                               missingCount, writtenEntryCount);
    schema = StoreSchema(); // objects of the old store, released before the store closes
    store.reset();
    if (outcome != WriteOutcome::Written) {
        WriteLine(out, FailureLine(outcome));
        // What we could not finish must not be mistaken for a store. A path we could not
        // create may be someone else's (a folder): it is not ours to remove.
        if (outcome != WriteOutcome::CannotCreate) {
            (void)platform::RemoveFile(newStorePath); // a leftover is replaced by the next run
        }
        return;
    }
    if (!VerifyNewStore(newStorePath, certificates, writtenEntryCount)) {
        (void)platform::RemoveFile(newStorePath); // a leftover is replaced by the next run
        WriteLine(out, "The new store did not read back correctly; the store was left unchanged");
        return;
    }

    switch (ReplaceStore(storePath, newStorePath, out, err)) {
    case ReplaceOutcome::Replaced:
        WriteLine(out, "New certificates are succesfully installed Adobe's Trusted Certificates "
                       "store.");
        WriteLine(out, "Newly added certificates are issued by Velmora.");
        return;
    case ReplaceOutcome::LeftUnchanged:
        (void)platform::RemoveFile(newStorePath); // a leftover is replaced by the next run
        WriteLine(out, "Adobe's Trusted Certificates store was left unchanged.");
        return;
    case ReplaceOutcome::OldStoreAtBackup:
        (void)platform::RemoveFile(newStorePath); // a leftover is replaced by the next run
        WriteLine(out, "Adobe's Trusted Certificates store could not be put back; it is kept as " +
                           BackupPathOf(storePath));
        return;
    }
}

void InstallCertificates(const std::string& storePath, const std::string& newStorePath,
                         std::vector<CertificateRecord>& certificates)
{
    InstallCertificatesTo(storePath, newStorePath, certificates, std::cout, std::cerr);
}
