#include "installer/StoreCopier.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "installer/AddressBookReader.h"
#include "installer/CertificateSet.h"
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

std::string HexOfBytes(std::string_view bytes)
{
    return BytesToHex(std::span<const std::uint8_t>(
        reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
}

// A value as the copier walks it: an object of the old store...
class ObjectValue
{
public:
    explicit ObjectValue(PDFObject* object) : mObject(object) {}

    PDFObject* Object() const { return mObject; }
    PDFObject::PDFObjectType Type() const { return mObject->GetType(); }
    bool Boolean() const { return static_cast<PDFBoolean*>(mObject)->GetValue(); }
    long long Integer() const { return static_cast<PDFInteger*>(mObject)->GetValue(); }
    // Of a literal string, a hexadecimal string or a name.
    std::string_view Text() const
    {
        switch (Type()) {
        case PDFObject::ePDFObjectLiteralString:
            return static_cast<PDFLiteralString*>(mObject)->GetValue();
        case PDFObject::ePDFObjectHexString:
            return static_cast<PDFHexString*>(mObject)->GetValue();
        default:
            return static_cast<PDFName*>(mObject)->GetValue();
        }
    }
    template <typename Visit> bool EveryItem(Visit visit) const
    {
        ArrayIterator it = static_cast<PDFArray*>(mObject)->GetItemIterator();
        while (it.MoveNext()) {
            if (!visit(ObjectValue(it.GetItem()))) {
                return false;
            }
        }
        return true;
    }

private:
    PDFObject* mObject;
};

// ...or a value of a plain entry, which builds no object.
class PlainValueOf
{
public:
    PlainValueOf(const PlainDictionary& dictionary, const PlainValue& value)
        : mDictionary(dictionary), mValue(value)
    {
    }

    PDFObject* Object() const { return nullptr; }
    PDFObject::PDFObjectType Type() const { return ObjectTypeOf(mValue); }
    bool Boolean() const { return mValue.integer != 0; }
    long long Integer() const { return mValue.integer; }
    std::string_view Text() const { return mValue.text; }
    template <typename Visit> bool EveryItem(Visit visit) const
    {
        for (std::uint32_t i = 0; i < mValue.itemCount; ++i) {
            if (!visit(PlainValueOf(mDictionary, mDictionary.items[mValue.firstItem + i]))) {
                return false;
            }
        }
        return true;
    }

private:
    const PlainDictionary& mDictionary;
    const PlainValue& mValue;
};

// The keys of a dictionary in key order, with their values.
template <typename Visit> bool EveryKey(PDFDictionary* dictionary, Visit visit)
{
    DictionaryIterator it = dictionary->GetEntryIterator();
    while (it.MoveNext()) {
        if (!visit(std::string_view(it.GetKey()->GetValue()), ObjectValue(it.GetValue()))) {
            return false;
        }
    }
    return true;
}

template <typename Visit> bool EveryKey(const PlainDictionary& dictionary, Visit visit)
{
    for (const PlainKeyValue& entry : dictionary.entries) {
        if (!visit(entry.key, PlainValueOf(dictionary, entry.value))) {
            return false;
        }
    }
    return true;
}

} // namespace

bool StoreCopier::MapEntry(const PDFIndirectObjectReference& reference, ObjectNumber newID)
{
    return mNewNumbers.Add(KeyOf(OldObject{reference.ObjectID, reference.GenerationNumber}), newID);
}

ObjectNumber StoreCopier::EntryNumber(const PDFIndirectObjectReference& reference) const
{
    return mNewNumbers.Find(KeyOf(OldObject{reference.ObjectID, reference.GenerationNumber}));
}

bool StoreCopier::NewNumbers::Add(std::uint64_t key, ObjectNumber number)
{
    if (Find(key) != 0) {
        return false;
    }
    if (mAscending.empty() || mAscending.back().first < key) {
        mAscending.emplace_back(key, number);
    } else {
        mOthers.emplace(key, number);
    }
    return true;
}

ObjectNumber StoreCopier::NewNumbers::Find(std::uint64_t key) const
{
    const auto at = std::lower_bound(mAscending.begin(), mAscending.end(), key,
                                     [](const std::pair<std::uint64_t, ObjectNumber>& item,
                                        std::uint64_t k) { return item.first < k; });
    if (at != mAscending.end() && at->first == key) {
        return at->second;
    }
    const auto found = mOthers.find(key);
    return found == mOthers.end() ? 0 : found->second;
}

bool StoreCopier::CopyEntry(ObjectNumber oldID, std::uint32_t oldGeneration, ObjectNumber newID)
{
    if (mStore.parser.ReadPlainDictionaryObject(oldID, oldGeneration, mPlainEntry)) {
        return WriteEntry(newID, mPlainEntry);
    }
    PDFObjectCastPtr<PDFDictionary> entry(
        mStore.parser.ParseObjectByReference(oldID, oldGeneration));
    if (entry.IsNull()) {
        return Fail(WriteOutcome::ObjectUnreadable);
    }
    return WriteEntry(newID, entry.Get());
}

template <typename Dictionary>
bool StoreCopier::WriteEntry(ObjectNumber newID, const Dictionary& source)
{
    mObjects.StartIndirectObject(newID);
    DictionaryContext* dictionary = mObjects.StartDictionary();
    if (!CopyKeysOf(dictionary, source, {}, true, WriteOutcome::KeyNotWritten)) {
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
    return CopyKeysOf(target, source, skip, certRule, keyFailure);
}

template <typename Dictionary>
bool StoreCopier::CopyKeysOf(DictionaryContext* target, const Dictionary& source,
                             std::initializer_list<std::string_view> skip, bool certRule,
                             WriteOutcome keyFailure)
{
    return EveryKey(source, [&](std::string_view key, const auto& value) {
        if (std::find(skip.begin(), skip.end(), key) != skip.end()) {
            return true;
        }
        if (target->WriteKey(key) != Success) {
            return Fail(keyFailure);
        }
        return CopyValue(value, KeyValuePlacement(certRule && key == "Cert"));
    });
}

bool StoreCopier::CopyDictionaryValue(PDFObject* value, bool isCert)
{
    return CopyValue(ObjectValue(value), KeyValuePlacement(isCert));
}

bool StoreCopier::CopyArrayItem(PDFObject* item, TokenSeparator separator)
{
    return CopyValue(ObjectValue(item), ArrayItemPlacement(separator));
}

template <typename Value>
bool StoreCopier::CopyValue(const Value& value, const Placement& placement)
{
    const TokenSeparator after = placement.after;
    switch (value.Type()) {
    case PDFObject::ePDFObjectBoolean:
        mObjects.WriteBoolean(value.Boolean(), after);
        return true;
    case PDFObject::ePDFObjectLiteralString:
        if (placement.literalAsHex) {
            mObjects.WriteHexString(HexOfBytes(value.Text()), after);
        } else {
            mObjects.WriteLiteralString(value.Text(), after);
        }
        return true;
    case PDFObject::ePDFObjectHexString:
        mObjects.WriteHexString(value.Text(), after);
        return true;
    case PDFObject::ePDFObjectName:
        mObjects.WriteName(value.Text(), after);
        return true;
    case PDFObject::ePDFObjectInteger:
        mObjects.WriteInteger(value.Integer(), after);
        return true;
    case PDFObject::ePDFObjectArray:
        return CopyArray(value, placement.afterArray);
    default:
        return CopyObjectOnlyValue(value.Object(), placement);
    }
}

bool StoreCopier::CopyObjectOnlyValue(PDFObject* value, const Placement& placement)
{
    const TokenSeparator after = placement.after;
    switch (value == nullptr ? PDFObject::ePDFObjectSymbol : value->GetType()) {
    case PDFObject::ePDFObjectNull:
        mObjects.WriteNull(after);
        return true;
    case PDFObject::ePDFObjectReal: {
        const double real = static_cast<PDFReal*>(value)->GetValue();
        if (!std::isfinite(real)) {
            return Fail(WriteOutcome::ValueNotCopyable); // no PDF number stands for it
        }
        mObjects.WriteExactReal(real, after);
        return true;
    }
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
    const ObjectNumber known = mNewNumbers.Find(KeyOf(object));
    if (known != 0) {
        return known;
    }
    const ObjectNumber newID = mObjects.GetReferencesRegistry().AllocateObjectID();
    if (newID == 0) {
        Fail(WriteOutcome::ValueNotCopyable);
        return 0;
    }
    (void)mNewNumbers.Add(KeyOf(object), newID); // not known, checked above
    mPendingExtras.emplace_back(object, newID);
    return newID;
}

template <typename Value>
bool StoreCopier::CopyArray(const Value& array, TokenSeparator endSeparator)
{
    if (++mDepth > kMaxCopyDepth) {
        return Fail(WriteOutcome::ValueNotCopyable);
    }
    mObjects.StartArray();
    if (!array.EveryItem([this](const auto& item) {
            return this->CopyValue(item, ArrayItemPlacement(SeparatorSpace));
        })) {
        return false;
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
