#include "pdf/writing/PDFWriter.h"

#include "pdf/io/TraceLog.h"

PDFWriter::PDFWriter()
{
    mDocumentContext.SetObjectsContext(&mObjectsContext);
}

StatusCode PDFWriter::StartPDF(const std::string& outputFilePath, PDFVersion version,
                               const TraceLogSettings& logSettings,
                               const WriterSettings& writerSettings)
{
    TraceLog::DefaultTraceLog().ApplySettings(logSettings);
    // A document left unfinished by an earlier StartPDF is abandoned, not mixed in.
    (void)mOutputFile.CloseFile(); // its bytes no longer matter
    Cleanup();
    if (mOutputFile.OpenFile(outputFilePath, false, writerSettings.mCreateNew) != Success) {
        return Failure; // the file layer traced the reason
    }
    if (writerSettings.mFlushToDisk) {
        mOutputFile.EnableFlushBehind(); // EndPDF's flush then has little left to put on disk
    }
    mWritingToFile = true;
    mCheckedOutput.SetTarget(mOutputFile.GetOutputStream());
    mDocumentContext.SetOutputFile(&mOutputFile);
    return StartDocument(version, writerSettings);
}

StatusCode PDFWriter::StartPDFForStream(IByteWriterWithPosition* outputStream, PDFVersion version,
                                        const TraceLogSettings& logSettings,
                                        const WriterSettings& writerSettings)
{
    TraceLog::DefaultTraceLog().ApplySettings(logSettings);
    (void)mOutputFile.CloseFile(); // an abandoned document; its bytes no longer matter
    Cleanup();
    if (outputStream == nullptr) {
        TRACE_LOG("PDFWriter::StartPDFForStream, no output stream");
        return Failure;
    }
    mWritingToFile = false;
    mCheckedOutput.SetTarget(outputStream);
    return StartDocument(version, writerSettings);
}

StatusCode PDFWriter::StartDocument(PDFVersion version, const WriterSettings& writerSettings)
{
    mObjectsContext.SetCompressStreams(writerSettings.mCompressStreams);
    mEmbedFonts = writerSettings.mEmbedFonts;
    mFlushToDisk = writerSettings.mFlushToDisk;
    mDocumentContext.SetDocumentIDDateString(writerSettings.mDocumentIDDateString);
    mObjectsContext.SetOutputStream(&mCheckedOutput);
    return mDocumentContext.WriteHeader(version);
}

StatusCode PDFWriter::FinishPDF()
{
    return WriteDocumentEnd("FinishPDF", true);
}

StatusCode PDFWriter::EndPDF()
{
    StatusCode status = WriteDocumentEnd("EndPDF", false);
    const bool finishing = status == Success && mWritingToFile;
    if (finishing && mFlushToDisk && mOutputFile.FlushToDisk() != Success) {
        TRACE_LOG("PDFWriter::EndPDF, Could not flush output file to disk");
        status = Failure;
    } else if (finishing && mOutputFile.CloseFile() != Success) {
        TRACE_LOG("PDFWriter::EndPDF, Could not close output file");
        status = Failure;
    }
    if (status != Success) {
        (void)mOutputFile.CloseFile(); // already failed; closing a closed file does nothing
    }
    Cleanup();
    return status;
}

StatusCode PDFWriter::WriteDocumentEnd(const char* operation, bool handToSystem)
{
    if (mDocumentEnd != DocumentEnd::NotWritten) {
        return mDocumentEnd == DocumentEnd::Written ? Success : Failure; // already traced
    }
    mDocumentEnd = DocumentEnd::Failed;
    if (mCheckedOutput.GetTarget() == nullptr ||
        mDocumentContext.FinishNewDocument(mEmbedFonts) != Success) {
        TRACE_LOG("PDFWriter::%s, Could not end PDF", operation);
        return Failure;
    }
    if (mCheckedOutput.HasWriteFailed() ||
        (handToSystem && mWritingToFile && mOutputFile.PushToSystem() != Success)) {
        TRACE_LOG("PDFWriter::%s, Could not write all bytes to the output", operation);
        return Failure;
    }
    mDocumentEnd = DocumentEnd::Written;
    return Success;
}

void PDFWriter::Cleanup()
{
    mObjectsContext.Cleanup();
    mDocumentContext.Cleanup();
    mCheckedOutput.SetTarget(nullptr);
    mEmbedFonts = true;
    mFlushToDisk = false;
    mWritingToFile = false;
    mDocumentEnd = DocumentEnd::NotWritten;
}
