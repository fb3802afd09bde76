// Reads the input as an indirect object both ways, by the plain scan and by the object
// parser, and stops the run when the scan reads something the parser reads otherwise. The
// first byte chooses the read buffer's size, so that objects cross buffer refills.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "PlainScanCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::RouteTraceToDiscard();
    if (size == 0) {
        return 0;
    }
    const IOByteCount bufferSize =
        data[0] < 128 ? IOByteCount{1} + data[0] % 32 : InputBufferedStream::kDefaultBufferSize;
    const std::string objectText(reinterpret_cast<const char*>(data + 1), size - 1);
    if (CheckPlainScan(objectText, bufferSize) == PlainScanAgreement::Disagrees) {
        fuzz::Fail();
    }
    return 0;
}
