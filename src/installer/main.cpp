#include <iostream>

#include "installer/ConsoleWindow.h"
#include "installer/InstallCertificates.h"
#include "installer/InstallerPaths.h"
#include "installer/InstallerRun.h"
#include "platform/Platform.h"

int main()
{
    platform::PrepareConsole();
    (void)RunInstaller(GetExecutableFolder(), FindAppDataFolder(), std::cout, InstallCertificates);
    FinishConsoleRun(std::cout);
    return 0;
}
