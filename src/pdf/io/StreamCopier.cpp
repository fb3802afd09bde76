#include "pdf/io/StreamCopier.h"

#include <algorithm>
#include <memory>

#include "pdf/io/IByteReader.h"
#include "pdf/io/IByteWriter.h"

StatusCode StreamCopier::CopyAll(IByteReader* reader)
{
    if (reader == nullptr || mTarget == nullptr) {
        return Failure;
    }
    if (!reader->HasMore()) {
        return Success;
    }
    std::unique_ptr<Byte[]> buffer(new Byte[kCopyBufferSize]);
    while (reader->HasMore()) {
        IOByteCount read = reader->Read(buffer.get(), kCopyBufferSize);
        if (mTarget->Write(buffer.get(), read) != read) {
            return Failure;
        }
        // A reader may learn of its end only by reading (nothing delivered, then no more);
        // one that delivers nothing and still claims more would be asked forever.
        if (read == 0 && reader->HasMore()) {
            return Failure;
        }
    }
    return Success;
}

StatusCode StreamCopier::CopyBytes(IByteReader* reader, IOByteCount count)
{
    if (reader == nullptr || mTarget == nullptr) {
        return Failure;
    }
    // The count may come from a file: copy through a bounded buffer instead of allocating it.
    constexpr IOByteCount kChunkSize = 65536;
    std::unique_ptr<Byte[]> buffer(new Byte[std::min(count, kChunkSize)]);
    while (count > 0) {
        IOByteCount chunk = std::min(count, kChunkSize);
        IOByteCount read = reader->Read(buffer.get(), chunk);
        if (mTarget->Write(buffer.get(), read) != read) {
            return Failure;
        }
        if (read < chunk) {
            break; // the reader ended early; what it gave was written in full
        }
        count -= read;
    }
    return Success;
}
