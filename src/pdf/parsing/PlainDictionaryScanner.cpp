#include "pdf/parsing/PlainDictionaryScanner.h"

#include <array>
#include <charconv>
#include <system_error>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "pdf/parsing/PDFObjectParser.h"

namespace {

// Digits enough for any object number and generation, and few enough that no integer value
// overflows 64 bits: a longer number is left to the object parser.
constexpr std::size_t kMaxIntegerDigits = 18;

bool IsDigit(std::uint8_t byte)
{
    return byte >= '0' && byte <= '9';
}

bool IsHexDigit(std::uint8_t byte)
{
    const auto lower = static_cast<std::uint8_t>(byte | 0x20);
    return static_cast<std::uint8_t>(byte - '0') < 10 || static_cast<std::uint8_t>(lower - 'a') < 6;
}

// The number of leading bytes that are hexadecimal digits. Certificates make these runs
// kilobytes long, so sixteen bytes are tested at a time where the processor allows it.
std::size_t CountHexDigits(const char* bytes, std::size_t count)
{
    std::size_t i = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_set1_epi8('0');
    const __m128i nine = _mm_set1_epi8(9);
    const __m128i a = _mm_set1_epi8('a');
    const __m128i five = _mm_set1_epi8(5);
    const __m128i caseBit = _mm_set1_epi8(0x20);
    for (; i + 16 <= count; i += 16) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
        // byte - '0' <= 9 or (byte | 0x20) - 'a' <= 5, as unsigned: min(x, n) == x.
        const __m128i digit = _mm_sub_epi8(block, zero);
        const __m128i isDigit = _mm_cmpeq_epi8(_mm_min_epu8(digit, nine), digit);
        const __m128i letter = _mm_sub_epi8(_mm_or_si128(block, caseBit), a);
        const __m128i isLetter = _mm_cmpeq_epi8(_mm_min_epu8(letter, five), letter);
        const auto mask =
            static_cast<unsigned int>(_mm_movemask_epi8(_mm_or_si128(isDigit, isLetter)));
        if (mask != 0xFFFF) {
            return i + static_cast<std::size_t>(__builtin_ctz(~mask));
        }
    }
#endif
    while (i < count && IsHexDigit(static_cast<std::uint8_t>(bytes[i]))) {
        ++i;
    }
    return i;
}

constexpr std::uint8_t kWhiteSpace = 1;
constexpr std::uint8_t kDelimiter = 2;

constexpr std::array<std::uint8_t, 256> MakeByteClasses()
{
    std::array<std::uint8_t, 256> classes{};
    for (std::uint8_t white : {std::uint8_t{0x00}, std::uint8_t{0x09}, std::uint8_t{0x0A},
                               std::uint8_t{0x0C}, std::uint8_t{0x0D}, std::uint8_t{0x20}}) {
        classes[white] = kWhiteSpace;
    }
    for (char delimiter : {'(', ')', '<', '>', '[', ']', '{', '}', '/', '%'}) {
        classes[static_cast<std::uint8_t>(delimiter)] = kDelimiter;
    }
    return classes;
}

// The tokenizer's white space and delimiters.
constexpr std::array<std::uint8_t, 256> kByteClasses = MakeByteClasses();

bool IsWhiteSpace(std::uint8_t byte)
{
    return kByteClasses[byte] == kWhiteSpace;
}

// A byte that ends a name, a number or a keyword.
bool EndsRegularToken(std::uint8_t byte)
{
    return kByteClasses[byte] != 0;
}

// Bytes a number token may start with; an integer followed by one of these could be the start
// of "num gen R", which the object parser resolves with look-ahead.
bool StartsNumber(std::uint8_t byte)
{
    return IsDigit(byte) || byte == '+' || byte == '-' || byte == '.';
}

class Scanner
{
public:
    Scanner(std::string_view bytes, bool atEnd, PlainDictionary& out)
        : mBytes(bytes), mAtEnd(atEnd), mOut(out)
    {
    }

    PlainScanResult Scan(ObjectNumber objectID, std::uint32_t generation)
    {
        mOut.entries.clear();
        mOut.items.clear();
        long long number = 0;
        if (!SkipWhiteSpace() || !ReadUnsigned(number) || number != objectID || !SkipWhiteSpace() ||
            !ReadUnsigned(number) || number != generation || !SkipWhiteSpace() ||
            !ReadKeyword("obj") || !SkipWhiteSpace() || !ReadDictionary() || !SkipWhiteSpace() ||
            !ReadKeyword("endobj")) {
            return mResult;
        }
        mOut.objectLength = mPosition;
        DecodeLiteralStrings();
        return PlainScanResult::Plain;
    }

private:
    std::string_view mBytes;
    std::size_t mPosition = 0;
    bool mAtEnd;
    PlainDictionary& mOut;
    PlainScanResult mResult = PlainScanResult::NotPlain;

    // Gives each literal string with escapes its bytes, with the object parser's own decoding.
    // Room for all is made first: decoding never lengthens a string, so no view moves.
    void DecodeLiteralStrings()
    {
        std::size_t room = 0;
        ForEachEncoded([&room](PlainValue& value) { room += value.text.size(); });
        if (room == 0) {
            return;
        }
        mOut.decoded.clear();
        mOut.decoded.reserve(room);
        ForEachEncoded([this](PlainValue& value) {
            const std::size_t start = mOut.decoded.size();
            AppendLiteralStringBytes(value.text, mOut.decoded);
            value.text = std::string_view(mOut.decoded).substr(start);
            value.encoded = false;
        });
    }

    template <typename Visit> void ForEachEncoded(Visit visit)
    {
        for (PlainKeyValue& entry : mOut.entries) {
            if (entry.value.encoded) {
                visit(entry.value);
            }
        }
        for (PlainValue& item : mOut.items) {
            if (item.encoded) {
                visit(item);
            }
        }
    }

    bool NotPlain()
    {
        mResult = PlainScanResult::NotPlain;
        return false;
    }

    // The bytes ended inside the object: more of the file may complete it.
    bool OutOfBytes()
    {
        mResult = mAtEnd ? PlainScanResult::NotPlain : PlainScanResult::NeedMore;
        return false;
    }

    std::uint8_t At(std::size_t position) const
    {
        return static_cast<std::uint8_t>(mBytes[position]);
    }

    // Comments are left to the object parser.
    bool SkipWhiteSpace()
    {
        while (mPosition < mBytes.size() && IsWhiteSpace(At(mPosition))) {
            ++mPosition;
        }
        if (mPosition == mBytes.size()) {
            return OutOfBytes();
        }
        return At(mPosition) == '%' ? NotPlain() : true;
    }

    // The regular token at the position: up to white space or a delimiter, which must be
    // among the bytes (a token cut off by their end might go on).
    bool ReadRegularToken(std::string_view& token)
    {
        const std::size_t start = mPosition;
        while (mPosition < mBytes.size() && !EndsRegularToken(At(mPosition))) {
            ++mPosition;
        }
        if (mPosition == mBytes.size()) {
            return OutOfBytes();
        }
        token = mBytes.substr(start, mPosition - start);
        return true;
    }

    bool ReadKeyword(std::string_view keyword)
    {
        std::string_view token;
        if (!ReadRegularToken(token)) {
            return false;
        }
        return token == keyword ? true : NotPlain();
    }

    bool ReadUnsigned(long long& value)
    {
        std::string_view token;
        if (!ReadRegularToken(token)) {
            return false;
        }
        return ParseInteger(token, false, value) ? true : NotPlain();
    }

    // Digits, with a minus sign when allowed; no plus sign, no dot.
    static bool ParseInteger(std::string_view token, bool allowMinus, long long& value)
    {
        std::size_t digitsStart = allowMinus && !token.empty() && token[0] == '-' ? 1 : 0;
        const std::size_t digits = token.size() - digitsStart;
        if (digits == 0 || digits > kMaxIntegerDigits) {
            return false;
        }
        for (std::size_t i = digitsStart; i < token.size(); ++i) {
            if (!IsDigit(static_cast<std::uint8_t>(token[i]))) {
                return false;
            }
        }
        const std::from_chars_result parsed =
            std::from_chars(token.data(), token.data() + token.size(), value);
        return parsed.ec == std::errc() && parsed.ptr == token.data() + token.size();
    }

    // A name at the position, which is its slash. Names with #xx escapes, and the empty name,
    // are left to the object parser.
    bool ReadName(std::string_view& name)
    {
        ++mPosition;
        if (!ReadRegularToken(name)) {
            return false;
        }
        if (name.empty() || name.find('#') != std::string_view::npos) {
            return NotPlain();
        }
        return true;
    }

    bool ReadDictionary()
    {
        if (mBytes.size() - mPosition < 2) {
            return OutOfBytes();
        }
        if (At(mPosition) != '<' || At(mPosition + 1) != '<') {
            return NotPlain();
        }
        mPosition += 2;
        for (;;) {
            if (!SkipWhiteSpace()) {
                return false;
            }
            if (At(mPosition) == '>') {
                if (mPosition + 1 == mBytes.size()) {
                    return OutOfBytes();
                }
                if (At(mPosition + 1) != '>') {
                    return NotPlain();
                }
                mPosition += 2;
                return true;
            }
            if (At(mPosition) != '/') {
                return NotPlain();
            }
            PlainKeyValue entry;
            if (!ReadName(entry.key)) {
                return false;
            }
            // Ascending keys are in the order a dictionary keeps them, and none repeats.
            if (!mOut.entries.empty() && !(mOut.entries.back().key < entry.key)) {
                return NotPlain();
            }
            if (!SkipWhiteSpace() || !ReadValue(entry.value, false)) {
                return false;
            }
            mOut.entries.push_back(entry);
        }
    }

    bool ReadValue(PlainValue& value, bool inArray)
    {
        const std::uint8_t first = At(mPosition);
        switch (first) {
        case '(':
            return ReadLiteralString(value);
        case '<':
            return ReadHexString(value);
        case '[':
            return inArray ? NotPlain() : ReadArray(value);
        case '/':
            value.kind = PlainValue::Kind::Name;
            return ReadName(value.text);
        default:
            break;
        }
        std::string_view token;
        if (!ReadRegularToken(token)) {
            return false;
        }
        if (token == "true" || token == "false") {
            value.kind = PlainValue::Kind::Boolean;
            value.integer = token == "true" ? 1 : 0;
            return true;
        }
        value.kind = PlainValue::Kind::Integer;
        if (!ParseInteger(token, true, value.integer)) {
            return NotPlain();
        }
        // A number after an integer may make the two a reference's first half.
        if (!SkipWhiteSpace()) {
            return false;
        }
        return StartsNumber(At(mPosition)) ? NotPlain() : true;
    }

    // The body is kept as the tokenizer would give it: everything between the parentheses,
    // which nest. A backslash before an end of line (which the tokenizer drops with it) is left
    // to the object parser.
    bool ReadLiteralString(PlainValue& value)
    {
        const std::size_t start = ++mPosition;
        int depth = 1;
        for (; mPosition < mBytes.size(); ++mPosition) {
            const std::uint8_t byte = At(mPosition);
            if (byte == '\\') {
                if (mPosition + 1 == mBytes.size()) {
                    return OutOfBytes();
                }
                const std::uint8_t escaped = At(mPosition + 1);
                if (escaped == '\r' || escaped == '\n') {
                    return NotPlain();
                }
                value.encoded = true;
                ++mPosition;
            } else if (byte == '\r') {
                value.encoded = true;
            } else if (byte == '(') {
                ++depth;
            } else if (byte == ')' && --depth == 0) {
                value.kind = PlainValue::Kind::LiteralString;
                value.text = mBytes.substr(start, mPosition - start);
                ++mPosition;
                return true;
            }
        }
        return OutOfBytes();
    }

    bool ReadHexString(PlainValue& value)
    {
        const std::size_t start = ++mPosition;
        const std::size_t end =
            start + CountHexDigits(mBytes.data() + start, mBytes.size() - start);
        if (end == mBytes.size()) {
            return OutOfBytes();
        }
        // Only '>' may end the digits: white space, a second '<' (a dictionary) or a stray byte
        // are left to the object parser.
        if (At(end) != '>') {
            return NotPlain();
        }
        value.kind = PlainValue::Kind::HexString;
        value.text = mBytes.substr(start, end - start);
        mPosition = end + 1;
        return true;
    }

    bool ReadArray(PlainValue& value)
    {
        ++mPosition;
        // Items of this array are added after those of earlier arrays; an array holds no array.
        value.kind = PlainValue::Kind::Array;
        value.firstItem = static_cast<std::uint32_t>(mOut.items.size());
        for (;;) {
            if (!SkipWhiteSpace()) {
                return false;
            }
            if (At(mPosition) == ']') {
                ++mPosition;
                value.itemCount = static_cast<std::uint32_t>(mOut.items.size()) - value.firstItem;
                return true;
            }
            PlainValue item;
            if (!ReadValue(item, true)) {
                return false;
            }
            mOut.items.push_back(item);
        }
    }
};

} // namespace

PDFObject::PDFObjectType ObjectTypeOf(const PlainValue& value)
{
    switch (value.kind) {
    case PlainValue::Kind::Integer:
        return PDFObject::ePDFObjectInteger;
    case PlainValue::Kind::Boolean:
        return PDFObject::ePDFObjectBoolean;
    case PlainValue::Kind::Name:
        return PDFObject::ePDFObjectName;
    case PlainValue::Kind::HexString:
        return PDFObject::ePDFObjectHexString;
    case PlainValue::Kind::LiteralString:
        return PDFObject::ePDFObjectLiteralString;
    case PlainValue::Kind::Array:
        break;
    }
    return PDFObject::ePDFObjectArray;
}

PlainScanResult ScanPlainDictionaryObject(std::string_view bytes, ObjectNumber objectID,
                                          std::uint32_t generation, bool atEnd,
                                          PlainDictionary& out)
{
    return Scanner(bytes, atEnd, out).Scan(objectID, generation);
}
