#include "pdf/objects/PDFDictionary.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ObjectProbe.h"
#include "pdf/objects/PDFInteger.h"
#include "pdf/objects/PDFObjectCast.h"
#include "pdf/objects/RefCountPtr.h"

namespace {

// Inserts key -> integer value and drops the caller's references, as the parser does.
void InsertInteger(PDFDictionary& dictionary, const std::string& key, long long value)
{
    auto* name = new PDFName(key);
    auto* integer = new PDFInteger(value);
    dictionary.Insert(name, integer);
    name->Release();
    integer->Release();
}

std::vector<std::string> KeysInOrder(const PDFDictionary& dictionary)
{
    std::vector<std::string> keys;
    DictionaryIterator it = dictionary.GetEntryIterator();
    while (it.MoveNext()) {
        keys.push_back(it.GetKey()->GetValue());
    }
    return keys;
}

long long IntegerAt(const PDFDictionary& dictionary, const std::string& key)
{
    PDFObjectCastPtr<PDFInteger> value(dictionary.Lookup(key));
    return value.IsNull() ? -1 : value->GetValue();
}

} // namespace

TEST(PDFDictionaryTest, IteratesInUnsignedByteOrderWithPrefixFirst)
{
    struct OrderCase
    {
        const char* what;
        std::vector<std::string> inserted, expected;
    };
    const OrderCase cases[] = {
        {"prefix sorts first", {"b", "a", "ab"}, {"a", "ab", "b"}},
        {"store keys", {"Type", "Entries", "AddressBook"}, {"AddressBook", "Entries", "Type"}},
        {"upper case before lower", {"a", "B", "A"}, {"A", "B", "a"}},
        {"high bytes after ASCII", {"\xe9", "z", "\x80", "0"}, {"0", "z", "\x80", "\xe9"}},
        {"NUL inside a key",
         {std::string("a\0b", 3), "a", "a0"},
         {"a", std::string("a\0b", 3), "a0"}},
    };
    for (const OrderCase& c : cases) {
        SCOPED_TRACE(c.what);
        RefCountPtr<PDFDictionary> dictionary(new PDFDictionary());
        long long value = 0;
        for (const std::string& key : c.inserted) {
            InsertInteger(*dictionary, key, value++);
        }
        EXPECT_EQ(KeysInOrder(*dictionary), c.expected);
    }
}

TEST(PDFDictionaryTest, RepeatedKeyKeepsFirstEntryAndTakesNoReference)
{
    bool keyDestroyed = false;
    bool valueDestroyed = false;
    RefCountPtr<PDFDictionary> dictionary(new PDFDictionary());
    InsertInteger(*dictionary, "Count", 1);

    auto* key = new Probe<PDFName>(&keyDestroyed, "Count");
    auto* value = new Probe<PDFInteger>(&valueDestroyed, 2);
    dictionary->Insert(key, value);

    EXPECT_EQ(IntegerAt(*dictionary, "Count"), 1);
    EXPECT_EQ(dictionary->GetLength(), 1u);
    EXPECT_EQ(ReleaseAll(key, keyDestroyed), 1);
    EXPECT_EQ(ReleaseAll(value, valueDestroyed), 1);
}

TEST(PDFDictionaryTest, LookupMatchesOnlyExactBytes)
{
    RefCountPtr<PDFDictionary> dictionary(new PDFDictionary());
    InsertInteger(*dictionary, "Type", 1);
    InsertInteger(*dictionary, std::string("K\0", 2), 2);

    EXPECT_TRUE(dictionary->Contains("Type"));
    EXPECT_EQ(IntegerAt(*dictionary, "Type"), 1);
    for (const std::string key : {"type", "TYPE", "Typ", "Type ", "K", ""}) {
        SCOPED_TRACE(key);
        EXPECT_FALSE(dictionary->Contains(key));
        EXPECT_EQ(dictionary->Lookup(key), nullptr);
    }
    EXPECT_EQ(IntegerAt(*dictionary, std::string("K\0", 2)), 2);
}

TEST(PDFDictionaryTest, LookupHandsOutAReferenceThatOutlivesTheDictionary)
{
    bool valueDestroyed = false;
    auto* dictionary = new PDFDictionary();
    auto* key = new PDFName("V");
    auto* value = new Probe<PDFInteger>(&valueDestroyed, 5);
    dictionary->Insert(key, value);
    key->Release();
    value->Release();

    PDFObject* found = dictionary->Lookup("V");
    dictionary->Release();
    EXPECT_FALSE(valueDestroyed);
    EXPECT_EQ(ReleaseAll(found, valueDestroyed), 1);
}

TEST(PDFDictionaryTest, DestructionReleasesKeysAndValues)
{
    bool keyDestroyed = false;
    bool valueDestroyed = false;
    auto* dictionary = new PDFDictionary();
    auto* key = new Probe<PDFName>(&keyDestroyed, "K");
    auto* value = new Probe<PDFInteger>(&valueDestroyed, 1);
    dictionary->Insert(key, value);
    key->Release();
    value->Release();
    EXPECT_FALSE(keyDestroyed || valueDestroyed);
    dictionary->Release();
    EXPECT_TRUE(keyDestroyed);
    EXPECT_TRUE(valueDestroyed);
}

TEST(PDFDictionaryTest, NullKeyOrValueIsIgnored)
{
    RefCountPtr<PDFDictionary> dictionary(new PDFDictionary());
    RefCountPtr<PDFName> key(new PDFName("K"));
    RefCountPtr<PDFInteger> value(new PDFInteger(1));
    dictionary->Insert(nullptr, value.Get());
    dictionary->Insert(key.Get(), nullptr);
    EXPECT_EQ(dictionary->GetLength(), 0u);
    EXPECT_FALSE(dictionary->Contains("K"));
}

TEST(PDFDictionaryTest, IteratorOnEmptyAndSingleEntry)
{
    RefCountPtr<PDFDictionary> dictionary(new PDFDictionary());
    DictionaryIterator empty = dictionary->GetEntryIterator();
    EXPECT_FALSE(empty.MoveNext());
    EXPECT_FALSE(empty.MoveNext());

    InsertInteger(*dictionary, "Only", 9);
    DictionaryIterator single = dictionary->GetEntryIterator();
    ASSERT_TRUE(single.MoveNext());
    EXPECT_EQ(single.GetKey()->GetValue(), "Only");
    EXPECT_EQ(static_cast<PDFInteger*>(single.GetValue())->GetValue(), 9);
    EXPECT_FALSE(single.MoveNext());
    EXPECT_FALSE(single.MoveNext());
}
