#pragma once

#include <vector>

#include "pdf/io/IByteReader.h"

// Undoes the PNG predictors of a FlateDecode stream. The source delivers rows of a
// filter-type byte followed by ceil(Colors x BitsPerComponent x Columns / 8) data bytes;
// each row comes out as its decoded data bytes. As in PNG, the left neighbour (and the
// upper-left one) is a whole pixel back: max(1, ceil(Colors x BitsPerComponent / 8))
// bytes, so a 3-colour or 16-bit image decodes right. Constructed with Columns alone, a
// reader takes Colors 1 and BitsPerComponent 8 (one byte per pixel, as in cross-reference
// streams). Every reader owns its source and destroys it.
//
// Refused, with a trace line and no bytes at all: Columns below 1 or above kMaxColumns,
// Colors below 1, BitsPerComponent other than 1, 2, 4, 8 or 16, and rows of more than
// kMaxRowBytes data bytes. A short final row is dropped with a trace line; the complete
// rows before it are kept.
class InputPredictorPNGStream : public IByteReader
{
public:
    // Bounds the row buffers (three of Columns + 1 bytes) for hostile decode parameters.
    static constexpr long long kMaxColumns = 16 * 1024 * 1024 - 1;
    // Bounds the row buffers whatever Colors and BitsPerComponent multiply Columns by.
    static constexpr long long kMaxRowBytes = 16 * 1024 * 1024 - 1;

    // The PNG filter types; Optimum reads the type of each row from the row itself.
    enum class Filter : Byte
    {
        None = 0,
        Sub = 1,
        Up = 2,
        Average = 3,
        Paeth = 4,
        Optimum = 5
    };

    ~InputPredictorPNGStream() override;
    InputPredictorPNGStream(const InputPredictorPNGStream&) = delete;
    InputPredictorPNGStream& operator=(const InputPredictorPNGStream&) = delete;

    // Use a new source (the previous one is NOT destroyed) and new row parameters; the
    // first takes Colors 1 and BitsPerComponent 8.
    void Assign(IByteReader* sourceStream, long long columns);
    void Assign(IByteReader* sourceStream, long long colors, long long bitsPerComponent,
                long long columns);

    IOByteCount Read(Byte* buffer, IOByteCount count) override;
    bool HasMore() override;

protected:
    // The filter's class name names the reader in trace lines.
    explicit InputPredictorPNGStream(Filter filter);

private:
    bool ReadRow();
    void DecodeRow(Filter rowFilter);
    void Stop();

    const Filter mFilter;
    const char* const mClassName;
    IByteReader* mSourceStream = nullptr;
    // Bytes per pixel: how far back the left and upper-left neighbours are.
    std::size_t mPixelBytes = 1;
    // Current and previous row, decoded: the first mPixelBytes bytes stay zero (the left
    // neighbours of the first pixel), the row's data follows.
    std::vector<Byte> mRowBuffer;
    std::vector<Byte> mPreviousRow;
    // One row as read: the filter-type byte, then the data.
    std::vector<Byte> mIncomingRow;
    std::size_t mReadIndex = 0;
    // Nothing more is taken from the source: bad parameters, a short row or a bad row type.
    bool mStopped = false;
};

// The readers of one filter type: the six classes below, which callers name.
template <InputPredictorPNGStream::Filter kFilter>
class InputPredictorPNGFilterStream : public InputPredictorPNGStream
{
public:
    InputPredictorPNGFilterStream() : InputPredictorPNGStream(kFilter) {}
    InputPredictorPNGFilterStream(IByteReader* sourceStream, long long columns)
        : InputPredictorPNGStream(kFilter)
    {
        Assign(sourceStream, columns);
    }
    InputPredictorPNGFilterStream(IByteReader* sourceStream, long long colors,
                                  long long bitsPerComponent, long long columns)
        : InputPredictorPNGStream(kFilter)
    {
        Assign(sourceStream, colors, bitsPerComponent, columns);
    }
};

class InputPredictorPNGNoneStream
    : public InputPredictorPNGFilterStream<InputPredictorPNGStream::Filter::None>
{
public:
    using InputPredictorPNGFilterStream::InputPredictorPNGFilterStream;
};

class InputPredictorPNGSubStream
    : public InputPredictorPNGFilterStream<InputPredictorPNGStream::Filter::Sub>
{
public:
    using InputPredictorPNGFilterStream::InputPredictorPNGFilterStream;
};

class InputPredictorPNGUpStream
    : public InputPredictorPNGFilterStream<InputPredictorPNGStream::Filter::Up>
{
public:
    using InputPredictorPNGFilterStream::InputPredictorPNGFilterStream;
};

class InputPredictorPNGAverageStream
    : public InputPredictorPNGFilterStream<InputPredictorPNGStream::Filter::Average>
{
public:
    using InputPredictorPNGFilterStream::InputPredictorPNGFilterStream;
};

class InputPredictorPNGPaethStream
    : public InputPredictorPNGFilterStream<InputPredictorPNGStream::Filter::Paeth>
{
public:
    using InputPredictorPNGFilterStream::InputPredictorPNGFilterStream;
};

// Each row names its own filter in its first byte; a type above 4 stops the stream.
class InputPredictorPNGOptimumStream
    : public InputPredictorPNGFilterStream<InputPredictorPNGStream::Filter::Optimum>
{
public:
    using InputPredictorPNGFilterStream::InputPredictorPNGFilterStream;
};
