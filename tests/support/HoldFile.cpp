// hold-file PATH MILLISECONDS SHARING READY-FILE
//
// Stands in for a virus scanner or another program: waits until PATH can be opened with the
// given sharing ("none"; "read" for read sharing only; "readwrite" for read and write sharing
// without delete sharing), holds it open for MILLISECONDS, then closes it. Once the file is
// open it creates READY-FILE, so a test knows when the hold has begun. A file that is being
// written with our kind of sharing opens only once its writer closes it, as a scanner's does.
// Exit 1 when the file was never opened: it appeared and went again, or a minute passed.

#include <string>
#include <windows.h>

namespace {

DWORD ShareModeOf(const std::wstring& sharing)
{
    if (sharing == L"read") {
        return FILE_SHARE_READ;
    }
    if (sharing == L"readwrite") {
        return FILE_SHARE_READ | FILE_SHARE_WRITE;
    }
    return 0;
}

} // namespace

int main()
{
    int count = 0;
    wchar_t** words = CommandLineToArgvW(GetCommandLineW(), &count);
    if (words == nullptr || count != 5) {
        return 2;
    }
    const DWORD shareMode = ShareModeOf(words[3]);
    const DWORD holdMilliseconds = static_cast<DWORD>(std::stoul(words[2]));
    const ULONGLONG giveUp = GetTickCount64() + 60000;
    bool seen = false;
    HANDLE held = INVALID_HANDLE_VALUE;
    while (held == INVALID_HANDLE_VALUE && GetTickCount64() < giveUp) {
        // No pause between tries: the moment between a writer's close and its next use of
        // the file is short.
        held = CreateFileW(words[1], GENERIC_READ, shareMode, nullptr, OPEN_EXISTING, 0, nullptr);
        if (held == INVALID_HANDLE_VALUE) {
            const DWORD error = GetLastError();
            if (error == ERROR_FILE_NOT_FOUND && seen) {
                break;
            }
            seen = seen || error != ERROR_FILE_NOT_FOUND;
            Sleep(0);
        }
    }
    if (held == INVALID_HANDLE_VALUE) {
        return 1;
    }
    HANDLE ready = CreateFileW(words[4], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (ready != INVALID_HANDLE_VALUE) {
        CloseHandle(ready);
    }
    Sleep(holdMilliseconds);
    CloseHandle(held);
    LocalFree(words);
    return 0;
}
