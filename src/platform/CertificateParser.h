#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

// Reads X.509 certificates through the system's own certificate library: crypt32 on Windows,
// OpenSSL's libcrypto elsewhere. Nothing here decodes ASN.1 by hand.
namespace platform {

// The DER encoding of the one X.509 certificate that data holds. data is either exactly that
// encoding, with no byte before or after it, or text with exactly one block from
// "-----BEGIN CERTIFICATE-----" to "-----END CERTIFICATE-----" (any text before or after it, LF
// or CR LF line ends). Nothing for anything else: text, an empty file, a private key, a
// certificate cut short or followed by other bytes, a block whose base64 is broken, or more
// than one certificate.
std::optional<std::vector<std::uint8_t>> DecodeCertificate(std::span<const std::uint8_t> data);

// What an administrator needs to tell the certificates of a store apart.
struct CertificateDescription
{
    // The subject's first common name; the whole subject ("C=DK, O=..., OU=...", in the order of
    // the certificate) when it has none. UTF-8; control characters are written as \xNN, so the
    // text always stays on one console line.
    std::string name;
    // The last day of validity in universal time, "YYYY-MM-DD"; "-" when the system cannot tell.
    std::string expiry;
};

// Nothing when der is not exactly one DER-encoded X.509 certificate.
std::optional<CertificateDescription> DescribeCertificate(std::span<const std::uint8_t> der);

} // namespace platform
