#include <filesystem>
#include <windows.h>

#include "RunProcess.h"
#include "SymbolicLinks.h"
#include "TempFolder.h"
#include "platform/WideStrings.h"

namespace {

// Runs a program of the Unix side (Wine starts one given by its Z: path) in folder, with
// arguments without blanks; its exit code, or -1 when it could not be run.
int RunUnixProgram(const std::wstring& program, const std::wstring& arguments,
                   const std::string& folder)
{
    std::wstring commandLine = program + L" " + arguments;
    const std::wstring workingFolder = platform::Utf8ToWide(folder);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                       workingFolder.c_str(), &startup, &process) == 0) {
        return -1;
    }
    DWORD exitCode = 1;
    WaitForSingleObject(process.hProcess, INFINITE);
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(exitCode);
}

bool IsAscii(const std::string& text)
{
    for (char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80 || c == ' ') {
            return false;
        }
    }
    return true;
}

} // namespace

bool MakeSymbolicLink(const std::string& target, const std::string& link)
{
    if (!RunsUnderWine()) {
        return CreateSymbolicLinkW(platform::Utf8ToWide(link).c_str(),
                                   platform::Utf8ToWide(target).c_str(),
                                   SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE) != 0;
    }
    const std::filesystem::path linkPath = Utf8ToPath(link);
    std::string relative =
        PathToUtf8(Utf8ToPath(target).lexically_relative(linkPath.parent_path()));
    for (char& c : relative) {
        c = c == '\\' ? '/' : c;
    }
    const std::string name = PathToUtf8(linkPath.filename());
    if (relative.empty() || !IsAscii(relative) || !IsAscii(name)) {
        return false;
    }
    return RunUnixProgram(L"Z:\\bin\\ln", L"-s " + platform::Utf8ToWide(relative + " " + name),
                          PathToUtf8(linkPath.parent_path())) == 0;
}

bool IsSymbolicLink(const std::string& path)
{
    if (!RunsUnderWine()) {
        const DWORD attributes = GetFileAttributesW(platform::Utf8ToWide(path).c_str());
        return attributes != INVALID_FILE_ATTRIBUTES &&
               (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    }
    const std::filesystem::path name = Utf8ToPath(path);
    const std::string fileName = PathToUtf8(name.filename());
    return IsAscii(fileName) &&
           RunUnixProgram(L"Z:\\bin\\test", L"-L " + platform::Utf8ToWide(fileName),
                          PathToUtf8(name.parent_path())) == 0;
}

bool RemoveSymbolicLink(const std::string& path)
{
    if (!IsSymbolicLink(path)) {
        return false;
    }
    if (!RunsUnderWine()) {
        return DeleteFileW(platform::Utf8ToWide(path).c_str()) != 0;
    }
    const std::filesystem::path name = Utf8ToPath(path);
    return RunUnixProgram(L"Z:\\bin\\rm", platform::Utf8ToWide(PathToUtf8(name.filename())),
                          PathToUtf8(name.parent_path())) == 0;
}
