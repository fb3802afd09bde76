#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "installer/CertificateList.h"

// Reads the finished new store back as the next run will: true only when it reads as a store,
// holds every certificate of the list, and lists writtenEntryCount entries. Anything less is
// not put in place of a store that works. The list itself is left as it is.
bool VerifyNewStore(const std::string& newStorePath,
                    const std::vector<CertificateRecord>& certificates,
                    std::uint32_t writtenEntryCount);
