#pragma once

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <memory>
#include <optional>
#include <string>

// The only door to the operating system. Every path here is UTF-8; the Windows side turns
// it into UTF-16 at the system call and back.
namespace platform {

// "\" on Windows, "/" elsewhere. Every path the installer composes uses it.
extern const char kPathSeparator;

// Folder of the running executable, without a trailing separator.
std::string ExecutableFolder();

// Value of an environment variable, or nothing when it is not set.
std::optional<std::string> EnvironmentValue(const std::string& name);

// The user's roaming application-data folder from the system, when the environment does
// not say it (Windows known folder); nothing elsewhere.
std::optional<std::string> RoamingAppDataFolder();

// Opens a file with the C library's modes ("rb", "wb", "ab", "r"), shared with other
// processes for reading, writing, renaming and deleting, so that our reading never holds up
// another program's save or rename. Null when it cannot be opened; reason then says why.
// A read mode opens only a regular file, and never waits for a writer: a FIFO, a device or a
// folder at the path gives null at once. On Windows an open that the system refuses with a
// sharing violation, access denied or a lock violation (a virus scanner holding the file for
// a moment) is tried again with short pauses for about three seconds before it fails.
// A file that a write mode creates on POSIX is readable and writable by its owner only.
// "wbx" creates a new file and never opens one that exists: it fails when anything is at the
// path, a link included, whether or not the link leads anywhere (O_CREAT | O_EXCL |
// O_NOFOLLOW, CREATE_NEW). What it writes to is then always the file it made.
std::FILE* OpenFile(const std::string& path, const char* mode);
std::FILE* OpenFile(const std::string& path, const char* mode, std::string& reason);

// 64-bit seek and tell; origin is SEEK_SET, SEEK_CUR or SEEK_END. Seek returns 0 on success.
int SeekFile(std::FILE* file, std::int64_t offset, int origin);
std::int64_t TellFile(std::FILE* file);

// Flushes the C library's buffer and asks the system to put the file's data on disk.
bool FlushFileToDisk(std::FILE* file);

// The system's own handle of an open file: its descriptor (POSIX) or its HANDLE (Windows);
// -1 when the file has none. Valid while the file stays open.
std::intptr_t SystemFileHandle(std::FILE* file);

// Asks the system to put on disk the data already handed to it for the file with this handle
// (fdatasync, FlushFileBuffers); the C library's buffer is left alone. Safe on another thread
// while one goes on writing through the file's FILE, which must stay open until this returns.
// False when the system reports a failure or the handle is -1.
bool SyncFileDataToDisk(std::intptr_t handle);

// True when the path is a regular file that can be opened for reading right now (shared with
// other processes). Never blocks, whatever is at the path.
bool FileExists(const std::string& path);

// True when something (file or folder) exists at the path.
bool PathExists(const std::string& path);

// What is at a path, found without opening it (a FIFO there never blocks the caller).
enum class PathKind
{
    Missing,
    RegularFile,
    Other // a folder, FIFO, device or socket
};
PathKind KindOfPath(const std::string& path);

// What the name itself is, a link not followed: what a remove or a rename of the name would
// act on. Link covers symbolic links and, on Windows, every reparse point (junctions
// included). Under Wine, which shows a Unix symbolic link as the file it leads to, a link to a
// file is told by the file it opens being found under another path; a link leading nowhere
// looks Missing there (and a "wbx" open of it still fails).
enum class NameKind
{
    Missing,
    RegularFile,
    Link,
    Folder,
    Other // a FIFO, device or socket
};
NameKind KindOfName(const std::string& path);

// Moves a file to a new name within its folder. Never replaces anything that exists under the
// new name. The rename is on disk when this returns (the folder is flushed on POSIX, the move
// written through on Windows). On failure returns false and puts the system's reason in reason.
// Transient refusals are retried on Windows as for OpenFile.
bool RenameNoReplace(const std::string& from, const std::string& to, std::string& reason);

// Deletes a file, first making it removable when it carries the read-only attribute (Windows);
// false when it could not be deleted, with the reason. A link at the path is removed itself,
// never what it leads to (POSIX unlink; Windows opens the name with
// FILE_FLAG_OPEN_REPARSE_POINT and deletes through that handle); where the system can only
// reach the link's target (Wine), nothing is deleted and the result is false. A folder is never
// removed. Transient refusals are retried on Windows as for OpenFile.
bool RemoveFile(const std::string& path);
bool RemoveFile(const std::string& path, std::string& reason);

// Which file a path names, and the state of its content, to tell whether another program
// replaced or rewrote it meanwhile. Equal identities mean the same file, unchanged. The time
// compared is the status-change time (POSIX st_ctime with nanoseconds, Windows ChangeTime),
// which the system sets on every write and every change of the file's times or settings: a
// program that rewrites a file in place and puts its size and last write time back (as sync
// and backup tools do) still changes it.
struct FileIdentity
{
    std::uint64_t volume = 0;
    std::uint64_t index = 0; // the file's number on its volume (inode, file index)
    std::int64_t size = 0;
    std::int64_t changeTime = 0; // in the system's own unit
    bool operator==(const FileIdentity&) const = default;
};
// Nothing when the path names no file that can be looked at.
std::optional<FileIdentity> IdentityOf(const std::string& path);

// Gives the file at to, which this process created, the owner and group of the file at from
// (POSIX fchown on to, opened without following a link: root may give any owner, and a user
// giving their own file the group it had needs no privilege). False with the system's reason
// when they could not be given, or when to is not a plain file of one name. On Windows it
// does nothing: a per-user run creates the file as the user's, which the store is.
bool CopyOwner(const std::string& from, const std::string& to, std::string& reason);

// Gives the file at to the access settings of the file at from: the POSIX permission bits
// (0777 only: set-user-ID, set-group-ID and sticky bits are never copied), set on to opened
// without following a link; on Windows the read-only, hidden and system attributes and, where
// from carries an explicit DACL (not only inherited entries), that DACL. Call CopyOwner first
// and this once to is complete: a read-only file can no longer be written. False with the
// system's reason when a setting could not be read or given; to may then hold some of them.
bool CopyAccessSettings(const std::string& from, const std::string& to, std::string& reason);

// A hold on the file at one path, between processes that take it through this class: a store
// is updated by one run at a time, and not read while it is updated. It is released when the
// object goes away, and by the system when the process ends in any way, killed included.
// POSIX holds a flock on the folder of the path (exclusive to update, shared to read), and
// nothing is created. On Windows an update creates path + "-lock" anew (CREATE_NEW), without
// sharing and with delete-on-close, so the system removes it when the run ends, killed or not;
// a stale lock file (left by a power cut) or a link found there is removed first, a link
// itself (FILE_FLAG_OPEN_REPARSE_POINT), never what it leads to. A read opens an existing
// lock file for reading only and creates nothing: with no lock file no update is running, and
// one that starts meanwhile never changes the store in place. A folder, a device or a link
// that cannot be removed at the lock's name gives Failed at once.
class ExclusiveLock
{
public:
    enum class Attempt
    {
        Acquired,
        HeldElsewhere, // another process holds it; try again later
        Failed         // cannot be taken at all (reason says why)
    };
    enum class Use
    {
        Update, // exclusive; may create (and remove) the lock's file
        Read    // shared with other reads, excludes an update; writes nothing anywhere
    };
    // Tries once, without waiting. lock is set when the result is Acquired.
    static Attempt TryAcquire(const std::string& path, std::unique_ptr<ExclusiveLock>& lock,
                              std::string& reason, Use use = Use::Update);
    ~ExclusiveLock();
    ExclusiveLock(const ExclusiveLock&) = delete;
    ExclusiveLock& operator=(const ExclusiveLock&) = delete;

private:
    explicit ExclusiveLock(std::intptr_t handle) : mHandle(handle) {}
    std::intptr_t mHandle; // a file descriptor (POSIX) or a HANDLE (Windows); -1: none held
};

// Suspends the calling thread for the given time.
void SleepMilliseconds(int milliseconds);

// Local broken-down time of a calendar time.
std::tm LocalTime(std::time_t when);

// Offset of the system's standard (non-daylight) time zone from universal time, in seconds,
// positive east of Greenwich; nothing when the system cannot tell.
std::optional<long> StandardTimeZoneOffsetSeconds();

// Console set-up at start: on Windows the output code page becomes UTF-8 until
// RestoreConsole, which puts back the code page PrepareConsole found. Call both once.
void PrepareConsole();
void RestoreConsole();

// Keeps the console open until a key is pressed or the time is over (Windows); returns at
// once elsewhere.
void WaitForKeyOrTimeout(int milliseconds);

} // namespace platform
