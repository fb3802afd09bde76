#include "GoldenFile.h"

#include <cstdio>
#include <fstream>
#include <iterator>

#include "TempFolder.h"
#include "platform/Platform.h"

namespace {

constexpr std::size_t kContext = 24;

bool ReadWholeFile(const std::string& path, std::string& bytes)
{
    std::ifstream in(Utf8ToPath(path), std::ios::binary);
    if (!in) {
        return false;
    }
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

} // namespace

std::string EscapedExcerpt(const std::string& bytes, std::size_t offset)
{
    const std::size_t begin = offset > kContext ? offset - kContext : 0;
    const std::size_t end = offset + kContext < bytes.size() ? offset + kContext : bytes.size();
    std::string text;
    for (std::size_t i = begin; i < end; ++i) {
        if (i == offset) {
            text += "[>]";
        }
        const unsigned char byte = static_cast<unsigned char>(bytes[i]);
        if (byte == '\r') {
            text += "\\r";
        } else if (byte == '\n') {
            text += "\\n";
        } else if (byte == '\t') {
            text += "\\t";
        } else if (byte == '\\') {
            text += "\\\\";
        } else if (byte >= 0x20 && byte < 0x7F) {
            text.push_back(static_cast<char>(byte));
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof(escaped), "\\x%02X", byte);
            text += escaped;
        }
    }
    if (offset >= bytes.size()) {
        text += "[>]<end>";
    }
    return text;
}

::testing::AssertionResult MatchesGoldenFile(const std::string& goldenPath,
                                             const std::string& actual)
{
    const std::optional<std::string> update = platform::EnvironmentValue("UPDATE_GOLDEN");
    if (update && *update == "1") {
        std::ofstream out(Utf8ToPath(goldenPath), std::ios::binary | std::ios::trunc);
        out.write(actual.data(), static_cast<std::streamsize>(actual.size()));
        if (!out) {
            return ::testing::AssertionFailure() << "could not rewrite " << goldenPath;
        }
        return ::testing::AssertionSuccess() << "rewrote " << goldenPath;
    }

    std::string expected;
    if (!ReadWholeFile(goldenPath, expected)) {
        return ::testing::AssertionFailure()
               << "missing golden file " << goldenPath << " (run with UPDATE_GOLDEN=1)";
    }
    if (expected == actual) {
        return ::testing::AssertionSuccess();
    }
    std::size_t offset = 0;
    while (offset < expected.size() && offset < actual.size() &&
           expected[offset] == actual[offset]) {
        ++offset;
    }
    return ::testing::AssertionFailure()
           << goldenPath << ": expected " << expected.size() << " bytes, got " << actual.size()
           << "; first difference at offset " << offset
           << "\n  expected: " << EscapedExcerpt(expected, offset)
           << "\n  actual:   " << EscapedExcerpt(actual, offset);
}
