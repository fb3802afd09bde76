#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

// Builds complete files in PDF object syntax for reader tests: objects in, offsets worked out,
// classic cross-reference table, trailer, startxref and %%EOF out.
//
//     PdfFileBuilder builder("%PPKLITE-2.1");
//     builder.AddObject(1, 0, "<< /Type /Catalog >>");
//     builder.SetTrailerEntries("/Root 1 0 R");
//     std::string bytes = builder.Build();
//
// Each section is written as
//     N G obj<EOL>body<EOL>endobj<EOL>          for every object of the section, in call order
//     xref<EOL>first count<EOL>entries          consecutive numbers grouped into subsections,
//                                               each entry exactly 20 bytes
//     trailer<EOL><< /Size S [/Prev P] extra >><EOL>startxref<EOL>offset<EOL>%%EOF
// where EOL is the line end (CR LF unless changed). StartUpdate closes the open section and
// starts an incremental update whose trailer carries /Prev. The first section lists object 0
// as free with generation 65535. /Size is one more than the highest number listed so far.
class PdfFileBuilder
{
public:
    explicit PdfFileBuilder(std::string headerLine = "%PPKLITE-2.1");

    // Line end used for every line except the table entries; set before adding content.
    PdfFileBuilder& SetLineEnd(std::string lineEnd);
    // The last two bytes of each 20-byte entry ("\r\n", " \n" or " \r").
    PdfFileBuilder& SetEntryLineEnd(std::string twoBytes);
    // Bytes after the final %%EOF (none by default, as the store writer leaves it).
    PdfFileBuilder& SetFinalLineEnd(std::string bytes);
    // Raw bytes written where the builder stands (a binary comment line, junk, padding).
    PdfFileBuilder& AddRaw(const std::string& bytes);
    // An object in the open section.
    PdfFileBuilder& AddObject(std::uint32_t number, std::uint32_t generation,
                              const std::string& body);
    // A free entry in the open section's table.
    PdfFileBuilder& AddFreeEntry(std::uint32_t number, std::uint32_t generation);
    // An entry pointing at an arbitrary offset (damaged tables).
    PdfFileBuilder& AddEntryAt(std::uint32_t number, std::uint32_t generation, std::int64_t offset);
    // Extra text inside the open section's trailer dictionary, e.g. "/Root 1 0 R".
    PdfFileBuilder& SetTrailerEntries(std::string entries);
    // Replaces the computed /Size of the open section.
    PdfFileBuilder& SetSize(std::int64_t size);
    // Closes the open section and starts an incremental update.
    PdfFileBuilder& StartUpdate();

    // Closes the open section and returns the whole file.
    std::string Build();

    // Offset of the latest definition of an object; -1 when unknown.
    std::int64_t OffsetOf(std::uint32_t number) const;
    // Offsets of the "xref" keyword of each closed section, oldest first.
    const std::vector<std::int64_t>& XrefOffsets() const { return mXrefOffsets; }

private:
    struct Entry
    {
        std::int64_t offset;
        std::uint32_t generation;
        bool inUse;
    };

    std::string mBytes;
    std::string mLineEnd = "\r\n";
    std::string mEntryLineEnd = "\r\n";
    std::string mFinalLineEnd;
    std::map<std::uint32_t, Entry> mSectionEntries;
    std::map<std::uint32_t, std::int64_t> mLatestOffsets;
    std::vector<std::int64_t> mXrefOffsets;
    std::string mTrailerEntries;
    std::int64_t mSizeOverride = -1;
    std::uint32_t mSize = 1;
    bool mSectionOpen = true;

    void CloseSection(bool finalSection);
};
