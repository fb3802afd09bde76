#pragma once

#include "pdf/io/IByteWriterWithPosition.h"

// Passes every write on to a borrowed target and remembers whether any write came up
// short, so that the document writer can refuse to call a file finished when bytes were
// lost on the way. Costs one extra call per write and holds no buffer.
class OutputWriteCheckStream : public IByteWriterWithPosition
{
public:
    void SetTarget(IByteWriterWithPosition* target)
    {
        mTarget = target;
        mWriteFailed = false;
    }
    IByteWriterWithPosition* GetTarget() const { return mTarget; }
    bool HasWriteFailed() const { return mWriteFailed; }

    IOByteCount Write(const Byte* buffer, IOByteCount count) override
    {
        const IOByteCount written = mTarget != nullptr ? mTarget->Write(buffer, count) : 0;
        if (written != count) {
            mWriteFailed = true;
        }
        return written;
    }
    FilePosition GetCurrentPosition() override
    {
        return mTarget != nullptr ? mTarget->GetCurrentPosition() : 0;
    }

private:
    IByteWriterWithPosition* mTarget = nullptr;
    bool mWriteFailed = false;
};
