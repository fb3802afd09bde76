#include "pdf/io/InputFlateDecodeStream.h"

#include <zlib.h>

#include "pdf/io/TraceLog.h"

namespace {
bool IsZLibError(int status)
{
    return status == Z_NEED_DICT || status == Z_STREAM_ERROR || status == Z_DATA_ERROR ||
           status == Z_MEM_ERROR;
}
} // namespace

InputFlateDecodeStream::InputFlateDecodeStream() : mZLibStream(std::make_unique<z_stream_s>())
{
}

InputFlateDecodeStream::InputFlateDecodeStream(IByteReader* sourceStream)
    : mZLibStream(std::make_unique<z_stream_s>())
{
    Assign(sourceStream);
}

InputFlateDecodeStream::~InputFlateDecodeStream()
{
    EndDecoding();
    delete mSourceStream;
}

void InputFlateDecodeStream::Assign(IByteReader* sourceStream)
{
    // A decoder that is reassigned while active would otherwise leak zlib's state.
    EndDecoding();
    mSourceStream = sourceStream;
    mFailed = false;
    mOutputMayBePending = false;
    if (mSourceStream != nullptr) {
        StartEncoding();
    }
}

void InputFlateDecodeStream::StartEncoding()
{
    *mZLibStream = z_stream_s{};
    mZLibStream->zalloc = Z_NULL;
    mZLibStream->zfree = Z_NULL;
    mZLibStream->opaque = Z_NULL;
    mZLibStream->avail_in = 0;
    mZLibStream->next_in = Z_NULL;
    mEndOfCompressionEoncountered = false;

    int status = inflateInit(mZLibStream.get());
    if (status != Z_OK) {
        TRACE_LOG("InputFlateDecodeStream::StartEncoding, Unexpected failure in initializating "
                  "flate library. status code = %d",
                  status);
        return;
    }
    if (mInputBuffer.empty()) {
        mInputBuffer.resize(kInputBufferSize);
    }
    mCurrentlyEncoding = true;
}

void InputFlateDecodeStream::EndDecoding()
{
    if (mCurrentlyEncoding) {
        (void)inflateEnd(mZLibStream.get()); // nothing useful to do if freeing fails
        mCurrentlyEncoding = false;
    }
}

IOByteCount InputFlateDecodeStream::Read(Byte* buffer, IOByteCount count)
{
    if (mFailed) {
        return 0;
    }
    if (!mCurrentlyEncoding) {
        // Initialisation failed: the bytes pass through as they are.
        return mSourceStream != nullptr ? mSourceStream->Read(buffer, count) : 0;
    }
    return DecodeBufferAndWrite(buffer, count);
}

IOByteCount InputFlateDecodeStream::DecodeBufferAndWrite(Byte* buffer, IOByteCount count)
{
    if (count == 0 || mEndOfCompressionEoncountered) {
        return 0;
    }
    z_stream_s& zlib = *mZLibStream;
    zlib.next_out = buffer;
    zlib.avail_out = count;

    while (zlib.avail_out > 0) {
        if (zlib.avail_in == 0) {
            if (mSourceStream->HasMore()) {
                IOByteCount readCount = mSourceStream->Read(mInputBuffer.data(), kInputBufferSize);
                if (readCount == 0) {
                    TRACE_LOG("InputFlateDecodeStream::DecodeBufferAndWrite, failed to read from "
                              "source stream");
                    EndDecoding();
                    mFailed = true;
                    return 0;
                }
                zlib.next_in = mInputBuffer.data();
                zlib.avail_in = readCount;
            }
            // Otherwise zlib may still hold output that did not fit last time: ask for it.
        }

        int status = inflate(&zlib, Z_NO_FLUSH);
        if (IsZLibError(status)) {
            TRACE_LOG("InputFlateDecodeStream::DecodeBufferAndWrite, failed to write zlib "
                      "information. returned error code = %d",
                      status);
            EndDecoding();
            mFailed = true;
            return 0;
        }
        if (status == Z_STREAM_END) {
            mEndOfCompressionEoncountered = true;
            DropRestOfSource();
            break;
        }
        if (status == Z_BUF_ERROR) {
            // No progress: with the source exhausted, nothing is pending and the data ends
            // without its end mark; what was decoded so far is delivered.
            break;
        }
    }

    IOByteCount produced = count - zlib.avail_out;
    mOutputMayBePending = zlib.avail_out == 0 && !mEndOfCompressionEoncountered;
    return produced;
}

void InputFlateDecodeStream::DropRestOfSource()
{
    mZLibStream->avail_in = 0;
    mZLibStream->next_in = Z_NULL;
    while (mSourceStream->HasMore()) {
        if (mSourceStream->Read(mInputBuffer.data(), kInputBufferSize) == 0) {
            break; // a reader may learn of its end only by reading
        }
    }
}

bool InputFlateDecodeStream::HasMore()
{
    if (mSourceStream == nullptr || mFailed) {
        return false;
    }
    if (!mCurrentlyEncoding) {
        return mSourceStream->HasMore();
    }
    if (mEndOfCompressionEoncountered) {
        return false;
    }
    return mSourceStream->HasMore() || mZLibStream->avail_in > 0 || mOutputMayBePending;
}
