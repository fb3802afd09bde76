#pragma once

#include <string>

#include "pdf/io/StatusCode.h"

class DumpParser;

// The short report an administrator reads about a trust store:
//
//   Trust store: /path/addressbook.acrodata
//   Header version: 2.1
//   Entries: 2
//   ID 1  ABEType 1  Trust 96  MD5 0f343b0931126a20f133d67c2b018a3b  Expires 2036-12-06  Subject CA
//   ID 2  ABEType 2  Trust -  MD5 -  Expires -  Subject -
//
// One line per item of the catalog's /PPK /AddressBook /Entries, in array order. The catalog
// and the dictionaries below it are found as the installer finds them (the trailer's /Root
// first, object 1 when that leads to no dictionary; a /PPK with /V), so the report shows the
// entries the installer reads: an entry standing directly in Entries has its line too, and a
// /Cert or /ID held in an object of its own is shown through that object. A value the
// entry lacks (or holds with another type) is "-"; the fingerprint is the MD5 of the
// certificate's bytes (a hexadecimal /Cert decoded first), and the expiry date and subject
// (its common name, or the whole subject without one) are read from those bytes by the
// system's certificate library, "-" when they are not an X.509 certificate. An item that is
// neither a dictionary nor a reference, or whose object cannot be fetched, gets a line saying so
// instead of failing the report.
//
// The parser must have read the directory of the file. Fails, with the reason in outError, when
// the file is not a trust store or the installer would find no address book in it.
StatusCode SummarizeTrustStore(DumpParser& parser, const std::string& path, std::string& outText,
                               std::string& outError);
