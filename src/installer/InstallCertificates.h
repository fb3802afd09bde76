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
// The caller holds the store's lock, so a "-new" found at the start is a leftover of a run
// that was stopped, and is removed. The new store gets the old one's access settings
// (permissions, attributes, an explicit DACL) before it moves in. Just before the swap the
// store must still be the file that was read (same file, size and last write time): when
// another program changed it meanwhile, the new store is dropped and the store is judged
// afresh, once, so that program's change is kept. beforeSwap, when given, runs at that moment
// (tests stand in there for the other program).
void InstallCertificatesTo(const std::string& storePath, const std::string& newStorePath,
                           std::vector<CertificateRecord>& certificates, std::ostream& out,
                           std::ostream& err, const std::function<void()>& beforeSwap = {});

// The same on the process's standard output and standard error.
void InstallCertificates(const std::string& storePath, const std::string& newStorePath,
                         std::vector<CertificateRecord>& certificates);
