#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "pdf/io/IOBasicTypes.h"

// Hexadecimal digits, the one place that knows them: the reader (names, strings), the writer
// (names, strings, the document ID), the installer (certificates) and the tools all read and
// write them here. Digits are written in lower case and read in either case.
namespace Hexadecimal {

namespace Detail {

constexpr std::array<std::int8_t, 256> MakeDigitValues()
{
    std::array<std::int8_t, 256> values{};
    for (std::int8_t& value : values) {
        value = -1;
    }
    for (int i = 0; i < 10; ++i) {
        values[static_cast<std::size_t>('0' + i)] = static_cast<std::int8_t>(i);
    }
    for (int i = 0; i < 6; ++i) {
        values[static_cast<std::size_t>('a' + i)] = static_cast<std::int8_t>(10 + i);
        values[static_cast<std::size_t>('A' + i)] = static_cast<std::int8_t>(10 + i);
    }
    return values;
}

inline constexpr std::array<std::int8_t, 256> kDigitValues = MakeDigitValues();

} // namespace Detail

inline constexpr char kLowerDigits[] = "0123456789abcdef";

// 0 to 15 for a digit of either case, -1 for any other byte.
inline int DigitValue(Byte value)
{
    return Detail::kDigitValues[value];
}

inline bool IsDigit(Byte value)
{
    return Detail::kDigitValues[value] >= 0;
}

inline bool IsLowerDigit(Byte value)
{
    return IsDigit(value) && !(value >= 'A' && value <= 'F');
}

// The digit of a value from 0 to 15, in lower case.
inline char LowerDigit(unsigned int value)
{
    return kLowerDigits[value & 0x0Fu];
}

// Two lower-case digits for each byte, high half first.
void AppendLowerHex(std::string_view bytes, std::string& out);
std::string ToLowerHex(std::string_view bytes);
std::string ToLowerHex(std::span<const Byte> bytes);

// The bytes that digits stand for, two digits a byte. Bytes that are not digits are skipped
// (white space, or anything else a damaged file holds), and a last lone digit counts as if a
// 0 followed it, as PDF reads a hexadecimal string.
std::string FromHex(std::string_view digits);

} // namespace Hexadecimal
