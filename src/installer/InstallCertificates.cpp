#include "installer/InstallCertificates.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <iostream>
#include <memory>
#include <optional>

#include "installer/AddressBookReader.h"
#include "installer/ConsoleLines.h"
#include "installer/NewStoreCheck.h"
#include "installer/NewStoreLayout.h"
#include "installer/SideFiles.h"
#include "installer/StoreReplacement.h"
#include "pdf/writing/PDFWriter.h"
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

namespace {

enum class InstallOutcome
{
    Finished,    // installed, or every outcome that the lines already told
    StoreChanged // another program changed the store after it was read; nothing was swapped
};

// One pass over the store: read, write the new store, verify it, swap it in.
InstallOutcome InstallOnce(const std::string& storePath, const std::string& newStorePath,
                           std::vector<CertificateRecord>& certificates, std::ostream& out,
                           std::ostream& err, const std::function<void()>& beforeSwap)
{
    // Taken before the read: a change made while we read shows as well.
    const std::optional<platform::FileIdentity> identity = platform::IdentityOf(storePath);
    AddressBookSummary summary;
    // The store stays open from the first read to the end of the copy, and is closed before
    // anything is moved.
    auto store = std::make_unique<OpenedStore>();
    StoreSchema schema;
    if (!identity || !ReadAddressBook(storePath, certificates, summary, *store, schema)) {
        WriteLine(out, "Can't parse addressbook");
        return InstallOutcome::Finished;
    }
    const auto missingCount = static_cast<std::uint32_t>(
        std::count_if(certificates.begin(), certificates.end(),
                      [](const CertificateRecord& record) { return !record.alreadyTrusted; }));
    if (missingCount == 0) {
        WriteLine(out, "Certificates are already trusted");
        return InstallOutcome::Finished;
    }
    WriteLine(out, "adding certificates");

    std::uint32_t writtenEntryCount = 0;
    PDFWriter writer;
    WriteOutcome outcome = WriteNewStore(writer, *store, schema, newStorePath, certificates,
                                         summary, missingCount, writtenEntryCount);
    // The copy is complete: the old store's objects go, then the store closes, before the new
    // store is read back, so that the two reads are not held in memory at once.
    schema = StoreSchema();
    store.reset();
    // The new store is read back while its last bytes go to disk, then put on disk and closed.
    const bool readBack = outcome == WriteOutcome::Written &&
                          VerifyNewStore(newStorePath, certificates, writtenEntryCount);
    if (outcome == WriteOutcome::Written && writer.EndPDF() != Success) {
        outcome = WriteOutcome::EndFailed;
    }
    if (outcome != WriteOutcome::Written) {
        WriteLine(out, FailureLine(outcome));
        // A path we could not create may be someone else's (a folder).
        if (outcome != WriteOutcome::CannotCreate) {
            RemoveUnfinishedNewStore(newStorePath);
        }
        return InstallOutcome::Finished;
    }
    if (!readBack) {
        RemoveUnfinishedNewStore(newStorePath);
        WriteLine(out, "The new store did not read back correctly; the store was left unchanged");
        return InstallOutcome::Finished;
    }
    // Whoever may read or change the store now may do the same with its replacement, and no
    // one else: the rewrite must not widen access to the user's trust store.
    std::string reason;
    if (!platform::CopyOwner(storePath, newStorePath, reason)) {
        RemoveUnfinishedNewStore(newStorePath);
        WriteLine(out, "Can't give the new store the store's owner (" + reason +
                           "); the store was left unchanged");
        return InstallOutcome::Finished;
    }
    if (!platform::CopyAccessSettings(storePath, newStorePath, reason)) {
        RemoveUnfinishedNewStore(newStorePath);
        WriteLine(out, "Can't give the new store the store's permissions (" + reason +
                           "); the store was left unchanged");
        return InstallOutcome::Finished;
    }
    if (beforeSwap) {
        beforeSwap();
    }

    switch (ReplaceStore(storePath, newStorePath, *identity, out, err)) {
    case ReplaceOutcome::StoreChanged:
        RemoveUnfinishedNewStore(newStorePath);
        return InstallOutcome::StoreChanged;
    case ReplaceOutcome::Replaced:
        WriteLine(out, "New certificates are succesfully installed Adobe's Trusted Certificates "
                       "store.");
        WriteLine(out, "Newly added certificates are issued by Velmora.");
        break;
    case ReplaceOutcome::LeftUnchanged:
        RemoveUnfinishedNewStore(newStorePath);
        WriteLine(out, "Adobe's Trusted Certificates store was left unchanged.");
        break;
    case ReplaceOutcome::OldStoreAtBackup:
        RemoveUnfinishedNewStore(newStorePath);
        WriteLine(out, "Adobe's Trusted Certificates store could not be put back; it is kept as " +
                           BackupPathOf(storePath));
        break;
    }
    return InstallOutcome::Finished;
}

} // namespace

void InstallCertificatesTo(const std::string& storePath, const std::string& newStorePath,
                           std::vector<CertificateRecord>& certificates, std::ostream& out,
                           std::ostream& err, const std::function<void()>& beforeSwap)
{
    // Told apart from a store that is no store: this one may read fine at the next logon.
    std::string reason;
    std::FILE* probe = platform::OpenFile(storePath, "rb", reason);
    if (probe == nullptr) {
        WriteLine(out, "Can't read addressbook now: " + reason + "; the store was left unchanged");
        return;
    }
    std::fclose(probe);
    // Under the lock: whatever is at these names was left by a stopped run or put there by
    // someone else.
    if (!ClearSideFiles(storePath, newStorePath, out)) {
        return;
    }
    // What earlier stores of the run found, so that a second pass judges this store anew.
    const std::vector<CertificateRecord> foundBefore = certificates;
    for (int pass = 0; pass < 2; ++pass) {
        if (InstallOnce(storePath, newStorePath, certificates, out, err, beforeSwap) ==
            InstallOutcome::Finished) {
            return;
        }
        certificates = foundBefore;
        if (pass == 0) {
            WriteLine(out, "The store was changed by another program meanwhile; reading it again");
        }
    }
    WriteLine(out, "The store keeps being changed by another program; it was left unchanged");
}

void InstallCertificates(const std::string& storePath, const std::string& newStorePath,
                         std::vector<CertificateRecord>& certificates)
{
    InstallCertificatesTo(storePath, newStorePath, certificates, std::cout, std::cerr);
}
