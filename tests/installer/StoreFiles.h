#pragma once

// Trust stores for the installer's tests, built object by object with exact offsets.

#include <cctype>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "PdfFileBuilder.h"
#include "installer/CertificateList.h"

using StoreObjects = std::vector<std::pair<std::uint32_t, std::string>>;

// A whole store: the objects in the order given, a classic table, and the trailer entries.
inline std::string BuildStore(const StoreObjects& objects,
                              const std::string& trailer = "/Root 1 0 R")
{
    PdfFileBuilder builder("%PPKLITE-2.1");
    builder.AddRaw("%\xe2\xe3\xcf\xd3\r\n");
    for (const auto& [number, body] : objects) {
        builder.AddObject(number, 0, body);
    }
    builder.SetTrailerEntries(trailer);
    return builder.Build();
}

// The catalog as the reader application writes it, with the given Entries items and NextID.
inline std::string Catalog(const std::string& entries, const std::string& nextID = "20")
{
    return "<< /PPK << /AddressBook << /Entries [ " + entries + " ] /NextID " + nextID +
           " /Type /AddressBook >> /Type /PPK /User << /Type /User >> /V 65537 >> "
           "/Type /Catalog >>";
}

// An identity entry holding a hexadecimal certificate.
inline std::string Entry(const std::string& certHex, long long id)
{
    return "<< /ABEType 1 /Cert <" + certHex + "> /Editable true /ID " + std::to_string(id) +
           " /Trust 96 /Usage 1 /Viewable true >>";
}

// Records as the run builds them, all not yet found.
inline std::vector<CertificateRecord> Records(const std::vector<std::string>& hexTexts)
{
    std::vector<CertificateRecord> records;
    for (const std::string& hex : hexTexts) {
        records.push_back(CertificateRecord{hex, false});
    }
    return records;
}

inline std::vector<bool> Flags(const std::vector<CertificateRecord>& records)
{
    std::vector<bool> flags;
    for (const CertificateRecord& record : records) {
        flags.push_back(record.alreadyTrusted);
    }
    return flags;
}

// The document identifier hashes the time and the path; everything else of a written store
// is fixed. Its digits are masked so whole files can be compared.
inline std::string MaskDocumentID(std::string bytes)
{
    const std::size_t start = bytes.rfind("/ID [");
    if (start == std::string::npos) {
        return bytes;
    }
    for (std::size_t i = start + 5; i < bytes.size() && bytes[i] != ']'; ++i) {
        if (std::isxdigit(static_cast<unsigned char>(bytes[i])) != 0) {
            bytes[i] = '0';
        }
    }
    return bytes;
}
