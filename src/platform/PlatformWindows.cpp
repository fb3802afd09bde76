#include <aclapi.h>
#include <cstdlib>
#include <fcntl.h>
#include <io.h>
#include <shlobj.h>
#include <stdio.h>
#include <string>
#include <vector>
#include <windows.h>

#include "platform/Platform.h"
#include "platform/WideStrings.h"

namespace platform {

const char kPathSeparator = '\\';

std::wstring Utf8ToWide(const std::string& text)
{
    if (text.empty()) {
        return std::wstring();
    }
    int length =
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (length <= 0) {
        return std::wstring();
    }
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                        length);
    return wide;
}

std::string WideToUtf8(const wchar_t* text, std::size_t count)
{
    if (count == 0) {
        return std::string();
    }
    int length = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(count), nullptr, 0, nullptr,
                                     nullptr);
    if (length <= 0) {
        return std::string();
    }
    std::string narrow(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(count), narrow.data(), length, nullptr,
                        nullptr);
    return narrow;
}

std::string WideToUtf8(const std::wstring& text)
{
    return WideToUtf8(text.data(), text.size());
}

namespace {

std::string SystemMessage(DWORD error)
{
    wchar_t* buffer = nullptr;
    DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::string message;
    if (length > 0 && buffer != nullptr) {
        message = WideToUtf8(buffer, length);
        while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                                    message.back() == ' ' || message.back() == '.')) {
            message.pop_back();
        }
    }
    if (buffer != nullptr) {
        LocalFree(buffer);
    }
    if (message.empty()) {
        message = "system error " + std::to_string(error);
    }
    return message;
}

} // namespace

std::wstring SystemPath(const std::string& path)
{
    std::wstring wide = Utf8ToWide(path);
    if (wide.empty() || wide.rfind(L"\\\\?\\", 0) == 0 || wide.rfind(L"\\\\.\\", 0) == 0) {
        return wide;
    }
    DWORD length = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (length == 0) {
        return wide;
    }
    std::wstring full(length, L'\0');
    length = GetFullPathNameW(wide.c_str(), length, full.data(), nullptr);
    if (length == 0 || length >= full.size()) {
        return wide;
    }
    full.resize(length);
    if (full.rfind(L"\\\\", 0) == 0) {
        return L"\\\\?\\UNC\\" + full.substr(2);
    }
    if (full.size() >= 3 && full[1] == L':') {
        return L"\\\\?\\" + full;
    }
    return wide;
}

namespace {

// What another program's short hold on a file looks like: a virus scanner or indexer that
// opened it without sharing, or a file whose deletion waits for such a handle to close.
bool IsTransientRefusal(DWORD error)
{
    return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED ||
           error == ERROR_LOCK_VIOLATION;
}

// Runs a file call until it succeeds, fails for good, or about three seconds of transient
// refusals have passed. The call returns ERROR_SUCCESS or the system's error code; the last
// code is returned. A permanent access denial (no permission) costs the same three seconds.
template <typename Call> DWORD WithTransientRetry(Call call)
{
    constexpr DWORD kRetryBudgetMilliseconds = 3000;
    DWORD waited = 0;
    DWORD pause = 10;
    for (;;) {
        DWORD error = call();
        if (error == ERROR_SUCCESS || !IsTransientRefusal(error) ||
            waited >= kRetryBudgetMilliseconds) {
            return error;
        }
        Sleep(pause);
        waited += pause;
        pause = pause * 2 > 250 ? 250 : pause * 2;
    }
}

} // namespace

std::string ExecutableFolder()
{
    std::vector<wchar_t> buffer(260);
    for (;;) {
        DWORD length =
            GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) {
            return std::string();
        }
        if (length < buffer.size()) {
            std::string path = WideToUtf8(buffer.data(), length);
            std::size_t last = path.rfind('\\');
            return last == std::string::npos ? path : path.substr(0, last);
        }
        // The path was cut to fit: ask again with room to spare.
        buffer.resize(buffer.size() * 2);
        if (buffer.size() > 32768 * 2) {
            return std::string();
        }
    }
}

std::optional<std::string> EnvironmentValue(const std::string& name)
{
    std::wstring wideName = Utf8ToWide(name);
    const wchar_t* value = _wgetenv(wideName.c_str());
    if (value == nullptr) {
        return std::nullopt;
    }
    return WideToUtf8(value, wcslen(value));
}

std::optional<std::string> RoamingAppDataFolder()
{
    wchar_t* folder = nullptr;
    if (SHGetKnownFolderPath(FOLDERID_RoamingAppData, 0, nullptr, &folder) != S_OK) {
        if (folder != nullptr) {
            CoTaskMemFree(folder);
        }
        return std::nullopt;
    }
    std::string result = WideToUtf8(folder, wcslen(folder));
    CoTaskMemFree(folder);
    return result;
}

std::FILE* OpenFile(const std::string& path, const char* mode, std::string& reason)
{
    const std::wstring systemPath = SystemPath(path);
    if (systemPath.empty()) {
        reason = "empty path";
        return nullptr;
    }
    const bool reading = mode[0] == 'r';
    const bool appending = mode[0] == 'a';
    const bool binary = std::string(mode).find('b') != std::string::npos;
    // CREATE_NEW fails on any name that exists, a link included, also under Wine.
    const bool createNew = std::string(mode).find('x') != std::string::npos;
    DWORD attributes = GetFileAttributesW(systemPath.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        reason = "Is a directory";
        return nullptr; // CreateFileW would answer access denied, which is retried in vain
    }
    // Delete sharing as well: with read and write sharing only, our reading would make the
    // reader application's save (a rename over the store) and another run's rename fail.
    HANDLE handle = INVALID_HANDLE_VALUE;
    DWORD error = WithTransientRetry([&]() {
        handle = CreateFileW(systemPath.c_str(), reading ? GENERIC_READ : GENERIC_WRITE,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             reading     ? OPEN_EXISTING
                             : createNew ? CREATE_NEW
                             : appending ? OPEN_ALWAYS
                                         : CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
        return handle == INVALID_HANDLE_VALUE ? GetLastError() : ERROR_SUCCESS;
    });
    if (handle == INVALID_HANDLE_VALUE) {
        reason = SystemMessage(error);
        return nullptr;
    }
    if (reading && GetFileType(handle) != FILE_TYPE_DISK) {
        CloseHandle(handle);
        reason = "Not a regular file";
        return nullptr;
    }
    int flags = (reading ? _O_RDONLY : _O_WRONLY) | (appending ? _O_APPEND : 0) |
                (binary ? _O_BINARY : _O_TEXT);
    int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), flags);
    if (fd < 0) {
        CloseHandle(handle);
        reason = "no file descriptor left";
        return nullptr;
    }
    std::FILE* file = _wfdopen(fd, createNew ? L"wb" : Utf8ToWide(mode).c_str());
    if (file == nullptr) {
        _close(fd); // closes the handle too
        reason = "no file stream left";
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
    return _fseeki64(file, offset, origin);
}

std::int64_t TellFile(std::FILE* file)
{
    return _ftelli64(file);
}

bool FlushFileToDisk(std::FILE* file)
{
    if (std::fflush(file) != 0) {
        return false;
    }
    return SyncFileDataToDisk(SystemFileHandle(file));
}

std::intptr_t SystemFileHandle(std::FILE* file)
{
    return _get_osfhandle(_fileno(file)); // -1 (INVALID_HANDLE_VALUE) when there is none
}

// FlushFileBuffers writes out the file's metadata too, as fsync does. Windows lets it run on
// one thread while another writes through the same handle.
// Wine turns it into an fsync of the file's descriptor on the calling thread, and writes from
// other threads go on meanwhile.
bool SyncFileDataToDisk(std::intptr_t handle)
{
    HANDLE systemHandle = reinterpret_cast<HANDLE>(handle);
    return systemHandle != INVALID_HANDLE_VALUE && FlushFileBuffers(systemHandle) != 0;
}

bool PathExists(const std::string& path)
{
    std::wstring systemPath = SystemPath(path);
    return !systemPath.empty() && GetFileAttributesW(systemPath.c_str()) != INVALID_FILE_ATTRIBUTES;
}

PathKind KindOfPath(const std::string& path)
{
    std::wstring systemPath = SystemPath(path);
    DWORD attributes =
        systemPath.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(systemPath.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return PathKind::Missing;
    }
    return (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) != 0
               ? PathKind::Other
               : PathKind::RegularFile;
}

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// The path, within its volume, of the file an open handle reaches; empty when the system cannot
// tell. Asked through FileNameInfo, which Wine also answers for paths past MAX_PATH (its
// GetFinalPathNameByHandleW does not).
std::wstring PathOnVolumeOf(HANDLE handle)
{
    // The longest path the system takes, in bytes, after the structure's fixed part.
    constexpr std::size_t kBufferBytes = sizeof(FILE_NAME_INFO) + 32768 * sizeof(wchar_t);
    std::vector<DWORD> buffer(kBufferBytes / sizeof(DWORD)); // aligned for the structure
    auto* info = reinterpret_cast<FILE_NAME_INFO*>(buffer.data());
    if (GetFileInformationByHandleEx(handle, FileNameInfo, info, kBufferBytes) == 0) {
        return std::wstring();
    }
    return std::wstring(info->FileName, info->FileNameLength / sizeof(wchar_t));
}

// True when handle, opened on the name systemPath with FILE_FLAG_OPEN_REPARSE_POINT, reaches a
// file of that very name in that very folder. Windows always gives the name itself then (a
// link is opened as the link). Wine ignores the flag and opens what a Unix symbolic link leads
// to, which then lies under another path: the link must not be acted on through that handle.
bool ReachesTheNameItself(HANDLE handle, const std::wstring& systemPath)
{
    const std::size_t last = systemPath.rfind(L'\\');
    if (last == std::wstring::npos) {
        return false;
    }
    HANDLE folder = CreateFileW(systemPath.substr(0, last).c_str(), FILE_READ_ATTRIBUTES, kShareAll,
                                nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (folder == INVALID_HANDLE_VALUE) {
        return false;
    }
    std::wstring expected = PathOnVolumeOf(folder);
    CloseHandle(folder);
    const std::wstring reached = PathOnVolumeOf(handle);
    if (expected.empty() || reached.empty()) {
        return false;
    }
    if (expected.back() != L'\\') {
        expected += L'\\';
    }
    expected += systemPath.substr(last + 1);
    return CompareStringOrdinal(expected.c_str(), -1, reached.c_str(), -1, TRUE) == CSTR_EQUAL;
}

// Deletes what handle reaches, opened on systemPath with DELETE access, read and write
// attribute access and FILE_FLAG_OPEN_REPARSE_POINT: a link itself, a file made removable
// first when it is read-only. Never a folder, nor a link's target reached under Wine. The name
// goes when the last handle to it closes. ERROR_SUCCESS or the reason in refusal.
DWORD DeleteThroughHandle(HANDLE handle, const std::wstring& systemPath, std::string& refusal)
{
    FILE_BASIC_INFO basic{};
    if (GetFileInformationByHandleEx(handle, FileBasicInfo, &basic, sizeof basic) == 0) {
        return GetLastError();
    }
    const bool isLink = (basic.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    if (!isLink && (basic.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        refusal = "Is a directory";
        return ERROR_DIRECTORY;
    }
    if (!isLink && !ReachesTheNameItself(handle, systemPath)) {
        refusal = "a link this system only reaches through to what it leads to";
        return ERROR_CANT_ACCESS_FILE;
    }
    // A read-only file refuses deletion; hidden and system do not matter. Zero times are left
    // as they are.
    if ((basic.FileAttributes & FILE_ATTRIBUTE_READONLY) != 0) {
        FILE_BASIC_INFO writable{};
        writable.FileAttributes = basic.FileAttributes & ~FILE_ATTRIBUTE_READONLY;
        if (writable.FileAttributes == 0) {
            writable.FileAttributes = FILE_ATTRIBUTE_NORMAL;
        }
        (void)SetFileInformationByHandle(handle, FileBasicInfo, &writable, sizeof writable);
    }
    FILE_DISPOSITION_INFO disposition{};
    disposition.DeleteFile = TRUE;
    if (SetFileInformationByHandle(handle, FileDispositionInfo, &disposition, sizeof disposition) ==
        0) {
        return GetLastError();
    }
    return ERROR_SUCCESS;
}

// Opens the name itself for deleting it: a link as the link (not under Wine, see
// ReachesTheNameItself). A link to a folder or a junction opens only with backup semantics;
// DeleteThroughHandle then removes the link and refuses a real folder.
HANDLE OpenNameForDeleting(const std::wstring& systemPath)
{
    return CreateFileW(systemPath.c_str(), DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                       kShareAll, nullptr, OPEN_EXISTING,
                       FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

} // namespace

NameKind KindOfName(const std::string& path)
{
    const std::wstring systemPath = SystemPath(path);
    // GetFileAttributesW never follows a link: it gives the link's own attributes.
    const DWORD attributes =
        systemPath.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(systemPath.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return NameKind::Missing;
    }
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        return NameKind::Link;
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return NameKind::Folder;
    }
    if ((attributes & FILE_ATTRIBUTE_DEVICE) != 0) {
        return NameKind::Other;
    }
    // Attributes only: granted even while another program holds the file without sharing.
    HANDLE handle = CreateFileW(systemPath.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr,
                                OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return NameKind::RegularFile; // what acts on it later looks again through its own handle
    }
    NameKind kind = NameKind::RegularFile;
    if (GetFileType(handle) != FILE_TYPE_DISK) {
        kind = NameKind::Other;
    } else if (!ReachesTheNameItself(handle, systemPath)) {
        kind = NameKind::Link; // Wine: a Unix symbolic link, shown as the file it leads to
    }
    CloseHandle(handle);
    return kind;
}

bool RenameNoReplace(const std::string& from, const std::string& to, std::string& reason)
{
    std::wstring systemFrom = SystemPath(from);
    std::wstring systemTo = SystemPath(to);
    // No MOVEFILE_COPY_ALLOWED: both names lie in one folder, and a copy would leave the
    // source behind when the move fails half-way.
    DWORD error = WithTransientRetry([&]() {
        return MoveFileExW(systemFrom.c_str(), systemTo.c_str(), MOVEFILE_WRITE_THROUGH) != 0
                   ? ERROR_SUCCESS
                   : GetLastError();
    });
    if (error == ERROR_SUCCESS) {
        return true;
    }
    reason = SystemMessage(error);
    return false;
}

bool RemoveFile(const std::string& path, std::string& reason)
{
    const std::wstring systemPath = SystemPath(path);
    if (systemPath.empty()) {
        reason = "empty path";
        return false;
    }
    // A folder is refused at once: opening it for deletion answers access denied, which would
    // be retried in vain.
    const DWORD attributes = GetFileAttributesW(systemPath.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
        (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
        reason = "Is a directory";
        return false;
    }
    std::string refusal;
    const DWORD error = WithTransientRetry([&]() {
        HANDLE handle = OpenNameForDeleting(systemPath);
        if (handle == INVALID_HANDLE_VALUE) {
            return GetLastError();
        }
        const DWORD result = DeleteThroughHandle(handle, systemPath, refusal);
        CloseHandle(handle); // the name goes now, or when another program's handle closes
        return result;
    });
    if (error == ERROR_SUCCESS) {
        return true;
    }
    reason = refusal.empty() ? SystemMessage(error) : refusal;
    return false;
}

bool RemoveFile(const std::string& path)
{
    std::string reason;
    return RemoveFile(path, reason);
}

std::optional<FileIdentity> IdentityOf(const std::string& path)
{
    std::wstring systemPath = SystemPath(path);
    // Attributes only: this open is granted even while another program holds the file
    // without sharing.
    HANDLE handle = CreateFileW(systemPath.c_str(), FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    FILE_BASIC_INFO basic{};
    // ChangeTime, not the last write time: a program can put that back with SetFileTime, but
    // not the change time, which every write and every SetFileTime moves on. Wine gives the
    // Unix status-change time here.
    const bool known =
        GetFileInformationByHandle(handle, &info) != 0 &&
        GetFileInformationByHandleEx(handle, FileBasicInfo, &basic, sizeof basic) != 0;
    CloseHandle(handle);
    if (!known) {
        return std::nullopt;
    }
    FileIdentity identity;
    identity.volume = info.dwVolumeSerialNumber;
    identity.index = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    identity.size = static_cast<std::int64_t>(
        (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow);
    identity.changeTime = basic.ChangeTime.QuadPart;
    return identity;
}

namespace {

// True when the DACL says more than what the folder passes down: it is protected from
// inheritance, absent (everyone may do anything), or holds an entry set on the file itself.
bool HasExplicitDacl(PSECURITY_DESCRIPTOR descriptor, PACL dacl, bool& isProtected)
{
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    isProtected = GetSecurityDescriptorControl(descriptor, &control, &revision) != 0 &&
                  (control & SE_DACL_PROTECTED) != 0;
    if (isProtected || dacl == nullptr) {
        return true;
    }
    ACL_SIZE_INFORMATION size{};
    if (GetAclInformation(dacl, &size, sizeof size, AclSizeInformation) == 0) {
        return false;
    }
    for (DWORD i = 0; i < size.AceCount; ++i) {
        void* ace = nullptr;
        if (GetAce(dacl, i, &ace) != 0 &&
            (static_cast<ACE_HEADER*>(ace)->AceFlags & INHERITED_ACE) == 0) {
            return true;
        }
    }
    return false;
}

// Gives to the DACL of from when from's is explicit. Entries marked as inherited are left out
// by SetNamedSecurityInfoW and come again from to's own folder, the same folder as from's.
DWORD CopyExplicitDacl(const std::wstring& from, std::wstring to)
{
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    PACL dacl = nullptr;
    DWORD error = WithTransientRetry([&]() {
        return GetNamedSecurityInfoW(from.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION,
                                     nullptr, nullptr, &dacl, nullptr, &descriptor);
    });
    if (error != ERROR_SUCCESS) {
        return error;
    }
    bool isProtected = false;
    if (HasExplicitDacl(descriptor, dacl, isProtected)) {
        const SECURITY_INFORMATION what =
            DACL_SECURITY_INFORMATION | (isProtected ? PROTECTED_DACL_SECURITY_INFORMATION
                                                     : UNPROTECTED_DACL_SECURITY_INFORMATION);
        error = WithTransientRetry([&]() {
            return SetNamedSecurityInfoW(to.data(), SE_FILE_OBJECT, what, nullptr, nullptr, dacl,
                                         nullptr);
        });
    }
    LocalFree(descriptor);
    return error;
}

} // namespace

bool CopyOwner(const std::string&, const std::string&, std::string&)
{
    return true; // the run is the user's own, so the file it created is the user's, as the store
}

bool CopyAccessSettings(const std::string& from, const std::string& to, std::string& reason)
{
    const std::wstring systemFrom = SystemPath(from);
    const std::wstring systemTo = SystemPath(to);
    const DWORD oldAttributes = GetFileAttributesW(systemFrom.c_str());
    const DWORD newAttributes = GetFileAttributesW(systemTo.c_str());
    if (oldAttributes == INVALID_FILE_ATTRIBUTES || newAttributes == INVALID_FILE_ATTRIBUTES) {
        reason = SystemMessage(GetLastError());
        return false;
    }
    DWORD error = CopyExplicitDacl(systemFrom, systemTo);
    if (error != ERROR_SUCCESS) {
        reason = SystemMessage(error);
        return false;
    }
    // Last: once read-only, the file takes no more changes to its content.
    const DWORD kept =
        oldAttributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    if (kept != 0 && SetFileAttributesW(systemTo.c_str(),
                                        (newAttributes & ~FILE_ATTRIBUTE_NORMAL) | kept) == 0) {
        reason = SystemMessage(GetLastError());
        return false;
    }
    return true;
}

namespace {

// Held by another run or just released by one: another run shares nothing, so any open but an
// attributes-only one is refused; a lock file whose run has ended refuses every open (access
// denied) until the system has removed it.
bool IsHeldElsewhere(DWORD error, const std::wstring& lockPath)
{
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
           (error == ERROR_ACCESS_DENIED &&
            GetFileAttributesW(lockPath.c_str()) != INVALID_FILE_ATTRIBUTES);
}

std::string NotALockFile(const std::string& lockName)
{
    return "something other than a file is at " + lockName;
}

// A read: the existing lock file, opened for reading with read sharing only, so that an update
// (which asks for delete access) waits for it; nothing is created or removed.
ExclusiveLock::Attempt TryAcquireForReading(const std::string& lockName, HANDLE& handle,
                                            std::string& reason)
{
    const std::wstring lockPath = SystemPath(lockName);
    handle = CreateFileW(lockPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                         FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
        return ExclusiveLock::Attempt::Acquired;
    }
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND) {
        return ExclusiveLock::Attempt::Acquired; // no update runs: nothing to hold
    }
    const NameKind kind = KindOfName(lockName);
    if (kind == NameKind::Folder || kind == NameKind::Other) {
        reason = NotALockFile(lockName);
        return ExclusiveLock::Attempt::Failed;
    }
    if (IsHeldElsewhere(error, lockPath)) {
        return ExclusiveLock::Attempt::HeldElsewhere;
    }
    reason = SystemMessage(error);
    return ExclusiveLock::Attempt::Failed;
}

// An update: the lock file created anew, sharing nothing, deleted by the system when the last
// handle closes, the process killed included. Only a file this run created is ever opened
// delete-on-close, so the deletion can only ever remove that file.
ExclusiveLock::Attempt TryAcquireForUpdate(const std::string& lockName, HANDLE& handle,
                                           std::string& reason)
{
    const std::wstring lockPath = SystemPath(lockName);
    // Twice at most: once more after a leftover was removed, or after the name went away
    // between the attempt and the look at it.
    for (int round = 0; round < 2; ++round) {
        handle = CreateFileW(lockPath.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr,
                             CREATE_NEW,
                             FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_TEMPORARY |
                                 FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_OPEN_REPARSE_POINT,
                             nullptr);
        if (handle != INVALID_HANDLE_VALUE) {
            return ExclusiveLock::Attempt::Acquired;
        }
        DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) {
            if (IsHeldElsewhere(error, lockPath)) {
                return ExclusiveLock::Attempt::HeldElsewhere;
            }
            reason = SystemMessage(error);
            return ExclusiveLock::Attempt::Failed;
        }
        switch (KindOfName(lockName)) {
        case NameKind::Folder:
        case NameKind::Other:
            reason = NotALockFile(lockName);
            return ExclusiveLock::Attempt::Failed;
        case NameKind::Missing:
            continue; // gone meanwhile; or, under Wine, a link leading nowhere
        case NameKind::RegularFile:
        case NameKind::Link:
            break;
        }
        // Not retried: a run holding the lock refuses delete access, and is waited for.
        HANDLE existing = OpenNameForDeleting(lockPath);
        if (existing == INVALID_HANDLE_VALUE) {
            error = GetLastError();
            if (error == ERROR_FILE_NOT_FOUND) {
                continue;
            }
            if (IsHeldElsewhere(error, lockPath)) {
                return ExclusiveLock::Attempt::HeldElsewhere;
            }
            reason = SystemMessage(error);
            return ExclusiveLock::Attempt::Failed;
        }
        // No run holds it: a lock file a power cut left behind, or a link put there. Removed,
        // a link itself, then created anew.
        std::string refusal;
        error = DeleteThroughHandle(existing, lockPath, refusal);
        CloseHandle(existing);
        if (error != ERROR_SUCCESS) {
            reason = "can't remove " + lockName + ": " +
                     (refusal.empty() ? SystemMessage(error) : refusal);
            return ExclusiveLock::Attempt::Failed;
        }
    }
    reason = "something that can't be removed is at " + lockName;
    return ExclusiveLock::Attempt::Failed;
}

} // namespace

ExclusiveLock::Attempt ExclusiveLock::TryAcquire(const std::string& path,
                                                 std::unique_ptr<ExclusiveLock>& lock,
                                                 std::string& reason, Use use)
{
    HANDLE handle = INVALID_HANDLE_VALUE;
    const Attempt attempt = use == Use::Update
                                ? TryAcquireForUpdate(path + "-lock", handle, reason)
                                : TryAcquireForReading(path + "-lock", handle, reason);
    if (attempt == Attempt::Acquired) {
        lock.reset(new ExclusiveLock(reinterpret_cast<std::intptr_t>(handle)));
    }
    return attempt;
}

ExclusiveLock::~ExclusiveLock()
{
    if (reinterpret_cast<HANDLE>(mHandle) != INVALID_HANDLE_VALUE) {
        CloseHandle(reinterpret_cast<HANDLE>(mHandle));
    }
}

void SleepMilliseconds(int milliseconds)
{
    Sleep(static_cast<DWORD>(milliseconds));
}

std::tm LocalTime(std::time_t when)
{
    std::tm result{};
    localtime_s(&result, &when);
    return result;
}

std::optional<long> StandardTimeZoneOffsetSeconds()
{
    TIME_ZONE_INFORMATION zone{};
    if (GetTimeZoneInformation(&zone) == TIME_ZONE_ID_INVALID) {
        return std::nullopt;
    }
    // Universal time = local time + bias, in minutes; the standard bias excludes daylight saving.
    return -static_cast<long>(zone.Bias + zone.StandardBias) * 60;
}

namespace {

UINT gCodePageFound = 0; // 0: PrepareConsole found no console, or changed nothing

} // namespace

void PrepareConsole()
{
    const UINT found = GetConsoleOutputCP();
    if (found != 0 && found != CP_UTF8 && SetConsoleOutputCP(CP_UTF8) != 0) {
        gCodePageFound = found;
    }
}

void RestoreConsole()
{
    // The code page belongs to the console, not to this process: left as UTF-8, it would stay
    // so in the user's window after the tool ends.
    if (gCodePageFound != 0) {
        (void)SetConsoleOutputCP(gCodePageFound); // nothing to tell if the console is gone
        gCodePageFound = 0;
    }
}

void WaitForKeyOrTimeout(int milliseconds)
{
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    DWORD mode = 0;
    if (input == nullptr || input == INVALID_HANDLE_VALUE || GetConsoleMode(input, &mode) == 0) {
        return;
    }
    (void)FlushConsoleInputBuffer(input); // keys pressed during the run do not count
    const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(milliseconds);
    for (ULONGLONG now = GetTickCount64(); now < end; now = GetTickCount64()) {
        if (WaitForSingleObject(input, static_cast<DWORD>(end - now)) != WAIT_OBJECT_0) {
            return;
        }
        INPUT_RECORD record{};
        DWORD read = 0;
        if (ReadConsoleInputW(input, &record, 1, &read) == 0) {
            return;
        }
        if (read == 1 && record.EventType == KEY_EVENT && record.Event.KeyEvent.bKeyDown) {
            return;
        }
    }
}

} // namespace platform
