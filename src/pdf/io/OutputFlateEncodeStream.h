#pragma once

#include <memory>
#include <vector>

#include "pdf/io/IByteWriterWithPosition.h"

struct z_stream_s;

// Deflates what is written to it into its target, in zlib format at the default level.
// Owns the target and destroys it; the compressed stream is finished (FinalizeEncoding)
// when a new target is assigned and on destruction, so the target always receives a
// complete stream. Assign(nullptr, false) finishes and detaches from a target that the
// caller keeps.
class OutputFlateEncodeStream : public IByteWriterWithPosition
{
public:
    static constexpr IOByteCount kBufferSize = 262144;

    OutputFlateEncodeStream();
    // Takes over the target; encoding starts at once when startEncoding is set.
    OutputFlateEncodeStream(IByteWriterWithPosition* targetStream, bool startEncoding);
    ~OutputFlateEncodeStream() override;
    OutputFlateEncodeStream(const OutputFlateEncodeStream&) = delete;
    OutputFlateEncodeStream& operator=(const OutputFlateEncodeStream&) = delete;

    // Finishes the current stream into the current target, then uses the new target
    // without destroying the previous one.
    void Assign(IByteWriterWithPosition* targetStream, bool startEncoding);

    // While encoding, returns count on success and 0 on failure; otherwise passes through.
    IOByteCount Write(const Byte* buffer, IOByteCount count) override;
    // Compressed bytes handed to the target so far (the target's own position).
    FilePosition GetCurrentPosition() override;

private:
    void StartEncoding();
    void FinalizeEncoding();
    IOByteCount EncodeBufferAndWrite(const Byte* buffer, IOByteCount count);
    void EndEncoding();

    std::vector<Byte> mBuffer;
    IByteWriterWithPosition* mTargetStream = nullptr;
    bool mCurrentlyEncoding = false;
    std::unique_ptr<z_stream_s> mZLibStream;
};
