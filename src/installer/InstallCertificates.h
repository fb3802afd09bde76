#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "installer/CertificateSet.h"

// Brings one trust store up to date: marks in the list the certificates the store at
// storePath holds, and when any is missing writes a complete new store at newStorePath, reads
// it back, and puts it in place of the old one. Reports only through console lines on out
// (failed renames on err); every line an install prints comes from here or from the swap.
// The old store is never changed in place: on every failure it stays as it was and no new
// store file is left behind (a path that could not be created is not ours to remove).
void InstallCertificatesTo(const std::string& storePath, const std::string& newStorePath,
                           std::vector<CertificateRecord>& certificates, std::ostream& out,
                           std::ostream& err);

// The same on the process's standard output and standard error.
void InstallCertificates(const std::string& storePath, const std::string& newStorePath,
                         std::vector<CertificateRecord>& certificates);
