#pragma once

// What CertificateParserPosix.cpp and CertificateParserWindows.cpp each provide to
// CertificateParser.cpp, which holds the part that is the same on every system. Only the
// platform layer includes this.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace platform::certificate_system {

struct SubjectAttribute
{
    std::string type;                 // the attribute's object identifier, dotted ("2.5.4.3")
    std::optional<std::string> value; // UTF-8; nothing when the value is not a string
};

struct CertificateFields
{
    std::vector<SubjectAttribute> subject; // in the order of the certificate
    int expiryYear = 0;                    // 0 when the system could not read the date
    int expiryMonth = 0;
    int expiryDay = 0;
};

// The fields of der when it is exactly one DER-encoded X.509 certificate, as the system's
// library reads it; nothing otherwise, bytes after the certificate included.
std::optional<CertificateFields> ReadCertificateFields(std::span<const std::uint8_t> der);

// The bytes that the base64 of one PEM block stands for. block runs from its "-----BEGIN"
// line to the end of its "-----END CERTIFICATE-----" line; nothing when the base64 is broken.
std::optional<std::vector<std::uint8_t>> DecodePemBlock(std::string_view block);

} // namespace platform::certificate_system
