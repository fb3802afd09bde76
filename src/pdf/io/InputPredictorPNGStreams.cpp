#include "pdf/io/InputPredictorPNGStreams.h"

#include <algorithm>
#include <cstring>

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

InputPredictorPNGStream::InputPredictorPNGStream(Filter filter, const char* className)
    : mFilter(filter), mClassName(className)
{
}

InputPredictorPNGStream::~InputPredictorPNGStream()
{
    delete mSourceStream;
}

void InputPredictorPNGStream::Assign(IByteReader* sourceStream, long long columns)
{
    mSourceStream = sourceStream;
    mRowBuffer.clear();
    mPreviousRow.clear();
    mIncomingRow.clear();
    mReadIndex = 0;
    mStopped = false;
    if (columns < 1 || columns > kMaxColumns) {
        TRACE_LOG("%s::Assign, invalid Columns value %lld, nothing will be decoded", mClassName,
                  columns);
        mStopped = true;
        return;
    }
    std::size_t rowSize = static_cast<std::size_t>(columns) + 1;
    mRowBuffer.assign(rowSize, 0);
    mPreviousRow.assign(rowSize, 0);
    mIncomingRow.assign(rowSize, 0);
    mReadIndex = rowSize; // no row loaded yet
}

IOByteCount InputPredictorPNGStream::Read(Byte* buffer, IOByteCount count)
{
    IOByteCount delivered = 0;
    if (mSourceStream == nullptr) {
        return 0;
    }
    while (delivered < count) {
        if (mReadIndex < mRowBuffer.size()) {
            std::size_t available = mRowBuffer.size() - mReadIndex;
            IOByteCount chunk =
                static_cast<IOByteCount>(std::min<std::size_t>(available, count - delivered));
            std::memcpy(buffer + delivered, mRowBuffer.data() + mReadIndex, chunk);
            delivered += chunk;
            mReadIndex += chunk;
            continue;
        }
        if (mStopped || !mSourceStream->HasMore() || !ReadRow()) {
            break;
        }
    }
    return delivered;
}

bool InputPredictorPNGStream::ReadRow()
{
    // Sources may hand over a row in pieces; only the end of the source makes a row short.
    std::size_t got = 0;
    while (got < mIncomingRow.size()) {
        IOByteCount wanted = static_cast<IOByteCount>(mIncomingRow.size() - got);
        IOByteCount readCount = mSourceStream->Read(mIncomingRow.data() + got, wanted);
        got += readCount;
        if (readCount == 0 || (got < mIncomingRow.size() && !mSourceStream->HasMore())) {
            break;
        }
    }
    if (got < mIncomingRow.size()) {
        if (got > 0) {
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
    mRowBuffer.swap(mIncomingRow);
    DecodeRow(rowFilter);
    mReadIndex = 1;
    return true;
}

void InputPredictorPNGStream::DecodeRow(Filter rowFilter)
{
    // Index 0 of both rows is zero: the left neighbour of the first data byte.
    mRowBuffer[0] = 0;
    Byte* row = mRowBuffer.data();
    const Byte* above = mPreviousRow.data();
    std::size_t size = mRowBuffer.size();
    switch (rowFilter) {
    case Filter::Sub:
        for (std::size_t i = 1; i < size; ++i) {
            row[i] = static_cast<Byte>(row[i] + row[i - 1]);
        }
        break;
    case Filter::Up:
        for (std::size_t i = 1; i < size; ++i) {
            row[i] = static_cast<Byte>(row[i] + above[i]);
        }
        break;
    case Filter::Average:
        for (std::size_t i = 1; i < size; ++i) {
            row[i] = static_cast<Byte>(row[i] + (row[i - 1] + above[i]) / 2);
        }
        break;
    case Filter::Paeth:
        for (std::size_t i = 1; i < size; ++i) {
            row[i] = static_cast<Byte>(row[i] + PaethPredictor(row[i - 1], above[i], above[i - 1]));
        }
        break;
    case Filter::None:
    case Filter::Optimum:
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
