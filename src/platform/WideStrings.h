#pragma once

// Windows only: conversions between the UTF-8 strings used everywhere else and the UTF-16
// strings of the wide-character Windows API, and the long form of a path. Platform.h stays free of
// wide types; code that calls the Windows API itself (the platform layer, test helpers) includes
// this one.

#include <cstddef>
#include <string>

namespace platform {

// Empty for empty text. Invalid UTF-8 sequences become U+FFFD, so a damaged name still
// converts (and then fails to match) instead of being cut short.
std::wstring Utf8ToWide(const std::string& text);
// Empty for no characters. Unpaired surrogates become U+FFFD.
std::string WideToUtf8(const wchar_t* text, std::size_t count);
std::string WideToUtf8(const std::wstring& text);

// The form of a path the wide file functions take without the 260-character limit: a full
// path with the \\?\ prefix (\\?\UNC\ for a network share). The prefix turns off the
// system's own clean-up of the name, so the path is made full (slashes, "." and "..") first.
std::wstring SystemPath(const std::string& path);

} // namespace platform
