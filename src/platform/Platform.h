#pragma once

#include <cstdint>
#include <cstdio>
#include <ctime>
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

// Opens a file with the C library's modes ("rb", "wb", "ab", "r"), shared for reading and
// writing by other processes. Null when it cannot be opened.
std::FILE* OpenFile(const std::string& path, const char* mode);

// 64-bit seek and tell; origin is SEEK_SET, SEEK_CUR or SEEK_END. Seek returns 0 on success.
int SeekFile(std::FILE* file, std::int64_t offset, int origin);
std::int64_t TellFile(std::FILE* file);

// Flushes the C library's buffer and asks the system to put the file's data on disk.
bool FlushFileToDisk(std::FILE* file);

// True when the file can be opened for reading right now (shared with other processes).
bool FileExists(const std::string& path);

// True when something (file or folder) exists at the path.
bool PathExists(const std::string& path);

// Moves a file to a new name. Never replaces anything that exists under the new name.
// On failure returns false and puts the system's reason in reason.
bool RenameNoReplace(const std::string& from, const std::string& to, std::string& reason);

// Deletes a file; false when it could not be deleted.
bool RemoveFile(const std::string& path);

// Local broken-down time of a calendar time.
std::tm LocalTime(std::time_t when);

// Offset of the system's standard (non-daylight) time zone from universal time, in seconds,
// positive east of Greenwich; nothing when the system cannot tell.
std::optional<long> StandardTimeZoneOffsetSeconds();

// Console set-up at start: on Windows the output code page becomes UTF-8.
void PrepareConsole();

} // namespace platform
