#include <iostream>

#include "installer/InstallerPaths.h"
#include "platform/Platform.h"
#include "tools/trust-check/TrustCheck.h"

// trust-check: tells a deployment tool, through the exit code, whether trust-installer has
// anything left to do for this user. No arguments; writes nothing but console lines.
int main()
{
    platform::PrepareConsole();
    return static_cast<int>(RunTrustCheck(GetExecutableFolder(), FindAppDataFolder(), std::cout));
}
