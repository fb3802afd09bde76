#include <iostream>

#include "installer/ConsoleWindow.h"
#include "installer/InstallerPaths.h"
#include "platform/Platform.h"
#include "tools/trust-check/TrustCheck.h"

// trust-check: tells a deployment tool, through the exit code, whether trust-installer has
// anything left to do for this user. No arguments; writes nothing but console lines.
int main()
{
    platform::PrepareConsole();
    const TrustCheckResult result =
        RunTrustCheck(GetExecutableFolder(), FindAppDataFolder(), std::cout);
    FinishConsoleRun(std::cout);
    return static_cast<int>(result);
}
