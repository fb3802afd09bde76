#pragma once

#include <ostream>
#include <string>

// A file at the backup path beside an existing store: the old store of a swap that ended
// early, possibly the only copy of entries the store no longer holds (the swap could not put
// the old store back, and the reader application then made a fresh store).

// What SettleOldBackup found or did.
enum class OldBackupFate
{
    Redundant,  // the store holds all of it: the backup may be removed
    MovedAside, // kept under a numbered name; the backup path is free
    Stuck       // it could not be moved aside (said on one line): the store is to be left alone
};

// Judges the backup by every entry it holds: redundant when each entry's certificate under
// "Cert" (a hexadecimal string as NormalizeHexCertificate gives it, a literal string by its
// bytes) is also that of some entry in the store at storePath; an entry without a certificate
// string counts as one the store lacks. Otherwise, and when the backup or the store cannot be
// read in full as a store, moves the backup to the first free name among storePath +
// "-backup-1", "-backup-2", ..., never replacing anything, and says so on out on one line
// naming both paths: it is never deleted then.
OldBackupFate SettleOldBackup(const std::string& storePath, std::ostream& out);
