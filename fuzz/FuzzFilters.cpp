// Decodes the input through one filter chain, chosen by its first byte, and reads the whole
// output (up to a bound). Parameters of the chain come from the next bytes, so the fuzzer
// also tries columns, colours and sample sizes that the readers must refuse. With the top
// bit of the first byte set, the rest of the input instead makes a round trip through the
// flate encoder and decoder, which must give it back unchanged.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "pdf/io/InputAscii85DecodeStream.h"
#include "pdf/io/InputFlateDecodeStream.h"
#include "pdf/io/InputPredictorPNGStreams.h"
#include "pdf/io/InputPredictorTIFFSubStream.h"
#include "pdf/io/OutputFlateEncodeStream.h"
#include "pdf/io/OutputStringBufferStream.h"

namespace {

// Bytes at the front that choose the chain and its parameters.
constexpr std::size_t kHeaderBytes = 4;

IByteReader* MakePNGReader(int predictor, IByteReader* source, long long columns)
{
    switch (predictor) {
    case 10:
        return new InputPredictorPNGNoneStream(source, columns);
    case 11:
        return new InputPredictorPNGSubStream(source, columns);
    case 12:
        return new InputPredictorPNGUpStream(source, columns);
    case 13:
        return new InputPredictorPNGAverageStream(source, columns);
    case 14:
        return new InputPredictorPNGPaethStream(source, columns);
    default:
        return new InputPredictorPNGOptimumStream(source, columns);
    }
}

// Owns nothing; the returned chain owns the source reader.
IByteReader* MakeChain(std::uint8_t selector, const std::uint8_t* parameters, IByteReader* source)
{
    static constexpr long long kBitsPerComponent[] = {1, 2, 4, 8, 16, 3, 0, 32};
    switch (selector % 10) {
    case 0:
        return new InputFlateDecodeStream(source);
    case 1:
    case 2:
    case 3:
    case 4:
    case 5:
    case 6:
        return MakePNGReader(9 + selector % 10, new InputFlateDecodeStream(source), parameters[0]);
    case 7:
        return new InputPredictorTIFFSubStream(new InputFlateDecodeStream(source),
                                               parameters[0] % 6,
                                               kBitsPerComponent[parameters[1] % 8], parameters[2]);
    case 8:
        return new InputAscii85DecodeStream(source);
    default:
        return new InputFlateDecodeStream(new InputAscii85DecodeStream(source));
    }
}

void RoundTrip(const std::uint8_t* data, std::size_t size)
{
    MyStringBuf encoded;
    {
        OutputFlateEncodeStream encoder(new OutputStringBufferStream(&encoded), true);
        if (size > 0 && encoder.Write(data, static_cast<IOByteCount>(size)) != size) {
            fuzz::Fail();
        }
    } // the encoder finishes the compressed stream when it goes away
    encoded.pubseekpos(0, std::ios_base::in);
    InputFlateDecodeStream decoder(new InputStringBufferStream(&encoded));
    std::string decoded;
    Byte chunk[997]; // odd size: block boundaries of zlib and of the reader do not line up
    while (decoder.HasMore() && decoded.size() <= size) {
        const IOByteCount got = decoder.Read(chunk, sizeof(chunk));
        if (got == 0) {
            break;
        }
        decoded.append(reinterpret_cast<const char*>(chunk), got);
    }
    if (decoded.size() != size ||
        (size > 0 && decoded.compare(0, size, reinterpret_cast<const char*>(data), size) != 0)) {
        fuzz::Fail();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::RouteTraceToDiscard();
    if (size < 1) {
        return 0;
    }
    if ((data[0] & 0x80) != 0) {
        RoundTrip(data + 1, size - 1);
        return 0;
    }
    if (size < kHeaderBytes) {
        return 0;
    }
    fuzz::MemoryInput input(data + kHeaderBytes, size - kHeaderBytes);
    IByteReader* chain = MakeChain(data[0], data + 1, new InputStringBufferStream(input.Buffer()));
    (void)fuzz::DrainBounded(chain);
    delete chain;
    return 0;
}
