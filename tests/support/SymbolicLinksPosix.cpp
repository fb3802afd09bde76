#include <filesystem>
#include <system_error>

#include "SymbolicLinks.h"
#include "TempFolder.h"

bool MakeSymbolicLink(const std::string& target, const std::string& link)
{
    std::error_code error;
    std::filesystem::create_symlink(Utf8ToPath(target), Utf8ToPath(link), error);
    return !error;
}

bool IsSymbolicLink(const std::string& path)
{
    std::error_code error;
    return std::filesystem::is_symlink(std::filesystem::symlink_status(Utf8ToPath(path), error));
}

bool RemoveSymbolicLink(const std::string& path)
{
    std::error_code error;
    return IsSymbolicLink(path) && std::filesystem::remove(Utf8ToPath(path), error);
}
