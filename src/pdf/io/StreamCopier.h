#pragma once

#include "pdf/io/IOBasicTypes.h"
#include "pdf/io/StatusCode.h"

class IByteReader;
class IByteWriter;

// Copies readers into one writer, which it borrows.
class StreamCopier
{
public:
    static constexpr IOByteCount kCopyBufferSize = 10485760;

    explicit StreamCopier(IByteWriter* target) : mTarget(target) {}

    // Copies until the reader has no more. Failure when the writer takes fewer bytes than
    // were read, or when the reader delivers nothing yet still claims to have more (it would
    // otherwise be asked forever).
    StatusCode CopyAll(IByteReader* reader);
    // Copies up to count bytes; a reader that ends early is not a failure as long as what it
    // delivered was written in full.
    StatusCode CopyBytes(IByteReader* reader, IOByteCount count);

private:
    IByteWriter* mTarget;
};
