// Writes the seed corpora of the fuzz targets: small trust stores and documents made with
// the test file builder, and filter inputs made with the project's own encoder. Run it by
// hand when the seeds need to change (make-fuzz-seeds <fuzz/corpus folder>) and review the
// new files like code; the fuzz and replay builds only read them.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "PdfFileBuilder.h"
#include "pdf/io/MyStringBuf.h"
#include "pdf/io/OutputFlateEncodeStream.h"
#include "pdf/io/OutputStringBufferStream.h"

namespace {

std::filesystem::path gRoot;

void WriteSeed(const char* target, const char* name, const std::string& bytes)
{
    std::filesystem::create_directories(gRoot / target);
    std::ofstream out(gRoot / target / name, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string Deflate(const std::string& plain)
{
    MyStringBuf encoded;
    {
        OutputFlateEncodeStream encoder(new OutputStringBufferStream(&encoded), true);
        (void)encoder.Write(reinterpret_cast<const Byte*>(plain.data()),
                            static_cast<IOByteCount>(plain.size())); // seeds are tiny
    }
    return encoded.str();
}

std::string Ascii85(const std::string& bytes)
{
    std::string text;
    for (std::size_t at = 0; at < bytes.size(); at += 4) {
        const std::size_t n = std::min<std::size_t>(4, bytes.size() - at);
        std::uint32_t value = 0;
        for (std::size_t i = 0; i < 4; ++i) {
            value = value * 256 + (i < n ? static_cast<std::uint8_t>(bytes[at + i]) : 0);
        }
        char digits[5];
        for (int i = 4; i >= 0; --i) {
            digits[i] = static_cast<char>('!' + value % 85);
            value /= 85;
        }
        text.append(digits, n + 1);
    }
    return text + "~>";
}

// Rows of PNG-predicted data: each row is its filter type followed by the samples.
std::string PngRows(int columns, int rows, bool mixTypes)
{
    std::string data;
    for (int row = 0; row < rows; ++row) {
        data += static_cast<char>(mixTypes ? row % 5 : 0);
        for (int column = 0; column < columns; ++column) {
            data += static_cast<char>(row * 7 + column * 3);
        }
    }
    return data;
}

std::string StreamObject(const std::string& dictionaryEntries, const std::string& data)
{
    return "<< /Length " + std::to_string(data.size()) + dictionaryEntries + " >>\r\nstream\r\n" +
           data + "\r\nendstream";
}

void WriteStoreSeeds()
{
    const char* target = "fuzz_document";
    const std::string entry = "<< /ABEType 1 /Cert (0\\202\\001) /ID 1 /Trust 8190 >>";
    {
        PdfFileBuilder builder("%PPKLITE-2.1");
        builder.AddRaw("%\xe2\xe3\xcf\r\n");
        builder.AddObject(1, 0,
                          "<< /PPK << /AddressBook << /Entries [2 0 R 3 0 R] /NextID 3 >> "
                          "/User << /Entries [] >> >> /Type /Catalog >>");
        builder.AddObject(2, 0, entry);
        builder.AddObject(3, 0, "<< /ABEType 1 /Cert <3082010a> /ID 2 /Trust 1 >>");
        builder.SetTrailerEntries("/Root 1 0 R /ID [<00ff> <ff00>]");
        WriteSeed(target, "store-two-entries", builder.Build());
    }
    {
        PdfFileBuilder builder("%PPKLITE-2.1");
        builder.SetLineEnd("\n").SetEntryLineEnd(" \n").SetFinalLineEnd("\n");
        builder.AddObject(1, 0, "<< /PPK << /AddressBook << /Entries [] /NextID 1 >> >> >>");
        builder.AddFreeEntry(2, 1);
        builder.SetTrailerEntries("/Root 1 0 R");
        WriteSeed(target, "store-lf-free-entry", builder.Build());
    }
    {
        PdfFileBuilder builder("%PPKLITE-2.1");
        builder.AddObject(1, 0, "<< /PPK << /AddressBook << /Entries [2 0 R] >> >> >>");
        builder.AddObject(2, 0, entry);
        builder.SetTrailerEntries("/Root 1 0 R");
        builder.StartUpdate();
        builder.AddObject(2, 0, "<< /ABEType 1 /Cert (replaced) /ID 1 >>");
        builder.AddObject(3, 0, "[1 2.5 -3 (x) <41> /N null true]");
        builder.SetTrailerEntries("/Root 1 0 R");
        WriteSeed(target, "store-incremental-update", builder.Build());
    }
    {
        // Values PDF reads in its own way: escapes and line ends in strings, exact reals, an
        // integer beyond 64 bits, spaces after "stream", a reference of another generation.
        PdfFileBuilder builder("%PPKLITE-2.1");
        builder.AddObject(1, 0,
                          "<< /PPK << /AddressBook << /Entries [2 0 R 2 0 R 3 0 R 4 1 R] /NextID "
                          "5 >> /V 65537 >> >>");
        builder.AddObject(2, 0,
                          "<< /Cert (0\\202) /Path (C:\\Users\\Name) /Lines (a\r\nb\rc) "
                          "/Reals [5. -0.0 0.0000001 1.2345678901234567 12345678901234567890.5] "
                          "/ID 2 >>");
        builder.AddObject(3, 0, "<< /Big 99999999999999999999 /Data 4 0 R /ID 3 >>");
        builder.AddObject(4, 0, "<< /Length 3 >>stream \t\r\nabc\r\nendstream");
        builder.SetTrailerEntries("/Root 1 0 R");
        WriteSeed(target, "store-values-read-as-pdf", builder.Build());
    }
    {
        PdfFileBuilder builder("%PPKLITE-2.1");
        builder.AddObject(1, 0, "<< /Type /Catalog /Pages 2 0 R >>");
        builder.AddObject(2, 0, "<< /Type /Pages /Kids [3 0 R 4 0 R] /Count 2 >>");
        builder.AddObject(3, 0, "<< /Type /Page /Parent 2 0 R /Contents 5 0 R >>");
        builder.AddObject(4, 0, "<< /Type /Pages /Parent 2 0 R /Kids [6 0 R] /Count 1 >>");
        builder.AddObject(5, 0, StreamObject("", "BT /F1 12 Tf (Hi) Tj ET"));
        builder.AddObject(6, 0, "<< /Type /Page /Parent 4 0 R >>");
        builder.SetTrailerEntries("/Root 1 0 R");
        WriteSeed(target, "page-tree-and-content", builder.Build());
    }
    {
        PdfFileBuilder builder("%PPKLITE-2.1");
        builder.AddObject(1, 0, "<< /Type /Catalog >>");
        builder.AddObject(2, 0, StreamObject(" /Filter /FlateDecode", Deflate("flate data here")));
        builder.AddObject(3, 0,
                          StreamObject(" /Filter /FlateDecode /DecodeParms << /Predictor 12 "
                                       "/Columns 4 >>",
                                       Deflate(PngRows(4, 3, false))));
        builder.AddObject(4, 0,
                          StreamObject(" /Filter [/ASCII85Decode /FlateDecode]",
                                       Ascii85(Deflate("two filters"))));
        builder.AddObject(5, 0,
                          StreamObject(" /Filter /FlateDecode /DecodeParms << /Predictor 2 "
                                       "/Colors 3 /BitsPerComponent 8 /Columns 2 >>",
                                       Deflate("abcdefABCDEF")));
        builder.AddObject(6, 0, "<< /Length 7 0 R >>\r\nstream\r\nindirect length\r\nendstream");
        builder.AddObject(7, 0, "15");
        builder.SetTrailerEntries("/Root 1 0 R");
        WriteSeed(target, "filtered-streams", builder.Build());
    }
    {
        PdfFileBuilder builder("%PDF-1.7");
        builder.AddObject(1, 0, "<< /Type /Catalog >>");
        builder.AddEntryAt(2, 0, 99999);
        builder.AddEntryAt(3, 0, 0);
        builder.SetSize(9);
        builder.SetTrailerEntries("/Root 1 0 R /Prev 5");
        WriteSeed(target, "pdf-header-damaged-table", builder.Build());
    }
    {
        // A cross-reference stream (W 1 2 1) and an object stream holding objects 4 and 5.
        const std::string header = "%PPKLITE-2.1\r\n";
        std::string file = header;
        const std::size_t catalogOffset = file.size();
        file += "1 0 obj\r\n<< /Type /Catalog /PPK 4 0 R >>\r\nendobj\r\n";
        const std::string objects = "4 0 5 30 ";
        const std::string bodies = "<< /AddressBook 5 0 R >>     << /Entries [] /NextID 1 >>";
        const std::size_t objectStreamOffset = file.size();
        file += "2 0 obj\r\n" +
                StreamObject(" /Type /ObjStm /N 2 /First " + std::to_string(objects.size()) +
                                 " /Filter /FlateDecode",
                             Deflate(objects + bodies)) +
                "\r\nendobj\r\n";
        const std::size_t xrefOffset = file.size();
        std::string rows;
        auto row = [&rows](int type, std::size_t field2, int field3) {
            rows += static_cast<char>(type);
            rows += static_cast<char>((field2 >> 8) & 0xff);
            rows += static_cast<char>(field2 & 0xff);
            rows += static_cast<char>(field3);
        };
        row(0, 0, 255);
        row(1, catalogOffset, 0);
        row(1, objectStreamOffset, 0);
        row(1, xrefOffset, 0);
        row(2, 2, 0);
        row(2, 2, 1);
        file += "3 0 obj\r\n" +
                StreamObject(" /Type /XRef /Size 6 /W [1 2 1] /Root 1 0 R /Filter /FlateDecode",
                             Deflate(rows)) +
                "\r\nendobj\r\nstartxref\r\n" + std::to_string(xrefOffset) + "\r\n%%EOF";
        WriteSeed(target, "xref-stream-and-object-stream", file);
    }
}

void WriteFilterSeeds()
{
    const char* target = "fuzz_filters";
    const std::string text = "The quick brown fox jumps over the lazy dog. 0123456789";
    WriteSeed(target, "flate", std::string("\x00\x00\x00\x00", 4) + Deflate(text));
    const char* pngNames[] = {"png-none",    "png-sub",   "png-up",
                              "png-average", "png-paeth", "png-optimum"};
    for (int predictor = 10; predictor <= 15; ++predictor) {
        std::string head(4, '\0');
        head[0] = static_cast<char>(predictor - 9);
        head[1] = 5;
        WriteSeed(target, pngNames[predictor - 10], head + Deflate(PngRows(5, 4, predictor == 15)));
    }
    const struct
    {
        const char* name;
        char colors, bitsIndex, columns;
    } tiff[] = {{"tiff-rgb8", 3, 3, 4}, {"tiff-gray1", 1, 0, 16}, {"tiff-gray16", 1, 4, 3}};
    for (const auto& t : tiff) {
        WriteSeed(target, t.name,
                  std::string{7, t.colors, t.bitsIndex, t.columns} +
                      Deflate("0123456789abcdef0123456789abcdef0123456789abcdef"));
    }
    WriteSeed(target, "ascii85", std::string("\x08\x00\x00\x00", 4) + Ascii85(text) + "z~>");
    WriteSeed(target, "ascii85-flate", std::string("\x09\x00\x00\x00", 4) + Ascii85(Deflate(text)));
    WriteSeed(target, "round-trip", std::string("\x80", 1) + text + text);
}

// The first byte picks the read buffer's size: 0xff the reader's own, 0x03 three bytes.
void WritePlainDictionarySeeds()
{
    const char* target = "fuzz_plain_dictionary";
    WriteSeed(target, "store-entry",
              "\xff"
              "1 0 obj\r\n<<\r\n/ABEType 1\r\n/Cert <3082ABcd>\r\n/Editable false\r\n"
              "/ID 7\r\n/PolicyOID (1.2.840.113583)\r\n/Source [(AATL) (EUTL)]\r\n/Trust "
              "8190\r\n/Viewable true\r\n>>\r\nendobj");
    WriteSeed(target, "compact-escapes",
              "\x03"
              "1 0 obj<</A 1/B(x\\101\\(y\\))/C<ab>/D[1 /N true]/E/F>>endobj");
    WriteSeed(target, "nested-and-reference",
              "\x10"
              "1 0 obj << /A (a(b)c\r\nd) /B -7 /C 5 0 R >> endobj");
    WriteSeed(target, "beyond-32-bits-and-stray-hex",
              "\x05"
              "1 0 obj << /A <41/N42> /B [7 4294967298 0 R] /C 4294967295 >> endobj");
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-fuzz-seeds <fuzz/corpus folder>\n");
        return 1;
    }
    gRoot = argv[1];
    WriteStoreSeeds();
    WriteFilterSeeds();
    WritePlainDictionarySeeds();
    return 0;
}
