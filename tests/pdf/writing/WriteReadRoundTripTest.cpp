#include <climits>
#include <string>

#include <gtest/gtest.h>

#include "TempFolder.h"
#include "pdf/io/InputFile.h"
#include "pdf/objects/PDFArray.h"
#include "pdf/objects/PDFBoolean.h"
#include "pdf/objects/PDFDictionary.h"
#include "pdf/objects/PDFHexString.h"
#include "pdf/objects/PDFIndirectObjectReference.h"
#include "pdf/objects/PDFInteger.h"
#include "pdf/objects/PDFLiteralString.h"
#include "pdf/objects/PDFName.h"
#include "pdf/objects/PDFNull.h"
#include "pdf/objects/PDFObjectCast.h"
#include "pdf/objects/PDFReal.h"
#include "pdf/parsing/PDFParser.h"
#include "pdf/writing/PDFWriter.h"

namespace {

const std::string kAwkwardBytes = std::string("a(b)\\c\r\n\t\0\xE9\xFF end", 17);

// A store like the installer writes: a catalog with nested dictionaries and a reference
// list, then entries holding every value kind.
void WriteStore(ObjectsContext& objects, int entryCount)
{
    (void)objects.StartIndirectObject();
    DictionaryContext* catalog = objects.StartDictionary();
    (void)catalog->WriteKey("PPK");
    DictionaryContext* ppk = objects.StartDictionary();
    (void)ppk->WriteKey("AddressBook");
    DictionaryContext* book = objects.StartDictionary();
    (void)book->WriteKey("Entries");
    objects.StartArray();
    for (int n = 2; n < 2 + entryCount; ++n) {
        objects.WriteIndirectObjectReference(static_cast<ObjectNumber>(n), SeparatorSpace);
    }
    objects.EndArray(SeparatorNone);
    (void)book->WriteKey("NextID");
    book->WriteIntegerValue(LLONG_MAX);
    (void)book->WriteKey("Type");
    (void)book->WriteKey("AddressBook");
    (void)objects.EndDictionary(book);
    (void)ppk->WriteKey("Type");
    (void)ppk->WriteKey("PPK");
    (void)objects.EndDictionary(ppk);
    (void)catalog->WriteKey("Type");
    (void)catalog->WriteKey("Catalog");
    (void)objects.EndDictionary(catalog);
    objects.EndIndirectObject();

    for (int i = 0; i < entryCount; ++i) {
        (void)objects.StartIndirectObject();
        DictionaryContext* entry = objects.StartDictionary();
        (void)entry->WriteKey("ABEType");
        entry->WriteIntegerValue(LLONG_MIN + i);
        (void)entry->WriteKey("Cert");
        entry->WriteHexStringValue("3082abcd");
        (void)entry->WriteKey("Editable");
        entry->WriteBooleanValue(true);
        (void)entry->WriteKey("Text");
        entry->WriteLiteralStringValue(kAwkwardBytes);
        (void)entry->WriteKey("Odd name#/");
        entry->WriteNameValue("A B");
        (void)entry->WriteKey("Scale");
        entry->WriteRealValue(-0.125);
        (void)entry->WriteKey("Gone");
        entry->WriteNullValue();
        (void)entry->WriteKey("List");
        objects.StartArray();
        objects.WriteInteger(i, SeparatorSpace);
        objects.StartArray();
        objects.WriteBoolean(false, SeparatorSpace);
        objects.EndArray(SeparatorSpace);
        objects.EndArray(SeparatorEndLine);
        (void)objects.EndDictionary(entry);
        objects.EndIndirectObject();
    }
}

template <typename T> PDFObjectCastPtr<T> Entry(PDFDictionary* dictionary, const char* key)
{
    return PDFObjectCastPtr<T>(dictionary->Lookup(key));
}

TEST(WriteReadRoundTripTest, ReaderGetsBackEveryWrittenObject)
{
    constexpr int kEntries = 40;
    TempFolder folder;
    const std::string path = folder.PathOf("addressbook.acrodata");
    {
        PDFWriter writer;
        ASSERT_EQ(writer.StartPDF(path, PPKLiteVersion21), Success);
        WriteStore(writer.GetObjectsContext(), kEntries);
        ASSERT_EQ(writer.EndPDF(), Success);
    }

    InputFile file;
    ASSERT_EQ(file.OpenFile(path), Success);
    PDFParser parser;
    ASSERT_EQ(parser.ParseDirectoryOnly(file.GetInputStream()), Success);
    EXPECT_EQ(parser.ObjectCount(), static_cast<std::uint32_t>(kEntries + 2));

    PDFObjectCastPtr<PDFDictionary> catalog(parser.ParseObjectByID(1));
    ASSERT_FALSE(!catalog);
    PDFObjectCastPtr<PDFDictionary> ppk = Entry<PDFDictionary>(catalog.Get(), "PPK");
    ASSERT_FALSE(!ppk);
    PDFObjectCastPtr<PDFDictionary> book = Entry<PDFDictionary>(ppk.Get(), "AddressBook");
    ASSERT_FALSE(!book);
    EXPECT_EQ(Entry<PDFInteger>(book.Get(), "NextID")->GetValue(), LLONG_MAX);
    PDFObjectCastPtr<PDFArray> entries = Entry<PDFArray>(book.Get(), "Entries");
    ASSERT_FALSE(!entries);
    ASSERT_EQ(entries->GetLength(), static_cast<std::uint32_t>(kEntries));
    // A name written with a second WriteKey reads back as a name value.
    EXPECT_TRUE(book->Contains("Type"));

    for (int i = 0; i < kEntries; ++i) {
        SCOPED_TRACE(i);
        PDFObjectCastPtr<PDFIndirectObjectReference> reference(
            entries->GetItem(static_cast<std::uint32_t>(i)));
        ASSERT_FALSE(!reference);
        EXPECT_EQ(reference->ObjectID, static_cast<ObjectNumber>(i + 2));
        PDFObjectCastPtr<PDFDictionary> entry(parser.ParseObjectByID(reference->ObjectID));
        ASSERT_FALSE(!entry);
        EXPECT_EQ(Entry<PDFInteger>(entry.Get(), "ABEType")->GetValue(), LLONG_MIN + i);
        EXPECT_EQ(Entry<PDFHexString>(entry.Get(), "Cert")->GetValue(), "3082abcd");
        EXPECT_TRUE(Entry<PDFBoolean>(entry.Get(), "Editable")->GetValue());
        EXPECT_EQ(Entry<PDFLiteralString>(entry.Get(), "Text")->GetValue(), kAwkwardBytes);
        EXPECT_EQ(Entry<PDFName>(entry.Get(), "Odd name#/")->GetValue(), "A B");
        EXPECT_EQ(Entry<PDFReal>(entry.Get(), "Scale")->GetValue(), -0.125);
        EXPECT_FALSE(!Entry<PDFNull>(entry.Get(), "Gone"));
        PDFObjectCastPtr<PDFArray> list = Entry<PDFArray>(entry.Get(), "List");
        ASSERT_FALSE(!list);
        ASSERT_EQ(list->GetLength(), 2u);
        EXPECT_EQ(PDFObjectCastPtr<PDFInteger>(list->GetItem(0))->GetValue(), i);
    }
}

} // namespace
