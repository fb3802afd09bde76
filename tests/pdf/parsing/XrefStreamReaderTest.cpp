#include "pdf/parsing/XrefStreamReader.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ParsingTestSupport.h"

namespace {

struct SegmentResult
{
    StatusCode status = Failure;
    XrefTable table;
    std::vector<std::string> trace;
};

// Reads count entries from first on out of the given decoded bytes into a table of tableSize
// fresh entries.
SegmentResult ReadSegment(const std::string& bytes, std::vector<int> widths, std::size_t tableSize,
                          std::uint64_t first, std::uint64_t count)
{
    TraceCapture trace;
    MemoryReader reader(bytes);
    SegmentResult result;
    result.table.assign(tableSize, XrefEntry());
    result.status = XrefStreamReader::ReadXrefStreamSegment(result.table, first, count, &reader,
                                                            widths.data(), widths.size());
    result.trace = trace.Lines();
    return result;
}

std::string Bytes(std::initializer_list<int> values)
{
    std::string bytes;
    for (int value : values) {
        bytes.push_back(static_cast<char>(value));
    }
    return bytes;
}

void ExpectEntry(const XrefEntry& entry, XrefEntryType type, FilePosition position,
                 std::uint32_t generation)
{
    EXPECT_EQ(entry.mType, type);
    EXPECT_EQ(entry.mPosition, position);
    EXPECT_EQ(entry.mGeneration, generation);
}

} // namespace

TEST(XrefStreamReaderTest, SegmentEntriesAreReadBigEndianByTheirWidths)
{
    const std::string bytes = Bytes({0, 0, 0, 0xFF, /**/ 1, 0x01, 0x02, 0, /**/ 2, 0, 9, 3});
    const SegmentResult result = ReadSegment(bytes, {1, 2, 1}, 8, 5, 3);
    ASSERT_EQ(result.status, Success);
    ExpectEntry(result.table[4], XrefEntryUndefined, 0, 0);
    ExpectEntry(result.table[5], XrefEntryFree, 0, 255);
    ExpectEntry(result.table[6], XrefEntryInFile, 0x0102, 0);
    ExpectEntry(result.table[7], XrefEntryInObjectStream, 9, 3);
}

TEST(XrefStreamReaderTest, WideFieldsKeepTheirHighBytes)
{
    const std::string bytes = Bytes({1, 0x7F, 1, 2, 3, 4, 5, 6, 7, 0xFE, 0xDC, 0xBA, 0x98});
    const SegmentResult result = ReadSegment(bytes, {1, 8, 4}, 1, 0, 1);
    ASSERT_EQ(result.status, Success);
    ExpectEntry(result.table[0], XrefEntryInFile, 0x7F01020304050607LL, 0xFEDCBA98u);
}

TEST(XrefStreamReaderTest, MissingTypeFieldMeansAnObjectInTheFile)
{
    const SegmentResult result = ReadSegment(Bytes({0, 17, 0, 40}), {0, 2, 0}, 2, 0, 2);
    ASSERT_EQ(result.status, Success);
    ExpectEntry(result.table[0], XrefEntryInFile, 17, 0);
    ExpectEntry(result.table[1], XrefEntryInFile, 40, 0);
}

TEST(XrefStreamReaderTest, EntriesBeyondTheTableAreReadAndDropped)
{
    const SegmentResult result =
        ReadSegment(Bytes({1, 10, 0, 1, 20, 0, 1, 30, 0}), {1, 1, 1}, 2, 1, 3);
    ASSERT_EQ(result.status, Success);
    ASSERT_EQ(result.table.size(), 2u);
    ExpectEntry(result.table[1], XrefEntryInFile, 10, 0);
}

TEST(XrefStreamReaderTest, DataEndingEarlyLeavesTheRestAlone)
{
    const SegmentResult result = ReadSegment(Bytes({1, 10, 0}), {1, 1, 1}, 3, 0, 3);
    ASSERT_EQ(result.status, Success);
    ExpectEntry(result.table[0], XrefEntryInFile, 10, 0);
    ExpectEntry(result.table[1], XrefEntryUndefined, 0, 0);
    EXPECT_TRUE(result.trace.empty());
}

TEST(XrefStreamReaderTest, BadSegmentsFailWithTheirTrace)
{
    struct BadCase
    {
        const char* what;
        std::string bytes;
        std::vector<int> widths;
        const char* trace;
    };
    const BadCase cases[] = {
        {"four widths",
         Bytes({1, 1, 1, 1}),
         {1, 1, 1, 1},
         "PDFParser::ReadXrefStreamSegment, can handle only 3 length entries"},
        {"type 3",
         Bytes({3, 1, 0}),
         {1, 1, 1},
         "PDFParser::ReadXrefStreamSegment, unfamiliar entry type. must be either 0,1 or 2"},
        {"entry cut short",
         Bytes({1, 1, 0, 1, 2}),
         {1, 1, 1},
         "PDFParser::ReadXrefStreamSegment, failed to read xref entry 1"},
    };
    for (const BadCase& c : cases) {
        SCOPED_TRACE(c.what);
        const SegmentResult result = ReadSegment(c.bytes, c.widths, 4, 0, 4);
        EXPECT_EQ(result.status, Failure);
        EXPECT_EQ(result.trace, std::vector<std::string>{c.trace});
    }
}
