#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "installer/CertificateSet.h"
#include "pdf/writing/ObjectReference.h"

class ObjectsContext;

// Brings one trust store up to date: marks in the list the certificates the store at
// storePath holds, and when any is missing writes a complete new store at newStorePath, reads
// it back, and puts it in place of the old one. Reports only through console lines on out
// (failed renames on err). The old store is never changed in place: on every failure it stays
// as it was and no new store file is left behind.
void InstallCertificatesTo(const std::string& storePath, const std::string& newStorePath,
                           std::vector<CertificateRecord>& certificates, std::ostream& out,
                           std::ostream& err);

// The same on the process's standard output and standard error.
void InstallCertificates(const std::string& storePath, const std::string& newStorePath,
                         std::vector<CertificateRecord>& certificates);

// Writes object objectID (allocated by the caller) as a new address-book entry holding the
// certificate with the trust settings every certificate we add receives.
void WriteCertificateEntry(ObjectsContext& objects, ObjectNumber objectID,
                           const std::string& certHex, long long id);
