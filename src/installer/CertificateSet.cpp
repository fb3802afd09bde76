#include "installer/CertificateSet.h"

std::string BytesToHex(std::span<const std::uint8_t> bytes)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex(bytes.size() * 2, '\0');
    char* next = hex.data();
    for (std::uint8_t byte : bytes) {
        *next++ = kDigits[byte >> 4];
        *next++ = kDigits[byte & 0x0F];
    }
    return hex;
}
