#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

// MD5 message digest (RFC 1321). Feed the message in any number of pieces, then take the
// digest once; after that the generator starts over with an empty message.
class MD5Generator
{
public:
    MD5Generator();

    void Accumulate(std::string_view bytes);
    void Accumulate(const std::uint8_t* bytes, std::size_t count);

    std::array<std::uint8_t, 16> Finalize();
    // The digest as 32 lower-case hexadecimal digits.
    std::string FinalizeToHexString();

private:
    void Reset();
    void Transform(const std::uint8_t block[64]);

    std::uint32_t mState[4];
    std::uint64_t mByteCount;
    std::uint8_t mBlock[64];
    std::size_t mBlockUsed;
};
