#pragma once

#include <memory>

#include "pdf/io/IOBasicTypes.h"
#include "pdf/writing/ObjectReference.h"

class DictionaryContext;
class IByteWriter;
class IByteWriterWithPosition;
class OutputFlateEncodeStream;
class PDFStreamOutputBuffer;

// A stream object being written, from ObjectsContext::StartStream to ObjectsContext::EndStream.
// The caller owns it and writes the stream's data to GetWriteStream in between. With a
// separate length object the data goes to the file as it comes (through a compressor when
// compressing); with a direct length it is collected in memory, because the length must be
// written into the still open dictionary before the data.
class PDFStreamOutput
{
public:
    ~PDFStreamOutput();
    PDFStreamOutput(const PDFStreamOutput&) = delete;
    PDFStreamOutput& operator=(const PDFStreamOutput&) = delete;

    // Where the data goes. Valid until EndStream.
    IByteWriter* GetWriteStream() const { return mWriteStream; }

private:
    friend class ObjectsContext;
    explicit PDFStreamOutput(IByteWriterWithPosition* output);

    // Finishes the compressor, so that every data byte has reached its target.
    void FinishData();

    IByteWriterWithPosition* mOutputStream;         // the file; borrowed
    FilePosition mDataStart = 0;                    // separate length only
    ObjectNumber mLengthObjectID = 0;               // separate length only
    DictionaryContext* mOpenDictionary = nullptr;   // direct length only; owned by the context
    std::unique_ptr<PDFStreamOutputBuffer> mBuffer; // direct length only
    // Its target is detached before it is destroyed: it must never delete the file's stream
    // or the buffer.
    std::unique_ptr<OutputFlateEncodeStream> mCompressor;
    IByteWriter* mWriteStream = nullptr;
    bool mEnded = false;
};
