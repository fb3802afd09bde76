#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/Platform.h"

namespace platform {

const char kPathSeparator = '/';

std::string ExecutableFolder()
{
    std::string path(4096, '\0');
    for (;;) {
        ssize_t length = readlink("/proc/self/exe", path.data(), path.size());
        if (length < 0) {
            return std::string();
        }
        if (static_cast<std::size_t>(length) < path.size()) {
            path.resize(static_cast<std::size_t>(length));
            break;
        }
        path.resize(path.size() * 2);
    }
    std::size_t last = path.rfind('/');
    return last == std::string::npos ? path : path.substr(0, last);
}

std::optional<std::string> EnvironmentValue(const std::string& name)
{
    const char* value = std::getenv(name.c_str());
    if (value == nullptr) {
        return std::nullopt;
    }
    return std::string(value);
}

std::optional<std::string> RoamingAppDataFolder()
{
    return std::nullopt;
}

std::FILE* OpenFile(const std::string& path, const char* mode)
{
    return std::fopen(path.c_str(), mode);
}

int SeekFile(std::FILE* file, std::int64_t offset, int origin)
{
    return fseeko(file, static_cast<off_t>(offset), origin);
}

std::int64_t TellFile(std::FILE* file)
{
    return static_cast<std::int64_t>(ftello(file));
}

bool FlushFileToDisk(std::FILE* file)
{
    if (std::fflush(file) != 0) {
        return false;
    }
    return fsync(fileno(file)) == 0;
}

bool FileExists(const std::string& path)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return false;
    }
    struct stat info;
    bool isFile = fstat(fileno(file), &info) == 0 && S_ISREG(info.st_mode);
    std::fclose(file);
    return isFile;
}

bool PathExists(const std::string& path)
{
    struct stat info;
    return lstat(path.c_str(), &info) == 0;
}

bool RenameNoReplace(const std::string& from, const std::string& to, std::string& reason)
{
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return true;
    }
    int error = errno;
    if (error == EINVAL || error == ENOSYS || error == ENOTSUP) {
        // The file system cannot rename without replacing: a hard link fails when the
        // target exists, and the old name goes only once the new one is in place.
        if (link(from.c_str(), to.c_str()) == 0) {
            if (unlink(from.c_str()) == 0) {
                return true;
            }
            error = errno;
            unlink(to.c_str());
        } else {
            error = errno;
        }
    }
    reason = std::strerror(error);
    return false;
}

bool RemoveFile(const std::string& path)
{
    return unlink(path.c_str()) == 0;
}

std::tm LocalTime(std::time_t when)
{
    std::tm result{};
    localtime_r(&when, &result);
    return result;
}

std::optional<long> StandardTimeZoneOffsetSeconds()
{
    tzset();
    // timezone holds seconds west of Greenwich for standard time.
    return -static_cast<long>(timezone);
}

void PrepareConsole()
{
}

} // namespace platform
