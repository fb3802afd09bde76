#include "platform/Platform.h"

#include <string>

#include <gtest/gtest.h>

#include "TempFolder.h"
#ifdef _WIN32
#include "platform/WideStrings.h"
#endif

namespace {

class PlatformTest : public ::testing::Test
{
protected:
    std::string PathOf(const std::string& name) const { return mFolder.PathOf(name); }
    static void WriteText(const std::string& path, const std::string& text)
    {
        TempFolder::WriteFile(path, text);
    }
    static std::string ReadText(const std::string& path) { return TempFolder::ReadFile(path); }

    TempFolder mFolder;
};

TEST_F(PlatformTest, FileExistsOnlyForReadableFiles)
{
    std::string file = PathOf("store.acrodata");
    WriteText(file, "x");
    EXPECT_TRUE(platform::FileExists(file));
    EXPECT_FALSE(platform::FileExists(PathOf("missing")));
    EXPECT_FALSE(platform::FileExists(mFolder.Path()));
}

TEST_F(PlatformTest, RenameNeverReplacesAnExistingFile)
{
    std::string from = PathOf("from");
    std::string to = PathOf("to");
    WriteText(from, "new");
    WriteText(to, "old");
    std::string reason;
    EXPECT_FALSE(platform::RenameNoReplace(from, to, reason));
    EXPECT_FALSE(reason.empty());
    EXPECT_EQ(ReadText(to), "old");
    EXPECT_EQ(ReadText(from), "new");
}

TEST_F(PlatformTest, RenameMovesToAFreeName)
{
    std::string from = PathOf("ünïcode-from");
    std::string to = PathOf("ünïcode-to");
    WriteText(from, "content");
    std::string reason;
    EXPECT_TRUE(platform::RenameNoReplace(from, to, reason));
    EXPECT_EQ(ReadText(to), "content");
    EXPECT_FALSE(platform::PathExists(from));
}

TEST_F(PlatformTest, OpenFileRoundTripsNonAsciiPathsWith64BitPositions)
{
    std::string path = PathOf("日本-store");
    std::FILE* file = platform::OpenFile(path, "wb");
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(std::fwrite("abcdef", 1, 6, file), 6u);
    EXPECT_TRUE(platform::FlushFileToDisk(file));
    std::fclose(file);

    file = platform::OpenFile(path, "rb");
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(platform::SeekFile(file, -2, SEEK_END), 0);
    EXPECT_EQ(platform::TellFile(file), 4);
    char tail[2];
    EXPECT_EQ(std::fread(tail, 1, 2, file), 2u);
    EXPECT_EQ(std::string(tail, 2), "ef");
    std::fclose(file);
    EXPECT_TRUE(platform::RemoveFile(path));
    EXPECT_FALSE(platform::PathExists(path));
}

TEST_F(PlatformTest, ExecutableFolderHasNoTrailingSeparator)
{
    std::string folder = platform::ExecutableFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_NE(folder.back(), platform::kPathSeparator);
    EXPECT_TRUE(platform::PathExists(folder));
}

#ifdef _WIN32
// Names go to the wide Windows API and come back from it through these two conversions.
TEST(WideStringsTest, ConvertsBetweenUtf8AndUtf16)
{
    struct Case
    {
        const char* what;
        std::string utf8;
        std::wstring wide;
    };
    const Case cases[] = {
        {"empty", "", L""},
        {"ASCII", "store.acrodata", L"store.acrodata"},
        {"two-byte",
         "Pr\xC3\xBC"
         "fung",
         L"Pr\u00FCfung"},
        {"three-byte", "\xE8\xAF\x81\xE4\xB9\xA6", L"\u8BC1\u4E66"},
        {"outside the BMP", "\xF0\x9F\x94\x92", L"\xD83D\xDD12"},
        {"embedded NUL", std::string("a\0b", 3), std::wstring(L"a\0b", 3)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(platform::Utf8ToWide(c.utf8), c.wide);
        EXPECT_EQ(platform::WideToUtf8(c.wide), c.utf8);
        EXPECT_EQ(platform::WideToUtf8(c.wide.data(), c.wide.size()), c.utf8);
    }
}

// Damaged text converts with replacement characters rather than being cut short.
TEST(WideStringsTest, InvalidSequencesBecomeReplacementCharacters)
{
    EXPECT_EQ(platform::Utf8ToWide("a\xFF"
                                   "b"),
              L"a\uFFFDb");
    EXPECT_EQ(platform::Utf8ToWide("a\xC3"), L"a\uFFFD");
    EXPECT_EQ(platform::WideToUtf8(std::wstring(L"a\xD800"
                                                L"b")),
              "a\xEF\xBF\xBD"
              "b");
}
#endif

} // namespace
