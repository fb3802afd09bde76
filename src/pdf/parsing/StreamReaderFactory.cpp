#include "pdf/parsing/StreamReaderFactory.h"

#include <string>

#include "pdf/io/IByteReaderWithPosition.h"
#include "pdf/io/InputAscii85DecodeStream.h"
#include "pdf/io/InputFlateDecodeStream.h"
#include "pdf/io/InputLimitedStream.h"
#include "pdf/io/InputPredictorPNGStreams.h"
#include "pdf/io/InputPredictorTIFFSubStream.h"
#include "pdf/io/TraceLog.h"
#include "pdf/objects/PDFArray.h"
#include "pdf/objects/PDFInteger.h"
#include "pdf/objects/PDFName.h"
#include "pdf/objects/PDFObjectCast.h"
#include "pdf/objects/PDFStreamInput.h"
#include "pdf/parsing/PDFParser.h"
#include "pdf/parsing/PDFTokenizer.h"
#include "pdf/parsing/ParserExtender.h"

IByteReader* StreamReaderFactory::CreateInputStreamReader(PDFStreamInput* stream)
{
    if (stream == nullptr || mParser.mStream == nullptr) {
        TRACE_LOG("PDFParser::CreateInputStreamReader, no stream or no document to read from");
        return nullptr;
    }
    RefCountPtr<PDFDictionary> dictionary(stream->GetDictionary());
    PDFObjectCastPtr<PDFInteger> length(mParser.ResolveDictionaryEntry(dictionary.Get(), "Length"));
    if (length.IsNull()) {
        TRACE_LOG("PDFParser::CreateInputStreamReader, stream does not have length, failing");
        return nullptr;
    }
    // A negative length delivers nothing rather than being refused: the data is simply empty.
    const FilePosition limit = length->GetValue() < 0 ? 0 : length->GetValue();
    IByteReader* result = new InputLimitedStream(mParser.mStream, limit, false);
    if (mParser.mParserExtender != nullptr) {
        IByteReader* decrypted = mParser.mParserExtender->CreateDecryptionReader(result);
        if (decrypted == nullptr) {
            TRACE_LOG("PDFParser::CreateInputStreamReader, extender gave no decryption reader");
            delete result;
            return nullptr;
        }
        result = decrypted;
    }

    RefCountPtr<PDFObject> filter(mParser.ResolveDictionaryEntry(dictionary.Get(), "Filter"));
    if (filter.IsNull()) {
        return result;
    }

    StatusCode status = Success;
    if (filter->GetType() == PDFObject::ePDFObjectArray) {
        auto* filters = static_cast<PDFArray*>(filter.Get());
        PDFObjectCastPtr<PDFArray> parameters(
            mParser.ResolveDictionaryEntry(dictionary.Get(), "DecodeParms"));
        if (filters->GetLength() > kMaxFiltersPerStream) {
            // Each filter holds buffers and the chain is destroyed recursively; a file has
            // no use for a long one.
            TRACE_LOG("PDFParser::CreateInputStreamReader, %u filters in one stream, more than "
                      "%u. failing",
                      filters->GetLength(), static_cast<unsigned>(kMaxFiltersPerStream));
            status = Failure;
        }
        for (std::uint32_t i = 0; status == Success && i < filters->GetLength(); ++i) {
            PDFObjectCastPtr<PDFName> name(filters->GetItem(i));
            if (name.IsNull()) {
                TRACE_LOG("PDFParser::CreateInputStreamReader, filter item in an array is not a "
                          "name. should be a name");
                status = Failure;
                break;
            }
            PDFObjectCastPtr<PDFDictionary> itemParameters;
            if (!parameters.IsNull()) {
                itemParameters =
                    PDFObjectCastPtr<PDFDictionary>(mParser.ResolveArrayItem(parameters.Get(), i));
            }
            IByteReader* next = nullptr;
            status = CreateFilterForStream(result, name.Get(), itemParameters.Get(), next);
            if (status == Success) {
                result = next;
            }
        }
    } else if (filter->GetType() == PDFObject::ePDFObjectName) {
        PDFObjectCastPtr<PDFDictionary> parameters(
            mParser.ResolveDictionaryEntry(dictionary.Get(), "DecodeParms"));
        IByteReader* next = nullptr;
        status = CreateFilterForStream(result, static_cast<PDFName*>(filter.Get()),
                                       parameters.Get(), next);
        if (status == Success) {
            result = next;
        }
    } else {
        TRACE_LOG("PDFParser::CreateInputStreamReader, filter parameter is of unkown type. only "
                  "array and name are supported.");
        status = Failure;
    }

    if (status != Success) {
        // A failed filter left its source untouched, so this frees the chain exactly once.
        delete result;
        return nullptr;
    }
    return result;
}

IByteReader* StreamReaderFactory::OpenStreamForReading(PDFStreamInput* stream)
{
    IByteReader* reader = CreateInputStreamReader(stream);
    if (reader != nullptr) {
        mParser.MoveTo(stream->GetDataStart());
    }
    return reader;
}

IByteReader* StreamReaderFactory::OpenStoredStreamData(PDFStreamInput* stream,
                                                       FilePosition& outLength)
{
    outLength = 0;
    if (stream == nullptr || mParser.mStream == nullptr) {
        TRACE_LOG("PDFParser::OpenStoredStreamData, no stream or no document to read from");
        return nullptr;
    }
    RefCountPtr<PDFDictionary> dictionary(stream->GetDictionary());
    PDFObjectCastPtr<PDFInteger> length(mParser.ResolveDictionaryEntry(dictionary.Get(), "Length"));
    const FilePosition dataStart = stream->GetDataStart();
    if (length.IsNull() || length->GetValue() < 0 || dataStart < 0 ||
        dataStart > mParser.mFileSize || length->GetValue() > mParser.mFileSize - dataStart) {
        TRACE_LOG("PDFParser::OpenStoredStreamData, stream has no integer length or its data "
                  "lies outside the file");
        return nullptr;
    }
    // The data must end where /Length says: "endstream" follows, after white space only.
    // Resolving /Length may have moved the document's stream, so it is positioned only now.
    mParser.mStream->SetPosition(dataStart + length->GetValue());
    PDFTokenizer tokenizer;
    tokenizer.AttachStream(mParser.mStream);
    const PDFTokenizer::Token keyword = tokenizer.ReadToken();
    if (!keyword.first || keyword.second != "endstream") {
        TRACE_LOG("PDFParser::OpenStoredStreamData, stream data at %lld does not end where its "
                  "length %lld says, no endstream follows",
                  static_cast<long long>(dataStart), length->GetValue());
        return nullptr;
    }
    outLength = length->GetValue();
    mParser.MoveTo(dataStart);
    return new InputLimitedStream(mParser.mStream, outLength, false);
}

StatusCode StreamReaderFactory::CreateFilterForStream(IByteReader* source, PDFName* filterName,
                                                      PDFDictionary* decodeParameters,
                                                      IByteReader*& outReader)
{
    outReader = nullptr;
    const std::string& name = filterName->GetValue();
    auto integerParameter = [this, decodeParameters](const char* key, long long fallback) {
        if (decodeParameters == nullptr) {
            return fallback;
        }
        PDFObjectCastPtr<PDFInteger> value(mParser.ResolveDictionaryEntry(decodeParameters, key));
        return value.IsNull() ? fallback : value->GetValue();
    };

    if (name == "FlateDecode") {
        const long long predictor = integerParameter("Predictor", 1);
        if (predictor == 1) {
            outReader = new InputFlateDecodeStream(source);
            return Success;
        }
        // Checked before anything takes the source, so a refusal leaves it with the caller.
        if (predictor != 2 && (predictor < 10 || predictor > 15)) {
            TRACE_LOG("PDFParser::CreateFilterForStream, supporting only predictor of types "
                      "1,2,10,11,12,13,14,15, failing");
            return Failure;
        }
        const long long columns = integerParameter("Columns", 1);
        // The PNG readers need the pixel width too: their left neighbour is a pixel back.
        const long long colors = integerParameter("Colors", 1);
        const long long bitsPerComponent = integerParameter("BitsPerComponent", 8);
        IByteReader* flate = new InputFlateDecodeStream(source);
        if (predictor == 2) {
            outReader = new InputPredictorTIFFSubStream(flate, colors, bitsPerComponent, columns);
        } else {
            // Whatever PNG predictor 10 to 15 names, each row's own tag byte chooses its
            // filter: writers mix row filters freely under any of these numbers.
            outReader =
                new InputPredictorPNGOptimumStream(flate, colors, bitsPerComponent, columns);
        }
        return Success;
    }
    if (name == "ASCII85Decode") {
        outReader = new InputAscii85DecodeStream(source);
        return Success;
    }

    // DCTDecode included: JPEG data is never decoded by the reader itself.
    if (mParser.mParserExtender != nullptr) {
        IByteReader* created =
            mParser.mParserExtender->CreateFilter(source, filterName, decodeParameters);
        if (created == nullptr || created == source) {
            TRACE_LOG("PDFParser::CreateFilterForStream, filter is not supported by extender - %s",
                      name.c_str());
            return Failure;
        }
        outReader = created;
        return Success;
    }
    TRACE_LOG("PDFParser::CreateFilterForStream, supporting only flate decode and ascii 85 "
              "decode, failing");
    return Failure;
}
