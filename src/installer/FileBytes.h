#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The whole content of the file at path, unchanged. Nothing when the file cannot be opened or
// read to its end, or is larger than maxBytes: a folder or device can report any size, and a
// stray large file must not make the caller allocate without limit.
std::optional<std::vector<std::uint8_t>> ReadFileBytes(const std::string& path,
                                                       std::int64_t maxBytes);
