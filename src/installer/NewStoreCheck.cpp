#include "installer/NewStoreCheck.h"

#include <algorithm>

#include "installer/AddressBookReader.h"

bool VerifyNewStore(const std::string& newStorePath,
                    const std::vector<CertificateRecord>& certificates,
                    std::uint32_t writtenEntryCount)
{
    std::vector<CertificateRecord> check = certificates;
    AddressBookSummary summary;
    if (!ReadAddressBook(newStorePath, check, summary)) {
        return false;
    }
    return summary.entryCount == writtenEntryCount &&
           std::all_of(check.begin(), check.end(),
                       [](const CertificateRecord& record) { return record.alreadyTrusted; });
}
