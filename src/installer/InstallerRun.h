#pragma once

#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "installer/CertificateSet.h"

// Updates one store; the run calls it once per existing store, in version order.
using InstallCertificatesFunction =
    std::function<void(const std::string& storePath, const std::string& newStorePath,
                       std::vector<CertificateRecord>& certificates)>;

// The whole run of the tool. Reads the certificate files from executableFolder, finds the
// stores under appDataFolder (the roaming profile folder; nothing when it is unknown) and
// hands each existing store to install. Every outcome is a console line on out; the result is
// the process exit code, 0 on every path, so a logon script never reports a failure.
int RunInstaller(const std::string& executableFolder,
                 const std::optional<std::string>& appDataFolder, std::ostream& out,
                 const InstallCertificatesFunction& install);
