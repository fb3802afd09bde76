#pragma once

#include <optional>
#include <string>

#include "pdf/io/StatusCode.h"
#include "pdf/writing/PDFVersion.h"
#include "pdf/writing/TrailerInformation.h"

class DictionaryContext;
class ObjectsContext;
class OutputFile;

// The document-level part of writing: header, information dictionary, trailer and the
// document identifier. Writes through a borrowed ObjectsContext.
class DocumentContext
{
public:
    void SetObjectsContext(ObjectsContext* objectsContext) { mObjectsContext = objectsContext; }
    // Keeps the file's path for the document identifier.
    void SetOutputFile(const OutputFile* outputFile);
    void SetOutputFilePath(const std::string& path) { mOutputFilePath = path; }

    TrailerInformation& GetTrailerInformation() { return mTrailerInformation; }

    // Hashes this text instead of the current date string into the identifier. Emptied by
    // Cleanup, like everything that belongs to one document.
    void SetDocumentIDDateString(const std::optional<std::string>& dateString)
    {
        mDocumentIDDateString = dateString;
    }

    // "%" and the version's header text (none for an unknown version), then the comment
    // of three high bytes.
    StatusCode WriteHeader(PDFVersion version);
    // Fonts (none in this system), information dictionary, cross-reference table, trailer,
    // startxref and "%%EOF". Fails when the table cannot be written: the output then ends
    // inside the table.
    StatusCode FinishNewDocument(bool embedFonts);
    StatusCode WriteInfoDictionary();
    StatusCode WriteTrailerEntries(DictionaryContext* trailerDictionary);
    // 32 lower-case hex digits: MD5 over the date string, the path, the current output
    // position and the information entries.
    std::string ComputeDocumentID();

    // Empties the trailer information, the path and the fixed date string.
    void Cleanup();

private:
    ObjectsContext* mObjectsContext = nullptr;
    TrailerInformation mTrailerInformation;
    std::string mOutputFilePath;
    std::optional<std::string> mDocumentIDDateString;
};
