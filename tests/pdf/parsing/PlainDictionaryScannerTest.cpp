#include "pdf/parsing/PlainDictionaryScanner.h"

#include <string>

#include <gtest/gtest.h>

#include "PlainScanCheck.h"

namespace {

struct PlainRow
{
    const char* what;
    std::string objectText;
    bool plain; // else the scan must leave the object to the parser
};

const std::string kEntry = "1 0 obj\r\n<<\r\n/ABEType 1\r\n/Cert <3082ABcd>\r\n/Editable false\r\n"
                           "/ID 7\r\n/PolicyOID (1.2.840.113583)\r\n/Source [(AATL) (EUTL) /N "
                           "true 5]\r\n/Trust 8190\r\n/Viewable true\r\n>>\r\nendobj";

const PlainRow kRows[] = {
    {"a store entry as the writer lays it out", kEntry, true},
    {"no white space at all", "1 0 obj<</A 1/B(x)/C<ab>/D[1]/E/F/G true>>endobj", true},
    {"the empty dictionary", "1 0 obj << >> endobj", true},
    {"empty strings and array", "1 0 obj << /A () /B <> /C [] >> endobj", true},
    {"escapes in a literal string",
     "1 0 obj << /A (a\\(b\\)c\\101\\n\\\\\\t\\b\\f\\r\\7\\0123) >> endobj", true},
    {"an unknown escape drops its backslash", "1 0 obj << /A (C:\\Users\\Name) >> endobj", true},
    {"nested parentheses", "1 0 obj << /A (a(b(c))d) >> endobj", true},
    {"CR and CR LF inside a literal string", "1 0 obj << /A (a\rb\r\nc\nd) >> endobj", true},
    {"a backslash before the closing parenthesis", "1 0 obj << /A (a\\\\) >> endobj", true},
    {"negative and padded integers", "1 0 obj << /A -5 /B -0 /C 007 /D 0 >> endobj", true},
    {"18 digits", "1 0 obj << /A 999999999999999999 >> endobj", true},
    {"upper and lower case digits", "1 0 obj << /A <0aF9Bc> >> endobj", true},
    {"keys with high bytes, ascending", "1 0 obj << /A 1 /Z 2 /\xC3\xA9 3 >> endobj", true},
    {"object number and generation padded", "0001 00 obj << /A 1 >> endobj", true},
    {"every white space byte", std::string("1\t0\x0C obj\n<<\0/A\r1 >>\x20\nendobj", 27), true},
    {"an integer then a name in an array", "1 0 obj << /A [5 /N 6] >> endobj", true},
    {"endobj right before a delimiter", "1 0 obj << /A 1 >> endobj<<", true},
    {"a plus sign", "1 0 obj << /A +5 >> endobj", true},
    {"19 digits, the most that fit 64 bits", "1 0 obj << /A 1234567890123456789 >> endobj", true},
    {"the smallest 64-bit integer", "1 0 obj << /A -9223372036854775808 >> endobj", true},
    {"a stray byte in a hexadecimal string, kept as written", "1 0 obj << /A <abzz> >> endobj",
     true},

    {"keys out of order", "1 0 obj << /B 1 /A 2 >> endobj", false},
    {"a repeated key", "1 0 obj << /A 1 /A 2 >> endobj", false},
    {"a reference", "1 0 obj << /A 5 0 R >> endobj", false},
    {"a reference beyond 32-bit object numbers", "1 0 obj << /A 4294967299 0 R >> endobj", false},
    {"two integers in an array", "1 0 obj << /A [1 2] >> endobj", false},
    {"a real", "1 0 obj << /A 1.5 >> endobj", false},
    {"an integer beyond 64 bits", "1 0 obj << /A 123456789012345678901234 >> endobj", false},
    {"one past the largest 64-bit integer", "1 0 obj << /A 9223372036854775808 >> endobj", false},
    {"a hexadecimal string that opens a dictionary", "1 0 obj << /A <<>> >> endobj", false},
    {"white space right after the angle", "1 0 obj << /A < ab> >> endobj", false},
    {"a lone minus sign", "1 0 obj << /A - >> endobj", false},
    {"a name with an escape", "1 0 obj << /A#20B 1 >> endobj", false},
    {"a value that is a name with an escape", "1 0 obj << /A /B#41 >> endobj", false},
    {"the empty name as a key", "1 0 obj << / 1 >> endobj", false},
    {"white space in a hexadecimal string", "1 0 obj << /A <ab cd> >> endobj", false},
    {"a dictionary inside", "1 0 obj << /A << /B 1 >> >> endobj", false},
    {"an array inside an array", "1 0 obj << /A [[1]] >> endobj", false},
    {"a comment", "1 0 obj << /A 1 % note\r\n>> endobj", false},
    {"null", "1 0 obj << /A null >> endobj", false},
    {"a word the parser keeps as a symbol", "1 0 obj << /A foo >> endobj", false},
    {"true with more letters", "1 0 obj << /A trueX >> endobj", false},
    {"a stream", "1 0 obj << /Length 0 >>\r\nstream\r\n\r\nendstream\r\nendobj", false},
    {"another object number", "2 0 obj << /A 1 >> endobj", false},
    {"another generation", "1 1 obj << /A 1 >> endobj", false},
    {"no endobj", "1 0 obj << /A 1 >> 3", false},
    {"a keyword that only starts with obj", "1 0 objx << /A 1 >> endobj", false},
    {"a backslash that breaks the line", "1 0 obj << /A (a\\\r\nb) >> endobj", false},
    {"a backslash before LF", "1 0 obj << /A (a\\\nb) >> endobj", false},
    {"an unterminated literal string", "1 0 obj << /A (abc >> endobj", false},
    {"an unterminated hexadecimal string", "1 0 obj << /A <abc", false},
    {"an unterminated dictionary", "1 0 obj << /A 1", false},
    {"a lone closing angle", "1 0 obj << /A 1 > endobj", false},
    {"a value missing", "1 0 obj << /A >> endobj", false},
    {"no dictionary", "1 0 obj (text) endobj", false},
};

TEST(PlainDictionaryScannerTest, ReadsOnlyWhatTheParserReadsTheSame)
{
    // 1 and 3 make every object cross many buffer refills; the last is the reader's own size.
    for (const IOByteCount bufferSize : {IOByteCount{1}, IOByteCount{3}, IOByteCount{16},
                                         InputBufferedStream::kDefaultBufferSize}) {
        for (const PlainRow& row : kRows) {
            SCOPED_TRACE(std::string(row.what) + ", buffer " + std::to_string(bufferSize));
            EXPECT_EQ(CheckPlainScan(row.objectText, bufferSize),
                      row.plain ? PlainScanAgreement::Agrees : PlainScanAgreement::NotPlain);
        }
    }
}

TEST(PlainDictionaryScannerTest, GivesTheValuesAsTheyStand)
{
    const std::string bytes = kEntry + "\r\n"; // the views point into it
    PlainDictionary plain;
    ASSERT_EQ(ScanPlainDictionaryObject(bytes, 1, 0, true, plain), PlainScanResult::Plain);
    ASSERT_EQ(plain.entries.size(), 8u);
    EXPECT_EQ(plain.entries[1].key, "Cert");
    EXPECT_EQ(plain.entries[1].value.text, "3082ABcd");
    EXPECT_EQ(plain.entries[3].value.integer, 7);
    const PlainValue& source = plain.entries[5].value;
    ASSERT_EQ(source.kind, PlainValue::Kind::Array);
    ASSERT_EQ(source.itemCount, 5u);
    EXPECT_EQ(plain.items[source.firstItem + 1].text, "EUTL");
    EXPECT_EQ(plain.objectLength, kEntry.size());
}

TEST(PlainDictionaryScannerTest, AsksForMoreOnlyBeforeTheFileEnds)
{
    const std::string cut = kEntry.substr(0, kEntry.size() - 3);
    PlainDictionary plain;
    EXPECT_EQ(ScanPlainDictionaryObject(cut, 1, 0, false, plain), PlainScanResult::NeedMore);
    EXPECT_EQ(ScanPlainDictionaryObject(cut, 1, 0, true, plain), PlainScanResult::NotPlain);
    EXPECT_EQ(ScanPlainDictionaryObject(kEntry, 1, 0, false, plain), PlainScanResult::NeedMore)
        << "endobj could go on";
    EXPECT_EQ(ScanPlainDictionaryObject(kEntry + "\r\n", 1, 0, false, plain),
              PlainScanResult::Plain);
}

TEST(PlainDictionaryScannerTest, LeavesAnObjectLargerThanTheBoundToTheParser)
{
    const std::string digits(PDFParser::kMaxPlainObjectSize, 'a');
    EXPECT_EQ(CheckPlainScan("1 0 obj << /A <" + digits + "> >> endobj", 4096),
              PlainScanAgreement::NotPlain);
    // The key and its items: just at the bound, and one past it.
    std::string items;
    for (std::size_t i = 1; i < kMaxPlainValues; ++i) {
        items += "/a ";
    }
    const std::string fits = "1 0 obj << /A [" + items + "] >> endobj\r\n";
    const std::string tooMany = "1 0 obj << /A [" + items + "/a] >> endobj\r\n";
    PlainDictionary plain;
    EXPECT_EQ(ScanPlainDictionaryObject(fits, 1, 0, true, plain), PlainScanResult::Plain);
    EXPECT_EQ(ScanPlainDictionaryObject(tooMany, 1, 0, true, plain), PlainScanResult::NotPlain);
}

} // namespace
