#include "pdf/io/InputPredictorTIFFSubStream.h"

#include <algorithm>
#include <cstring>

#include "pdf/io/InputPredictorRows.h"
#include "pdf/io/TraceLog.h"

InputPredictorTIFFSubStream::InputPredictorTIFFSubStream(IByteReader* sourceStream,
                                                         long long colors,
                                                         long long bitsPerComponent,
                                                         long long columns)
{
    Assign(sourceStream, colors, bitsPerComponent, columns);
}

InputPredictorTIFFSubStream::~InputPredictorTIFFSubStream()
{
    delete mSourceStream;
}

void InputPredictorTIFFSubStream::Assign(IByteReader* sourceStream, long long colors,
                                         long long bitsPerComponent, long long columns)
{
    mSourceStream = sourceStream;
    mRowBuffer.clear();
    mSamples.clear();
    mReadIndex = 0;
    mStopped = true;

    bool validBits = bitsPerComponent == 1 || bitsPerComponent == 2 || bitsPerComponent == 4 ||
                     bitsPerComponent == 8 || bitsPerComponent == 16;
    long long samples = 0;
    long long bits = 0;
    bool valid = validBits && colors >= 1 && columns >= 1 &&
                 !__builtin_mul_overflow(colors, columns, &samples) &&
                 samples <= kMaxSamplesPerRow &&
                 !__builtin_mul_overflow(samples, bitsPerComponent, &bits) && bits % 8 == 0 &&
                 bits / 8 <= kMaxRowBytes;
    if (!valid) {
        TRACE_LOG("InputPredictorTIFFSubStream::Assign, unsupported parameters Colors %lld, "
                  "BitsPerComponent %lld, Columns %lld, nothing will be decoded",
                  colors, bitsPerComponent, columns);
        return;
    }
    mColors = static_cast<std::size_t>(colors);
    mBitsPerComponent = static_cast<unsigned>(bitsPerComponent);
    mSampleMask = static_cast<std::uint16_t>((1u << mBitsPerComponent) - 1u);
    mRowBuffer.assign(static_cast<std::size_t>(bits / 8), 0);
    mSamples.assign(static_cast<std::size_t>(samples), 0);
    mReadIndex = mRowBuffer.size(); // no row loaded yet
    mStopped = false;
}

IOByteCount InputPredictorTIFFSubStream::Read(Byte* buffer, IOByteCount count)
{
    if (mSourceStream == nullptr) {
        return 0;
    }
    return DeliverPredictorRows(mRowBuffer, mReadIndex, buffer, count, [this] {
        return !mStopped && mSourceStream->HasMore() && ReadRow();
    });
}

bool InputPredictorTIFFSubStream::ReadRow()
{
    const PredictorRowFill fill = FillPredictorRow(mSourceStream, mRowBuffer);
    if (fill != PredictorRowFill::Whole) {
        if (fill == PredictorRowFill::Short) {
            TRACE_LOG("InputPredictorTIFFSubStream::Read, problem, expected row bytes read. "
                      "didn't make it");
        }
        mStopped = true;
        return false;
    }

    UnpackSamples();
    for (std::size_t i = mColors; i < mSamples.size(); ++i) {
        mSamples[i] =
            static_cast<std::uint16_t>((mSamples[i - mColors] + mSamples[i]) & mSampleMask);
    }
    PackSamples();
    mReadIndex = 0;
    return true;
}

void InputPredictorTIFFSubStream::UnpackSamples()
{
    const Byte* row = mRowBuffer.data();
    if (mBitsPerComponent == 16) {
        for (std::size_t i = 0; i < mSamples.size(); ++i) {
            mSamples[i] = static_cast<std::uint16_t>((row[2 * i] << 8) | row[2 * i + 1]);
        }
        return;
    }
    if (mBitsPerComponent == 8) {
        std::copy(mRowBuffer.begin(), mRowBuffer.end(), mSamples.begin());
        return;
    }
    unsigned perByte = 8 / mBitsPerComponent;
    for (std::size_t i = 0; i < mSamples.size(); ++i) {
        unsigned shift = 8 - mBitsPerComponent * (static_cast<unsigned>(i % perByte) + 1);
        mSamples[i] = static_cast<std::uint16_t>((row[i / perByte] >> shift) & mSampleMask);
    }
}

void InputPredictorTIFFSubStream::PackSamples()
{
    Byte* row = mRowBuffer.data();
    if (mBitsPerComponent == 16) {
        for (std::size_t i = 0; i < mSamples.size(); ++i) {
            row[2 * i] = static_cast<Byte>(mSamples[i] >> 8);
            row[2 * i + 1] = static_cast<Byte>(mSamples[i] & 0xFF);
        }
        return;
    }
    if (mBitsPerComponent == 8) {
        for (std::size_t i = 0; i < mSamples.size(); ++i) {
            row[i] = static_cast<Byte>(mSamples[i]);
        }
        return;
    }
    unsigned perByte = 8 / mBitsPerComponent;
    std::fill(mRowBuffer.begin(), mRowBuffer.end(), Byte{0});
    for (std::size_t i = 0; i < mSamples.size(); ++i) {
        unsigned shift = 8 - mBitsPerComponent * (static_cast<unsigned>(i % perByte) + 1);
        row[i / perByte] = static_cast<Byte>(row[i / perByte] | (mSamples[i] << shift));
    }
}

bool InputPredictorTIFFSubStream::HasMore()
{
    if (mSourceStream == nullptr) {
        return false;
    }
    return mReadIndex < mRowBuffer.size() || (!mStopped && mSourceStream->HasMore());
}
