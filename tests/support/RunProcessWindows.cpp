#include <algorithm>
#include <cwchar>
#include <windows.h>

#include "RunProcess.h"
#include "platform/WideStrings.h"

const char* const kConsoleLineEnd = "\r\n";

namespace {

bool SameName(const std::wstring& a, const std::wstring& b)
{
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

// Wine builds a new process's profile variables again from the registry, overriding the
// environment its parent passed. Drop the registry copy so the child sees ours. Only under
// Wine: on Windows that value belongs to the user's session.
void ForgetWineProfileVariable(const std::wstring& name)
{
    if (RunsUnderWine()) {
        (void)RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Volatile Environment", name.c_str());
    }
}

// A sorted block of "NAME=value\0" entries closed by one more "\0".
std::wstring EnvironmentBlock(const EnvironmentChanges& changes)
{
    std::vector<std::wstring> entries;
    wchar_t* strings = GetEnvironmentStringsW();
    for (const wchar_t* entry = strings; entry != nullptr && *entry != L'\0';
         entry += std::wcslen(entry) + 1) {
        std::wstring text(entry);
        // Entries such as "=C:=C:\\" have their name after the first character.
        std::wstring name = text.substr(0, text.find(L'=', 1));
        bool replaced = false;
        for (const auto& change : changes) {
            replaced = replaced || SameName(name, platform::Utf8ToWide(change.first));
        }
        if (!replaced) {
            entries.push_back(text);
        }
    }
    if (strings != nullptr) {
        FreeEnvironmentStringsW(strings);
    }
    for (const auto& change : changes) {
        if (change.second) {
            entries.push_back(platform::Utf8ToWide(change.first) + L"=" +
                              platform::Utf8ToWide(*change.second));
        }
    }
    std::sort(entries.begin(), entries.end(), [](const std::wstring& a, const std::wstring& b) {
        return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                    static_cast<int>(b.size()), TRUE) == CSTR_LESS_THAN;
    });
    std::wstring block;
    for (const std::wstring& entry : entries) {
        block += entry;
        block.push_back(L'\0');
    }
    block.push_back(L'\0');
    return block;
}

} // namespace

bool RunsUnderWine()
{
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

StartedProcess StartProcess(const std::string& executable,
                            const std::vector<std::string>& arguments,
                            const EnvironmentChanges& changes)
{
    StartedProcess started;
    for (const auto& change : changes) {
        ForgetWineProfileVariable(platform::Utf8ToWide(change.first));
    }
    std::wstring environment = EnvironmentBlock(changes);
    std::wstring program = platform::Utf8ToWide(executable);
    // The tests' arguments are paths and numbers: quoting each word is enough.
    std::wstring commandLine = L"\"" + program + L"\"";
    for (const std::string& argument : arguments) {
        commandLine += L" \"" + platform::Utf8ToWide(argument) + L"\"";
    }

    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inheritable, 0)) {
        return started;
    }
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = writeEnd;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION process{};
    BOOL created =
        CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                       CREATE_UNICODE_ENVIRONMENT, environment.data(), nullptr, &startup, &process);
    CloseHandle(writeEnd);
    if (!created) {
        CloseHandle(readEnd);
        return started;
    }
    CloseHandle(process.hThread);
    started.started = true;
    started.process = reinterpret_cast<std::intptr_t>(process.hProcess);
    started.output = reinterpret_cast<std::intptr_t>(readEnd);
    return started;
}

ProcessResult FinishProcess(StartedProcess& started)
{
    ProcessResult result;
    if (!started.started) {
        return result;
    }
    result.started = true;
    HANDLE readEnd = reinterpret_cast<HANDLE>(started.output);
    HANDLE process = reinterpret_cast<HANDLE>(started.process);
    char buffer[4096];
    DWORD count = 0;
    while (ReadFile(readEnd, buffer, sizeof buffer, &count, nullptr) && count > 0) {
        if (result.output.size() < kMaxProcessOutputBytes) {
            result.output.append(buffer, count);
        }
    }
    CloseHandle(readEnd);

    WaitForSingleObject(process, INFINITE);
    DWORD exitCode = 0;
    if (GetExitCodeProcess(process, &exitCode)) {
        result.exitCode = static_cast<int>(exitCode);
    }
    CloseHandle(process);
    started.started = false;
    return result;
}

void KillProcess(const StartedProcess& process)
{
    if (process.started) {
        // It may have ended already; then there is nothing to stop.
        (void)TerminateProcess(reinterpret_cast<HANDLE>(process.process), 137);
    }
}

ProcessResult RunProcess(const std::string& executable, const EnvironmentChanges& changes)
{
    StartedProcess process = StartProcess(executable, {}, changes);
    return FinishProcess(process);
}

void WriteOutputBytes(const std::string& bytes)
{
    HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    for (std::size_t done = 0; done < bytes.size();) {
        DWORD written = 0;
        if (WriteFile(output, bytes.data() + done, static_cast<DWORD>(bytes.size() - done),
                      &written, nullptr) == 0 ||
            written == 0) {
            return; // the reader went away: nothing more to pass on
        }
        done += written;
    }
}
