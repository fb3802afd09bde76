#pragma once

// Header versions of a written file. Values without a header text (19, 20 and any other)
// write no version line.
enum PDFVersion
{
    ePDFVersion10 = 10,
    ePDFVersion11 = 11,
    ePDFVersion12 = 12,
    ePDFVersion13 = 13,
    ePDFVersion14 = 14,
    ePDFVersion15 = 15,
    ePDFVersion16 = 16,
    ePDFVersion17 = 17,
    ePDFVersion18 = 18,
    // The trust store's header, "%PPKLITE-2.1".
    PPKLiteVersion21 = 21
};
