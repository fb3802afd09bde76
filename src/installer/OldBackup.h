#pragma once

#include <ostream>
#include <string>

// A file at the backup path beside an existing store: the old store of a swap that ended
// early, possibly the only copy of entries the store no longer holds (the swap could not put
// the old store back, and the reader application then made a fresh store).

// Removes the backup when every entry it holds is also in the store at storePath, comparing
// each entry's certificate under "Cert" (a hexadecimal string as NormalizeHexCertificate gives
// it, a literal string by its bytes); an entry without a certificate string counts as one the
// store lacks. Otherwise, and when the backup cannot be read in full as a
// store, moves it to the first free name among storePath + "-backup-1", "-backup-2", ...,
// never replacing anything, and says so on out on one line naming both paths: it is never
// deleted then. False, with one line, when it could be neither removed nor moved aside: the
// swap needs the backup path, so the store is to be left alone.
bool SettleOldBackup(const std::string& storePath, std::ostream& out);
