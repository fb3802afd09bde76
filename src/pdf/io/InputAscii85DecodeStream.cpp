#include "pdf/io/InputAscii85DecodeStream.h"

#include <cstdint>

InputAscii85DecodeStream::InputAscii85DecodeStream(IByteReader* sourceStream)
{
    Assign(sourceStream);
}

InputAscii85DecodeStream::~InputAscii85DecodeStream()
{
    delete mSourceStream;
}

void InputAscii85DecodeStream::Assign(IByteReader* sourceStream)
{
    mSourceStream = sourceStream;
    mHitEnd = false;
    mGroupLength = 0;
    mReadIndex = 0;
}

bool InputAscii85DecodeStream::HasMore()
{
    if (mSourceStream == nullptr) {
        return false;
    }
    return mReadIndex < mGroupLength || (!mHitEnd && mSourceStream->HasMore());
}

IOByteCount InputAscii85DecodeStream::Read(Byte* buffer, IOByteCount count)
{
    IOByteCount delivered = 0;
    while (delivered < count && HasMore()) {
        if (mReadIndex >= mGroupLength) {
            DecodeGroup();
            continue;
        }
        while (delivered < count && mReadIndex < mGroupLength) {
            buffer[delivered++] = mDecodedGroup[mReadIndex++];
        }
    }
    return delivered;
}

bool InputAscii85DecodeStream::ReadSourceByte(Byte& value)
{
    if (mSourceStream->HasMore() && mSourceStream->Read(&value, 1) == 1) {
        return true;
    }
    // A reader may learn of its end only by reading; either way nothing more will come.
    mHitEnd = true;
    return false;
}

void InputAscii85DecodeStream::DecodeGroup()
{
    mGroupLength = 0;
    mReadIndex = 0;
    std::uint32_t digits[5] = {};
    unsigned digitCount = 0;
    Byte value = 0;
    while (digitCount < 5 && !mHitEnd && ReadSourceByte(value)) {
        if (value >= '!' && value <= 'u') {
            digits[digitCount++] = static_cast<std::uint32_t>(value - '!');
        } else if (value == 'z') {
            if (digitCount == 0) {
                for (Byte& b : mDecodedGroup) {
                    b = 0;
                }
                mGroupLength = 4;
                return;
            }
            break; // a "z" inside a group ends it; the digits before it are decoded
        } else if (value == '~') {
            Byte next = 0;
            if (ReadSourceByte(next) && next == '>') {
                mHitEnd = true;
            }
            // "~" with anything else: both bytes are dropped
        }
        // every other byte, white space included, is skipped
    }
    if (digitCount == 0) {
        return;
    }
    for (unsigned i = digitCount; i < 5; ++i) {
        digits[i] = 84; // pad a partial group with "u"
    }
    std::uint32_t group = 0;
    for (std::uint32_t digit : digits) {
        group = group * 85u + digit; // wraps modulo 2^32 for digits beyond "s8W-!"
    }
    for (unsigned i = 0; i < 4; ++i) {
        mDecodedGroup[i] = static_cast<Byte>(group >> (24 - 8 * i));
    }
    mGroupLength = digitCount - 1;
}
