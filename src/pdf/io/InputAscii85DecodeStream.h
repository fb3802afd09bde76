#pragma once

#include "pdf/io/IByteReader.h"

// Decodes ASCII base-85 text read from its source, up to the "~>" end marker or the end
// of the source. "z" at the start of a group stands for four zero bytes; white space and
// other bytes outside "!".."u" are skipped, as is "~" with any byte but ">" after it. A
// final group of n digits (2 to 4) gives n - 1 bytes. Owns its source and destroys it.
class InputAscii85DecodeStream : public IByteReader
{
public:
    InputAscii85DecodeStream() = default;
    explicit InputAscii85DecodeStream(IByteReader* sourceStream);
    ~InputAscii85DecodeStream() override;
    InputAscii85DecodeStream(const InputAscii85DecodeStream&) = delete;
    InputAscii85DecodeStream& operator=(const InputAscii85DecodeStream&) = delete;

    // Uses a new source (the previous one is NOT destroyed) and starts over.
    void Assign(IByteReader* sourceStream);

    IOByteCount Read(Byte* buffer, IOByteCount count) override;
    bool HasMore() override;

private:
    void DecodeGroup();
    bool ReadSourceByte(Byte& value);

    IByteReader* mSourceStream = nullptr;
    bool mHitEnd = false; // the end marker was seen or the source stopped delivering
    Byte mDecodedGroup[4] = {};
    unsigned mGroupLength = 0;
    unsigned mReadIndex = 0;
};
