#pragma once

// Pieces shared by the fuzz targets: the input as an in-memory positionable reader, a trace
// sink that formats every message and drops it, and a bounded drain of a reader chain.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "pdf/io/IByteReader.h"
#include "pdf/io/IByteWriter.h"
#include "pdf/io/InputStringBufferStream.h"
#include "pdf/io/MyStringBuf.h"
#include "pdf/io/TraceLog.h"

namespace fuzz {

// Decoded output beyond this is not read: a small input may legitimately inflate to a lot,
// and the point is to reach the decoders' code, not to measure zlib.
constexpr std::size_t kMaxDrainBytes = 16 * 1024 * 1024;

// Stops the run as a finding. Used where the code broke one of its own promises without
// crashing (a loop that did not advance, a position past the input).
[[noreturn]] inline void Fail()
{
    std::abort();
}

// Holds a copy of the input and hands out readers over it. The buffer outlives every reader.
class MemoryInput
{
public:
    MemoryInput(const std::uint8_t* data, std::size_t size)
    {
        if (size > 0) {
            mBuffer.sputn(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
        }
        mBuffer.pubseekpos(0, std::ios_base::in);
    }
    MyStringBuf* Buffer() { return &mBuffer; }

private:
    MyStringBuf mBuffer;
};

// Takes every trace line and drops it, so that each message is still formatted with the
// values read from the input (a bad format argument shows up under the sanitizers).
class DiscardingWriter : public IByteWriter
{
public:
    IOByteCount Write(const Byte* /*buffer*/, IOByteCount count) override { return count; }
};

inline void RouteTraceToDiscard()
{
    static DiscardingWriter writer;
    static bool routed = false;
    if (!routed) {
        TraceLog::DefaultTraceLog().SetStreamOutput(&writer, true);
        routed = true;
    }
}

// Reads the reader until it ends, fails, stops delivering or reaches the bound; returns the
// number of bytes read. Does not own the reader.
inline std::size_t DrainBounded(IByteReader* reader, std::size_t limit = kMaxDrainBytes)
{
    static Byte chunk[4096];
    std::size_t total = 0;
    while (total < limit && reader->HasMore()) {
        const IOByteCount got = reader->Read(chunk, sizeof(chunk));
        if (got > sizeof(chunk)) {
            Fail();
        }
        if (got == 0) {
            break;
        }
        total += got;
    }
    return total;
}

} // namespace fuzz
