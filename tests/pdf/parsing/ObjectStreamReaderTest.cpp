#include "pdf/parsing/ObjectStreamReader.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ParsingTestSupport.h"
#include "pdf/io/AdapterIByteReaderWithPositionToIReadPositionProvider.h"
#include "pdf/parsing/PDFObjectParser.h"

namespace {

struct HeaderResult
{
    StatusCode status = Failure;
    std::vector<ObjectStreamEntry> entries;
    std::vector<std::string> trace;
};

HeaderResult ReadHeader(const std::string& bytes, long long objectCount)
{
    TraceCapture trace;
    MemoryReader reader(bytes);
    AdapterIByteReaderWithPositionToIReadPositionProvider position(&reader);
    PDFObjectParser objectParser;
    objectParser.AttachStream(&reader, &position);
    HeaderResult result;
    result.status = ObjectStreamReader::ParseObjectStreamHeader(objectParser, nullptr,
                                                                result.entries, objectCount);
    result.trace = trace.Lines();
    return result;
}

} // namespace

TEST(ObjectStreamReaderTest, HeaderPairsGiveNumbersAndOffsets)
{
    const HeaderResult result = ReadHeader("12 0 13 25\r\n4294967310 -3 << /A 1 >>", 3);
    ASSERT_EQ(result.status, Success);
    ASSERT_EQ(result.entries.size(), 3u);
    EXPECT_EQ(result.entries[0].mObjectNumber, 12u);
    EXPECT_EQ(result.entries[0].mObjectOffset, 0);
    EXPECT_EQ(result.entries[1].mObjectNumber, 13u);
    EXPECT_EQ(result.entries[1].mObjectOffset, 25);
    // Only the low 32 bits of a number make the object number.
    EXPECT_EQ(result.entries[2].mObjectNumber, 14u);
    EXPECT_EQ(result.entries[2].mObjectOffset, -3);
}

TEST(ObjectStreamReaderTest, NoPairsForACountOfZero)
{
    const HeaderResult result = ReadHeader("", 0);
    EXPECT_EQ(result.status, Success);
    EXPECT_TRUE(result.entries.empty());
}

TEST(ObjectStreamReaderTest, ShortOrWrongHeadersFailWithTheirTrace)
{
    struct BadCase
    {
        const char* what;
        std::string bytes;
        long long objectCount;
        const char* trace;
    };
    const BadCase cases[] = {
        {"fewer pairs than N", "1 0 2 5", 3,
         "PDFParser::ParseObjectStreamHeader, parsing failed when reading object number. either "
         "not enough objects, or of the wrong type"},
        {"number that is a name", "/x 0", 1,
         "PDFParser::ParseObjectStreamHeader, parsing failed when reading object number. either "
         "not enough objects, or of the wrong type"},
        {"pair without its offset", "1", 1,
         "PDFParser::ParseObjectStreamHeader, parsing failed when reading object position. "
         "either not enough objects, or of the wrong type"},
        {"offset that is a real number", "1 2.5", 1,
         "PDFParser::ParseObjectStreamHeader, parsing failed when reading object position. "
         "either not enough objects, or of the wrong type"},
    };
    for (const BadCase& c : cases) {
        SCOPED_TRACE(c.what);
        const HeaderResult result = ReadHeader(c.bytes, c.objectCount);
        EXPECT_EQ(result.status, Failure);
        EXPECT_EQ(result.trace, std::vector<std::string>{c.trace});
    }
}
