#pragma once

#include <cstdint>
#include <string_view>

#include "pdf/io/IOBasicTypes.h"
#include "pdf/writing/TokenSeparator.h"

class IByteWriter;

// Spells one primitive token (name, number, string, keyword, bracket) as bytes on a borrowed
// writer. It keeps no state between calls and never checks what the writer accepted: a
// failing writer is noticed by whoever owns the output (the document writer tracks short
// writes). With no target set, every call writes nothing.
class TokenWriter
{
public:
    void SetStream(IByteWriter* stream) { mStream = stream; }
    IByteWriter* GetStream() const { return mStream; }

    void WriteTokenSeparator(TokenSeparator separator);
    void EndLine();

    // The bytes unaltered, then CR LF.
    void WriteKeyword(std::string_view keyword);
    // The name without its slash; escapes every byte outside the regular characters as #xx.
    void WriteName(std::string_view name, TokenSeparator separator);
    void WriteInteger(long long value, TokenSeparator separator);
    // Six decimals, then trailing zeros and a bare decimal point trimmed: 3.0 -> 3.
    void WriteReal(double value, TokenSeparator separator);
    // The fewest fixed-point digits that read back as the same double (beyond 2^53, its exact
    // integer value), always with a decimal point and never an exponent: 5.0 -> 5.0,
    // 1e-7 -> 0.0000001, -0.0 -> -0.0. For copying a value read from a file; a value that is
    // not finite writes 0.0.
    void WriteExactReal(double value, TokenSeparator separator);
    void WriteBoolean(bool value, TokenSeparator separator);
    void WriteNull(TokenSeparator separator);
    // The string's content; parentheses and backslash get a backslash, bytes outside
    // 0x20..0x7E become a backslash and three octal digits.
    void WriteLiteralString(std::string_view content, TokenSeparator separator);
    // The hex digits as given; no encoding is done.
    void WriteHexString(std::string_view hexDigits, TokenSeparator separator);
    // "[" and a space.
    void StartArray();
    void EndArray(TokenSeparator separator);

    // Raw bytes, for the few places that frame tokens themselves.
    void WriteBytes(const void* bytes, std::size_t count);

private:
    IByteWriter* mStream = nullptr;
};
