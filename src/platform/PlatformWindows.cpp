#include <cstdlib>
#include <io.h>
#include <share.h>
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

std::FILE* OpenFile(const std::string& path, const char* mode)
{
    std::wstring widePath = Utf8ToWide(path);
    std::wstring wideMode = Utf8ToWide(mode);
    if (widePath.empty()) {
        return nullptr;
    }
    return _wfsopen(widePath.c_str(), wideMode.c_str(), _SH_DENYNO);
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
    HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
    return handle != INVALID_HANDLE_VALUE && FlushFileBuffers(handle) != 0;
}

bool FileExists(const std::string& path)
{
    std::FILE* file = OpenFile(path, "r");
    if (file == nullptr) {
        return false;
    }
    std::fclose(file);
    return true;
}

bool PathExists(const std::string& path)
{
    std::wstring widePath = Utf8ToWide(path);
    return !widePath.empty() && GetFileAttributesW(widePath.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool RenameNoReplace(const std::string& from, const std::string& to, std::string& reason)
{
    std::wstring wideFrom = Utf8ToWide(from);
    std::wstring wideTo = Utf8ToWide(to);
    if (MoveFileExW(wideFrom.c_str(), wideTo.c_str(),
                    MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH) != 0) {
        return true;
    }
    reason = SystemMessage(GetLastError());
    return false;
}

bool RemoveFile(const std::string& path)
{
    std::wstring widePath = Utf8ToWide(path);
    return !widePath.empty() && DeleteFileW(widePath.c_str()) != 0;
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

void PrepareConsole()
{
    SetConsoleOutputCP(CP_UTF8);
}

} // namespace platform
