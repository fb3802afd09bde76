#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ParsingTestSupport.h"
#include "PdfStreamFileBuilder.h"
#include "TempFolder.h"
#include "pdf/io/IByteReader.h"
#include "pdf/io/InputFile.h"
#include "pdf/objects/PDFObjectCast.h"
#include "pdf/objects/PDFStreamInput.h"
#include "pdf/parsing/PDFParser.h"

// Stream readers built by the parser, read out with every read size from 1 byte up: row,
// group and buffer boundaries of each filter in the chain fall at every place in a read.

namespace {

constexpr std::size_t kMaxReadSize = 300;

std::string Pattern(std::size_t size)
{
    std::string data;
    for (std::size_t i = 0; i < size; ++i) {
        data.push_back(static_cast<char>((i * 131 + i / 9) & 0xFF));
    }
    return data;
}

std::string Ascii85Encode(const std::string& data)
{
    std::string out;
    for (std::size_t start = 0; start < data.size(); start += 4) {
        const std::size_t length = std::min<std::size_t>(4, data.size() - start);
        std::uint32_t value = 0;
        for (std::size_t i = 0; i < 4; ++i) {
            value = (value << 8) | (i < length ? static_cast<unsigned char>(data[start + i]) : 0u);
        }
        if (value == 0 && length == 4) {
            out += 'z';
            continue;
        }
        char digits[5];
        for (int i = 4; i >= 0; --i) {
            digits[i] = static_cast<char>('!' + value % 85);
            value /= 85;
        }
        out.append(digits, length + 1);
        if (start % 64 == 60) {
            out += "\r\n"; // line breaks between groups are skipped
        }
    }
    return out + "~>";
}

// PNG Sub with pixels of pixelBytes bytes: each byte minus the same byte of the pixel before.
std::string PngSubEncode(const std::string& data, std::size_t rowBytes, std::size_t pixelBytes)
{
    std::string out;
    for (std::size_t start = 0; start < data.size(); start += rowBytes) {
        out.push_back(1);
        for (std::size_t i = 0; i < rowBytes; ++i) {
            const int left =
                i >= pixelBytes ? static_cast<unsigned char>(data[start + i - pixelBytes]) : 0;
            out.push_back(
                static_cast<char>((static_cast<unsigned char>(data[start + i]) - left) & 0xFF));
        }
    }
    return out;
}

struct StreamCase
{
    const char* what;
    std::uint32_t number;
    std::string entries;
    std::string encoded;
};

class StreamFile
{
public:
    explicit StreamFile(const std::vector<StreamCase>& streams)
    {
        PdfStreamFileBuilder builder;
        builder.AddObject(1, 0, "<< /Type /Catalog >>");
        for (const StreamCase& s : streams) {
            builder.AddStreamObject(s.number, s.entries, s.encoded);
        }
        builder.EndWithClassicTable("/Root 1 0 R");
        const std::string path = mFolder.PathOf("streams \xc3\xa9.pdf");
        TempFolder::WriteFile(path, builder.Build());
        EXPECT_EQ(mFile.OpenFile(path), Success);
        (void)mParser.ParseDocument(mFile.GetInputStream()); // no page tree: not needed here
    }

    // The decoded data read with reads of readSize bytes; "<null>" when no reader is made.
    std::string Read(std::uint32_t number, std::size_t readSize)
    {
        PDFObjectCastPtr<PDFStreamInput> stream(mParser.ParseObjectByID(number));
        if (stream.IsNull()) {
            return "<no stream>";
        }
        std::unique_ptr<IByteReader> reader(mParser.OpenStreamForReading(stream.Get()));
        if (reader == nullptr) {
            return "<null>";
        }
        std::string out;
        std::vector<Byte> buffer(readSize);
        while (reader->HasMore()) {
            const IOByteCount got =
                reader->Read(buffer.data(), static_cast<IOByteCount>(buffer.size()));
            if (got == 0) {
                break; // a reader that says it has more but delivers nothing must still end
            }
            EXPECT_LE(got, readSize);
            out.append(reinterpret_cast<const char*>(buffer.data()), got);
        }
        EXPECT_EQ(reader->Read(buffer.data(), static_cast<IOByteCount>(buffer.size())), 0u);
        return out;
    }

private:
    TempFolder mFolder;
    InputFile mFile;
    PDFParser mParser;
};

} // namespace

TEST(StreamReaderReadSizeTest, EveryReadSizeGivesTheSameDecodedBytes)
{
    const std::string data = Pattern(1050); // 150 rows of 7 bytes, 70 rows of 3 x 5 bytes
    const std::string zeros(40, '\0');
    const std::vector<StreamCase> streams = {
        {"raw", 2, "", data},
        {"flate", 3, "/Filter /FlateDecode", PdfStreamFileBuilder::Deflate(data)},
        {"flate + PNG Up", 4, "/Filter /FlateDecode /DecodeParms << /Predictor 12 /Columns 7 >>",
         PdfStreamFileBuilder::Deflate(PdfStreamFileBuilder::PngUpEncode(data, 7))},
        {"ASCII85 + flate", 5, "/Filter [/ASCII85Decode /FlateDecode]",
         Ascii85Encode(PdfStreamFileBuilder::Deflate(data))},
        {"flate + PNG with 3-byte pixels", 6,
         "/Filter /FlateDecode /DecodeParms << /Predictor 15 /Colors 3 /BitsPerComponent 8 "
         "/Columns 5 >>",
         PdfStreamFileBuilder::Deflate(PngSubEncode(data, 15, 3))},
        {"ASCII85 with z groups", 7, "/Filter /ASCII85Decode", Ascii85Encode(zeros + data)},
    };
    StreamFile file(streams);
    for (const StreamCase& s : streams) {
        const std::string expected = s.number == 7 ? zeros + data : data;
        for (std::size_t readSize = 1; readSize <= kMaxReadSize; ++readSize) {
            SCOPED_TRACE(std::string(s.what) + ", read size " + std::to_string(readSize));
            ASSERT_EQ(file.Read(s.number, readSize), expected);
        }
    }
}

TEST(StreamReaderReadSizeTest, SixteenBitSamplesTakeTheirPixelWidthFromDecodeParms)
{
    // Two bytes a pixel: Sub adds the byte two back. Taken one byte back, the data differs.
    const std::string data = Pattern(120);
    const std::vector<StreamCase> streams = {
        {"16-bit grey", 2,
         "/Filter /FlateDecode /DecodeParms << /Predictor 11 /BitsPerComponent 16 /Columns 6 >>",
         PdfStreamFileBuilder::Deflate(PngSubEncode(data, 12, 2))},
    };
    StreamFile file(streams);
    for (std::size_t readSize : {std::size_t{1}, std::size_t{5}, std::size_t{12}, kMaxReadSize}) {
        SCOPED_TRACE(readSize);
        EXPECT_EQ(file.Read(2, readSize), data);
    }
}

TEST(StreamReaderReadSizeTest, UnusablePixelLayoutGivesNoBytesAndATrace)
{
    const std::vector<StreamCase> streams = {
        {"no colours", 2, "/Filter /FlateDecode /DecodeParms << /Predictor 12 /Colors 0 >>",
         PdfStreamFileBuilder::Deflate(std::string("\2a\2b", 4))},
        {"3 bits", 3,
         "/Filter /FlateDecode /DecodeParms << /Predictor 12 /BitsPerComponent 3 /Columns 2 >>",
         PdfStreamFileBuilder::Deflate(std::string("\2ab\2cd", 6))},
    };
    StreamFile file(streams);
    {
        TraceCapture trace;
        EXPECT_EQ(file.Read(2, 7), "");
        EXPECT_TRUE(trace.Contains("InputPredictorPNGOptimumStream::Assign, unsupported parameters "
                                   "Colors 0, BitsPerComponent 8, Columns 1, nothing will be "
                                   "decoded"));
    }
    TraceCapture trace;
    EXPECT_EQ(file.Read(3, 7), "");
    EXPECT_TRUE(
        trace.Contains("InputPredictorPNGOptimumStream::Assign, unsupported parameters Colors "
                       "1, BitsPerComponent 3, Columns 2, nothing will be decoded"));
}
