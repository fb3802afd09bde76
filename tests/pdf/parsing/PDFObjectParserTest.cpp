#include "pdf/parsing/PDFObjectParser.h"

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ParsingTestSupport.h"
#include "pdf/io/IReadPositionProvider.h"
#include "pdf/objects/PDFArray.h"
#include "pdf/objects/PDFBoolean.h"
#include "pdf/objects/PDFDictionary.h"
#include "pdf/objects/PDFHexString.h"
#include "pdf/objects/PDFIndirectObjectReference.h"
#include "pdf/objects/PDFInteger.h"
#include "pdf/objects/PDFLiteralString.h"
#include "pdf/objects/PDFName.h"
#include "pdf/objects/PDFObjectCast.h"
#include "pdf/objects/PDFReal.h"
#include "pdf/objects/PDFStreamInput.h"
#include "pdf/objects/PDFSymbol.h"

namespace {

class ReaderPosition : public IReadPositionProvider
{
public:
    explicit ReaderPosition(MemoryReader* reader) : mReader(reader) {}
    FilePosition GetCurrentPosition() override { return mReader->GetCurrentPosition(); }

private:
    MemoryReader* mReader;
};

// A parser over inline input; keeps its reader alive.
struct ParserOver
{
    explicit ParserOver(const std::string& input) : reader(input), position(&reader)
    {
        parser.AttachStream(&reader, &position);
    }
    PDFObject* Next() { return parser.ParseObject(nullptr); }

    MemoryReader reader;
    ReaderPosition position;
    PDFObjectParser parser;
};

// A compact description of an object, to compare whole structures in one line.
std::string Describe(PDFObject* object)
{
    if (object == nullptr) {
        return "null-result";
    }
    switch (object->GetType()) {
    case PDFObject::ePDFObjectBoolean:
        return static_cast<PDFBoolean*>(object)->GetValue() ? "true" : "false";
    case PDFObject::ePDFObjectLiteralString:
        return "(" + static_cast<PDFLiteralString*>(object)->GetValue() + ")";
    case PDFObject::ePDFObjectHexString:
        return "<" + static_cast<PDFHexString*>(object)->GetValue() + ">";
    case PDFObject::ePDFObjectNull:
        return "null";
    case PDFObject::ePDFObjectName:
        return "/" + static_cast<PDFName*>(object)->GetValue();
    case PDFObject::ePDFObjectInteger:
        return std::string("i").append(
            std::to_string(static_cast<PDFInteger*>(object)->GetValue()));
    case PDFObject::ePDFObjectReal:
        return std::string("r").append(std::to_string(static_cast<PDFReal*>(object)->GetValue()));
    case PDFObject::ePDFObjectArray: {
        std::string text = "[";
        ArrayIterator it = static_cast<PDFArray*>(object)->GetItemIterator();
        while (it.MoveNext()) {
            text += Describe(it.GetItem()) + " ";
        }
        return text + "]";
    }
    case PDFObject::ePDFObjectDictionary: {
        std::string text = "<<";
        DictionaryIterator it = static_cast<PDFDictionary*>(object)->GetEntryIterator();
        while (it.MoveNext()) {
            text += Describe(it.GetKey()) + " " + Describe(it.GetValue()) + " ";
        }
        return text + ">>";
    }
    case PDFObject::ePDFObjectIndirectObjectReference: {
        auto* reference = static_cast<PDFIndirectObjectReference*>(object);
        return std::to_string(reference->ObjectID) + " " +
               std::to_string(reference->GenerationNumber) + " R";
    }
    case PDFObject::ePDFObjectStream:
        return "stream@" + std::to_string(static_cast<PDFStreamInput*>(object)->GetDataStart());
    case PDFObject::ePDFObjectSymbol:
        return "sym:" + static_cast<PDFSymbol*>(object)->GetValue();
    }
    return "?";
}

// Describes every object parsed from the input, separated by commas.
std::string ParseAll(const std::string& input)
{
    ParserOver over(input);
    std::string text;
    for (PDFObject* object = over.Next(); object != nullptr; object = over.Next()) {
        if (!text.empty()) {
            text += ",";
        }
        text += Describe(object);
        object->Release();
    }
    return text;
}

struct ObjectCase
{
    const char* what;
    std::string input;
    std::string objects;
};

const ObjectCase kObjectCases[] = {
    {"booleans and null", "true false null", "true,false,null"},
    {"reference", "12 0 R", "12 0 R"},
    {"object header", "12 0 obj", "i12,i0,sym:obj"},
    {"zero never starts a reference", "0 0 R", "i0,i0,sym:R"},
    {"negative generation", "5 -1 R", "i5,i-1,sym:R"},
    {"real generation", "5 1.0 R", "i5,r1.000000,sym:R"},
    {"reference inside an array", "[1 2 R]", "[1 2 R ]"},
    {"largest 32-bit number and generation", "4294967295 4294967295 R", "4294967295 4294967295 R"},
    // Cut to 32 bits these would read as 2 0 R and 3 0 R: they name no object instead.
    {"object number beyond 32 bits names no object", "7 4294967298 0 R 8",
     "i7,sym:4294967298 0 R,i8"},
    {"generation beyond 32 bits names no object", "[3 4294967296 R] 8", "[sym:3 4294967296 R ],i8"},
    {"integer then reference", "[1 2 0 R]", "[i1 2 0 R ]"},
    {"two numbers at the end", "7 8", "i7,i8"},
    {"numbers", "+5 -3 4. .5 -.5 .", "i5,i-3,r4.000000,r0.500000,r-0.500000,r0.000000"},
    {"not numbers", "1.2.3 1e5 --1", "sym:1.2.3,sym:1e5,sym:--1"},
    {"leading zeros", "007", "i7"},
    {"largest 64-bit integer", "9223372036854775807",
     "i" + std::to_string(std::numeric_limits<long long>::max())},
    {"smallest 64-bit integer", "-9223372036854775808",
     "i" + std::to_string(std::numeric_limits<long long>::min())},
    {"integer above the 64-bit range is no number", "9223372036854775808",
     "sym:9223372036854775808"},
    {"integer below the 64-bit range is no number", "-99999999999999999999",
     "sym:-99999999999999999999"},
    {"generation beyond 64 bits is no generation", "1 99999999999999999999 R",
     "i1,sym:99999999999999999999,sym:R"},
    {"literal escapes", "(a\\\\b\\(c\\))", "(a\\b(c))"},
    {"octal escapes", "(\\101\\102)", "(AB)"},
    {"short octal escape", "(\\7)", "(\x07)"},
    {"control escapes", "(\\n\\r\\t\\b\\f)", "(\n\r\t\b\f)"},
    {"octal escape ends at a non-octal byte", "(\\18)",
     "(\x01"
     "8)"},
    {"octal escape keeps the low byte", "(\\777)", "(\xFF)"},
    {"unknown escapes drop the backslash", "(C:\\Users\\Name \\/ \\8 \\q)", "(C:UsersName / 8 q)"},
    {"unescaped CR LF and lone CR read as LF", "(a\r\nb\rc\n\n)", "(a\nb\nc\n\n)"},
    {"escaped CR stays CR", "(\\r\\015\r\n)", "(\r\r\n)"},
    {"line continuation after CR LF", "(a\\\r\nb)", "(ab)"},
    {"hex string keeps its digits", "<48 65>", "<4865>"},
    {"hex string keeps odd and bad digits", "<4G6>", "<4G6>"},
    {"name with hash escape", "/A#20B", "/A B"},
    {"empty name", "/", "/"},
    {"comment between array items", "[1 %x\n2]", "[i1 i2 ]"},
    {"dictionary keys in byte order", "<</b 1 /a 2>>", "<</a i2 /b i1 >>"},
    {"dictionary followed by another token", "<</A 1>> endobj", "<</A i1 >>,sym:endobj"},
    {"stray closers are symbols", "] >> }", "sym:],sym:>>,sym:}"},
    {"nested containers", "[<</A [1 [2]]>>]", "[<</A [i1 [i2 ] ] >> ]"},
};

} // namespace

TEST(PDFObjectParserTest, ParsesKnownInputs)
{
    for (const ObjectCase& c : kObjectCases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(ParseAll(c.input), c.objects);
    }
}

TEST(PDFObjectParserTest, RealsReadAsTheNearestDouble)
{
    struct RealCase
    {
        std::string token;
        double value; // the compiler's own reading of the same decimal
    };
    const RealCase cases[] = {
        {"5.", 5.0},
        {"-0.0", -0.0},
        {"+.5", 0.5},
        {"0.0000001", 0.0000001},
        {"1.2345678901234567", 1.2345678901234567},
        {"12345678901234567890.5", 12345678901234567890.5},
        {"0.1000000000000000055511151231257827", 0.1},
        {std::string("17976931348623157").append(292, '0').append(".0"), 1.7976931348623157e308},
    };
    for (const RealCase& c : cases) {
        SCOPED_TRACE(c.token);
        PDFObjectCastPtr<PDFReal> real(ParserOver(c.token).Next());
        ASSERT_FALSE(real.IsNull());
        EXPECT_EQ(real->GetValue(), c.value);
        EXPECT_EQ(std::signbit(real->GetValue()), std::signbit(c.value));
    }
}

TEST(PDFObjectParserTest, NumbersOutOfRangeBecomeSymbolsWithTrace)
{
    const std::string tokens[] = {
        "9223372036854775808",
        "-9223372036854775809",
        std::string("1").append(400, '0').append(".5"),
        std::string("0.").append(400, '0').append("1"),
    };
    for (const std::string& token : tokens) {
        SCOPED_TRACE(token.substr(0, 24));
        TraceCapture trace;
        PDFObjectCastPtr<PDFSymbol> symbol(ParserOver(token).Next());
        ASSERT_FALSE(symbol.IsNull());
        EXPECT_EQ(symbol->GetValue(), token);
        EXPECT_EQ(trace.Lines(),
                  std::vector<std::string>{"PDFObjectParser::ParseObject, number out of range, "
                                           "kept as a symbol. token = " +
                                           token});
    }
}

struct FailureCase
{
    const char* what;
    std::string input;
    std::vector<std::string> trace;
};

const FailureCase kFailureCases[] = {
    {"unterminated literal string",
     "(abc",
     {"PDFObjectParser::ParseLiteralString, exception in parsing literal string, no closing "
      "paranthesis, Expression: (abc"}},
    {"unterminated hex string",
     "<41",
     {"PDFObjectParser::ParseHexadecimalString, exception in parsing hexadecimal string, no "
      "closing angle, Expression: <41"}},
    {"hash at the end of a name",
     "/A#2",
     {"PDFObjectParser::ParseName, exception in parsing hex value for a name token. token = "
      "/A#2"}},
    {"bad hex digit in a name",
     "/A#G0",
     {"PDFObjectParser::GetHexValue, unrecongnized hex value - G",
      "PDFObjectParser::ParseName, exception in parsing hex value for a name token. token = "
      "/A#G0"}},
    {"duplicate key",
     "<</A 1 /A 2>>",
     {"PDFObjectParser::ParseDictionary, failure to parse key for a dictionary, key already "
      "exists. key = A",
      "PDFObjectParser::ParseDictionary, failure to parse dictionary, didn't find end of array "
      "or failure to parse dictionary member object. token = /A"}},
    {"key without value at the end",
     "<</A >>",
     {"PDFObjectParser::ParseDictionary, failure to parse dictionary, didn't find end of array "
      "or failure to parse dictionary member object. token = /A"}},
    {"key that is not a name",
     "<<1 2>>",
     {"PDFObjectParser::ParseDictionary, failure to parse key for a dictionary. token = 1",
      "PDFObjectParser::ParseDictionary, failure to parse dictionary, didn't find end of array "
      "or failure to parse dictionary member object. token = 1"}},
    {"stream keyword without an end of line",
     "<</Length 4>>stream DATA",
     {"PDFObjectParser::ParseObject, stream keyword not followed by an end of line, the stream "
      "data cannot be found"}},
    {"unclosed array",
     "[1 2",
     {"PDFObjectParser::ParseArray, failure to parse array, didn't find end of array or failure "
      "to parse array member object. token = 2"}},
    {"bad array member",
     "[(x]",
     {"PDFObjectParser::ParseLiteralString, exception in parsing literal string, no closing "
      "paranthesis, Expression: (x]",
      "PDFObjectParser::ParseArray, failure to parse array, failed to parse a member object. "
      "token = (x]",
      "PDFObjectParser::ParseArray, failure to parse array, didn't find end of array or failure "
      "to parse array member object. token = (x]"}},
};

TEST(PDFObjectParserTest, MalformedInputGivesNullAndTrace)
{
    for (const FailureCase& c : kFailureCases) {
        SCOPED_TRACE(c.what);
        TraceCapture trace;
        EXPECT_EQ(ParserOver(c.input).Next(), nullptr);
        EXPECT_EQ(trace.Lines(), c.trace);
    }
}

TEST(PDFObjectParserTest, EndOfInputGivesNullWithoutTrace)
{
    TraceCapture trace;
    EXPECT_EQ(ParserOver(" % only a comment\r\n ").Next(), nullptr);
    EXPECT_TRUE(trace.Empty());
}

TEST(PDFObjectParserTest, DeepNestingIsRefused)
{
    for (const char* open : {"[", "<</A "}) {
        SCOPED_TRACE(open);
        std::string input;
        for (int i = 0; i < 100000; ++i) {
            input += open;
        }
        TraceCapture trace;
        EXPECT_EQ(ParserOver(input).Next(), nullptr);
        ASSERT_FALSE(trace.Lines().empty());
        EXPECT_EQ(trace.Lines()[0].rfind("PDFObjectParser::ParseObject, objects nested deeper "
                                         "than 256",
                                         0),
                  0u);
    }
}

TEST(PDFObjectParserTest, NestingAtTheLimitIsAccepted)
{
    const std::string input = std::string(PDFObjectParser::kMaxNestingDepth, '[') +
                              std::string(PDFObjectParser::kMaxNestingDepth, ']');
    PDFObjectCastPtr<PDFArray> array(ParserOver(input).Next());
    EXPECT_FALSE(array.IsNull());
}

TEST(PDFObjectParserTest, ObjectsHoldingMoreValuesThanTheLimitAreRefused)
{
    struct LimitCase
    {
        const char* input;
        const char* refusedIn; // null: every object parses
    };
    // A limit of three values per object; the count starts again with each object.
    const LimitCase cases[] = {
        {"[1 2 3] [4 5 6] <</A 1 /B 2 /C 3>>", nullptr},
        {"[1 2 3 4]", "ParseArray"},
        {"<</A 1 /B 2 /C 3 /D 4>>", "ParseDictionary"},
        {"<</A 1 /B [2 3]>>", "ParseArray"},
        {"[[1] [2]]", "ParseArray"},
        {"[<</A 1>> <</B 2>>]", "ParseDictionary"},
    };
    for (const LimitCase& c : cases) {
        SCOPED_TRACE(c.input);
        ParserOver over(c.input);
        over.parser.SetValueLimit(3);
        TraceCapture trace;
        std::vector<RefCountPtr<PDFObject>> objects;
        for (PDFObject* next = over.Next(); next != nullptr; next = over.Next()) {
            objects.emplace_back(next);
        }
        if (c.refusedIn == nullptr) {
            EXPECT_EQ(objects.size(), 3u);
            EXPECT_TRUE(trace.Empty());
            continue;
        }
        EXPECT_TRUE(objects.empty());
        ASSERT_FALSE(trace.Lines().empty());
        EXPECT_EQ(trace.Lines()[0], std::string("PDFObjectParser::") + c.refusedIn +
                                        ", object holds more than 3 values, refusing to parse "
                                        "further");
    }
    // A file can spell a value in two bytes: four times the file and 48 MiB, 320 bytes each.
    EXPECT_EQ(PDFObjectParser::ValueLimitForFileSize(0), 157286u);
    EXPECT_EQ(PDFObjectParser::ValueLimitForFileSize(10000000), 282286u);
}

TEST(PDFObjectParserTest, StreamDataStartsAfterEachLineEnd)
{
    struct Case
    {
        const char* what;
        std::string input;
        FilePosition dataStart;
    };
    const Case cases[] = {
        {"CR LF", "<</Length 4>>stream\r\nDATA", 21},
        {"LF", "<</Length 4>>stream\nDATA", 20},
        {"lone CR", "<</Length 4>>stream\rDATA", 20},
        {"white space before the keyword", "<</Length 4>> \r\nstream\r\nDATA", 24},
        {"spaces and a tab before CR LF", "<</Length 4>>stream \t \r\nDATA", 24},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PDFObjectCastPtr<PDFStreamInput> stream(ParserOver(c.input).Next());
        ASSERT_FALSE(stream.IsNull());
        EXPECT_EQ(stream->GetDataStart(), c.dataStart);
        PDFObjectCastPtr<PDFDictionary> dictionary(stream->GetDictionary());
        EXPECT_TRUE(dictionary->Contains("Length"));
    }
}

TEST(PDFObjectParserTest, ClearReadStateDropsLookAhead)
{
    ParserOver over("12 0 obj");
    PDFObjectCastPtr<PDFInteger> first(over.Next());
    ASSERT_FALSE(first.IsNull());
    over.parser.ClearReadState();
    EXPECT_EQ(over.Next(), nullptr);
}

TEST(PDFObjectParserTest, LookAheadObjectsAreNotLeaked)
{
    // Run under the address sanitizer: a leaked look-ahead number shows up as a leak report.
    EXPECT_EQ(ParseAll("1 2 R 3 4 5 R 6 -7 8"), "1 2 R,i3,4 5 R,i6,i-7,i8");
}
