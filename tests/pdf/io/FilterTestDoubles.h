#pragma once

// In-memory readers and writers for the filter tests, with the faults the filters must
// survive: short reads, a source that says it has more and then delivers nothing, and a
// target that takes fewer bytes than offered.

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "TraceCapture.h"
#include "pdf/io/IByteReader.h"
#include "pdf/io/IByteWriter.h"
#include "pdf/io/IByteWriterWithPosition.h"
#include "pdf/io/TraceLog.h"

// Delivers a byte string, at most maxChunk bytes per Read. With lieAboutEnd set, HasMore
// stays true after the end (as a file reader does until a read reaches the end); each
// Read at the end counts in emptyReads.
class MemoryReader : public IByteReader
{
public:
    explicit MemoryReader(std::string data, std::size_t maxChunk = SIZE_MAX,
                          bool lieAboutEnd = false)
        : mData(std::move(data)), mMaxChunk(maxChunk), mLieAboutEnd(lieAboutEnd)
    {
    }

    IOByteCount Read(Byte* buffer, IOByteCount count) override
    {
        std::size_t n =
            std::min({static_cast<std::size_t>(count), mData.size() - mPosition, mMaxChunk});
        if (n == 0) {
            ++emptyReads;
        }
        std::memcpy(buffer, mData.data() + mPosition, n);
        mPosition += n;
        return static_cast<IOByteCount>(n);
    }
    bool HasMore() override { return mLieAboutEnd || mPosition < mData.size(); }

    std::size_t Position() const { return mPosition; }
    int emptyReads = 0;

private:
    std::string mData;
    std::size_t mPosition = 0;
    std::size_t mMaxChunk;
    bool mLieAboutEnd;
};

// Collects what is written; after `limit` bytes in total it takes no more.
class MemoryWriter : public IByteWriterWithPosition
{
public:
    explicit MemoryWriter(std::string* out, std::size_t limit = SIZE_MAX) : mOut(out), mLimit(limit)
    {
    }

    IOByteCount Write(const Byte* buffer, IOByteCount count) override
    {
        std::size_t n = std::min(static_cast<std::size_t>(count), mLimit - mOut->size());
        mOut->append(reinterpret_cast<const char*>(buffer), n);
        return static_cast<IOByteCount>(n);
    }
    FilePosition GetCurrentPosition() override { return static_cast<FilePosition>(mOut->size()); }

private:
    std::string* mOut;
    std::size_t mLimit;
};

// Reads a reader out with reads of readSize bytes for as long as it says it has more.
// Gives up after many empty reads in a row, so a reader that never ends fails its test
// (it still says HasMore) instead of hanging it.
inline std::string ReadAllFrom(IByteReader& reader, std::size_t readSize = 4096)
{
    std::string result;
    std::vector<Byte> buffer(readSize);
    int emptyInARow = 0;
    while (reader.HasMore() && emptyInARow < 100) {
        IOByteCount n = reader.Read(buffer.data(), static_cast<IOByteCount>(readSize));
        result.append(reinterpret_cast<const char*>(buffer.data()), n);
        emptyInARow = n == 0 ? emptyInARow + 1 : 0;
    }
    return result;
}

inline std::string Bytes(std::initializer_list<int> values)
{
    std::string result;
    for (int v : values) {
        result.push_back(static_cast<char>(v));
    }
    return result;
}
