#include "pdf/io/TraceLog.h"
#include "pdf/parsing/PDFParser.h"

// Cross-reference streams, object streams and stream readers are not read yet: each entry
// point fails cleanly with a trace line, so a document that needs them is refused instead of
// misread.

StatusCode PDFParser::BuildXrefTableAndTrailerFromXrefStream(long long xrefStreamObjectID)
{
    TRACE_LOG("PDFParser::BuildXrefTableAndTrailerFromXrefStream, cross reference streams are "
              "not supported, object %lld",
              xrefStreamObjectID);
    return Failure;
}

StatusCode PDFParser::ParseXrefFromXrefStream(XrefTable& /*table*/, FilePosition xrefStreamOffset)
{
    TRACE_LOG("PDFParser::ParseXrefFromXrefStream, cross reference streams are not supported, "
              "at %lld",
              static_cast<long long>(xrefStreamOffset));
    return Failure;
}

StatusCode PDFParser::ParseXrefFromXrefStream(XrefTable& /*table*/, PDFStreamInput* /*xrefStream*/)
{
    TRACE_LOG("PDFParser::ParseXrefFromXrefStream, cross reference streams are not supported");
    return Failure;
}

PDFObject* PDFParser::ParseExistingInDirectStreamObject(ObjectNumber objectID)
{
    TRACE_LOG("PDFParser::ParseExistingInDirectStreamObject, object streams are not supported, "
              "object %lld",
              static_cast<long long>(objectID));
    return nullptr;
}

IByteReader* PDFParser::CreateInputStreamReader(PDFStreamInput* /*stream*/)
{
    TRACE_LOG("PDFParser::CreateInputStreamReader, stream readers are not supported");
    return nullptr;
}

IByteReader* PDFParser::OpenStreamForReading(PDFStreamInput* /*stream*/)
{
    TRACE_LOG("PDFParser::OpenStreamForReading, stream readers are not supported");
    return nullptr;
}
