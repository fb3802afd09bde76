// Parses objects from the input until the parser gives up. Each object takes at least one
// token, so more objects than bytes means a loop that stopped advancing. Every other input
// goes through an extender that sees each string and object, to reach those hooks too.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "pdf/io/AdapterIByteReaderWithPositionToIReadPositionProvider.h"
#include "pdf/objects/PDFObject.h"
#include "pdf/parsing/PDFObjectParser.h"
#include "pdf/parsing/ParserExtender.h"

namespace {

class PassThroughExtender : public ParserExtender
{
public:
    IByteReader* CreateFilter(IByteReader* reader, PDFName* /*filterName*/,
                              PDFDictionary* /*decodeParameters*/) override
    {
        return reader;
    }
    bool SupportsEncryption() override { return false; }
    IByteReader* CreateDecryptionReader(IByteReader* reader) override { return reader; }
    std::string DecryptString(const std::string& value) override { return value; }
    void OnObjectStart(long long /*objectID*/, long long /*generationNumber*/) override {}
    void OnObjectEnd(PDFObject* /*object*/) override {}
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::RouteTraceToDiscard();
    fuzz::MemoryInput input(data, size);
    InputStringBufferStream stream(input.Buffer());
    AdapterIByteReaderWithPositionToIReadPositionProvider position(&stream);
    PassThroughExtender extender;
    ParserExtender* useExtender = (size % 2 == 1) ? &extender : nullptr;

    PDFObjectParser parser;
    parser.AttachStream(&stream, &position);
    std::size_t objects = 0;
    while (PDFObject* object = parser.ParseObject(useExtender)) {
        object->Release();
        if (++objects > size) {
            fuzz::Fail();
        }
    }
    return 0;
}
