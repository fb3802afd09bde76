#pragma once

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "installer/CertificateList.h"

// Brings one trust store up to date: marks in the list the certificates the store at
// storePath holds, and when any is missing writes a complete new store at newStorePath, reads
// it back, and puts it in place of the old one. Reports only through console lines on out
// (failed renames on err); every line an install prints comes from here or from the swap.
// The old store is never changed in place: on every failure it stays as it was and no new
// store file is left behind (a path that could not be created is not ours to remove).
//
// The caller holds the store's lock. The names beside the store are cleared first
// (ClearSideFiles: a leftover "-new" removed, an old "-backup" removed only when redundant,
// anything else there leaves the store alone with a line); the new store is created anew,
// never through a link. It gets the old one's owner and group (POSIX), then its access settings
// (permission bits, attributes, an explicit DACL) before it moves in. Immediately before the
// first rename the store must still be the file that was read (same file, size and
// status-change time): when another program changed it meanwhile, the new store is dropped and
// the store is judged afresh, once, so that program's change is kept. beforeSwap, when given,
// runs just before that (tests stand in there for the other program).
void InstallCertificatesTo(const std::string& storePath, const std::string& newStorePath,
                           std::vector<CertificateRecord>& certificates, std::ostream& out,
                           std::ostream& err, const std::function<void()>& beforeSwap = {});

// The same on the process's standard output and standard error.
void InstallCertificates(const std::string& storePath, const std::string& newStorePath,
                         std::vector<CertificateRecord>& certificates);
