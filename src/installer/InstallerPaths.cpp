#include "installer/InstallerPaths.h"

#include "platform/Platform.h"

std::string GetExecutableFolder()
{
    return platform::ExecutableFolder();
}

bool FileExists(const std::string& path)
{
    return platform::FileExists(path);
}

StoreKind KindOfStorePath(const std::string& path)
{
    switch (platform::KindOfPath(path)) {
    case platform::PathKind::Missing:
        return StoreKind::Absent;
    case platform::PathKind::RegularFile:
        return StoreKind::RegularFile;
    case platform::PathKind::Other:
        break;
    }
    return StoreKind::NotAFile;
}

std::optional<std::string> FindAppDataFolder()
{
    std::optional<std::string> value = platform::EnvironmentValue("APPDATA");
    if (value && !value->empty()) {
        return value;
    }
    value = platform::RoamingAppDataFolder();
    if (value && !value->empty()) {
        return value;
    }
    return std::nullopt;
}

std::string ComposeProfileFolder(const std::string& appData)
{
    const char separator = platform::kPathSeparator;
    return appData + separator + "Adobe" + separator + "Acrobat" + separator;
}

std::string ComposeStorePath(const std::string& profileFolder, const std::string& version)
{
    const char separator = platform::kPathSeparator;
    return profileFolder + version + separator + "Security" + separator + "addressbook.acrodata";
}
