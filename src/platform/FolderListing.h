#pragma once

#include <functional>
#include <string>

// The folders directly inside a folder, and how the system compares their names.
namespace platform {

// True on Windows, whose file systems compare names without regard to letter case: there "dc"
// and "DC" name one folder. False elsewhere.
extern const bool kFileNamesIgnoreCase;

// True when the two names (UTF-8) are one name to the system: equal byte for byte, or on Windows
// equal once letters are taken to one case.
bool SameFileName(const std::string& a, const std::string& b);

// Calls visit with the name (UTF-8) of every folder directly inside folder, in the order the
// system gives them. Passed over: "." and "..", anything that is not a folder, a link to a folder
// (a symbolic link; on Windows any reparse point, a junction included), and a name that the
// system's encoding cannot give as UTF-8 (POSIX: bytes that are not UTF-8; Windows: UTF-16 with
// an unpaired surrogate). False when the folder cannot be listed at all (missing, not a folder,
// no right to list it); the names already visited then stand.
bool ForEachSubfolder(const std::string& folder,
                      const std::function<void(const std::string& name)>& visit);

} // namespace platform
