#pragma once

#include <string>

#include "pdf/io/StatusCode.h"

class DumpParser;

// The short report an administrator reads about a trust store:
//
//     Trust store: /path/addressbook.acrodata
//     Header version: 2.1
//     Entries: 2
//     ID 1  ABEType 1  Trust 8190  MD5 0f343b0931126a20f133d67c2b018a3b
//     ID 2  ABEType 2  Trust -  MD5 -
//
// One line per item of the catalog's /PPK /AddressBook /Entries, in array order. A value the
// entry lacks (or holds with another type) is "-"; the fingerprint is the MD5 of the
// certificate's bytes (a hexadecimal /Cert decoded first). An item that is not a reference, or
// whose object cannot be fetched, gets a line saying so instead of failing the report.
//
// The parser must have read the directory of the file. Fails, with the reason in outError, when
// the file is not a trust store or its catalog lacks the address book.
StatusCode SummarizeTrustStore(DumpParser& parser, const std::string& path, std::string& outText,
                               std::string& outError);
