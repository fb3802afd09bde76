#pragma once

#include <cstdint>
#include <span>
#include <string>

// Each byte as exactly two lower-case hexadecimal digits, no separators.
std::string BytesToHex(std::span<const std::uint8_t> bytes);
