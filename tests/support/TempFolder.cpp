#include "TempFolder.h"

#include <atomic>
#include <fstream>
#include <iterator>
#include <random>

#include <gtest/gtest.h>

#include "platform/Platform.h"

namespace fs = std::filesystem;

std::string PathToUtf8(const fs::path& path)
{
    std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

fs::path Utf8ToPath(const std::string& text)
{
    return fs::path(std::u8string(text.begin(), text.end()));
}

TempFolder::TempFolder()
{
    static std::atomic<int> counter{0};
    // Tests of one name may run at once in other processes (two suites, two builds): a number
    // drawn once per process keeps their folders apart.
    static const unsigned processTag = std::random_device{}();
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string("tmp-Jürgen-Ærø-") + (info ? info->name() : "test") + "-" +
                       std::to_string(processTag) + "-" + std::to_string(counter++);
    mFolder = fs::temp_directory_path() / Utf8ToPath(name);
    fs::remove_all(mFolder);
    fs::create_directories(mFolder);
}

TempFolder::~TempFolder()
{
    std::error_code ignored;
    fs::remove_all(mFolder, ignored);
}

std::string TempFolder::Path() const
{
    return PathToUtf8(mFolder);
}

std::string TempFolder::PathOf(const std::string& name) const
{
    return Path() + platform::kPathSeparator + name;
}

void TempFolder::WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(Utf8ToPath(path), std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string TempFolder::ReadFile(const std::string& path)
{
    std::ifstream in(Utf8ToPath(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}
