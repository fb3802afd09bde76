#include "installer/StoreCopier.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "installer/AddressBookReader.h"
#include "pdf/io/IByteReader.h"
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

namespace {

std::string HexOfBytes(const std::string& bytes)
{
    return BytesToHex(std::span<const std::uint8_t>(
        reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
}

} // namespace

bool StoreCopier::MapEntry(const PDFIndirectObjectReference& reference, ObjectNumber newID)
{
    return mNewNumbers
        .emplace(KeyOf(OldObject{reference.ObjectID, reference.GenerationNumber}), newID)
        .second;
}

ObjectNumber StoreCopier::EntryNumber(const PDFIndirectObjectReference& reference) const
{
    const auto found =
        mNewNumbers.find(KeyOf(OldObject{reference.ObjectID, reference.GenerationNumber}));
    return found == mNewNumbers.end() ? 0 : found->second;
}

bool StoreCopier::CopyEntry(ObjectNumber oldID, std::uint32_t oldGeneration, ObjectNumber newID)
{
    PDFObjectCastPtr<PDFDictionary> entry(
        mStore.parser.ParseObjectByReference(oldID, oldGeneration));
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

bool StoreCopier::CopyKeys(DictionaryContext* target, PDFDictionary* source,
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
        if (!CopyDictionaryValue(it.GetValue(), certRule && key == "Cert")) {
            return false;
        }
    }
    return true;
}

bool StoreCopier::CopyDictionaryValue(PDFObject* value, bool isCert)
{
    return CopyValue(value, Placement{SeparatorEndLine, SeparatorNone, isCert});
}

bool StoreCopier::CopyArrayItem(PDFObject* item, TokenSeparator separator)
{
    // An array inside an array ends at its bracket; the space before the next item follows
    // from the item that comes next.
    return CopyValue(
        item, Placement{separator, separator == SeparatorSpace ? SeparatorNone : separator, false});
}

bool StoreCopier::CopyValue(PDFObject* value, const Placement& placement)
{
    const TokenSeparator after = placement.after;
    switch (value->GetType()) {
    case PDFObject::ePDFObjectBoolean:
        mObjects.WriteBoolean(static_cast<PDFBoolean*>(value)->GetValue(), after);
        return true;
    case PDFObject::ePDFObjectLiteralString: {
        const std::string& bytes = static_cast<PDFLiteralString*>(value)->GetValue();
        if (placement.literalAsHex) {
            mObjects.WriteHexString(HexOfBytes(bytes), after);
        } else {
            mObjects.WriteLiteralString(bytes, after);
        }
        return true;
    }
    case PDFObject::ePDFObjectHexString:
        mObjects.WriteHexString(static_cast<PDFHexString*>(value)->GetValue(), after);
        return true;
    case PDFObject::ePDFObjectNull:
        mObjects.WriteNull(after);
        return true;
    case PDFObject::ePDFObjectName:
        mObjects.WriteName(static_cast<PDFName*>(value)->GetValue(), after);
        return true;
    case PDFObject::ePDFObjectInteger:
        mObjects.WriteInteger(static_cast<PDFInteger*>(value)->GetValue(), after);
        return true;
    case PDFObject::ePDFObjectReal: {
        const double real = static_cast<PDFReal*>(value)->GetValue();
        if (!std::isfinite(real)) {
            return Fail(WriteOutcome::ValueNotCopyable); // no PDF number stands for it
        }
        mObjects.WriteExactReal(real, after);
        return true;
    }
    case PDFObject::ePDFObjectArray:
        return CopyArray(static_cast<PDFArray*>(value), placement.afterArray);
    case PDFObject::ePDFObjectDictionary:
        return CopyDictionary(static_cast<PDFDictionary*>(value)); // ends its own line
    case PDFObject::ePDFObjectIndirectObjectReference: {
        const auto* reference = static_cast<PDFIndirectObjectReference*>(value);
        const ObjectNumber newID =
            NewNumberFor(OldObject{reference->ObjectID, reference->GenerationNumber});
        if (newID == 0) {
            return false;
        }
        mObjects.WriteIndirectObjectReference(newID, after);
        return true;
    }
    default:
        // A symbol is a word the reader did not know; writing it back could not promise
        // the same meaning. A stream can only stand as an object of its own.
        return Fail(WriteOutcome::ValueNotCopyable);
    }
}

bool StoreCopier::WriteExtraObjects()
{
    while (!mPendingExtras.empty()) {
        const auto [old, newID] = mPendingExtras.front();
        mPendingExtras.pop_front();
        RefCountPtr<PDFObject> object(mStore.parser.ParseObjectByReference(old.id, old.generation));
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

bool StoreCopier::Fail(WriteOutcome outcome)
{
    if (mFailure == WriteOutcome::Written) {
        mFailure = outcome;
    }
    return false;
}

std::uint64_t StoreCopier::KeyOf(const OldObject& object)
{
    return ReferenceKey(object.id, object.generation);
}

ObjectNumber StoreCopier::NewNumberFor(const OldObject& object)
{
    auto found = mNewNumbers.find(KeyOf(object));
    if (found != mNewNumbers.end()) {
        return found->second;
    }
    const ObjectNumber newID = mObjects.GetReferencesRegistry().AllocateObjectID();
    if (newID == 0) {
        Fail(WriteOutcome::ValueNotCopyable);
        return 0;
    }
    mNewNumbers.emplace(KeyOf(object), newID);
    mPendingExtras.emplace_back(object, newID);
    return newID;
}

bool StoreCopier::CopyArray(PDFArray* array, TokenSeparator endSeparator)
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

bool StoreCopier::CopyDictionary(PDFDictionary* source)
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

bool StoreCopier::CopyStreamObject(ObjectNumber newID, PDFStreamInput* stream)
{
    // Every key but /Length, which the stored data's own length replaces; nothing is decoded
    // and compressed again.
    // Copying the keys fetches nothing, so the data reader stays where it was placed.
    FilePosition length = 0;
    std::unique_ptr<IByteReader> data(mStore.parser.OpenStoredStreamData(stream, length));
    if (data == nullptr) {
        return Fail(WriteOutcome::ObjectUnreadable);
    }
    RefCountPtr<PDFDictionary> dictionary(stream->GetDictionary());
    mObjects.StartIndirectObject(newID);
    DictionaryContext* target = mObjects.StartDictionary();
    if (!CopyKeys(target, dictionary.Get(), {"Length"}, false, WriteOutcome::KeyNotWritten)) {
        return false;
    }
    if (mObjects.WriteStreamWithStoredData(target, *data, length) != Success) {
        return Fail(WriteOutcome::ObjectUnreadable);
    }
    return true;
}
