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
    return StartDocument(version, logSettings, writerSettings);
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
    return StartDocument(version, logSettings, writerSettings);
}

StatusCode PDFWriter::StartDocument(PDFVersion version, const TraceLogSettings& /*logSettings*/,
                                    const WriterSettings& writerSettings)
{
    mObjectsContext.SetCompressStreams(writerSettings.mCompressStreams);
    mEmbedFonts = writerSettings.mEmbedFonts;
    mFlushToDisk = writerSettings.mFlushToDisk;
    mDocumentContext.SetDocumentIDDateString(writerSettings.mDocumentIDDateString);
    mObjectsContext.SetOutputStream(&mCheckedOutput);
    return mDocumentContext.WriteHeader(version);
}

StatusCode PDFWriter::EndPDF(const std::function<void()>& whileFlushing)
{
    if (mCheckedOutput.GetTarget() == nullptr) {
        TRACE_LOG("PDFWriter::EndPDF, Could not end PDF");
        Cleanup();
        return Failure;
    }

    StatusCode status = mDocumentContext.FinishNewDocument(mEmbedFonts);
    if (status != Success) {
        TRACE_LOG("PDFWriter::EndPDF, Could not end PDF");
    } else if (mCheckedOutput.HasWriteFailed() ||
               (mWritingToFile && whileFlushing && mOutputFile.PushToSystem() != Success)) {
        TRACE_LOG("PDFWriter::EndPDF, Could not write all bytes to the output");
        status = Failure;
    }
    const bool finishing = status == Success && mWritingToFile;
    if (finishing && whileFlushing) {
        whileFlushing();
    }
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

void PDFWriter::Cleanup()
{
    mObjectsContext.Cleanup();
    mDocumentContext.Cleanup();
    mCheckedOutput.SetTarget(nullptr);
    mEmbedFonts = true;
    mFlushToDisk = false;
    mWritingToFile = false;
}
