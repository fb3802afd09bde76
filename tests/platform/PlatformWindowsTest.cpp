#include <aclapi.h>
#include <sddl.h>
#include <string>
#include <thread>
#include <windows.h>

#include <gtest/gtest.h>

#include "TempFolder.h"
#include "platform/Platform.h"
#include "platform/WideStrings.h"

namespace {

DWORD AttributesOf(const std::string& path)
{
    return GetFileAttributesW(platform::Utf8ToWide(path).c_str());
}

TEST(PlatformWindowsTest, AttributesFollowTheOldFileAndReadOnlyFilesAreRemovable)
{
    const DWORD kCases[] = {FILE_ATTRIBUTE_READONLY, FILE_ATTRIBUTE_HIDDEN,
                            FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                FILE_ATTRIBUTE_SYSTEM};
    for (DWORD wanted : kCases) {
        SCOPED_TRACE(wanted);
        TempFolder folder;
        std::string store = folder.PathOf("store");
        std::string fresh = folder.PathOf("store-new");
        TempFolder::WriteFile(store, "old");
        TempFolder::WriteFile(fresh, "new");
        ASSERT_NE(SetFileAttributesW(platform::Utf8ToWide(store).c_str(), wanted), 0);
        std::string reason;
        EXPECT_TRUE(platform::CopyAccessSettings(store, fresh, reason)) << reason;
        EXPECT_EQ(AttributesOf(fresh) & 7u, wanted);
        EXPECT_TRUE(platform::RemoveFile(store));
        EXPECT_TRUE(platform::RemoveFile(fresh));
        EXPECT_EQ(AttributesOf(store), INVALID_FILE_ATTRIBUTES);
    }
}

// The DACL as SDDL text ("D:P(A;;FA;;;OW)"), empty when it cannot be read.
std::wstring DaclText(const std::string& path)
{
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    PACL dacl = nullptr;
    if (GetNamedSecurityInfoW(platform::Utf8ToWide(path).c_str(), SE_FILE_OBJECT,
                              DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl, nullptr,
                              &descriptor) != ERROR_SUCCESS) {
        return std::wstring();
    }
    wchar_t* text = nullptr;
    std::wstring result;
    if (ConvertSecurityDescriptorToStringSecurityDescriptorW(
            descriptor, SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &text, nullptr) != 0) {
        result = text;
        LocalFree(text);
    }
    LocalFree(descriptor);
    return result;
}

// A DACL set on the store itself (here: only the owner may do anything) goes with it.
TEST(PlatformWindowsTest, ExplicitDaclIsCopied)
{
    TempFolder folder;
    std::string store = folder.PathOf("store");
    std::string fresh = folder.PathOf("store-new");
    TempFolder::WriteFile(store, "old");
    TempFolder::WriteFile(fresh, "new");
    PSECURITY_DESCRIPTOR wanted = nullptr;
    ASSERT_NE(ConvertStringSecurityDescriptorToSecurityDescriptorW(
                  L"D:P(A;;FA;;;OW)", SDDL_REVISION_1, &wanted, nullptr),
              0);
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    PACL dacl = nullptr;
    ASSERT_NE(GetSecurityDescriptorDacl(wanted, &present, &dacl, &defaulted), 0);
    std::wstring wideStore = platform::Utf8ToWide(store);
    ASSERT_EQ(SetNamedSecurityInfoW(wideStore.data(), SE_FILE_OBJECT,
                                    DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                                    nullptr, nullptr, dacl, nullptr),
              static_cast<DWORD>(ERROR_SUCCESS));
    LocalFree(wanted);
    const std::wstring stored = DaclText(store);
    if (stored.rfind(L"D:P", 0) != 0) {
        // Wine keeps a file's DACL only where the file system stores extended attributes.
        GTEST_SKIP() << "this file system keeps no DACL: " << platform::WideToUtf8(stored);
    }

    std::string reason;
    ASSERT_TRUE(platform::CopyAccessSettings(store, fresh, reason)) << reason;
    EXPECT_EQ(DaclText(fresh), stored);
}

// A virus scanner opens a fresh file without sharing for a moment; our open waits it out.
TEST(PlatformWindowsTest, ShortHoldWithoutSharingIsWaitedOut)
{
    TempFolder folder;
    std::string store = folder.PathOf("store");
    TempFolder::WriteFile(store, "content");
    HANDLE held = CreateFileW(platform::Utf8ToWide(store).c_str(), GENERIC_READ, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    std::thread scanner([held]() {
        platform::SleepMilliseconds(300);
        CloseHandle(held);
    });
    std::string reason;
    std::FILE* file = platform::OpenFile(store, "rb", reason);
    scanner.join();
    ASSERT_NE(file, nullptr) << reason;
    std::fclose(file);
}

// Paths past 260 characters work through every call the installer makes.
TEST(PlatformWindowsTest, LongPathsWork)
{
    TempFolder folder;
    std::string deep = folder.Path();
    while (deep.size() < 300) {
        deep += "\\Sehr langer Ordnername mit Umlauten äöü";
        ASSERT_NE(CreateDirectoryW((L"\\\\?\\" + platform::Utf8ToWide(deep)).c_str(), nullptr), 0);
    }
    std::string store = deep + "\\addressbook.acrodata";
    std::FILE* file = platform::OpenFile(store, "wb");
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(std::fwrite("abc", 1, 3, file), 3u);
    std::fclose(file);
    EXPECT_TRUE(platform::FileExists(store));
    std::string reason;
    EXPECT_TRUE(platform::RenameNoReplace(store, store + "-backup", reason)) << reason;
    EXPECT_TRUE(platform::IdentityOf(store + "-backup"));
    EXPECT_TRUE(platform::RemoveFile(store + "-backup"));
    EXPECT_FALSE(platform::PathExists(store + "-backup"));
    while (deep.size() > folder.Path().size()) { // too long for the temporary folder's clean-up
        EXPECT_NE(RemoveDirectoryW((L"\\\\?\\" + platform::Utf8ToWide(deep)).c_str()), 0);
        deep.resize(deep.rfind('\\'));
    }
}

// The code page belongs to the console window, which outlives the program. A test run with
// redirected output has no console: it gets one of its own for the test.
TEST(PlatformWindowsTest, ConsoleCodePageIsPutBackAsFound)
{
    const bool ownConsole = GetConsoleWindow() == nullptr && AllocConsole() != 0;
    if (GetConsoleOutputCP() == 0 || SetConsoleOutputCP(850) == 0) {
        if (ownConsole) {
            FreeConsole();
        }
        GTEST_SKIP() << "no console to try it on (Wine gives none to a program without a terminal)";
    }
    platform::PrepareConsole();
    EXPECT_EQ(GetConsoleOutputCP(), static_cast<UINT>(CP_UTF8));
    platform::RestoreConsole();
    EXPECT_EQ(GetConsoleOutputCP(), 850u);
    if (ownConsole) {
        FreeConsole();
    }
}

} // namespace
