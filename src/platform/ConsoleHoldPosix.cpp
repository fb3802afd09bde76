#include <climits>
#include <string>
#include <unistd.h>

#include "platform/ConsoleHold.h"

namespace platform {

std::string ParentProcessImageName()
{
    // Linux names a process's executable at /proc/<id>/exe; other systems give no such link, and
    // the name stays unknown.
    const std::string link = "/proc/" + std::to_string(getppid()) + "/exe";
    char target[PATH_MAX];
    const ssize_t length = readlink(link.c_str(), target, sizeof target);
    if (length <= 0 || static_cast<std::size_t>(length) >= sizeof target) {
        return std::string();
    }
    const std::string path(target, static_cast<std::size_t>(length));
    return path.substr(path.rfind('/') + 1);
}

ConsoleFacts CurrentConsoleFacts()
{
    return ConsoleFacts{ParentProcessImageName(), false};
}

} // namespace platform
