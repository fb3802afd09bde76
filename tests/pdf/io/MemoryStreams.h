#pragma once

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "pdf/io/IByteReaderWithPosition.h"
#include "pdf/io/IByteWriterWithPosition.h"

// In a namespace of their own: other test files of this executable define doubles with the
// same names, and two inline classes of one name would silently clash.
namespace bytestreams_test {

// Test doubles for the byte-stream tests: a seekable reader over a string that records the
// size of every read it serves, and a writer into a caller's string that can be told to fail.

// Knows its end exactly: HasMore is false as soon as the last byte was delivered. maxChunk
// makes every read short (at most that many bytes), as a pipe or a decoder may deliver.
class MemoryReader : public IByteReaderWithPosition
{
public:
    explicit MemoryReader(std::string content, IOByteCount maxChunk = 0)
        : mContent(std::move(content)), mMaxChunk(maxChunk)
    {
    }

    IOByteCount Read(Byte* buffer, IOByteCount count) override
    {
        mReadSizes.push_back(count);
        std::size_t available = mContent.size() - std::min(mPosition, mContent.size());
        std::size_t take = std::min<std::size_t>(count, available);
        if (mMaxChunk > 0) {
            take = std::min<std::size_t>(take, mMaxChunk);
        }
        std::memcpy(buffer, mContent.data() + mPosition, take);
        mPosition += take;
        return static_cast<IOByteCount>(take);
    }
    bool HasMore() override { return mPosition < mContent.size(); }
    void SetPosition(FilePosition offset) override
    {
        mPosition = static_cast<std::size_t>(
            std::clamp<FilePosition>(offset, 0, static_cast<FilePosition>(mContent.size())));
    }
    void SetPositionFromEnd(FilePosition offset) override
    {
        SetPosition(static_cast<FilePosition>(mContent.size()) - offset);
    }
    FilePosition GetCurrentPosition() override { return static_cast<FilePosition>(mPosition); }
    void Skip(IOByteCount count) override
    {
        SetPosition(static_cast<FilePosition>(mPosition) + count);
    }

    const std::vector<IOByteCount>& ReadSizes() const { return mReadSizes; }

private:
    std::string mContent;
    IOByteCount mMaxChunk;
    std::size_t mPosition = 0;
    std::vector<IOByteCount> mReadSizes;
};

// Claims to have more forever and never delivers: a broken source that must not hang us.
class StuckReader : public IByteReader
{
public:
    IOByteCount Read(Byte*, IOByteCount) override { return 0; }
    bool HasMore() override { return true; }
};

// Appends to *sink. Accepts at most capacity bytes in total (then writes short), so tests can
// make a target fail at byte N. Counts the Write calls it gets.
class MemoryWriter : public IByteWriterWithPosition
{
public:
    explicit MemoryWriter(std::string* sink, std::size_t capacity = SIZE_MAX)
        : mSink(sink), mCapacity(capacity)
    {
    }

    IOByteCount Write(const Byte* buffer, IOByteCount count) override
    {
        ++mWriteCalls;
        std::size_t room = mCapacity - std::min(mCapacity, mSink->size());
        std::size_t take = std::min<std::size_t>(count, room);
        mSink->append(reinterpret_cast<const char*>(buffer), take);
        return static_cast<IOByteCount>(take);
    }
    FilePosition GetCurrentPosition() override { return static_cast<FilePosition>(mSink->size()); }

    int WriteCalls() const { return mWriteCalls; }

private:
    std::string* mSink;
    std::size_t mCapacity;
    int mWriteCalls = 0;
};

// count bytes 0, 1, 2, ... 250, 0, 1, ... (a prime period, so misplaced blocks show).
inline std::string PatternBytes(std::size_t count)
{
    std::string bytes(count, '\0');
    for (std::size_t i = 0; i < count; ++i) {
        bytes[i] = static_cast<char>(i % 251);
    }
    return bytes;
}

inline const Byte* AsBytes(const std::string& text)
{
    return reinterpret_cast<const Byte*>(text.data());
}

} // namespace bytestreams_test
