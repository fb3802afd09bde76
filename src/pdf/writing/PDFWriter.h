#pragma once

#include <string>

#include "pdf/io/OutputFile.h"
#include "pdf/io/StatusCode.h"
#include "pdf/io/TraceLogSettings.h"
#include "pdf/writing/DocumentContext.h"
#include "pdf/writing/ObjectsContext.h"
#include "pdf/writing/OutputWriteCheckStream.h"
#include "pdf/writing/PDFVersion.h"
#include "pdf/writing/WriterSettings.h"

class IByteWriterWithPosition;

// Writes one new file in PDF object syntax: StartPDF (header), the caller's objects through
// GetObjectsContext (object 1 must be the catalog), EndPDF (cross-reference table, trailer,
// "%%EOF", close), optionally after FinishPDF, which writes that end and leaves the file open.
// Can be used again for another document after EndPDF.
class PDFWriter
{
public:
    PDFWriter();
    PDFWriter(const PDFWriter&) = delete;
    PDFWriter& operator=(const PDFWriter&) = delete;

    // Creates or truncates the file and writes the header. On Failure nothing is written and
    // the writer stays closed; writing objects then has no effect and EndPDF fails. With
    // mFlushToDisk the file's data is put on disk behind the writer as it grows, and EndPDF
    // puts the rest there.
    StatusCode StartPDF(const std::string& outputFilePath, PDFVersion version,
                        const TraceLogSettings& logSettings = TraceLogSettings::Default(),
                        const WriterSettings& writerSettings = WriterSettings());
    // The same into a caller's stream, which is borrowed until EndPDF. Nothing is closed or
    // flushed at the end; the path in the document identifier is empty.
    StatusCode StartPDFForStream(IByteWriterWithPosition* outputStream, PDFVersion version,
                                 const TraceLogSettings& logSettings = TraceLogSettings::Default(),
                                 const WriterSettings& writerSettings = WriterSettings());

    ObjectsContext& GetObjectsContext() { return mObjectsContext; }
    DocumentContext& GetDocumentContext() { return mDocumentContext; }

    // Finishes and closes the document. Fails when the document could not be finished (an
    // allocated object never written), when any byte could not be written, or when the file
    // could not be flushed or closed. Whatever the result, the file is closed and both
    // contexts are clean for another document.
    StatusCode EndPDF();

    // The first half of EndPDF, for a caller that works on the finished file while its last
    // bytes go to disk: writes the cross-reference table, the trailer and "%%EOF" and, for a
    // file, hands every byte to the system, so that the whole file can be read back at its
    // path. The file stays open, and with mFlushToDisk its data keeps going to disk behind the
    // caller. EndPDF must follow whatever the result: it then only puts the file on disk,
    // closes it and cleans up, and it fails when this did.
    StatusCode FinishPDF();

private:
    StatusCode StartDocument(PDFVersion version, const WriterSettings& writerSettings);
    // Writes the end of the document (once); operation names the caller in trace lines.
    // handToSystem: also pass every byte of a file on to the system.
    StatusCode WriteDocumentEnd(const char* operation, bool handToSystem);
    void Cleanup();

    enum class DocumentEnd
    {
        NotWritten,
        Written,
        Failed
    };

    ObjectsContext mObjectsContext;
    DocumentContext mDocumentContext;
    OutputFile mOutputFile;
    OutputWriteCheckStream mCheckedOutput;
    bool mEmbedFonts = true;
    bool mFlushToDisk = false;
    bool mWritingToFile = false;
    DocumentEnd mDocumentEnd = DocumentEnd::NotWritten;
};
