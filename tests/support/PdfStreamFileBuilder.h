#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

// Builds files whose directory is kept in cross-reference streams, hybrid files (a classic
// table whose trailer points at a stream through /XRefStm) and files with object streams.
//
//     PdfStreamFileBuilder builder;
//     builder.AddObjectStream(5, {{1, "<< /Type /Catalog >>"}, {2, "(two)"}});
//     builder.EndWithXrefStream(6, {}, "/Root 1 0 R");
//     std::string bytes = builder.Build();
//
// Objects are framed as "N G obj<CR LF>body<CR LF>endobj<CR LF>". Each End... call closes a
// section with "startxref", its offset and "%%EOF" on their own lines; a later section carries
// /Prev to the one before. The first section lists object 0 as free with generation 65535.
// /Size is one more than the highest number listed so far, unless overridden.
class PdfStreamFileBuilder
{
public:
    struct XrefStreamOptions
    {
        int widths[3] = {1, 4, 2};
        // Subsections listed through /Index; otherwise entries 0 to /Size - 1 (gaps free).
        bool useIndex = false;
        // Flate with rows of the PNG Up filter (/Columns = sum of the widths), under this
        // /Predictor number (12 names Up; 10 to 15 all let each row's tag byte choose).
        bool predictorUp = false;
        int predictor = 12;
        // Flate without predictor; ignored when predictorUp is set.
        bool compress = true;
        // Replaces the computed /Size (the entries written stay the same).
        std::int64_t size = -1;
    };

    explicit PdfStreamFileBuilder(std::string headerLine = "%PPKLITE-2.1");

    PdfStreamFileBuilder& AddRaw(const std::string& bytes);
    // An object written in the file.
    PdfStreamFileBuilder& AddObject(std::uint32_t number, std::uint32_t generation,
                                    const std::string& body);
    // A stream object with the given dictionary entries and data; /Length is added unless the
    // entries name one.
    PdfStreamFileBuilder& AddStreamObject(std::uint32_t number, const std::string& entries,
                                          const std::string& data);
    // An object stream holding the objects in order, with /N, /First and the header pairs,
    // flate-compressed unless told otherwise. Lists each object as compressed.
    PdfStreamFileBuilder&
    AddObjectStream(std::uint32_t number,
                    const std::vector<std::pair<std::uint32_t, std::string>>& objects,
                    bool compress = true, const std::string& extraEntries = "");
    // Entries written as given (damaged or hostile directories).
    PdfStreamFileBuilder& AddCompressedEntry(std::uint32_t number, std::uint32_t streamNumber,
                                             std::uint32_t index);
    PdfStreamFileBuilder& AddFreeEntry(std::uint32_t number, std::uint32_t generation);
    PdfStreamFileBuilder& AddEntryAt(std::uint32_t number, std::uint32_t generation,
                                     std::int64_t offset);

    // Closes the section with a cross-reference stream written as object number; extra is text
    // inside its dictionary, e.g. "/Root 1 0 R".
    PdfStreamFileBuilder& EndWithXrefStream(std::uint32_t number, const XrefStreamOptions& options,
                                            const std::string& extra = "");
    // Closes the section with a classic table. With a non-zero hybridNumber, the compressed
    // entries go to a cross-reference stream of that number instead, named by /XRefStm.
    PdfStreamFileBuilder& EndWithClassicTable(const std::string& trailerEntries,
                                              std::uint32_t hybridNumber,
                                              const XrefStreamOptions& options);
    PdfStreamFileBuilder& EndWithClassicTable(const std::string& trailerEntries,
                                              std::uint32_t hybridNumber = 0);

    const std::string& Build() const { return mBytes; }
    std::int64_t OffsetOf(std::uint32_t number) const;
    // Offsets of each section's start (the keyword "xref" or the stream object), oldest first.
    const std::vector<std::int64_t>& XrefOffsets() const { return mXrefOffsets; }

    static std::string Deflate(const std::string& data);
    // Rows of columns bytes, each prefixed with filter type 2 (Up) and differenced with the
    // row above.
    static std::string PngUpEncode(const std::string& data, std::size_t columns);

private:
    struct Entry
    {
        int type; // 0 free, 1 in file, 2 compressed
        std::uint64_t field2;
        std::uint32_t field3;
    };

    std::string mBytes;
    std::map<std::uint32_t, Entry> mEntries;
    std::map<std::uint32_t, std::int64_t> mOffsets;
    std::vector<std::int64_t> mXrefOffsets;
    std::uint32_t mSize = 1;

    void SetEntry(std::uint32_t number, const Entry& entry);
    std::string XrefStreamObject(std::uint32_t number,
                                 const std::map<std::uint32_t, Entry>& entries,
                                 const XrefStreamOptions& options, const std::string& extra) const;
    void EndSection(std::int64_t sectionOffset);
};
