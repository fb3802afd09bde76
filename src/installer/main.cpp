#include <iostream>

#include "installer/InstallCertificates.h"
#include "installer/InstallerPaths.h"
#include "installer/InstallerRun.h"
#include "platform/Platform.h"

int main()
{
    platform::PrepareConsole();
    (void)RunInstaller(GetExecutableFolder(), FindAppDataFolder(), std::cout, InstallCertificates);
    // Started from Explorer, the window would close before anyone could read it.
    if (platform::ShouldHoldConsoleOpen(platform::CurrentConsoleFacts())) {
        std::cout << "Press any key to close this window (it closes by itself in 15 seconds)."
                  << std::endl;
        platform::WaitForKeyOrTimeout(15000);
    }
    platform::RestoreConsole();
    return 0;
}
