#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
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

namespace {

std::string FolderOf(const std::string& path)
{
    std::size_t last = path.rfind('/');
    if (last == std::string::npos) {
        return ".";
    }
    return last == 0 ? "/" : path.substr(0, last);
}

// Puts the folder's entries (names just created, renamed or removed) on disk.
void FlushFolder(const std::string& folder)
{
    int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        (void)fsync(fd); // the rename itself is done; a folder that can't be flushed stays as is
        close(fd);
    }
}

} // namespace

std::FILE* OpenFile(const std::string& path, const char* mode, std::string& reason)
{
    const bool reading = mode[0] == 'r';
    const std::string modeText(mode);
    const bool createNew = modeText.find('x') != std::string::npos;
    int flags = O_CLOEXEC | O_NONBLOCK;
    if (reading) {
        flags |= O_RDONLY;
    } else if (createNew) {
        // O_EXCL alone already refuses a link at the path; O_NOFOLLOW says so once more.
        flags |= O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW;
    } else {
        flags |= O_WRONLY | O_CREAT | (mode[0] == 'a' ? O_APPEND : O_TRUNC);
    }
    // O_NONBLOCK: opening a FIFO waits for its other end otherwise. It is cleared once the
    // file is open, so reads and writes block as usual.
    // A file we create is the user's alone (0600 whatever the umask): a new trust store must
    // not be readable by others while it is written. CopyAccessSettings gives it the old
    // store's bits once it is complete.
    int fd = open(path.c_str(), flags, 0600);
    if (fd < 0) {
        reason = std::strerror(errno);
        return nullptr;
    }
    struct stat info;
    if (fstat(fd, &info) != 0) {
        reason = std::strerror(errno);
        close(fd);
        return nullptr;
    }
    if (reading && !S_ISREG(info.st_mode)) {
        reason = S_ISDIR(info.st_mode) ? "Is a directory" : "Not a regular file";
        close(fd);
        return nullptr;
    }
    (void)fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK); // a regular file ignores it
    std::FILE* file = fdopen(fd, createNew ? "wb" : mode);
    if (file == nullptr) {
        reason = std::strerror(errno);
        close(fd);
    }
    return file;
}

std::FILE* OpenFile(const std::string& path, const char* mode)
{
    std::string reason;
    return OpenFile(path, mode, reason);
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

std::intptr_t SystemFileHandle(std::FILE* file)
{
    return fileno(file);
}

bool SyncFileDataToDisk(std::intptr_t handle)
{
    return handle >= 0 && fdatasync(static_cast<int>(handle)) == 0;
}

bool PathExists(const std::string& path)
{
    struct stat info;
    return lstat(path.c_str(), &info) == 0;
}

PathKind KindOfPath(const std::string& path)
{
    struct stat info;
    if (stat(path.c_str(), &info) != 0) {
        // A dangling link is still something at the path that is not a store.
        return PathExists(path) ? PathKind::Other : PathKind::Missing;
    }
    return S_ISREG(info.st_mode) ? PathKind::RegularFile : PathKind::Other;
}

NameKind KindOfName(const std::string& path)
{
    struct stat info;
    if (lstat(path.c_str(), &info) != 0) {
        return NameKind::Missing;
    }
    if (S_ISLNK(info.st_mode)) {
        return NameKind::Link;
    }
    if (S_ISDIR(info.st_mode)) {
        return NameKind::Folder;
    }
    return S_ISREG(info.st_mode) ? NameKind::RegularFile : NameKind::Other;
}

bool RenameNoReplace(const std::string& from, const std::string& to, std::string& reason)
{
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        FlushFolder(FolderOf(to));
        return true;
    }
    int error = errno;
    if (error == EINVAL || error == ENOSYS || error == ENOTSUP) {
        // The file system cannot rename without replacing: a hard link fails when the
        // target exists, and the old name goes only once the new one is in place.
        if (link(from.c_str(), to.c_str()) == 0) {
            if (unlink(from.c_str()) == 0) {
                FlushFolder(FolderOf(to));
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

bool RemoveFile(const std::string& path, std::string& reason)
{
    // unlink removes a link itself; it refuses a folder (EISDIR), root included.
    if (unlink(path.c_str()) != 0) {
        reason = std::strerror(errno);
        return false;
    }
    return true;
}

bool RemoveFile(const std::string& path)
{
    std::string reason;
    return RemoveFile(path, reason);
}

std::optional<FileIdentity> IdentityOf(const std::string& path)
{
    struct stat info;
    if (stat(path.c_str(), &info) != 0) {
        return std::nullopt;
    }
    FileIdentity identity;
    identity.volume = static_cast<std::uint64_t>(info.st_dev);
    identity.index = static_cast<std::uint64_t>(info.st_ino);
    identity.size = static_cast<std::int64_t>(info.st_size);
    identity.changeTime = static_cast<std::int64_t>(info.st_ctim.tv_sec) * 1000000000 +
                          static_cast<std::int64_t>(info.st_ctim.tv_nsec);
    return identity;
}

namespace {

// The file at path, which this process created, opened to change its settings: never through a
// link, and only a plain file of one name, so that a name swapped meanwhile for a link or a hard
// link to another file never passes another file's settings on. -1 with the reason otherwise.
int OpenCreatedFile(const std::string& path, std::string& reason)
{
    int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        reason = std::strerror(errno);
        return -1;
    }
    struct stat info;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_nlink != 1) {
        reason = "Not a file of its own";
        close(fd);
        return -1;
    }
    return fd;
}

} // namespace

bool CopyOwner(const std::string& from, const std::string& to, std::string& reason)
{
    struct stat old;
    if (stat(from.c_str(), &old) != 0) {
        reason = std::strerror(errno);
        return false;
    }
    const int fd = OpenCreatedFile(to, reason);
    if (fd < 0) {
        return false;
    }
    struct stat current;
    bool given = fstat(fd, &current) == 0;
    if (given && (current.st_uid != old.st_uid || current.st_gid != old.st_gid)) {
        given = fchown(fd, old.st_uid, old.st_gid) == 0;
    }
    if (!given) {
        reason = std::strerror(errno);
    }
    close(fd);
    return given;
}

bool CopyAccessSettings(const std::string& from, const std::string& to, std::string& reason)
{
    struct stat old;
    if (stat(from.c_str(), &old) != 0) {
        reason = std::strerror(errno);
        return false;
    }
    const int fd = OpenCreatedFile(to, reason);
    if (fd < 0) {
        return false;
    }
    const bool given = fchmod(fd, old.st_mode & 0777) == 0;
    if (!given) {
        reason = std::strerror(errno);
    }
    close(fd);
    return given;
}

ExclusiveLock::Attempt ExclusiveLock::TryAcquire(const std::string& path,
                                                 std::unique_ptr<ExclusiveLock>& lock,
                                                 std::string& reason, Use use)
{
    // The folder itself is locked: nothing is created beside the file, and the lock goes with
    // the descriptor when the process ends.
    int fd = open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        reason = std::strerror(errno);
        return Attempt::Failed;
    }
    if (flock(fd, (use == Use::Update ? LOCK_EX : LOCK_SH) | LOCK_NB) != 0) {
        int error = errno;
        close(fd);
        if (error == EWOULDBLOCK) {
            return Attempt::HeldElsewhere;
        }
        reason = std::strerror(error);
        return Attempt::Failed;
    }
    lock.reset(new ExclusiveLock(fd));
    return Attempt::Acquired;
}

ExclusiveLock::~ExclusiveLock()
{
    close(static_cast<int>(mHandle)); // closing the last descriptor releases the flock
}

void SleepMilliseconds(int milliseconds)
{
    struct timespec pause;
    pause.tv_sec = milliseconds / 1000;
    pause.tv_nsec = static_cast<long>(milliseconds % 1000) * 1000000;
    while (nanosleep(&pause, &pause) != 0 && errno == EINTR) {
    }
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

void RestoreConsole()
{
}

void WaitForKeyOrTimeout(int)
{
}

} // namespace platform
