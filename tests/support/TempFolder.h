#pragma once

#include <filesystem>
#include <string>

// UTF-8 text <-> filesystem paths (the program keeps every path as UTF-8).
std::string PathToUtf8(const std::filesystem::path& path);
std::filesystem::path Utf8ToPath(const std::string& text);

// A fresh folder for one test, named after the running test with non-ASCII characters in
// it, and removed with everything inside when the object goes away.
class TempFolder
{
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // The folder itself, UTF-8.
    std::string Path() const;
    // A name inside the folder, joined with the platform's separator.
    std::string PathOf(const std::string& name) const;

    static void WriteFile(const std::string& path, const std::string& bytes);
    static std::string ReadFile(const std::string& path);

private:
    std::filesystem::path mFolder;
};
