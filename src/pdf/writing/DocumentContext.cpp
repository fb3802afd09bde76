#include "pdf/writing/DocumentContext.h"

#include <cstdio>

#include "pdf/io/IByteWriterWithPosition.h"
#include "pdf/io/OutputFile.h"
#include "pdf/writing/MD5Generator.h"
#include "pdf/writing/ObjectsContext.h"

namespace {

const char* HeaderText(PDFVersion version)
{
    switch (version) {
    case ePDFVersion10:
        return "PDF-1.0";
    case ePDFVersion11:
        return "PDF-1.1";
    case ePDFVersion12:
        return "PDF-1.2";
    case ePDFVersion13:
        return "PDF-1.3";
    case ePDFVersion14:
        return "PDF-1.4";
    case ePDFVersion15:
        return "PDF-1.5";
    case ePDFVersion16:
        return "PDF-1.6";
    case ePDFVersion17:
    case ePDFVersion18:
        return "PDF-1.7";
    case PPKLiteVersion21:
        return "PPKLITE-2.1";
    }
    return nullptr;
}

// The fonts a document used would be written here; this system writes no fonts, so there
// is never anything to do.
StatusCode WriteUsedFonts(ObjectsContext& /*objectsContext*/, bool /*embedFonts*/)
{
    return Success;
}

} // namespace

void DocumentContext::SetOutputFile(const OutputFile* outputFile)
{
    mOutputFilePath = outputFile != nullptr ? outputFile->GetFilePath() : std::string();
}

StatusCode DocumentContext::WriteHeader(PDFVersion version)
{
    if (mObjectsContext == nullptr) {
        return Failure;
    }
    if (const char* text = HeaderText(version)) {
        mObjectsContext->WriteComment(text);
    }
    static constexpr unsigned char kBinaryComment[] = {0x25, 0xBD, 0xBE, 0xBC, 0x0D, 0x0A};
    mObjectsContext->GetTokenWriter().WriteBytes(kBinaryComment, sizeof(kBinaryComment));
    return Success;
}

StatusCode DocumentContext::FinishNewDocument(bool embedFonts)
{
    if (mObjectsContext == nullptr) {
        return Failure;
    }
    if (WriteUsedFonts(*mObjectsContext, embedFonts) != Success) {
        return Failure;
    }
    if (WriteInfoDictionary() != Success) {
        return Failure;
    }
    FilePosition xrefPosition = 0;
    if (mObjectsContext->WriteXrefTable(xrefPosition) != Success) {
        return Failure;
    }
    mObjectsContext->WriteKeyword("trailer");
    DictionaryContext* trailer = mObjectsContext->StartDictionary();
    if (WriteTrailerEntries(trailer) != Success) {
        return Failure;
    }
    if (mObjectsContext->EndDictionary(trailer) != Success) {
        return Failure;
    }
    mObjectsContext->WriteKeyword("startxref");
    mObjectsContext->WriteInteger(xrefPosition, SeparatorEndLine);
    mObjectsContext->GetTokenWriter().WriteBytes("%%EOF", 5);
    return Success;
}

StatusCode DocumentContext::WriteInfoDictionary()
{
    const InfoDictionary& info = mTrailerInformation.mInfoDictionary;
    if (info.IsEmpty()) {
        return Success;
    }
    const ObjectNumber objectID = mObjectsContext->StartIndirectObject();
    if (objectID == 0) {
        return Failure;
    }
    DictionaryContext* dictionary = mObjectsContext->StartDictionary();
    const std::pair<const char*, const std::string*> texts[] = {
        {"Title", &info.Title},       {"Author", &info.Author},   {"Subject", &info.Subject},
        {"Keywords", &info.Keywords}, {"Creator", &info.Creator}, {"Producer", &info.Producer}};
    for (const auto& [key, value] : texts) {
        if (!value->empty() && dictionary->WriteKey(key) == Success) {
            dictionary->WriteLiteralStringValue(*value);
        }
    }
    if (!info.CreationDate.IsNull() && dictionary->WriteKey("CreationDate") == Success) {
        dictionary->WriteLiteralStringValue(info.CreationDate.ToString());
    }
    if (!info.ModDate.IsNull() && dictionary->WriteKey("ModDate") == Success) {
        dictionary->WriteLiteralStringValue(info.ModDate.ToString());
    }
    if (info.Trapped != InfoDictionary::ETrappedUndefined &&
        dictionary->WriteKey("Trapped") == Success) {
        dictionary->WriteNameValue(info.Trapped == InfoDictionary::ETrappedTrue ? "True" : "False");
    }
    for (const auto& [key, value] : info.mAdditionalInfoEntries) {
        // A key that repeats a standard one was traced by WriteKey; its value is dropped.
        if (dictionary->WriteKey(key) == Success) {
            dictionary->WriteLiteralStringValue(value);
        }
    }
    if (mObjectsContext->EndDictionary(dictionary) != Success) {
        return Failure;
    }
    mObjectsContext->EndIndirectObject();
    mTrailerInformation.mInfoDictionaryReference = ObjectReference(objectID, 0);
    return Success;
}

StatusCode DocumentContext::WriteTrailerEntries(DictionaryContext* trailerDictionary)
{
    (void)trailerDictionary->WriteKey("Size"); // a fresh dictionary: no key repeats
    trailerDictionary->WriteIntegerValue(
        mObjectsContext->GetReferencesRegistry().GetObjectsCount());
    if (mTrailerInformation.mPrev != 0) {
        (void)trailerDictionary->WriteKey("Prev");
        trailerDictionary->WriteIntegerValue(mTrailerInformation.mPrev);
    }
    // The caller's first object is its catalog, always.
    (void)trailerDictionary->WriteKey("Root");
    trailerDictionary->WriteObjectReferenceValue(1, 0);
    if (mTrailerInformation.mEncryptReference.ObjectID != 0) {
        (void)trailerDictionary->WriteKey("Encrypt");
        trailerDictionary->WriteObjectReferenceValue(mTrailerInformation.mEncryptReference);
    }
    if (mTrailerInformation.mInfoDictionaryReference.ObjectID != 0) {
        (void)trailerDictionary->WriteKey("Info");
        trailerDictionary->WriteObjectReferenceValue(mTrailerInformation.mInfoDictionaryReference);
    }
    // The identifier covers the output position just before its own entry.
    const std::string documentID = ComputeDocumentID();
    (void)trailerDictionary->WriteKey("ID");
    mObjectsContext->StartArray();
    mObjectsContext->WriteHexString(documentID, SeparatorSpace);
    mObjectsContext->WriteHexString(documentID, SeparatorSpace);
    mObjectsContext->EndArray(SeparatorNone);
    mObjectsContext->EndLine();
    return Success;
}

std::string DocumentContext::ComputeDocumentID()
{
    MD5Generator md5;
    if (mDocumentIDDateString) {
        md5.Accumulate(*mDocumentIDDateString);
    } else {
        PDFDate now;
        now.SetToCurrentTime();
        md5.Accumulate(now.ToString());
    }
    md5.Accumulate(mOutputFilePath);

    IByteWriterWithPosition* output =
        mObjectsContext != nullptr ? mObjectsContext->GetCurrentOutputStream() : nullptr;
    char position[32];
    const int length =
        std::snprintf(position, sizeof(position), "%lld",
                      static_cast<long long>(output != nullptr ? output->GetCurrentPosition() : 0));
    md5.Accumulate(std::string_view(position, static_cast<std::size_t>(length)));

    const InfoDictionary& info = mTrailerInformation.mInfoDictionary;
    md5.Accumulate(info.Title);
    md5.Accumulate(info.Author);
    md5.Accumulate(info.Subject);
    md5.Accumulate(info.Keywords);
    md5.Accumulate(info.Creator);
    md5.Accumulate(info.Producer);
    md5.Accumulate(info.CreationDate.ToString());
    md5.Accumulate(info.ModDate.ToString());
    switch (info.Trapped) {
    case InfoDictionary::ETrappedTrue:
        md5.Accumulate("True");
        break;
    case InfoDictionary::ETrappedFalse:
        md5.Accumulate("False");
        break;
    default:
        md5.Accumulate("Unknown");
        break;
    }
    for (const auto& entry : info.mAdditionalInfoEntries) {
        md5.Accumulate(entry.second);
    }
    return md5.FinalizeToHexString();
}

void DocumentContext::Cleanup()
{
    mTrailerInformation = TrailerInformation();
    mOutputFilePath.clear();
    mDocumentIDDateString.reset();
}
