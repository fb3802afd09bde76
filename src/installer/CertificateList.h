#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <vector>

// One certificate of the run. The list of these is built once and shared by every store of
// the run; alreadyTrusted tells whether the store read last holds the certificate. Reading a
// store clears every flag first, so each store is judged on its own and receives whatever it
// lacks.
struct CertificateRecord
{
    std::string certHex; // the certificate's DER bytes, lower-case hexadecimal, two per byte
    bool alreadyTrusted = false;
    const char* label = ""; // the label of the file it was read from, for console lines
};

// A certificate file beside the executable. The first three must be present for a run to
// do anything; a missing later one is skipped with a console line.
struct CertificateFile
{
    const char* fileName; // no leading separator
    const char* label;    // the name used in console lines
    bool isMandatory;
};

// In list order, which is the order missing certificates are added to a store.
inline constexpr std::array<CertificateFile, 8> kCertificateFiles = {{
    {"NorvSigningCA.crt", "NorvSigningCA", true},
    {"TesselTimeStampingCA.crt", "TesselTimeStampingCA", true},
    {"NorvESealCA.crt", "NorvESealCA", true},
    {"NorvSigningCAG2.crt", "NorvSigningCAG2", false},
    {"TimeStampingCA2.crt", "TimeStampingCA2", false},
    {"NorvESealCA_2.crt", "NorvESealCA_2", false},
    {"NorvESealCAG2.crt", "NorvESealCAG2", false},
    {"NorvTrustRootCAG2.crt", "NorvTrustRootCAG2", false},
}};

// Certificates are a few kilobytes; a larger file is not a certificate we install, and
// refusing it keeps a stray file from making us allocate without limit.
inline constexpr std::int64_t kMaxCertificateFileBytes = 1024 * 1024;

// The DER bytes of the one X.509 certificate that the file at path holds, in DER or in PEM
// (see platform::DecodeCertificate), so both forms of a certificate give the same bytes.
// Nothing when the file cannot be read (ReadFileBytes, up to kMaxCertificateFileBytes) or
// holds no certificate, or more than one: a trust store must never receive something that is
// not a certificate.
std::optional<std::vector<std::uint8_t>> ReadCertificateFile(const std::string& path);

// The certificate list of the files in folder, in the order of files. Each file left out
// gets a console line on out. A mandatory file that is missing ends the reading with
// "can't find <label> certificate" (the first one only, before any file is read), one that
// is present but unreadable or holds no certificate with "can't read <label> certificate";
// the result is nothing then. Any other file that is missing, unreadable or no certificate
// gets "can't read <label> certificate, skipping it" and is left out of the list.
std::optional<std::vector<CertificateRecord>>
ReadCertificateList(const std::string& folder, std::ostream& out,
                    std::span<const CertificateFile> files = kCertificateFiles);
