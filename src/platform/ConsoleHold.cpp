#include "platform/ConsoleHold.h"

#include "platform/FolderListing.h"

namespace platform {

bool ShouldHoldConsoleOpen(const ConsoleFacts& facts)
{
    return facts.outputIsConsole && SameFileName(facts.parentImageName, "explorer.exe");
}

} // namespace platform
