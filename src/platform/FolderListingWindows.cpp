#include <cwchar>
#include <optional>
#include <windows.h>

#include "platform/FolderListing.h"
#include "platform/WideStrings.h"

namespace platform {

const bool kFileNamesIgnoreCase = true;

bool SameFileName(const std::string& a, const std::string& b)
{
    // The ordinal comparison without case is the one the file system makes.
    const std::wstring wideA = Utf8ToWide(a);
    const std::wstring wideB = Utf8ToWide(b);
    return CompareStringOrdinal(wideA.c_str(), static_cast<int>(wideA.size()), wideB.c_str(),
                                static_cast<int>(wideB.size()), TRUE) == CSTR_EQUAL;
}

namespace {

// The name as UTF-8, or nothing when it holds an unpaired surrogate: such a name has no UTF-8
// form, and the replacement character in its place would name another file.
std::optional<std::string> StrictUtf8(const wchar_t* name)
{
    const int count = static_cast<int>(wcslen(name));
    const int length = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, name, count, nullptr, 0,
                                           nullptr, nullptr);
    if (length <= 0) {
        return std::nullopt;
    }
    std::string narrow(static_cast<std::size_t>(length), '\0');
    if (WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, name, count, narrow.data(), length,
                            nullptr, nullptr) != length) {
        return std::nullopt;
    }
    return narrow;
}

} // namespace

bool ForEachSubfolder(const std::string& folder,
                      const std::function<void(const std::string& name)>& visit)
{
    std::wstring pattern = SystemPath(folder);
    if (pattern.empty()) {
        return false;
    }
    if (pattern.back() != L'\\') {
        pattern.push_back(L'\\');
    }
    pattern.push_back(L'*');
    WIN32_FIND_DATAW entry{};
    HANDLE listing = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &entry,
                                      FindExSearchLimitToDirectories, nullptr, 0);
    if (listing == INVALID_HANDLE_VALUE) {
        return false;
    }
    do {
        // Limiting the search to folders is only a hint the file system may ignore. A reparse
        // point is a junction or a link, not a folder of its own.
        const DWORD attributes = entry.dwFileAttributes;
        if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ||
            (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ||
            wcscmp(entry.cFileName, L".") == 0 || wcscmp(entry.cFileName, L"..") == 0) {
            continue;
        }
        if (std::optional<std::string> name = StrictUtf8(entry.cFileName)) {
            visit(*name);
        }
    } while (FindNextFileW(listing, &entry) != 0);
    FindClose(listing);
    return true;
}

} // namespace platform
