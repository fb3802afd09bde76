#pragma once

#include <string>
#include <vector>

#include "installer/CertificateSet.h"

// Brings one trust store up to date: marks in the list the certificates the store at
// storePath already holds, and when any is missing writes a complete new store at
// newStorePath and puts it in place of the old one. Reports only through console lines;
// flags it sets stay set for the stores handled after this one.
void InstallCertificates(const std::string& storePath, const std::string& newStorePath,
                         std::vector<CertificateRecord>& certificates);
