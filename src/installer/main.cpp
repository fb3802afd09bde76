#include <iostream>

#include "installer/InstallCertificates.h"
#include "installer/InstallerPaths.h"
#include "installer/InstallerRun.h"
#include "platform/Platform.h"

int main()
{
    platform::PrepareConsole();
    (void)RunInstaller(GetExecutableFolder(), FindAppDataFolder(), std::cout, InstallCertificates);
    platform::RestoreConsole();
    return 0;
}
