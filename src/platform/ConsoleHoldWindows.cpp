#include <string>

// The process list's header needs the types of windows.h before it.
// clang-format off
#include <windows.h>
#include <tlhelp32.h>
// clang-format on

#include "platform/ConsoleHold.h"
#include "platform/WideStrings.h"

namespace platform {

namespace {

// The number of the process that started this one, from the system's list of processes; 0
// when it cannot be had.
DWORD ParentProcessId()
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) {
        return 0;
    }
    const DWORD self = GetCurrentProcessId();
    DWORD parent = 0;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more != 0;
         more = Process32NextW(snapshot, &entry)) {
        if (entry.th32ProcessID == self) {
            parent = entry.th32ParentProcessID;
            break;
        }
    }
    CloseHandle(snapshot);
    return parent;
}

// True when the process began before this one: only then can it have started this one. A
// process number is given again once its process has ended.
bool StartedBeforeThisProcess(HANDLE process)
{
    FILETIME created{}, exited{}, kernel{}, user{};
    FILETIME ownCreated{};
    return GetProcessTimes(process, &created, &exited, &kernel, &user) != 0 &&
           GetProcessTimes(GetCurrentProcess(), &ownCreated, &exited, &kernel, &user) != 0 &&
           CompareFileTime(&created, &ownCreated) <= 0;
}

} // namespace

std::string ParentProcessImageName()
{
    const DWORD parent = ParentProcessId();
    if (parent == 0) {
        return std::string();
    }
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, parent);
    if (process == nullptr) {
        return std::string();
    }
    std::wstring path(32768, L'\0'); // the longest path the system gives
    DWORD length = static_cast<DWORD>(path.size());
    const bool named = StartedBeforeThisProcess(process) &&
                       QueryFullProcessImageNameW(process, 0, path.data(), &length) != 0;
    CloseHandle(process);
    if (!named) {
        return std::string();
    }
    path.resize(length);
    return WideToUtf8(path.substr(path.find_last_of(L"\\/") + 1));
}

ConsoleFacts CurrentConsoleFacts()
{
    ConsoleFacts facts;
    facts.parentImageName = ParentProcessImageName();
    HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    // GetConsoleMode succeeds only on a console handle: a file or a pipe fails it.
    facts.outputIsConsole =
        output != nullptr && output != INVALID_HANDLE_VALUE && GetConsoleMode(output, &mode) != 0;
    return facts;
}

} // namespace platform
