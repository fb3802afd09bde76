#include "installer/InstallCertificates.h"

#include <algorithm>
#include <cstdint>
#include <iostream>
#include <memory>

#include "installer/AddressBookReader.h"
#include "installer/ConsoleLines.h"
#include "installer/NewStoreCheck.h"
#include "installer/NewStoreLayout.h"
#include "installer/StoreReplacement.h"
#include "platform/Platform.h"

namespace {

const char* FailureLine(WriteOutcome outcome)
{
    switch (outcome) {
    case WriteOutcome::CannotCreate:
        return "Can't create the new store file; the store was left unchanged";
    case WriteOutcome::KeyNotWritten:
        return "Error writing certificate";
    case WriteOutcome::ValueNotCopyable:
        return "The store holds a value that can't be copied; the store was left unchanged";
    case WriteOutcome::ObjectUnreadable:
        return "The store refers to an object that can't be read; the store was left unchanged";
    case WriteOutcome::IdentifiersUsedUp:
        return "The store has no entry identifiers left; the store was left unchanged";
    case WriteOutcome::EndFailed:
    case WriteOutcome::Written:
        break;
    }
    return "failed in end PDF";
}

// What we could not finish or put in place must not be mistaken for a store.
void RemoveUnfinishedNewStore(const std::string& newStorePath)
{
    (void)platform::RemoveFile(newStorePath); // a leftover is replaced by the next run
}

} // namespace

void InstallCertificatesTo(const std::string& storePath, const std::string& newStorePath,
                           std::vector<CertificateRecord>& certificates, std::ostream& out,
                           std::ostream& err)
{
    AddressBookSummary summary;
    // The store stays open from the first read to the end of the copy, and is closed before
    // anything is moved.
    auto store = std::make_unique<OpenedStore>();
    StoreSchema schema;
    if (!ReadAddressBook(storePath, certificates, summary, *store, schema)) {
        WriteLine(out, "Can't parse addressbook");
        return;
    }
    const auto missingCount = static_cast<std::uint32_t>(
        std::count_if(certificates.begin(), certificates.end(),
                      [](const CertificateRecord& record) { return !record.alreadyTrusted; }));
    if (missingCount == 0) {
        WriteLine(out, "Certificates are already trusted");
        return;
    }
    WriteLine(out, "adding certificates");

    std::uint32_t writtenEntryCount = 0;
    const WriteOutcome outcome = WriteNewStore(*store, schema, newStorePath, certificates, summary,
                                               missingCount, writtenEntryCount);
    schema = StoreSchema(); // objects of the old store, released before the store closes
    store.reset();
    if (outcome != WriteOutcome::Written) {
        WriteLine(out, FailureLine(outcome));
        // A path we could not create may be someone else's (a folder).
        if (outcome != WriteOutcome::CannotCreate) {
            RemoveUnfinishedNewStore(newStorePath);
        }
        return;
    }
    if (!VerifyNewStore(newStorePath, certificates, writtenEntryCount)) {
        RemoveUnfinishedNewStore(newStorePath);
        WriteLine(out, "The new store did not read back correctly; the store was left unchanged");
        return;
    }

    switch (ReplaceStore(storePath, newStorePath, out, err)) {
    case ReplaceOutcome::Replaced:
        WriteLine(out, "New certificates are succesfully installed Adobe's Trusted Certificates "
                       "store.");
        WriteLine(out, "Newly added certificates are issued by Velmora.");
        return;
    case ReplaceOutcome::LeftUnchanged:
        RemoveUnfinishedNewStore(newStorePath);
        WriteLine(out, "Adobe's Trusted Certificates store was left unchanged.");
        return;
    case ReplaceOutcome::OldStoreAtBackup:
        RemoveUnfinishedNewStore(newStorePath);
        WriteLine(out, "Adobe's Trusted Certificates store could not be put back; it is kept as " +
                           BackupPathOf(storePath));
        return;
    }
}

void InstallCertificates(const std::string& storePath, const std::string& newStorePath,
                         std::vector<CertificateRecord>& certificates)
{
    InstallCertificatesTo(storePath, newStorePath, certificates, std::cout, std::cerr);
}
