#include "pdf/writing/MD5Generator.h"

#include <cstring>
#include <span>

#include "pdf/io/Hexadecimal.h"

namespace {

constexpr std::uint32_t kSine[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};

constexpr int kShift[64] = {7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22,
                            5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20,
                            4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23,
                            6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21};

std::uint32_t RotateLeft(std::uint32_t value, int count)
{
    return (value << count) | (value >> (32 - count));
}

} // namespace

MD5Generator::MD5Generator()
{
    Reset();
}

void MD5Generator::Reset()
{
    mState[0] = 0x67452301;
    mState[1] = 0xefcdab89;
    mState[2] = 0x98badcfe;
    mState[3] = 0x10325476;
    mByteCount = 0;
    mBlockUsed = 0;
    std::memset(mBlock, 0, sizeof(mBlock));
}

void MD5Generator::Transform(const std::uint8_t block[64])
{
    std::uint32_t words[16];
    for (int i = 0; i < 16; ++i) {
        words[i] = static_cast<std::uint32_t>(block[i * 4]) |
                   (static_cast<std::uint32_t>(block[i * 4 + 1]) << 8) |
                   (static_cast<std::uint32_t>(block[i * 4 + 2]) << 16) |
                   (static_cast<std::uint32_t>(block[i * 4 + 3]) << 24);
    }
    std::uint32_t a = mState[0];
    std::uint32_t b = mState[1];
    std::uint32_t c = mState[2];
    std::uint32_t d = mState[3];
    for (int i = 0; i < 64; ++i) {
        std::uint32_t f;
        int g;
        if (i < 16) {
            f = (b & c) | (~b & d);
            g = i;
        } else if (i < 32) {
            f = (d & b) | (~d & c);
            g = (5 * i + 1) % 16;
        } else if (i < 48) {
            f = b ^ c ^ d;
            g = (3 * i + 5) % 16;
        } else {
            f = c ^ (b | ~d);
            g = (7 * i) % 16;
        }
        const std::uint32_t next = b + RotateLeft(a + f + kSine[i] + words[g], kShift[i]);
        a = d;
        d = c;
        c = b;
        b = next;
    }
    mState[0] += a;
    mState[1] += b;
    mState[2] += c;
    mState[3] += d;
}

void MD5Generator::Accumulate(std::string_view bytes)
{
    Accumulate(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

void MD5Generator::Accumulate(const std::uint8_t* bytes, std::size_t count)
{
    mByteCount += count;
    while (count > 0) {
        std::size_t take = sizeof(mBlock) - mBlockUsed;
        if (take > count) {
            take = count;
        }
        std::memcpy(mBlock + mBlockUsed, bytes, take);
        mBlockUsed += take;
        bytes += take;
        count -= take;
        if (mBlockUsed == sizeof(mBlock)) {
            Transform(mBlock);
            mBlockUsed = 0;
        }
    }
}

std::array<std::uint8_t, 16> MD5Generator::Finalize()
{
    const std::uint64_t bitCount = mByteCount * 8;
    std::uint8_t padding[72] = {0x80};
    const std::size_t padLength =
        mBlockUsed < 56 ? 56 - mBlockUsed : 120 - mBlockUsed; // leaves room for the length
    std::uint8_t length[8];
    for (int i = 0; i < 8; ++i) {
        length[i] = static_cast<std::uint8_t>(bitCount >> (8 * i));
    }
    Accumulate(padding, padLength);
    Accumulate(length, sizeof(length));

    std::array<std::uint8_t, 16> digest{};
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            digest[static_cast<std::size_t>(i * 4 + j)] =
                static_cast<std::uint8_t>(mState[i] >> (8 * j));
        }
    }
    Reset();
    return digest;
}

std::string MD5Generator::FinalizeToHexString()
{
    const std::array<std::uint8_t, 16> digest = Finalize();
    return Hexadecimal::ToLowerHex(std::span<const Byte>(digest));
}
