#include "pdf/writing/TokenWriter.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <system_error>

#include "pdf/io/Hexadecimal.h"
#include "pdf/io/IByteWriter.h"

namespace {

// Escaped bytes are gathered in a stack buffer and handed on in chunks, so a long name or
// string costs a few writes and no heap.
class ChunkBuffer
{
public:
    explicit ChunkBuffer(TokenWriter& writer) : mWriter(writer) {}
    ~ChunkBuffer() { Flush(); }
    ChunkBuffer(const ChunkBuffer&) = delete;
    ChunkBuffer& operator=(const ChunkBuffer&) = delete;

    void Put(char byte)
    {
        if (mUsed == sizeof(mBytes)) {
            Flush();
        }
        mBytes[mUsed++] = byte;
    }

    void Flush()
    {
        if (mUsed > 0) {
            mWriter.WriteBytes(mBytes, mUsed);
            mUsed = 0;
        }
    }

private:
    TokenWriter& mWriter;
    char mBytes[512];
    std::size_t mUsed = 0;
};

bool IsNameDelimiter(unsigned char byte)
{
    return std::strchr("()<>[]{}/%#", byte) != nullptr && byte != 0;
}

} // namespace

void TokenWriter::WriteBytes(const void* bytes, std::size_t count)
{
    if (mStream == nullptr) {
        return;
    }
    const Byte* cursor = static_cast<const Byte*>(bytes);
    while (count > 0) {
        const std::size_t chunk = count > std::numeric_limits<IOByteCount>::max()
                                      ? std::numeric_limits<IOByteCount>::max()
                                      : count;
        (void)mStream->Write(cursor, static_cast<IOByteCount>(chunk)); // see the class comment
        cursor += chunk;
        count -= chunk;
    }
}

void TokenWriter::WriteTokenSeparator(TokenSeparator separator)
{
    switch (separator) {
    case SeparatorSpace:
        WriteBytes(" ", 1);
        break;
    case SeparatorEndLine:
        WriteBytes("\r\n", 2);
        break;
    default:
        break;
    }
}

void TokenWriter::EndLine()
{
    WriteBytes("\r\n", 2);
}

void TokenWriter::WriteKeyword(std::string_view keyword)
{
    WriteBytes(keyword.data(), keyword.size());
    EndLine();
}

void TokenWriter::WriteName(std::string_view name, TokenSeparator separator)
{
    {
        ChunkBuffer out(*this);
        out.Put('/');
        for (char c : name) {
            const unsigned char byte = static_cast<unsigned char>(c);
            if (byte >= 0x21 && byte <= 0x7E && !IsNameDelimiter(byte)) {
                out.Put(c);
            } else {
                out.Put('#');
                out.Put(Hexadecimal::LowerDigit(byte >> 4));
                out.Put(Hexadecimal::LowerDigit(byte));
            }
        }
    }
    WriteTokenSeparator(separator);
}

void TokenWriter::WriteInteger(long long value, TokenSeparator separator)
{
    // to_chars spells exactly what %lld does, without the format machinery.
    char text[32];
    const std::to_chars_result result = std::to_chars(text, text + sizeof(text), value);
    WriteBytes(text, static_cast<std::size_t>(result.ptr - text));
    WriteTokenSeparator(separator);
}

void TokenWriter::WriteReal(double value, TokenSeparator separator)
{
    // "nan" or "inf" would not read back as a number; such a value can only come from a
    // computation gone wrong, and 0 keeps the file readable.
    if (!std::isfinite(value)) {
        value = 0.0;
    }
    // Fixed notation needs up to 316 bytes for the largest double; the buffer holds that.
    char text[512];
    int length = std::snprintf(text, sizeof(text), "%f", value);
    if (length < 0) {
        length = 0;
    }
    std::size_t size = static_cast<std::size_t>(length);
    if (size >= sizeof(text)) {
        size = sizeof(text) - 1;
    }
    if (std::memchr(text, '.', size) != nullptr) {
        while (size > 0 && text[size - 1] == '0') {
            --size;
        }
        if (size > 0 && text[size - 1] == '.') {
            --size;
        }
    }
    WriteBytes(text, size);
    WriteTokenSeparator(separator);
}

void TokenWriter::WriteExactReal(double value, TokenSeparator separator)
{
    if (!std::isfinite(value)) {
        value = 0.0;
    }
    // The fixed form may need 309 digits before the point (the exact integer value of a large
    // double) or 324 after it (a denormal), never both; the buffer holds either with room for
    // the ".0" added below.
    char text[512];
    const std::to_chars_result written =
        std::to_chars(text, text + sizeof(text) - 2, value, std::chars_format::fixed);
    std::size_t size = written.ec == std::errc() ? static_cast<std::size_t>(written.ptr - text) : 0;
    if (size == 0) {
        text[size++] = '0'; // not reached: the buffer holds every finite double
    }
    if (std::memchr(text, '.', size) == nullptr) {
        text[size++] = '.';
        text[size++] = '0';
    }
    WriteBytes(text, size);
    WriteTokenSeparator(separator);
}

void TokenWriter::WriteBoolean(bool value, TokenSeparator separator)
{
    if (value) {
        WriteBytes("true", 4);
    } else {
        WriteBytes("false", 5);
    }
    WriteTokenSeparator(separator);
}

void TokenWriter::WriteNull(TokenSeparator separator)
{
    WriteBytes("null", 4);
    WriteTokenSeparator(separator);
}

void TokenWriter::WriteLiteralString(std::string_view content, TokenSeparator separator)
{
    {
        ChunkBuffer out(*this);
        out.Put('(');
        for (char c : content) {
            const unsigned char byte = static_cast<unsigned char>(c);
            if (byte == '(' || byte == ')' || byte == '\\') {
                out.Put('\\');
                out.Put(c);
            } else if (byte >= 0x20 && byte <= 0x7E) {
                out.Put(c);
            } else {
                out.Put('\\');
                out.Put(static_cast<char>('0' + (byte >> 6)));
                out.Put(static_cast<char>('0' + ((byte >> 3) & 7)));
                out.Put(static_cast<char>('0' + (byte & 7)));
            }
        }
        out.Put(')');
    }
    WriteTokenSeparator(separator);
}

void TokenWriter::WriteHexString(std::string_view hexDigits, TokenSeparator separator)
{
    WriteBytes("<", 1);
    WriteBytes(hexDigits.data(), hexDigits.size());
    WriteBytes(">", 1);
    WriteTokenSeparator(separator);
}

void TokenWriter::StartArray()
{
    WriteBytes("[ ", 2);
}

void TokenWriter::EndArray(TokenSeparator separator)
{
    WriteBytes("]", 1);
    WriteTokenSeparator(separator);
}
