// hold-file PATH MILLISECONDS SHARING READY-FILE
//
// Stands in for a virus scanner or another program: waits until PATH can be opened with the
// given sharing ("none", or "readwrite" for read and write sharing without delete sharing),
// holds it open for MILLISECONDS, then closes it. Once the file is open it creates READY-FILE,
// so a test knows when the hold has begun. Gives up after 60,000 tries without it (exit 1).

#include <string>
#include <windows.h>

int main()
{
    int count = 0;
    wchar_t** words = CommandLineToArgvW(GetCommandLineW(), &count);
    if (words == nullptr || count != 5) {
        return 2;
    }
    const std::wstring sharing = words[3];
    const DWORD shareMode = sharing == L"none" ? 0 : FILE_SHARE_READ | FILE_SHARE_WRITE;
    const DWORD holdMilliseconds = static_cast<DWORD>(std::stoul(words[2]));
    HANDLE held = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 60000 && held == INVALID_HANDLE_VALUE; ++attempt) {
        held = CreateFileW(words[1], GENERIC_READ, shareMode, nullptr, OPEN_EXISTING, 0, nullptr);
        if (held == INVALID_HANDLE_VALUE) {
            Sleep(1);
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
