#include "installer/FileBytes.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "TempFolder.h"

namespace {

constexpr std::int64_t kBound = 64 * 1024;

std::vector<std::uint8_t> Bytes(const std::string& text)
{
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

TEST(FileBytesTest, ReadFileBytesReturnsContentUnchanged)
{
    TempFolder folder;
    std::string content("\x30\x82\r\n\x00\x1A\xFF\n", 8); // line ends and EOF bytes stay raw
    std::string path = folder.PathOf("ÄrgerCA.crt");
    TempFolder::WriteFile(path, content);
    auto bytes = ReadFileBytes(path, kBound);
    ASSERT_TRUE(bytes.has_value());
    EXPECT_EQ(*bytes, Bytes(content));
}

TEST(FileBytesTest, ReadFileBytesGivesEmptyContentForEmptyFile)
{
    TempFolder folder;
    std::string path = folder.PathOf("empty.crt");
    TempFolder::WriteFile(path, "");
    auto bytes = ReadFileBytes(path, kBound);
    ASSERT_TRUE(bytes.has_value());
    EXPECT_TRUE(bytes->empty());
}

TEST(FileBytesTest, ReadFileBytesRefusesWhatIsNoReadableFile)
{
    TempFolder folder;
    EXPECT_FALSE(ReadFileBytes(folder.PathOf("missing.crt"), kBound).has_value());
    EXPECT_FALSE(ReadFileBytes(folder.Path(), kBound).has_value())
        << "a folder has no bytes of its own";
    EXPECT_FALSE(ReadFileBytes("", kBound).has_value());
}

TEST(FileBytesTest, ReadFileBytesAcceptsUpToTheSizeBoundAndNoMore)
{
    TempFolder folder;
    const std::size_t bound = static_cast<std::size_t>(kBound);
    std::string atBound = folder.PathOf("at-bound.crt");
    TempFolder::WriteFile(atBound, std::string(bound, 'x'));
    std::string overBound = folder.PathOf("over-bound.crt");
    TempFolder::WriteFile(overBound, std::string(bound + 1, 'x'));

    auto bytes = ReadFileBytes(atBound, kBound);
    ASSERT_TRUE(bytes.has_value());
    EXPECT_EQ(bytes->size(), bound);
    EXPECT_FALSE(ReadFileBytes(overBound, kBound).has_value());
}

} // namespace
