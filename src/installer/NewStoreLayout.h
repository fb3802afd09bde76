#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "installer/CertificateList.h"
#include "installer/StoreCopier.h"
#include "pdf/writing/ObjectReference.h"

struct AddressBookSummary;
class ObjectsContext;
struct OpenedStore;
class PDFWriter;
struct StoreSchema;

// Writes the complete new store at newStorePath through writer, from the old one, which the
// first read left open: the file has not changed since, so its directory and dictionaries are
// used as they were read. Object 1 is a new catalog (old keys kept beside the ones every store
// has), then copies of the old entries in the order of Entries (an entry listed several times
// is copied once, and every listing refers to that copy), then one new entry for each
// certificate not yet trusted, in list order, then the extra objects copied values refer to.
// New identifiers start past NextID and past every identifier in use. writtenEntryCount
// receives the length of the new Entries array. The schema is emptied once the catalog is
// written: the entries are then copied from their numbers, one at a time, and the store's list
// of them is no longer held. Store and schema are not used after this returns.
//
// On Written the new store is finished (PDFWriter::FinishPDF): all of it can be read from
// newStorePath while its last bytes still go to disk, and the caller ends it with
// PDFWriter::EndPDF, which puts it on disk and closes it. On any other outcome the writer is
// already ended, and the file at newStorePath, if one was created, is unfinished; the caller
// removes it.
WriteOutcome WriteNewStore(PDFWriter& writer, OpenedStore& store, StoreSchema& schema,
                           const std::string& newStorePath,
                           const std::vector<CertificateRecord>& certificates,
                           const AddressBookSummary& summary, std::uint32_t missingCount,
                           std::uint32_t& writtenEntryCount);

// Writes object objectID (allocated by the caller) as a new address-book entry holding the
// certificate with the trust settings every certificate we add receives.
void WriteCertificateEntry(ObjectsContext& objects, ObjectNumber objectID,
                           const std::string& certHex, long long id);
