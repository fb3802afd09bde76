#pragma once

#include <optional>
#include <ostream>
#include <string>

// trust-check's answer to a deployment tool, as its exit code.
enum class TrustCheckResult
{
    NothingToDo = 0, // every store found holds every certificate read, or no store exists
    WouldAdd = 1,    // the installer would add a certificate to some store
    CannotTell = 2   // a certificate file or a store could not be read, or no profile folder
};

// The whole run of trust-check, which never writes anything. Reads the certificate files from
// executableFolder as the installer does (the same list, the same lines for missing or
// unreadable files) and looks at the stores the installer would update under appDataFolder,
// in the same order. For each it writes the store's path, then "All certificates are
// trusted", one "missing: <label>" line per certificate the installer would add, in list
// order, or "Can't parse addressbook"; "No trust store found" when there is none. A store
// found only under its backup name is judged by that file, which the installer would put
// back first. Among the stores, CannotTell outweighs WouldAdd, which outweighs NothingToDo.
TrustCheckResult RunTrustCheck(const std::string& executableFolder,
                               const std::optional<std::string>& appDataFolder, std::ostream& out);
