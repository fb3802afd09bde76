#pragma once

#include <cstdint>
#include <vector>

#include "pdf/io/IByteReader.h"

// Undoes TIFF predictor 2 (horizontal differencing) of a FlateDecode stream: each sample
// from the second pixel on is added to the same component of the pixel before it, modulo
// 2^BitsPerComponent. Samples of 1, 2 and 4 bits are packed most significant first; 16-bit
// samples are two bytes, the more significant first. Owns its source and destroys it.
//
// Refused, with a trace line and no bytes at all: BitsPerComponent other than 1, 2, 4, 8
// or 16, Colors or Columns below 1, rows that do not end on a byte boundary, and rows
// above kMaxRowBytes bytes or kMaxSamplesPerRow samples. A short final row is dropped with
// a trace line; the complete rows before it are kept.
class InputPredictorTIFFSubStream : public IByteReader
{
public:
    static constexpr long long kMaxRowBytes = 16 * 1024 * 1024;
    static constexpr long long kMaxSamplesPerRow = 16 * 1024 * 1024;

    InputPredictorTIFFSubStream() = default;
    InputPredictorTIFFSubStream(IByteReader* sourceStream, long long colors,
                                long long bitsPerComponent, long long columns);
    ~InputPredictorTIFFSubStream() override;
    InputPredictorTIFFSubStream(const InputPredictorTIFFSubStream&) = delete;
    InputPredictorTIFFSubStream& operator=(const InputPredictorTIFFSubStream&) = delete;

    // Uses a new source (the previous one is NOT destroyed) and new row parameters.
    void Assign(IByteReader* sourceStream, long long colors, long long bitsPerComponent,
                long long columns);

    IOByteCount Read(Byte* buffer, IOByteCount count) override;
    bool HasMore() override;

private:
    bool ReadRow();
    void UnpackSamples();
    void PackSamples();

    IByteReader* mSourceStream = nullptr;
    std::size_t mColors = 0;
    unsigned mBitsPerComponent = 0;
    std::uint16_t mSampleMask = 0;
    // One row as read, then overwritten with the decoded row that is delivered.
    std::vector<Byte> mRowBuffer;
    std::vector<std::uint16_t> mSamples;
    std::size_t mReadIndex = 0;
    // Nothing more is taken from the source: bad parameters or a short row.
    bool mStopped = true;
};
