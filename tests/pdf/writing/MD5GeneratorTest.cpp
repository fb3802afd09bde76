#include "pdf/writing/MD5Generator.h"

#include <string>

#include <gtest/gtest.h>

namespace {

struct DigestCase
{
    const char* message;
    const char* digest;
};

// The test suite of RFC 1321, appendix A.5.
constexpr DigestCase kRfcCases[] = {
    {"", "d41d8cd98f00b204e9800998ecf8427e"},
    {"a", "0cc175b9c0f1b6a831c399e269772661"},
    {"abc", "900150983cd24fb0d6963f7d28e17f72"},
    {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
    {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
    {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
     "d174ab98d277d9f5a5611c2c9f419d9f"},
    {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
     "57edf4a22be3c955ac49da2e2107b67a"},
};

TEST(MD5GeneratorTest, MatchesTheRfcTestSuite)
{
    for (const DigestCase& c : kRfcCases) {
        SCOPED_TRACE(c.message);
        MD5Generator md5;
        md5.Accumulate(c.message);
        EXPECT_EQ(md5.FinalizeToHexString(), c.digest);
    }
}

TEST(MD5GeneratorTest, DigestDoesNotDependOnHowTheMessageIsSplit)
{
    const std::string message = kRfcCases[6].message; // 80 bytes: crosses a block boundary
    for (std::size_t split = 0; split <= message.size(); ++split) {
        SCOPED_TRACE(split);
        MD5Generator md5;
        md5.Accumulate(std::string_view(message).substr(0, split));
        md5.Accumulate(std::string_view(message).substr(split));
        EXPECT_EQ(md5.FinalizeToHexString(), kRfcCases[6].digest);
    }
}

TEST(MD5GeneratorTest, PaddingBoundariesGiveKnownDigests)
{
    // 55, 56 and 64 bytes: the length field fits, just does not fit, and a full block.
    const struct
    {
        std::size_t length;
        const char* digest;
    } cases[] = {
        {55, "ef1772b6dff9a122358552954ad0df65"},
        {56, "3b0c8ac703f828b04c6c197006d17218"},
        {64, "014842d480b571495a4a0363793f7367"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.length);
        MD5Generator md5;
        md5.Accumulate(std::string(c.length, 'a'));
        EXPECT_EQ(md5.FinalizeToHexString(), c.digest);
    }
}

TEST(MD5GeneratorTest, StartsOverAfterFinalize)
{
    MD5Generator md5;
    md5.Accumulate("junk");
    (void)md5.Finalize();
    md5.Accumulate("abc");
    EXPECT_EQ(md5.FinalizeToHexString(), "900150983cd24fb0d6963f7d28e17f72");
}

} // namespace
