#include "platform/Platform.h"

namespace platform {

bool ShouldHoldConsoleOpen(const ConsoleFacts& facts)
{
    // Explorer gives a console program a window of its own, with no other process on it; a
    // command prompt, a script host or a task that starts it shares its console or hides it.
    return facts.hasConsole && facts.processesOnConsole == 1 && facts.windowVisible &&
           facts.outputIsConsole;
}

} // namespace platform
