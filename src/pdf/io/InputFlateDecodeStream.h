#pragma once

#include <memory>
#include <vector>

#include "pdf/io/IByteReader.h"

struct z_stream_s;

// Inflates zlib-format data read from its source. Owns the source and destroys it. Bytes
// that follow the end of the compressed data in the source are read and dropped, so the
// source is exhausted once the decoded data has been delivered. After a zlib error or a
// failed source read the reader delivers nothing more and HasMore is false.
class InputFlateDecodeStream : public IByteReader
{
public:
    // Size of the chunks taken from the source at a time.
    static constexpr IOByteCount kInputBufferSize = 65536;

    InputFlateDecodeStream();
    // Takes over the source and starts decoding at once.
    explicit InputFlateDecodeStream(IByteReader* sourceStream);
    ~InputFlateDecodeStream() override;
    InputFlateDecodeStream(const InputFlateDecodeStream&) = delete;
    InputFlateDecodeStream& operator=(const InputFlateDecodeStream&) = delete;

    // Uses a new source; the previous one is NOT destroyed (the caller took it back).
    // Decoding restarts when the new source is not null.
    void Assign(IByteReader* sourceStream);

    IOByteCount Read(Byte* buffer, IOByteCount count) override;
    bool HasMore() override;

private:
    void StartEncoding();
    void EndDecoding();
    IOByteCount DecodeBufferAndWrite(Byte* buffer, IOByteCount count);
    void DropRestOfSource();

    std::vector<Byte> mInputBuffer;
    IByteReader* mSourceStream = nullptr;
    std::unique_ptr<z_stream_s> mZLibStream;
    bool mCurrentlyEncoding = false;
    bool mEndOfCompressionEoncountered = false;
    // Set when zlib reported an error or the source failed: nothing more is delivered.
    bool mFailed = false;
    // The last read filled the caller's buffer: zlib may still hold output for the next.
    bool mOutputMayBePending = false;
};
