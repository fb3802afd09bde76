#pragma once

#include <cstddef>
#include <cstdint>

// Every file position, offset and length of the PDF layer. 64 bits on every platform
// (long is 32 bits on Windows).
using FilePosition = std::int64_t;

// Byte counts passed to and returned by Read, Write and Skip.
using IOByteCount = std::uint32_t;

using Byte = std::uint8_t;
