#pragma once

#include <string>

#include <gtest/gtest.h>

// Compares bytes with a golden file, whole. On a difference the message gives the sizes, the
// first differing offset and the bytes around it on both sides, escaped (CR as \r, others
// as \xNN). With UPDATE_GOLDEN=1 in the environment the golden file is rewritten with the
// actual bytes instead, and the comparison passes: review that diff like code.
::testing::AssertionResult MatchesGoldenFile(const std::string& goldenPath,
                                             const std::string& actual);

// The bytes around offset, escaped for a failure message.
std::string EscapedExcerpt(const std::string& bytes, std::size_t offset);
