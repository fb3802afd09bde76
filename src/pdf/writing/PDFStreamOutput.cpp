#include "pdf/writing/PDFStreamOutput.h"

#include "pdf/io/OutputFlateEncodeStream.h"
#include "pdf/writing/PDFStreamOutputBuffer.h"

PDFStreamOutput::PDFStreamOutput(IByteWriterWithPosition* output) : mOutputStream(output)
{
}

PDFStreamOutput::~PDFStreamOutput()
{
    // Dropped without EndStream: the compressor ends its data into its target (an unfinished
    // stream object is left in the file either way) and is detached so it deletes nothing.
    FinishData();
}

void PDFStreamOutput::FinishData()
{
    if (mCompressor) {
        mCompressor->Assign(nullptr, false);
        mCompressor.reset();
    }
}
