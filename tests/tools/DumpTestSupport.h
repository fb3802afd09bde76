#pragma once

#include <memory>
#include <string>

#include "TempFolder.h"
#include "pdf/io/InputFile.h"
#include "pdf/io/StatusCode.h"
#include "tools/pdf-dump/DumpParser.h"

// A file written to a fresh temporary folder and read through pdf-dump's parser, as the tool
// does it. The file stays open while the test fetches objects.
struct OpenedDocument
{
    TempFolder folder;
    InputFile file;
    DumpParser parser;
    StatusCode openStatus = Failure;

    explicit OpenedDocument(const std::string& bytes)
    {
        const std::string path = folder.PathOf("dokument-ü.pdf");
        TempFolder::WriteFile(path, bytes);
        openStatus = file.OpenFile(path);
        if (openStatus == Success) {
            // The result only says whether a page tree was found; the tests look at what was read.
            (void)parser.ParseDocument(file.GetInputStream());
        }
    }
};
