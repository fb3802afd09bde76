#include "pdf/io/Hexadecimal.h"

namespace Hexadecimal {

void AppendLowerHex(std::string_view bytes, std::string& out)
{
    const std::size_t start = out.size();
    out.resize(start + bytes.size() * 2);
    char* next = out.data() + start;
    for (char c : bytes) {
        const auto byte = static_cast<Byte>(c);
        *next++ = kLowerDigits[byte >> 4];
        *next++ = kLowerDigits[byte & 0x0F];
    }
}

std::string ToLowerHex(std::string_view bytes)
{
    std::string hex;
    AppendLowerHex(bytes, hex);
    return hex;
}

std::string ToLowerHex(std::span<const Byte> bytes)
{
    return ToLowerHex(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

std::string FromHex(std::string_view digits)
{
    std::string bytes;
    bytes.reserve(digits.size() / 2 + 1);
    int high = -1;
    for (char c : digits) {
        const int value = DigitValue(static_cast<Byte>(c));
        if (value < 0) {
            continue;
        }
        if (high < 0) {
            high = value;
        } else {
            bytes.push_back(static_cast<char>(high * 16 + value));
            high = -1;
        }
    }
    if (high >= 0) {
        bytes.push_back(static_cast<char>(high * 16));
    }
    return bytes;
}

} // namespace Hexadecimal
