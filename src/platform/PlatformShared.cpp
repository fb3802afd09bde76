#include "platform/Platform.h"

// Calls that both systems answer alike, built on each system's own calls.
namespace platform {

bool FileExists(const std::string& path)
{
    std::FILE* file = OpenFile(path, "rb");
    if (file == nullptr) {
        return false;
    }
    std::fclose(file);
    return true;
}

} // namespace platform
