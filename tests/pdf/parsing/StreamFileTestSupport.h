#pragma once

// Files with cross-reference streams, object streams and filtered streams for the tests of the
// document reader's parts, and what reads them back.
#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>

#include "PdfStreamFileBuilder.h"
#include "pdf/io/IByteReader.h"
#include "pdf/objects/PDFDictionary.h"
#include "pdf/objects/PDFInteger.h"
#include "pdf/objects/PDFName.h"
#include "pdf/objects/PDFObjectCast.h"
#include "pdf/objects/PDFStreamInput.h"
#include "pdf/parsing/PDFParser.h"
#include "pdf/parsing/ParserExtender.h"

using Options = PdfStreamFileBuilder::XrefStreamOptions;

inline long long FetchID(PDFParser& parser, ObjectNumber number)
{
    PDFObjectCastPtr<PDFDictionary> object(parser.ParseObjectByID(number));
    if (object.IsNull()) {
        return -1;
    }
    PDFObjectCastPtr<PDFInteger> value(object->Lookup("ID"));
    return value.IsNull() ? -1 : value->GetValue();
}

inline std::string ReadAll(IByteReader* reader)
{
    std::string out;
    Byte buffer[7];
    while (reader->HasMore()) {
        const IOByteCount got = reader->Read(buffer, sizeof(buffer));
        if (got == 0) {
            break;
        }
        out.append(reinterpret_cast<const char*>(buffer), got);
    }
    return out;
}

inline std::string Ascii85Encode(const std::string& data)
{
    std::string out;
    for (std::size_t start = 0; start < data.size(); start += 4) {
        const std::size_t length = std::min<std::size_t>(4, data.size() - start);
        std::uint32_t value = 0;
        for (std::size_t i = 0; i < 4; ++i) {
            value = (value << 8) | (i < length ? static_cast<unsigned char>(data[start + i]) : 0u);
        }
        char digits[5];
        for (int i = 4; i >= 0; --i) {
            digits[i] = static_cast<char>('!' + value % 85);
            value /= 85;
        }
        out.append(digits, length + 1);
    }
    return out + "~>";
}

// A file with a classic table, the given stream as object 2 and a length object 3.
inline std::string FileWithStream(const std::string& entries, const std::string& data)
{
    PdfStreamFileBuilder builder;
    builder.AddObject(1, 0, "<< /Type /Catalog >>");
    builder.AddStreamObject(2, entries, data);
    builder.AddObject(3, 0, std::to_string(data.size()));
    builder.AddObject(4, 0, "<< /Predictor 12 /Columns 2 >>");
    builder.EndWithClassicTable("/Root 1 0 R");
    return builder.Build();
}

// The decoded data of object 2, or "<null>" when no reader could be made.
inline std::string DecodeObject2(PDFParser& parser)
{
    PDFObjectCastPtr<PDFStreamInput> stream(parser.ParseObjectByID(2));
    if (stream.IsNull()) {
        return "<no stream>";
    }
    std::unique_ptr<IByteReader> reader(parser.OpenStreamForReading(stream.Get()));
    return reader == nullptr ? "<null>" : ReadAll(reader.get());
}

// The xref stream written by hand: objects 1 and 2 in the file, then object 7 holding the
// given dictionary entries and data, and the end of file pointing at it.
inline std::string RawXrefStreamFile(const std::string& entries, const std::string& data,
                                     const std::string& declaration = "7 0 obj")
{
    PdfStreamFileBuilder builder;
    builder.AddObject(1, 0, "<< /ID 1 >>");
    builder.AddObject(2, 0, "<< /ID 2 >>");
    const auto offset = static_cast<long long>(builder.Build().size());
    const std::string length = entries.find("/Length") == std::string::npos
                                   ? " /Length " + std::to_string(data.size())
                                   : "";
    builder.AddRaw(declaration + "\r\n<< " + entries + length + " >>\r\nstream\r\n" + data +
                   "\r\nendstream\r\nendobj\r\n");
    builder.AddRaw("startxref\r\n" + std::to_string(offset) + "\r\n%%EOF\r\n");
    return builder.Build();
}

// Entry bytes for /W [1 2 1].
inline std::string Entry121(int type, int field2, int field3)
{
    return std::string{static_cast<char>(type), static_cast<char>(field2 >> 8),
                       static_cast<char>(field2 & 0xFF), static_cast<char>(field3)};
}

// Counts the readers made for stream data and decodes a /Reverse filter.
class CountingExtender : public ParserExtender
{
public:
    int mReadersMade = 0;
    int mObjectStarts = 0;
    bool mKnowsReverse = true;

    IByteReader* CreateFilter(IByteReader* reader, PDFName* filterName,
                              PDFDictionary* /*decodeParameters*/) override
    {
        if (!mKnowsReverse || filterName->GetValue() != "Reverse") {
            return reader;
        }
        return new Reverser(reader);
    }
    bool SupportsEncryption() override { return false; }
    IByteReader* CreateDecryptionReader(IByteReader* reader) override
    {
        ++mReadersMade;
        return reader;
    }
    std::string DecryptString(const std::string& value) override { return value; }
    void OnObjectStart(long long /*objectID*/, long long /*generation*/) override
    {
        ++mObjectStarts;
    }
    void OnObjectEnd(PDFObject* /*object*/) override {}

private:
    class Reverser : public IByteReader
    {
    public:
        explicit Reverser(IByteReader* source) : mSource(source) {}
        IOByteCount Read(Byte* buffer, IOByteCount count) override
        {
            Load();
            IOByteCount n = 0;
            for (; n < count && mPosition < mData.size(); ++n) {
                buffer[n] = static_cast<Byte>(mData[mPosition++]);
            }
            return n;
        }
        bool HasMore() override
        {
            Load();
            return mPosition < mData.size();
        }

    private:
        // The source may be read only once the parser has positioned its stream.
        void Load()
        {
            if (!mLoaded) {
                mLoaded = true;
                mData = ReadAll(mSource.get());
                mData.assign(mData.rbegin(), mData.rend());
            }
        }

        bool mLoaded = false;
        std::unique_ptr<IByteReader> mSource;
        std::string mData;
        std::size_t mPosition = 0;
    };
};

// Objects 2, 3 and 4 in object stream 10; catalog 1 in the file; directory per options.
inline std::string CompressedFile(const Options& options)
{
    PdfStreamFileBuilder builder;
    builder.AddObject(1, 0, "<< /ID 1 >>");
    builder.AddObjectStream(
        10, {{2, "<< /ID 2 >>"}, {3, "<< /ID 3 /S (x y) >>"}, {4, "<< /ID 4 /Ref 1 0 R >>"}});
    builder.EndWithXrefStream(11, options, "/Root 1 0 R");
    return builder.Build();
}
