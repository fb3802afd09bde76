#pragma once

#include <optional>
#include <string>

// How PDFWriter::StartPDF sets up a document.
struct WriterSettings
{
    bool mCompressStreams = true;
    bool mEmbedFonts = true;
    // EndPDF asks the system to put the finished file on disk before closing it; a failure
    // there fails EndPDF. The data is also put on disk behind the writer while the file
    // grows, so that little is left for that last step.
    bool mFlushToDisk = false;
    // The output file is created and never opened: StartPDF fails when anything is at its
    // path, a link included, so the document goes only into a file of its own making.
    bool mCreateNew = false;
    // A fixed text in place of the current date string in the document identifier, for
    // output that must come out the same on every run. The identifier stays an MD5 digest
    // over the same items.
    std::optional<std::string> mDocumentIDDateString;
};
