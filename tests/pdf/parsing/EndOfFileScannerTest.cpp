#include "pdf/parsing/EndOfFileScanner.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ParsingTestSupport.h"
#include "pdf/io/AdapterIByteReaderWithPositionToIReadPositionProvider.h"
#include "pdf/parsing/PDFObjectParser.h"

namespace {

struct ScanResult
{
    bool found = false;
    FilePosition xrefPosition = 0;
    std::vector<std::string> trace;
    std::size_t bytesRead = 0;
};

// The two steps the document reader takes, over the bytes of a file's end.
ScanResult Scan(const std::string& bytes)
{
    TraceCapture trace;
    MemoryReader reader(bytes);
    AdapterIByteReaderWithPositionToIReadPositionProvider position(&reader);
    PDFObjectParser objectParser;
    objectParser.AttachStream(&reader, &position);
    EndOfFileScanner scanner;
    scanner.Reset(&reader, static_cast<FilePosition>(bytes.size()), &objectParser, nullptr);
    ScanResult result;
    result.found = scanner.ParseEOFLine() == Success &&
                   scanner.ParseXrefPosition(result.xrefPosition) == Success;
    result.trace = trace.Lines();
    result.bytesRead = reader.BytesRead();
    return result;
}

struct EndCase
{
    const char* what;
    std::string bytes;
    FilePosition xrefPosition;
};

} // namespace

TEST(EndOfFileScannerTest, FindsTheXrefPositionInEachLayout)
{
    const std::string farBack(3000, ' ');
    const EndCase cases[] = {
        {"three lines", "startxref\r\n123\r\n%%EOF", 123},
        {"keyword and offset on one line", "startxref 77\n%%EOF\n", 77},
        {"keyword after other objects on its line", "x\njunk /a startxref 55\r%%EOF", 55},
        {"marker followed by more bytes and white space", "startxref\n9\n%%EOFX \r\n \t", 9},
        {"only the marker's line ends the file", "startxref\n4\n%%EOF\r\n\r\n", 4},
        {"lines spread over several windows",
         "startxref\n" + farBack + "\n42\n" + farBack + "%%EOF", 42},
        {"a file that is only its end", "startxref\n0\n%%EOF", 0},
    };
    for (const EndCase& c : cases) {
        SCOPED_TRACE(c.what);
        const ScanResult result = Scan(c.bytes);
        EXPECT_TRUE(result.found);
        EXPECT_EQ(result.xrefPosition, c.xrefPosition);
        EXPECT_TRUE(result.trace.empty());
    }
}

TEST(EndOfFileScannerTest, BackwardScanReadsNoByteTwice)
{
    // The forward parse of the offset line reads a few bytes again through the object parser;
    // the backward windows alone cover each byte once.
    const std::string bytes = "startxref\n" + std::string(2500, ' ') + "\n7\n%%EOF";
    const ScanResult result = Scan(bytes);
    ASSERT_TRUE(result.found);
    EXPECT_LE(result.bytesRead, bytes.size() + 64);
}

TEST(EndOfFileScannerTest, DamagedEndsFailWithTheirTrace)
{
    struct DamagedCase
    {
        const char* what;
        std::string bytes;
        const char* trace;
    };
    const DamagedCase cases[] = {
        {"empty", "", "PDFParser::ParseEOFLine, Couldn't find tokens in file"},
        {"white space only", " \r\n\t ", "PDFParser::ParseEOFLine, Couldn't find tokens in file"},
        {"no marker", "startxref\n12\n", "PDFParser::ParseEOFLine, failure, last line not %%EOF"},
        {"marker alone", "%%EOF",
         "PDFParser::ParseXrefPosition, couldn't find xref position token"},
        {"offset without keyword line", "12\n%%EOF",
         "PDFParser::ParseXrefPosition, couldn't find startxref keyword"},
        {"another keyword before the offset", "xref\n12\n%%EOF",
         "PDFParser::ParseXrefPosition, syntax error in reading xref position"},
        {"keyword followed by a name", "startxref /x\n%%EOF",
         "PDFParser::ParseXrefPosition, syntax error in reading xref position"},
        {"no keyword at all", "abc def\n%%EOF",
         "PDFParser::ParseXrefPosition, could not find startxref keyword"},
    };
    for (const DamagedCase& c : cases) {
        SCOPED_TRACE(c.what);
        const ScanResult result = Scan(c.bytes);
        EXPECT_FALSE(result.found);
        EXPECT_EQ(result.trace, std::vector<std::string>{c.trace});
    }
}
