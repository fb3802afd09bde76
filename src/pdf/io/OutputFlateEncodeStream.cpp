#include "pdf/io/OutputFlateEncodeStream.h"

#include <zlib.h>

#include "pdf/io/TraceLog.h"

OutputFlateEncodeStream::OutputFlateEncodeStream() : mZLibStream(std::make_unique<z_stream_s>())
{
}

OutputFlateEncodeStream::OutputFlateEncodeStream(IByteWriterWithPosition* targetStream,
                                                 bool startEncoding)
    : mZLibStream(std::make_unique<z_stream_s>())
{
    Assign(targetStream, startEncoding);
}

OutputFlateEncodeStream::~OutputFlateEncodeStream()
{
    if (mCurrentlyEncoding) {
        FinalizeEncoding();
    }
    delete mTargetStream;
}

void OutputFlateEncodeStream::Assign(IByteWriterWithPosition* targetStream, bool startEncoding)
{
    if (mCurrentlyEncoding) {
        FinalizeEncoding();
    }
    mTargetStream = targetStream;
    if (startEncoding && mTargetStream != nullptr) {
        StartEncoding();
    }
}

void OutputFlateEncodeStream::StartEncoding()
{
    *mZLibStream = z_stream_s{};
    mZLibStream->zalloc = Z_NULL;
    mZLibStream->zfree = Z_NULL;
    mZLibStream->opaque = Z_NULL;

    int status = deflateInit(mZLibStream.get(), Z_DEFAULT_COMPRESSION);
    if (status != Z_OK) {
        TRACE_LOG("OutputFlateEncodeStream::StartEncoding, Unexpected failure in initializating "
                  "flate library. status code = %d",
                  status);
        return;
    }
    if (mBuffer.empty()) {
        mBuffer.resize(kBufferSize);
    }
    mCurrentlyEncoding = true;
}

void OutputFlateEncodeStream::EndEncoding()
{
    (void)deflateEnd(mZLibStream.get()); // discarded output is reported by the caller's trace
    mCurrentlyEncoding = false;
}

IOByteCount OutputFlateEncodeStream::Write(const Byte* buffer, IOByteCount count)
{
    if (!mCurrentlyEncoding) {
        return mTargetStream != nullptr ? mTargetStream->Write(buffer, count) : 0;
    }
    return EncodeBufferAndWrite(buffer, count);
}

IOByteCount OutputFlateEncodeStream::EncodeBufferAndWrite(const Byte* buffer, IOByteCount count)
{
    if (count == 0) {
        return 0;
    }
    z_stream_s& zlib = *mZLibStream;
    // zlib never writes through next_in; the cast only meets its older, non-const interface.
    zlib.next_in = const_cast<Byte*>(buffer);
    zlib.avail_in = count;

    for (;;) {
        zlib.next_out = mBuffer.data();
        zlib.avail_out = kBufferSize;
        int status = deflate(&zlib, Z_NO_FLUSH);
        if (status == Z_STREAM_ERROR) {
            TRACE_LOG("OutputFlateEncodeStream::EncodeBufferAndWrite, failed to write zlib "
                      "information. returned error code = %d",
                      status);
            return 0;
        }
        IOByteCount produced = kBufferSize - zlib.avail_out;
        IOByteCount written = produced > 0 ? mTargetStream->Write(mBuffer.data(), produced) : 0;
        if (written != produced) {
            TRACE_LOG("OutputFlateEncodeStream::EncodeBufferAndWrite, Failed to write the desired "
                      "amount of zlib bytes to underlying stream. supposed to write %lld, wrote "
                      "%lld",
                      static_cast<long long>(produced), static_cast<long long>(written));
            EndEncoding();
            return 0;
        }
        if (zlib.avail_out != 0) {
            // The buffer was not filled: zlib has taken all the input.
            return status == Z_OK ? count : 0;
        }
    }
}

void OutputFlateEncodeStream::FinalizeEncoding()
{
    z_stream_s& zlib = *mZLibStream;
    zlib.next_in = Z_NULL;
    zlib.avail_in = 0;

    for (;;) {
        zlib.next_out = mBuffer.data();
        zlib.avail_out = kBufferSize;
        int status = deflate(&zlib, Z_FINISH);
        if (status == Z_STREAM_ERROR) {
            TRACE_LOG("OutputFlateEncodeStream::FinalizeEncoding, failed to flush zlib "
                      "information. returned error code = %d",
                      status);
            EndEncoding();
            return;
        }
        IOByteCount produced = kBufferSize - zlib.avail_out;
        IOByteCount written = produced > 0 ? mTargetStream->Write(mBuffer.data(), produced) : 0;
        if (written != produced) {
            TRACE_LOG("OutputFlateEncodeStream::FinalizeEncoding, Failed to write the desired "
                      "amount of zlib bytes to underlying stream. supposed to write %lld, wrote "
                      "%lld",
                      static_cast<long long>(produced), static_cast<long long>(written));
            EndEncoding();
            return;
        }
        if (status != Z_OK) {
            EndEncoding(); // Z_STREAM_END: the stream is complete
            return;
        }
    }
}

FilePosition OutputFlateEncodeStream::GetCurrentPosition()
{
    return mTargetStream != nullptr ? mTargetStream->GetCurrentPosition() : 0;
}
