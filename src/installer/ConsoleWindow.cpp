#include "installer/ConsoleWindow.h"

#include "platform/ConsoleHold.h"
#include "platform/Platform.h"

void FinishConsoleRun(std::ostream& out)
{
    if (platform::ShouldHoldConsoleOpen(platform::CurrentConsoleFacts())) {
        out << "Press any key to close this window (it closes by itself in 15 seconds)."
            << std::endl;
        platform::WaitForKeyOrTimeout(15000);
    }
    platform::RestoreConsole();
}
