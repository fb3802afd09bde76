#include "installer/FileBytes.h"

#include <cstdio>

#include "platform/Platform.h"

namespace {

// Closes the file on every way out of ReadFileBytes.
class FileCloser
{
public:
    explicit FileCloser(std::FILE* file) : mFile(file) {}
    ~FileCloser()
    {
        if (mFile != nullptr) {
            std::fclose(mFile);
        }
    }
    FileCloser(const FileCloser&) = delete;
    FileCloser& operator=(const FileCloser&) = delete;

private:
    std::FILE* mFile;
};

} // namespace

std::optional<std::vector<std::uint8_t>> ReadFileBytes(const std::string& path,
                                                       std::int64_t maxBytes)
{
    std::FILE* file = platform::OpenFile(path, "rb");
    if (file == nullptr) {
        return std::nullopt;
    }
    FileCloser closer(file);
    if (platform::SeekFile(file, 0, SEEK_END) != 0) {
        return std::nullopt;
    }
    const std::int64_t size = platform::TellFile(file);
    if (size < 0 || size > maxBytes) {
        return std::nullopt;
    }
    if (platform::SeekFile(file, 0, SEEK_SET) != 0) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    if (!bytes.empty() && std::fread(bytes.data(), 1, bytes.size(), file) != bytes.size()) {
        // The file shrank or could not be read: half a file is not its content.
        return std::nullopt;
    }
    return bytes;
}
