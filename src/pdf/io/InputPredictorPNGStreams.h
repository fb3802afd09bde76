#pragma once

#include <vector>

#include "pdf/io/IByteReader.h"

// Undoes the PNG predictors of a FlateDecode stream. The source delivers rows of a
// filter-type byte followed by Columns bytes; each row comes out as its Columns decoded
// bytes. Rows are taken one byte per sample, the left neighbour one byte back. Every
// reader owns its source and destroys it.
//
// Refused, with a trace line and no bytes at all: Columns below 1 or above kMaxColumns.
// A short final row is dropped with a trace line; the complete rows before it are kept.
class InputPredictorPNGStream : public IByteReader
{
public:
    // Bounds the row buffers (three of Columns + 1 bytes) for hostile decode parameters.
    static constexpr long long kMaxColumns = 16 * 1024 * 1024 - 1;

    ~InputPredictorPNGStream() override;
    InputPredictorPNGStream(const InputPredictorPNGStream&) = delete;
    InputPredictorPNGStream& operator=(const InputPredictorPNGStream&) = delete;

    // Uses a new source (the previous one is NOT destroyed) and a new row width.
    void Assign(IByteReader* sourceStream, long long columns);

    IOByteCount Read(Byte* buffer, IOByteCount count) override;
    bool HasMore() override;

protected:
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

    // className names the reader in trace lines.
    InputPredictorPNGStream(Filter filter, const char* className);

private:
    bool ReadRow();
    void DecodeRow(Filter rowFilter);

    const Filter mFilter;
    const char* const mClassName;
    IByteReader* mSourceStream = nullptr;
    // Current row, decoded: [0] is a zero left neighbour, [1..Columns] the data.
    std::vector<Byte> mRowBuffer;
    std::vector<Byte> mPreviousRow;
    std::vector<Byte> mIncomingRow;
    std::size_t mReadIndex = 0;
    // Nothing more is taken from the source: bad parameters, a short row or a bad row type.
    bool mStopped = false;
};

class InputPredictorPNGNoneStream : public InputPredictorPNGStream
{
public:
    InputPredictorPNGNoneStream() : InputPredictorPNGStream(Filter::None, kName) {}
    InputPredictorPNGNoneStream(IByteReader* sourceStream, long long columns)
        : InputPredictorPNGStream(Filter::None, kName)
    {
        Assign(sourceStream, columns);
    }

private:
    static constexpr const char* kName = "InputPredictorPNGNoneStream";
};

class InputPredictorPNGSubStream : public InputPredictorPNGStream
{
public:
    InputPredictorPNGSubStream() : InputPredictorPNGStream(Filter::Sub, kName) {}
    InputPredictorPNGSubStream(IByteReader* sourceStream, long long columns)
        : InputPredictorPNGStream(Filter::Sub, kName)
    {
        Assign(sourceStream, columns);
    }

private:
    static constexpr const char* kName = "InputPredictorPNGSubStream";
};

class InputPredictorPNGUpStream : public InputPredictorPNGStream
{
public:
    InputPredictorPNGUpStream() : InputPredictorPNGStream(Filter::Up, kName) {}
    InputPredictorPNGUpStream(IByteReader* sourceStream, long long columns)
        : InputPredictorPNGStream(Filter::Up, kName)
    {
        Assign(sourceStream, columns);
    }

private:
    static constexpr const char* kName = "InputPredictorPNGUpStream";
};

class InputPredictorPNGAverageStream : public InputPredictorPNGStream
{
public:
    InputPredictorPNGAverageStream() : InputPredictorPNGStream(Filter::Average, kName) {}
    InputPredictorPNGAverageStream(IByteReader* sourceStream, long long columns)
        : InputPredictorPNGStream(Filter::Average, kName)
    {
        Assign(sourceStream, columns);
    }

private:
    static constexpr const char* kName = "InputPredictorPNGAverageStream";
};

class InputPredictorPNGPaethStream : public InputPredictorPNGStream
{
public:
    InputPredictorPNGPaethStream() : InputPredictorPNGStream(Filter::Paeth, kName) {}
    InputPredictorPNGPaethStream(IByteReader* sourceStream, long long columns)
        : InputPredictorPNGStream(Filter::Paeth, kName)
    {
        Assign(sourceStream, columns);
    }

private:
    static constexpr const char* kName = "InputPredictorPNGPaethStream";
};

// Each row names its own filter in its first byte; a type above 4 stops the stream.
class InputPredictorPNGOptimumStream : public InputPredictorPNGStream
{
public:
    InputPredictorPNGOptimumStream() : InputPredictorPNGStream(Filter::Optimum, kName) {}
    InputPredictorPNGOptimumStream(IByteReader* sourceStream, long long columns)
        : InputPredictorPNGStream(Filter::Optimum, kName)
    {
        Assign(sourceStream, columns);
    }

private:
    static constexpr const char* kName = "InputPredictorPNGOptimumStream";
};
