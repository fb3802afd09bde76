#pragma once

#include <string_view>

#include "pdf/objects/PDFName.h"

// Orders dictionary keys by their text, byte by byte as unsigned values; a prefix sorts
// before the longer key. std::string_view comparison does exactly that (char_traits<char>
// compares as unsigned char). Transparent, so a dictionary can be searched with plain text
// without building a PDFName.
struct PDFNameLess
{
    using is_transparent = void;

    bool operator()(const PDFName* left, const PDFName* right) const
    {
        return std::string_view(left->GetValue()) < std::string_view(right->GetValue());
    }
    bool operator()(const PDFName* left, std::string_view right) const
    {
        return std::string_view(left->GetValue()) < right;
    }
    bool operator()(std::string_view left, const PDFName* right) const
    {
        return left < std::string_view(right->GetValue());
    }
};
