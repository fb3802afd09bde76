#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "installer/CertificateList.h"
#include "platform/Platform.h"

// Updates one store; the run calls it once per existing store, in version order, while it
// holds that store's lock.
using InstallCertificatesFunction =
    std::function<void(const std::string& storePath, const std::string& newStorePath,
                       std::vector<CertificateRecord>& certificates)>;

// The whole run of the tool. Reads the certificate files from executableFolder, finds the
// stores under appDataFolder (the roaming profile folder; nothing when it is unknown) and
// hands each existing store to install. Every outcome is a console line on out; the result is
// the process exit code, 0 on every path, so a logon script never reports a failure.
//
// One run at a time per store: the store's lock is taken before anything of it is looked at
// (an interrupted run's backup included) and held until its install is over. A run that finds
// it taken says so once and waits, up to lockWait, then judges the store afresh; when the wait
// runs out it says so and leaves that store alone. Anything but a regular file at a store path
// gets the path and "Can't parse addressbook"; it is never opened.
inline constexpr std::chrono::milliseconds kStoreLockWait{30000};
int RunInstaller(const std::string& executableFolder,
                 const std::optional<std::string>& appDataFolder, std::ostream& out,
                 const InstallCertificatesFunction& install,
                 std::chrono::milliseconds lockWait = kStoreLockWait);

// The stores a run looks at, as every program of the tool finds them. Each folder directly in
// profileFolder may keep a store at ComposeStorePath: first those of kAcrobatVersions, in that
// order; then every other folder, in ascending byte order of its UTF-8 name (on Windows a name
// that differs from a version's only in letter case is that version's folder, visited once).
// Anything but a folder there, a link to a folder and a name not valid in the system's encoding
// are passed over. For each store path or backup path (an interrupted run's) that holds
// anything, runs visit(storePath) while this process holds the store's lock (WithStoreLock: it
// says so on out when it waits and when it gives up). False when a store was left alone because
// its lock could not be had. A program that only reads the stores passes use Read.
bool VisitStores(const std::string& profileFolder, std::chrono::milliseconds lockWait,
                 std::ostream& out, const std::function<void(const std::string& storePath)>& visit,
                 platform::ExclusiveLock::Use use = platform::ExclusiveLock::Use::Update);
