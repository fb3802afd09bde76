#include "PdfStreamFileBuilder.h"

#include <cstdio>

#include <zlib.h>

PdfStreamFileBuilder::PdfStreamFileBuilder(std::string headerLine) : mBytes(std::move(headerLine))
{
    mBytes += "\r\n";
    mEntries[0] = Entry{0, 0, 65535};
}

PdfStreamFileBuilder& PdfStreamFileBuilder::AddRaw(const std::string& bytes)
{
    mBytes += bytes;
    return *this;
}

void PdfStreamFileBuilder::SetEntry(std::uint32_t number, const Entry& entry)
{
    mEntries[number] = entry;
    if (number + 1 > mSize) {
        mSize = number + 1;
    }
}

PdfStreamFileBuilder& PdfStreamFileBuilder::AddObject(std::uint32_t number,
                                                      std::uint32_t generation,
                                                      const std::string& body)
{
    const auto offset = static_cast<std::int64_t>(mBytes.size());
    mBytes += std::to_string(number) + " " + std::to_string(generation) + " obj\r\n" + body +
              "\r\nendobj\r\n";
    mOffsets[number] = offset;
    SetEntry(number, Entry{1, static_cast<std::uint64_t>(offset), generation});
    return *this;
}

PdfStreamFileBuilder& PdfStreamFileBuilder::AddStreamObject(std::uint32_t number,
                                                            const std::string& entries,
                                                            const std::string& data)
{
    const std::string length = entries.find("/Length") == std::string::npos
                                   ? " /Length " + std::to_string(data.size())
                                   : "";
    return AddObject(number, 0,
                     "<< " + entries + length + " >>\r\nstream\r\n" + data + "\r\nendstream");
}

PdfStreamFileBuilder& PdfStreamFileBuilder::AddObjectStream(
    std::uint32_t number, const std::vector<std::pair<std::uint32_t, std::string>>& objects,
    bool compress, const std::string& extraEntries)
{
    std::string header;
    std::string bodies;
    for (const auto& [objectNumber, body] : objects) {
        header += std::to_string(objectNumber) + " " + std::to_string(bodies.size()) + " ";
        bodies += body + "\n";
    }
    std::string entries = "/Type /ObjStm /N " + std::to_string(objects.size()) + " /First " +
                          std::to_string(header.size());
    if (compress) {
        entries += " /Filter /FlateDecode";
    }
    if (!extraEntries.empty()) {
        entries += " " + extraEntries;
    }
    const std::string data = header + bodies;
    AddStreamObject(number, entries, compress ? Deflate(data) : data);
    for (std::uint32_t i = 0; i < objects.size(); ++i) {
        AddCompressedEntry(objects[i].first, number, i);
    }
    return *this;
}

PdfStreamFileBuilder& PdfStreamFileBuilder::AddCompressedEntry(std::uint32_t number,
                                                               std::uint32_t streamNumber,
                                                               std::uint32_t index)
{
    SetEntry(number, Entry{2, streamNumber, index});
    return *this;
}

PdfStreamFileBuilder& PdfStreamFileBuilder::AddFreeEntry(std::uint32_t number,
                                                         std::uint32_t generation)
{
    SetEntry(number, Entry{0, 0, generation});
    return *this;
}

PdfStreamFileBuilder& PdfStreamFileBuilder::AddEntryAt(std::uint32_t number,
                                                       std::uint32_t generation,
                                                       std::int64_t offset)
{
    SetEntry(number, Entry{1, static_cast<std::uint64_t>(offset), generation});
    return *this;
}

std::string PdfStreamFileBuilder::XrefStreamObject(std::uint32_t number,
                                                   const std::map<std::uint32_t, Entry>& entries,
                                                   const XrefStreamOptions& options,
                                                   const std::string& extra) const
{
    std::map<std::uint32_t, Entry> listed = entries;
    const std::uint32_t size = mSize;
    if (!options.useIndex) {
        for (std::uint32_t i = 0; i < size; ++i) {
            listed.emplace(i, Entry{0, 0, 0});
        }
    }
    std::string data;
    std::string index;
    std::uint32_t runStart = 0;
    std::uint32_t runLength = 0;
    for (const auto& [objectNumber, entry] : listed) {
        if (runLength > 0 && objectNumber != runStart + runLength) {
            index += std::to_string(runStart) + " " + std::to_string(runLength) + " ";
            runLength = 0;
        }
        if (runLength == 0) {
            runStart = objectNumber;
        }
        ++runLength;
        const std::uint64_t fields[3] = {static_cast<std::uint64_t>(entry.type), entry.field2,
                                         entry.field3};
        for (int field = 0; field < 3; ++field) {
            for (int byte = options.widths[field] - 1; byte >= 0; --byte) {
                data += static_cast<char>(byte >= 8 ? 0 : (fields[field] >> (8 * byte)) & 0xFF);
            }
        }
    }
    if (runLength > 0) {
        index += std::to_string(runStart) + " " + std::to_string(runLength);
    }

    std::string dictionary =
        "/Type /XRef /Size " + std::to_string(options.size >= 0 ? options.size : size) + " /W [" +
        std::to_string(options.widths[0]) + " " + std::to_string(options.widths[1]) + " " +
        std::to_string(options.widths[2]) + "]";
    if (options.useIndex) {
        dictionary += " /Index [" + index + "]";
    }
    if (!mXrefOffsets.empty()) {
        dictionary += " /Prev " + std::to_string(mXrefOffsets.back());
    }
    if (options.predictorUp) {
        const auto columns =
            static_cast<std::size_t>(options.widths[0] + options.widths[1] + options.widths[2]);
        data = Deflate(PngUpEncode(data, columns));
        dictionary += " /Filter /FlateDecode /DecodeParms << /Predictor " +
                      std::to_string(options.predictor) + " /Columns " + std::to_string(columns) +
                      " >>";
    } else if (options.compress) {
        data = Deflate(data);
        dictionary += " /Filter /FlateDecode";
    }
    if (!extra.empty()) {
        dictionary += " " + extra;
    }
    return std::to_string(number) + " 0 obj\r\n<< " + dictionary + " /Length " +
           std::to_string(data.size()) + " >>\r\nstream\r\n" + data + "\r\nendstream\r\nendobj\r\n";
}

void PdfStreamFileBuilder::EndSection(std::int64_t sectionOffset)
{
    mBytes += "startxref\r\n" + std::to_string(sectionOffset) + "\r\n%%EOF\r\n";
    mXrefOffsets.push_back(sectionOffset);
    mEntries.clear();
}

PdfStreamFileBuilder& PdfStreamFileBuilder::EndWithXrefStream(std::uint32_t number,
                                                              const XrefStreamOptions& options,
                                                              const std::string& extra)
{
    const auto offset = static_cast<std::int64_t>(mBytes.size());
    mOffsets[number] = offset;
    SetEntry(number, Entry{1, static_cast<std::uint64_t>(offset), 0});
    mBytes += XrefStreamObject(number, mEntries, options, extra);
    EndSection(offset);
    return *this;
}

PdfStreamFileBuilder& PdfStreamFileBuilder::EndWithClassicTable(const std::string& trailerEntries,
                                                                std::uint32_t hybridNumber,
                                                                const XrefStreamOptions& options)
{
    std::map<std::uint32_t, Entry> classic;
    std::map<std::uint32_t, Entry> compressed;
    for (const auto& [number, entry] : mEntries) {
        (entry.type == 2 && hybridNumber != 0 ? compressed : classic)[number] = entry;
    }
    std::int64_t hybridOffset = -1;
    if (hybridNumber != 0) {
        hybridOffset = static_cast<std::int64_t>(mBytes.size());
        mOffsets[hybridNumber] = hybridOffset;
        if (hybridNumber + 1 > mSize) {
            mSize = hybridNumber + 1;
        }
        classic[hybridNumber] = Entry{1, static_cast<std::uint64_t>(hybridOffset), 0};
        XrefStreamOptions streamOptions = options;
        streamOptions.useIndex = true;
        mBytes += XrefStreamObject(hybridNumber, compressed, streamOptions, "");
    }

    const auto offset = static_cast<std::int64_t>(mBytes.size());
    mBytes += "xref\r\n";
    auto it = classic.begin();
    while (it != classic.end()) {
        auto runEnd = it;
        std::uint32_t count = 0;
        while (runEnd != classic.end() && runEnd->first == it->first + count) {
            ++runEnd;
            ++count;
        }
        mBytes += std::to_string(it->first) + " " + std::to_string(count) + "\r\n";
        for (; it != runEnd; ++it) {
            char entry[32];
            std::snprintf(entry, sizeof(entry), "%010llu %05u %c\r\n",
                          static_cast<unsigned long long>(it->second.field2), it->second.field3,
                          it->second.type == 1 ? 'n' : 'f');
            mBytes += entry;
        }
    }
    mBytes += "trailer\r\n<< /Size " + std::to_string(mSize);
    if (!mXrefOffsets.empty()) {
        mBytes += " /Prev " + std::to_string(mXrefOffsets.back());
    }
    if (hybridOffset >= 0) {
        mBytes += " /XRefStm " + std::to_string(hybridOffset);
    }
    if (!trailerEntries.empty()) {
        mBytes += " " + trailerEntries;
    }
    mBytes += " >>\r\n";
    EndSection(offset);
    return *this;
}

PdfStreamFileBuilder& PdfStreamFileBuilder::EndWithClassicTable(const std::string& trailerEntries,
                                                                std::uint32_t hybridNumber)
{
    return EndWithClassicTable(trailerEntries, hybridNumber, XrefStreamOptions());
}

std::int64_t PdfStreamFileBuilder::OffsetOf(std::uint32_t number) const
{
    auto it = mOffsets.find(number);
    return it == mOffsets.end() ? -1 : it->second;
}

std::string PdfStreamFileBuilder::Deflate(const std::string& data)
{
    uLongf length = compressBound(static_cast<uLong>(data.size()));
    std::string out(length, '\0');
    if (compress(reinterpret_cast<Bytef*>(out.data()), &length,
                 reinterpret_cast<const Bytef*>(data.data()),
                 static_cast<uLong>(data.size())) != Z_OK) {
        return std::string();
    }
    out.resize(length);
    return out;
}

std::string PdfStreamFileBuilder::PngUpEncode(const std::string& data, std::size_t columns)
{
    std::string out;
    std::string previous(columns, '\0');
    for (std::size_t start = 0; start < data.size(); start += columns) {
        std::string row = data.substr(start, columns);
        row.resize(columns, '\0');
        out += '\x02';
        for (std::size_t i = 0; i < columns; ++i) {
            out += static_cast<char>(static_cast<unsigned char>(row[i]) -
                                     static_cast<unsigned char>(previous[i]));
        }
        previous = row;
    }
    return out;
}
