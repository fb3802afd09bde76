#include "pdf/objects/PDFObject.h"

const char* PDFObject::PDFObjectTypeLabels[PDFObject::kPDFObjectTypeCount] = {
    "Boolean", "LiteralString", "HexString", "Null",       "Name",
    "Integer", "Real",          "Array",     "Dictionary", "IndirectObjectReference",
    "Stream",  "Symbol"};
