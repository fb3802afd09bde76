// Reads the input as a whole document: once with the normal header check and once with a
// parser that accepts any first line (so that mutations past the header are not wasted),
// then fetches every object the directory lists, opens every stream's data and reads it to
// its end, and asks for every page.
#include <cstddef>
#include <cstdint>

#include "FuzzSupport.h"
#include "pdf/io/StatusCode.h"
#include "pdf/objects/PDFDictionary.h"
#include "pdf/objects/PDFObject.h"
#include "pdf/objects/PDFStreamInput.h"
#include "pdf/parsing/PDFParser.h"

namespace {

// Stream data read per document; a crafted file can list many streams over the same bytes.
constexpr std::size_t kMaxStreamBytesPerDocument = 64 * 1024 * 1024;
// Pages asked for; the page count comes from the file.
constexpr std::uint32_t kMaxPagesAsked = 4096;

class AnyHeaderParser : public PDFParser
{
protected:
    StatusCode ParseHeaderLine() override { return Success; }
};

void ReadEverything(PDFParser& parser)
{
    std::size_t streamBytes = 0;
    const std::uint32_t count = parser.ObjectCount();
    for (std::uint32_t id = 0; id < count; ++id) {
        PDFObject* object = parser.ParseObjectByID(id);
        if (object == nullptr) {
            continue;
        }
        if (object->GetType() == PDFObject::ePDFObjectStream &&
            streamBytes < kMaxStreamBytesPerDocument) {
            auto* stream = static_cast<PDFStreamInput*>(object);
            if (IByteReader* reader = parser.CreateInputStreamReader(stream)) {
                streamBytes += fuzz::DrainBounded(reader);
                delete reader;
            }
            if (IByteReader* raw = parser.OpenStreamForReading(stream)) {
                streamBytes += fuzz::DrainBounded(raw);
                delete raw;
            }
        }
        object->Release();
    }
    const std::uint32_t pages = parser.PageCount();
    for (std::uint32_t index = 0; index < pages && index < kMaxPagesAsked; ++index) {
        if (PDFDictionary* page = parser.ParsePage(index)) {
            page->Release();
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::RouteTraceToDiscard();
    fuzz::MemoryInput input(data, size);
    {
        InputStringBufferStream stream(input.Buffer());
        PDFParser parser;
        (void)parser.ParseDocument(&stream); // what loaded before a failure stays usable
        ReadEverything(parser);
    }
    {
        input.Buffer()->pubseekpos(0, std::ios_base::in);
        InputStringBufferStream stream(input.Buffer());
        AnyHeaderParser parser;
        (void)parser.ParseDocument(&stream); // as above
        ReadEverything(parser);
    }
    return 0;
}
