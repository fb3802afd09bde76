#include "pdf/io/InputPredictorPNGStreams.h"

#include <algorithm>
#include <cstring>

#include "pdf/io/InputPredictorRows.h"
#include "pdf/io/TraceLog.h"

namespace {
Byte PaethPredictor(int a, int b, int c)
{
    int p = a + b - c;
    int pa = p > a ? p - a : a - p;
    int pb = p > b ? p - b : b - p;
    int pc = p > c ? p - c : c - p;
    if (pa <= pb && pa <= pc) {
        return static_cast<Byte>(a);
    }
    return static_cast<Byte>(pb <= pc ? b : c);
}
} // namespace

namespace {
const char* ClassNameOf(InputPredictorPNGStream::Filter filter)
{
    switch (filter) {
    case InputPredictorPNGStream::Filter::None:
        return "InputPredictorPNGNoneStream";
    case InputPredictorPNGStream::Filter::Sub:
        return "InputPredictorPNGSubStream";
    case InputPredictorPNGStream::Filter::Up:
        return "InputPredictorPNGUpStream";
    case InputPredictorPNGStream::Filter::Average:
        return "InputPredictorPNGAverageStream";
    case InputPredictorPNGStream::Filter::Paeth:
        return "InputPredictorPNGPaethStream";
    case InputPredictorPNGStream::Filter::Optimum:
        return "InputPredictorPNGOptimumStream";
    }
    return "InputPredictorPNGStream";
}
} // namespace

InputPredictorPNGStream::InputPredictorPNGStream(Filter filter)
    : mFilter(filter), mClassName(ClassNameOf(filter))
{
}

InputPredictorPNGStream::~InputPredictorPNGStream()
{
    delete mSourceStream;
}

void InputPredictorPNGStream::Assign(IByteReader* sourceStream, long long columns)
{
    Assign(sourceStream, 1, 8, columns);
}

void InputPredictorPNGStream::Assign(IByteReader* sourceStream, long long colors,
                                     long long bitsPerComponent, long long columns)
{
    mSourceStream = sourceStream;
    Stop();
    if (columns < 1 || columns > kMaxColumns) {
        TRACE_LOG("%s::Assign, invalid Columns value %lld, nothing will be decoded", mClassName,
                  columns);
        return;
    }
    // Columns is bounded above, so only a huge Colors can overflow these products.
    const bool validBits = bitsPerComponent == 1 || bitsPerComponent == 2 ||
                           bitsPerComponent == 4 || bitsPerComponent == 8 || bitsPerComponent == 16;
    long long pixelBits = 0;
    long long rowBits = 0;
    const bool valid = validBits && colors >= 1 &&
                       !__builtin_mul_overflow(colors, bitsPerComponent, &pixelBits) &&
                       !__builtin_mul_overflow(pixelBits, columns, &rowBits) &&
                       rowBits / 8 + (rowBits % 8 != 0 ? 1 : 0) <= kMaxRowBytes;
    if (!valid) {
        TRACE_LOG("%s::Assign, unsupported parameters Colors %lld, BitsPerComponent %lld, "
                  "Columns %lld, nothing will be decoded",
                  mClassName, colors, bitsPerComponent, columns);
        return;
    }
    // A row that does not end on a byte boundary is padded to the next byte, as in PNG.
    const auto rowBytes = static_cast<std::size_t>((rowBits + 7) / 8);
    mPixelBytes = std::max<std::size_t>(1, static_cast<std::size_t>((pixelBits + 7) / 8));
    mRowBuffer.assign(mPixelBytes + rowBytes, 0);
    mPreviousRow.assign(mPixelBytes + rowBytes, 0);
    mIncomingRow.assign(1 + rowBytes, 0);
    mReadIndex = mRowBuffer.size(); // no row loaded yet
    mStopped = false;
}

void InputPredictorPNGStream::Stop()
{
    mRowBuffer.clear();
    mPreviousRow.clear();
    mIncomingRow.clear();
    mPixelBytes = 1;
    mReadIndex = 0;
    mStopped = true;
}

IOByteCount InputPredictorPNGStream::Read(Byte* buffer, IOByteCount count)
{
    if (mSourceStream == nullptr) {
        return 0;
    }
    return DeliverPredictorRows(mRowBuffer, mReadIndex, buffer, count, [this] {
        return !mStopped && mSourceStream->HasMore() && ReadRow();
    });
}

bool InputPredictorPNGStream::ReadRow()
{
    const PredictorRowFill fill = FillPredictorRow(mSourceStream, mIncomingRow);
    if (fill != PredictorRowFill::Whole) {
        if (fill == PredictorRowFill::Short) {
            TRACE_LOG("%s::Read, problem, expected columns number read. didn't make it",
                      mClassName);
        }
        mStopped = true; // the source is done; a partial row cannot be decoded
        return false;
    }

    Filter rowFilter = mFilter;
    if (mFilter == Filter::Optimum) {
        Byte type = mIncomingRow[0];
        if (type > static_cast<Byte>(Filter::Paeth)) {
            TRACE_LOG("%s::Read, unknown row filter type %d, nothing more will be decoded",
                      mClassName, static_cast<int>(type));
            mStopped = true;
            return false;
        }
        rowFilter = static_cast<Filter>(type);
    }
    mPreviousRow.swap(mRowBuffer);
    DecodeRow(rowFilter);
    mReadIndex = mPixelBytes;
    return true;
}

void InputPredictorPNGStream::DecodeRow(Filter rowFilter)
{
    // Both rows start with mPixelBytes zero bytes, so the neighbours of the first pixel
    // (left and upper-left) read as zero without a special case.
    const std::size_t back = mPixelBytes;
    const std::size_t size = mRowBuffer.size();
    Byte* row = mRowBuffer.data();
    const Byte* above = mPreviousRow.data();
    const Byte* in = mIncomingRow.data() + 1; // in[i - back] becomes row[i]
    std::fill(row, row + back, Byte{0});
    switch (rowFilter) {
    case Filter::Sub:
        for (std::size_t i = back; i < size; ++i) {
            row[i] = static_cast<Byte>(in[i - back] + row[i - back]);
        }
        break;
    case Filter::Up:
        for (std::size_t i = back; i < size; ++i) {
            row[i] = static_cast<Byte>(in[i - back] + above[i]);
        }
        break;
    case Filter::Average:
        for (std::size_t i = back; i < size; ++i) {
            row[i] = static_cast<Byte>(in[i - back] + (row[i - back] + above[i]) / 2);
        }
        break;
    case Filter::Paeth:
        for (std::size_t i = back; i < size; ++i) {
            row[i] = static_cast<Byte>(in[i - back] +
                                       PaethPredictor(row[i - back], above[i], above[i - back]));
        }
        break;
    case Filter::None:
    case Filter::Optimum:
        std::copy(in, in + (size - back), row + back);
        break;
    }
}

bool InputPredictorPNGStream::HasMore()
{
    if (mSourceStream == nullptr) {
        return false;
    }
    return mReadIndex < mRowBuffer.size() || (!mStopped && mSourceStream->HasMore());
}
