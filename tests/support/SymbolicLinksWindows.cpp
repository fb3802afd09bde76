#include <cstdlib>
#include <filesystem>
#include <windows.h>

#include "RunProcess.h"
#include "SymbolicLinks.h"
#include "TempFolder.h"
#include "platform/WideStrings.h"

namespace {

// Runs a shell command on the Unix side in folder (Wine starts a Unix program given by its Z:
// path); its exit status, or -1. Wine gives a Unix program's process neither a wait nor an exit
// code, so the shell writes its status to a file in folder, which is awaited (for at most ten
// seconds, though it takes milliseconds), read and removed.
int RunUnixShell(const std::string& script, const std::string& folder)
{
    const std::string answerName = "unix-shell-status-" + std::to_string(GetCurrentProcessId());
    const std::string answerPath = folder + "\\" + answerName;
    const std::wstring program = L"Z:\\bin\\sh";
    std::wstring commandLine =
        program + L" -c \"" + platform::Utf8ToWide(script + "; echo $? >" + answerName) + L"\"";
    const std::wstring workingFolder = platform::Utf8ToWide(folder);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                       workingFolder.c_str(), &startup, &process) == 0) {
        return -1;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    for (int waited = 0; waited < 10000; waited += 10) {
        const std::string answer = TempFolder::ReadFile(answerPath);
        if (!answer.empty() && answer.back() == '\n') {
            (void)DeleteFileW(platform::Utf8ToWide(answerPath).c_str());
            return std::atoi(answer.c_str());
        }
        Sleep(10);
    }
    return -1;
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
    return RunUnixShell("ln -s " + relative + " " + name, PathToUtf8(linkPath.parent_path())) == 0;
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
           RunUnixShell("test -L " + fileName, PathToUtf8(name.parent_path())) == 0;
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
    return RunUnixShell("rm " + PathToUtf8(name.filename()), PathToUtf8(name.parent_path())) == 0;
}
