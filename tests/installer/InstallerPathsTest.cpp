#include "installer/InstallerPaths.h"

#include <algorithm>
#include <string>

#include <gtest/gtest.h>

#include "TempFolder.h"
#include "platform/Platform.h"

namespace {

// Writes expected paths with "/" and turns them into the platform's form.
std::string Native(std::string path)
{
    std::replace(path.begin(), path.end(), '/', platform::kPathSeparator);
    return path;
}

TEST(InstallerPathsTest, ProfileFolderEndsWithSeparator)
{
    EXPECT_EQ(ComposeProfileFolder(Native("X:/Profile/Roaming")),
              Native("X:/Profile/Roaming/Adobe/Acrobat/"));
}

TEST(InstallerPathsTest, StorePathsForEachVersionInOrder)
{
    const std::string profile = ComposeProfileFolder(Native("X:/Profile/Roaming"));
    const char* expected[] = {
        "X:/Profile/Roaming/Adobe/Acrobat/DC/Security/addressbook.acrodata",
        "X:/Profile/Roaming/Adobe/Acrobat/10.0/Security/addressbook.acrodata",
        "X:/Profile/Roaming/Adobe/Acrobat/11.0/Security/addressbook.acrodata",
    };
    ASSERT_EQ(kAcrobatVersions.size(), std::size(expected));
    for (std::size_t i = 0; i < kAcrobatVersions.size(); ++i) {
        SCOPED_TRACE(kAcrobatVersions[i]);
        EXPECT_EQ(ComposeStorePath(profile, kAcrobatVersions[i]), Native(expected[i]));
    }
}

TEST(InstallerPathsTest, NonAsciiProfileFolderKeptByteForByte)
{
    const std::string appData = Native("C:/Users/Jürgen Ærø/Профиль");
    EXPECT_EQ(ComposeStorePath(ComposeProfileFolder(appData), "DC"),
              Native("C:/Users/Jürgen Ærø/Профиль/Adobe/Acrobat/DC/Security/addressbook.acrodata"));
}

TEST(InstallerPathsTest, FileExistsOnlyForReadableFiles)
{
    TempFolder folder;
    std::string file = folder.PathOf("addressbook.acrodata");
    TempFolder::WriteFile(file, "");
    EXPECT_TRUE(FileExists(file));
    EXPECT_FALSE(FileExists(folder.PathOf("missing")));
    EXPECT_FALSE(FileExists(folder.Path()));
}

TEST(InstallerPathsTest, ExecutableFolderHoldsTheTestProgram)
{
    std::string folder = GetExecutableFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_NE(folder.back(), platform::kPathSeparator);
    EXPECT_TRUE(platform::PathExists(folder));
}

} // namespace
