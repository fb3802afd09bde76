#pragma once

#include <cstdint>
#include <deque>
#include <initializer_list>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "pdf/parsing/PlainDictionaryScanner.h"
#include "pdf/writing/ObjectsContext.h"
#include "pdf/writing/TokenSeparator.h"

struct OpenedStore;
class PDFArray;
class PDFDictionary;
class PDFIndirectObjectReference;
class PDFObject;
class PDFStreamInput;

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

// Copies values from the old store into the new one. Old object numbers are not kept: an
// entry object gets the number the caller chose for it (MapEntry), and any other object that
// a copied value refers to is copied once more as an extra object, numbered as it is first
// met and written by WriteExtraObjects. Numbers are given out before anything is fetched, so
// references that lead in a circle end at an object already numbered. An old object is known
// by its number and generation: a reference whose generation is not the object's refers to no
// object, and the copy fails as for a missing one.
//
// Values are written so that they read back the same: reals in their exact form, and
// anything that has no faithful form (a symbol, a number the reader could not hold, a
// hexadecimal string holding bytes other than digits and white space) refused.
//
// Every operation returns false at the first failure and remembers the first reason; the new
// store is abandoned then, so nothing is undone here.
class StoreCopier
{
public:
    // Nested arrays and dictionaries copied inside each other. The reader already refuses
    // deeper nesting; this keeps the copier's own recursion bounded whatever it is given.
    static constexpr int kMaxCopyDepth = 512;

    StoreCopier(OpenedStore& store, ObjectsContext& objects) : mStore(store), mObjects(objects) {}

    // Gives the old entry that reference leads to the number of its copy. An entry listed more
    // than once is mapped (and copied) once: false when it already has a number, which every
    // listing of it then shares.
    bool MapEntry(const PDFIndirectObjectReference& reference, ObjectNumber newID);
    // Room for the numbers of count entries.
    void ReserveEntries(std::size_t count) { mNewNumbers.Reserve(count); }
    // The number MapEntry gave the entry reference leads to; 0 when it gave none.
    ObjectNumber EntryNumber(const PDFIndirectObjectReference& reference) const;

    WriteOutcome Failure() const { return mFailure; }

    // Writes the old entry object reference leads to as object newID, a dictionary with every
    // key of the old one. A plain entry (see PlainDictionary) is copied as it is scanned, without
    // building objects; the bytes written are the same either way.
    bool CopyEntry(ObjectNumber oldID, std::uint32_t oldGeneration, ObjectNumber newID);

    // Copies every key of source except those in skip, in key order. Under certRule a literal
    // "Cert" is written as hexadecimal digits, the form every certificate we write has.
    // keyFailure tells what a refused key means where the keys are written.
    bool CopyKeys(DictionaryContext* target, PDFDictionary* source,
                  std::initializer_list<std::string_view> skip, bool certRule,
                  WriteOutcome keyFailure);

    // Writes value after a key that the caller has written; every value ends its line except
    // arrays, which end at their closing bracket.
    bool CopyDictionaryValue(PDFObject* value, bool isCert);

    // Writes one array item followed by separator.
    bool CopyArrayItem(PDFObject* item, TokenSeparator separator);

    // Writes every object that copied values referred to, including those that the extras
    // themselves refer to, one fetched object in memory at a time.
    bool WriteExtraObjects();

private:
    // Where a value stands: what follows it, what follows it when it is an array, and
    // whether a literal string becomes hexadecimal digits (a "Cert" value).
    struct Placement
    {
        TokenSeparator after;
        TokenSeparator afterArray;
        bool literalAsHex;
    };
    // After a key: every value ends its line except arrays, which end at their bracket.
    static Placement KeyValuePlacement(bool isCert)
    {
        return Placement{SeparatorEndLine, SeparatorNone, isCert};
    }
    // An array inside an array ends at its bracket; the space before the next item follows
    // from the item that comes next.
    static Placement ArrayItemPlacement(TokenSeparator separator)
    {
        return Placement{separator, separator == SeparatorSpace ? SeparatorNone : separator, false};
    }

    // The one walk over a value, for dictionary values and array items alike, whether the value
    // is an object or part of a plain dictionary (the Value types in the source file).
    template <typename Value> bool CopyValue(const Value& value, const Placement& placement);
    // The kinds a plain dictionary never holds.
    bool CopyObjectOnlyValue(PDFObject* value, const Placement& placement);
    template <typename Value> bool CopyArray(const Value& array, TokenSeparator endSeparator);
    template <typename Dictionary>
    bool CopyKeysOf(DictionaryContext* target, const Dictionary& source,
                    std::initializer_list<std::string_view> skip, bool certRule,
                    WriteOutcome keyFailure);
    template <typename Dictionary> bool WriteEntry(ObjectNumber newID, const Dictionary& source);
    bool Fail(WriteOutcome outcome);
    // An old object as number and generation.
    struct OldObject
    {
        ObjectNumber id;
        std::uint32_t generation;
    };
    static std::uint64_t KeyOf(const OldObject& object);
    // The new number of an old object: its entry's number, or a new extra object.
    ObjectNumber NewNumberFor(const OldObject& object);
    bool CopyDictionary(PDFDictionary* source);
    // A stream keeps its dictionary and its data exactly as stored, still encoded.
    bool CopyStreamObject(ObjectNumber newID, PDFStreamInput* stream);

    OpenedStore& mStore;
    ObjectsContext& mObjects;
    // KeyOf(old) -> new. Entries are listed in number order, so keys mostly arrive ascending:
    // those are kept in a sorted list, a fifth of the memory of a hash map entry each; a key
    // that arrives out of order goes to the hash map.
    class NewNumbers
    {
    public:
        void Reserve(std::size_t count) { mAscending.reserve(count); }
        // False, changing nothing, when the key has a number already.
        bool Add(std::uint64_t key, ObjectNumber number);
        // 0 when the key has none.
        ObjectNumber Find(std::uint64_t key) const;

    private:
        std::vector<std::pair<std::uint64_t, ObjectNumber>> mAscending;
        std::unordered_map<std::uint64_t, ObjectNumber> mOthers;
    };
    NewNumbers mNewNumbers;
    std::deque<std::pair<OldObject, ObjectNumber>> mPendingExtras; // old, new
    WriteOutcome mFailure = WriteOutcome::Written;
    int mDepth = 0;
    PlainDictionary mPlainEntry; // reused from entry to entry
};
