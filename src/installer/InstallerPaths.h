#pragma once

#include <array>
#include <optional>
#include <string>

// Where the installer finds its inputs: the certificate files lie beside the running
// executable, the trust stores under the user's roaming profile folder. Every path is UTF-8
// and joined with the platform's separator; nothing is normalised or made absolute.

// The Acrobat versions whose stores are handled first, in this order; the stores of the other
// product lines' folders follow them (VisitStores).
inline constexpr std::array<const char*, 3> kAcrobatVersions = {"DC", "10.0", "11.0"};

// Folder of the running executable, without a trailing separator; asks the system on every
// call. Empty when the system cannot tell.
std::string GetExecutableFolder();

// True when the file can be opened for reading right now. A missing file, a missing folder on
// the way, a folder in its place or a file locked against reading all count as absent.
bool FileExists(const std::string& path);

// What is at a store path, found without opening it: only a regular file can be a store, and
// a FIFO there would block an open.
enum class StoreKind
{
    Absent,
    RegularFile,
    NotAFile // a folder, FIFO, device or socket
};
StoreKind KindOfStorePath(const std::string& path);

// The roaming profile folder: the "APPDATA" environment value, or where the system keeps that
// folder when the variable is not set (Windows only). An empty value counts as not set: it
// would make every store path relative to the root of the current drive.
std::optional<std::string> FindAppDataFolder();

// appData + "Adobe" + "Acrobat", each followed by the separator.
std::string ComposeProfileFolder(const std::string& appData);

// profileFolder + version + "Security" + "addressbook.acrodata", joined by the separator.
std::string ComposeStorePath(const std::string& profileFolder, const std::string& version);
