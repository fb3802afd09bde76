#pragma once

#include "pdf/io/IByteReaderWithPosition.h"
#include "pdf/io/IReadPositionProvider.h"

// Lets a positionable reader serve as position provider (the object parser asks it where
// stream data begins). Borrows the reader.
class AdapterIByteReaderWithPositionToIReadPositionProvider : public IReadPositionProvider
{
public:
    AdapterIByteReaderWithPositionToIReadPositionProvider() = default;
    explicit AdapterIByteReaderWithPositionToIReadPositionProvider(IByteReaderWithPosition* stream)
        : mStream(stream)
    {
    }

    void Assign(IByteReaderWithPosition* stream) { mStream = stream; }

    // 0 without a reader.
    FilePosition GetCurrentPosition() override
    {
        return mStream != nullptr ? mStream->GetCurrentPosition() : 0;
    }

private:
    IByteReaderWithPosition* mStream = nullptr;
};
