#pragma once

#include <chrono>
#include <optional>
#include <ostream>
#include <string>

#include "installer/InstallerRun.h"

// trust-check's answer to a deployment tool, as its exit code.
enum class TrustCheckResult
{
    NothingToDo = 0, // every store found holds every certificate read, or no store exists
    WouldAdd = 1,    // the installer would add a certificate to some store
    CannotTell = 2   // a certificate file or a store could not be read, or no profile folder
};

// The whole run of trust-check, which creates, changes and removes nothing anywhere. Reads the
// certificate files from executableFolder as the installer does (the same list, the same lines for
// missing or unreadable files) and looks at the stores the installer would update under
// appDataFolder, in the same order. For each it writes the store's path, then "All certificates are
// trusted", one "missing: <label>" line per certificate the installer would add, in list
// order, or "Can't parse addressbook"; "No trust store found" when there is none. A store
// found only under its backup name is judged by that file, which the installer would put
// back first, and anything but a regular file at a store path gives "Can't parse addressbook".
// Each store is read while this process holds its lock for reading (platform::ExclusiveLock,
// Use::Read; on Windows the lock file a running install created, opened for reading only): a
// store that a running install is replacing is waited for, up to lockWait, and when the wait
// runs out the answer is CannotTell. Among the stores, CannotTell outweighs WouldAdd, which
// outweighs NothingToDo.
TrustCheckResult RunTrustCheck(const std::string& executableFolder,
                               const std::optional<std::string>& appDataFolder, std::ostream& out,
                               std::chrono::milliseconds lockWait = kStoreLockWait);
