#include <cstdint>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include "platform/FolderListing.h"

namespace platform {

const bool kFileNamesIgnoreCase = false;

bool SameFileName(const std::string& a, const std::string& b)
{
    return a == b;
}

namespace {

// Length of the UTF-8 sequence that starts at text[0], or 0 when the bytes there are not one:
// a stray continuation byte, a sequence cut short, an overlong form, a surrogate or a code point
// beyond U+10FFFF.
std::size_t Utf8SequenceLength(const unsigned char* text, std::size_t available)
{
    const unsigned char lead = text[0];
    if (lead < 0x80) {
        return 1;
    }
    std::size_t length = 0;
    std::uint32_t value = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2;
        value = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        value = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        value = lead & 0x07;
    } else {
        return 0;
    }
    if (available < length) {
        return 0;
    }
    for (std::size_t i = 1; i < length; ++i) {
        if ((text[i] & 0xC0) != 0x80) {
            return 0;
        }
        value = (value << 6) | (text[i] & 0x3F);
    }
    constexpr std::uint32_t kSmallestOfLength[] = {0, 0, 0x80, 0x800, 0x10000};
    const bool surrogate = value >= 0xD800 && value <= 0xDFFF;
    return value < kSmallestOfLength[length] || surrogate || value > 0x10FFFF ? 0 : length;
}

bool IsUtf8(const std::string& text)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = Utf8SequenceLength(bytes + at, text.size() - at);
        if (length == 0) {
            return false;
        }
        at += length;
    }
    return true;
}

} // namespace

bool ForEachSubfolder(const std::string& folder,
                      const std::function<void(const std::string& name)>& visit)
{
    DIR* listing = opendir(folder.c_str());
    if (listing == nullptr) {
        return false;
    }
    const int folderHandle = dirfd(listing);
    while (const dirent* entry = readdir(listing)) {
        const std::string name = entry->d_name;
        if (name == "." || name == ".." || !IsUtf8(name)) {
            continue;
        }
        // The entry itself, not what a link there points at: a link is passed over.
        struct stat info;
        if (fstatat(folderHandle, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISDIR(info.st_mode)) {
            visit(name);
        }
    }
    closedir(listing);
    return true;
}

} // namespace platform
