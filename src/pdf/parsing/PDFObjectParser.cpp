#include "pdf/parsing/PDFObjectParser.h"

#include <charconv>
#include <cstdint>
#include <optional>
#include <system_error>
#include <utility>

#include "pdf/io/Hexadecimal.h"
#include "pdf/io/IReadPositionProvider.h"
#include "pdf/io/TraceLog.h"
#include "pdf/objects/PDFArray.h"
#include "pdf/objects/PDFBoolean.h"
#include "pdf/objects/PDFDictionary.h"
#include "pdf/objects/PDFHexString.h"
#include "pdf/objects/PDFIndirectObjectReference.h"
#include "pdf/objects/PDFInteger.h"
#include "pdf/objects/PDFLiteralString.h"
#include "pdf/objects/PDFName.h"
#include "pdf/objects/PDFNull.h"
#include "pdf/objects/PDFReal.h"
#include "pdf/objects/PDFStreamInput.h"
#include "pdf/objects/PDFSymbol.h"
#include "pdf/parsing/PDFSyntax.h"
#include "pdf/parsing/ParserExtender.h"

namespace {

// Signed decimal with an optional sign; nullopt when the value does not fit 64 bits.
std::optional<long long> ParseInteger(const std::string& token)
{
    long long value = 0;
    if (!PDFSyntax::ReadWholeInteger(token, value)) {
        return std::nullopt;
    }
    return value;
}

// A number token with a dot as the nearest double, as a careful reader takes it; nullopt
// when it lies beyond the range of doubles, or is so close to zero that it would read as
// zero: no double stands for such a number.
std::optional<double> ParseReal(const std::string& token)
{
    const char* begin = token.data();
    const char* end = begin + token.size();
    if (begin != end && *begin == '+') {
        ++begin;
    }
    double value = 0;
    const std::from_chars_result parsed =
        std::from_chars(begin, end, value, std::chars_format::fixed);
    if (parsed.ec == std::errc::invalid_argument) {
        return 0.0; // no digits at all, as in a lone dot
    }
    if (parsed.ec != std::errc() || parsed.ptr != end) {
        return std::nullopt;
    }
    return value;
}

} // namespace

PDFObject* ConvertPDFNumberToken(const std::string& token)
{
    if (token.find('.') != std::string::npos) {
        if (const std::optional<double> real = ParseReal(token)) {
            return new PDFReal(*real);
        }
    } else if (const std::optional<long long> integer = ParseInteger(token)) {
        return new PDFInteger(*integer);
    }
    // Clamping would change the number; a symbol is what no caller takes for a number.
    TRACE_LOG("PDFObjectParser::ParseObject, number out of range, kept as a symbol. token = %s",
              token.c_str());
    return new PDFSymbol(token);
}

void PDFObjectParser::AttachStream(IByteReader* stream, IReadPositionProvider* positionProvider)
{
    mStream = stream;
    mCurrentPositionProvider = positionProvider;
    mTokenizer.AttachStream(stream);
    mTokenBuffer.clear();
}

void PDFObjectParser::ClearReadState()
{
    mTokenBuffer.clear();
    mTokenizer.ClearReadState();
}

void PDFObjectParser::CopyReadState(const PDFTokenizer& tokenizer)
{
    mTokenBuffer.clear();
    mTokenizer.CopyReadState(tokenizer);
}

bool PDFObjectParser::NextToken(std::string& outToken)
{
    if (!mTokenBuffer.empty()) {
        outToken = std::move(mTokenBuffer.front());
        mTokenBuffer.pop_front();
        return true;
    }
    for (;;) {
        PDFTokenizer::Token token = mTokenizer.ReadToken();
        if (!token.first) {
            return false;
        }
        if (!token.second.empty() && token.second[0] == '%') {
            continue;
        }
        outToken = std::move(token.second);
        return true;
    }
}

void PDFObjectParser::PushBackTokenToBack(std::string token)
{
    mTokenBuffer.push_back(std::move(token));
}

std::size_t PDFObjectParser::ValueLimitForFileSize(long long fileSize)
{
    constexpr std::uint64_t kFixedRoom = 48ull * 1024 * 1024;
    const std::uint64_t size = fileSize > 0 ? static_cast<std::uint64_t>(fileSize) : 0;
    return static_cast<std::size_t>((4 * size + kFixedRoom) / kBytesPerValue);
}

bool PDFObjectParser::TakeValue(const char* operation)
{
    if (++mValueCount <= mValueLimit) {
        return true;
    }
    TRACE_LOG("PDFObjectParser::%s, object holds more than %llu values, refusing to parse "
              "further",
              operation, static_cast<unsigned long long>(mValueLimit));
    return false;
}

bool PDFObjectParser::IsReferenceBeyondObjectNumbers(const PDFObject* object)
{
    return object != nullptr && object->GetType() == PDFObject::ePDFObjectSymbol &&
           static_cast<const PDFSymbol*>(object)->GetValue().find(' ') != std::string::npos;
}

PDFObject* PDFObjectParser::ParseObject(ParserExtender* extender)
{
    if (mNestingDepth == 0) {
        mValueCount = 0;
    }
    std::string token;
    if (!NextToken(token)) {
        return nullptr;
    }
    return ParseObjectFromToken(token, extender);
}

PDFObject* PDFObjectParser::ParseObjectFromToken(std::string& token, ParserExtender* extender)
{
    const char first = token[0];
    if ((first == 't' && token == "true") || (first == 'f' && token == "false")) {
        return new PDFBoolean(first == 't');
    }
    if (token[0] == '(') {
        return ParseLiteralString(token, extender);
    }
    if (token[0] == '<' && (token.size() == 1 || token[1] != '<')) {
        return ParseHexadecimalString(token, extender);
    }
    if (first == 'n' && token == "null") {
        return new PDFNull();
    }
    if (token[0] == '/') {
        return ParseName(token);
    }
    if (PDFSyntax::IsNumberToken(token)) {
        // Only a positive integer can begin "num gen R"; no object is made for one that does.
        const std::optional<long long> integer =
            token.find('.') == std::string::npos ? ParseInteger(token) : std::nullopt;
        if (!integer || !PDFSyntax::CanBeReferenceNumber(*integer)) {
            return ConvertPDFNumberToken(token);
        }
        // "num gen R" needs two tokens of look-ahead; anything else goes back in the queue.
        std::string second;
        if (!NextToken(second)) {
            return new PDFInteger(*integer);
        }
        bool secondIsGeneration = false;
        long long generation = 0;
        if (PDFSyntax::IsNumberToken(second) && second.find('.') == std::string::npos) {
            const std::optional<long long> value = ParseInteger(second);
            generation = value.value_or(-1);
            secondIsGeneration = PDFSyntax::CanBeReferenceGeneration(generation);
        }
        if (!secondIsGeneration) {
            PushBackTokenToBack(std::move(second));
            return new PDFInteger(*integer);
        }
        std::string third;
        if (!NextToken(third)) {
            PushBackTokenToBack(std::move(second));
            return new PDFInteger(*integer);
        }
        if (third != "R") {
            PushBackTokenToBack(std::move(second));
            PushBackTokenToBack(std::move(third));
            return new PDFInteger(*integer);
        }
        if (!PDFSyntax::FitsObjectNumber(*integer) || !PDFSyntax::FitsObjectNumber(generation)) {
            // Cut to 32 bits it would lead to another object. The tokens stay as they were
            // written, in a symbol: the only tokens a symbol holds with spaces between.
            TRACE_LOG("PDFObjectParser::ParseObject, reference beyond 32-bit object numbers, "
                      "read as naming no object. reference = %s %s R",
                      token.c_str(), second.c_str());
            return new PDFSymbol(token + " " + second + " R");
        }
        return new PDFIndirectObjectReference(static_cast<std::uint32_t>(*integer),
                                              static_cast<std::uint32_t>(generation));
    }
    if (token == "[" || token == "<<") {
        if (mNestingDepth >= kMaxNestingDepth) {
            TRACE_LOG("PDFObjectParser::ParseObject, objects nested deeper than %d, refusing to "
                      "parse further. token = %s",
                      kMaxNestingDepth, token.c_str());
            return nullptr;
        }
        ++mNestingDepth;
        PDFObject* container = token == "[" ? ParseArray(extender) : ParseDictionary(extender);
        --mNestingDepth;
        if (container == nullptr || token == "[") {
            return container;
        }
        std::string next;
        if (!NextToken(next)) {
            if (mTokenizer.StreamKeywordRefused()) {
                TRACE_LOG("PDFObjectParser::ParseObject, stream keyword not followed by an end "
                          "of line, the stream data cannot be found");
                container->Release();
                return nullptr;
            }
            return container;
        }
        if (next == "stream") {
            FilePosition dataStart = mCurrentPositionProvider != nullptr
                                         ? mCurrentPositionProvider->GetCurrentPosition()
                                         : 0;
            if (mTokenizer.HasPutBackByte()) {
                --dataStart;
            }
            return new PDFStreamInput(static_cast<PDFDictionary*>(container), dataStart);
        }
        PushBackTokenToBack(std::move(next));
        return container;
    }
    return new PDFSymbol(std::move(token));
}

PDFObject* PDFObjectParser::ParseLiteralString(const std::string& token, ParserExtender* extender)
{
    if (token.size() < 2 || token.back() != ')') {
        TRACE_LOG("PDFObjectParser::ParseLiteralString, exception in parsing literal string, no "
                  "closing paranthesis, Expression: %s",
                  token.c_str());
        return nullptr;
    }
    std::string value;
    PDFSyntax::AppendLiteralStringBytes(std::string_view(token).substr(1, token.size() - 2), value);
    if (extender != nullptr) {
        value = extender->DecryptString(value);
    }
    return new PDFLiteralString(std::move(value));
}

PDFObject* PDFObjectParser::ParseHexadecimalString(std::string& token, ParserExtender* extender)
{
    if (token.size() < 2 || token.back() != '>') {
        TRACE_LOG("PDFObjectParser::ParseHexadecimalString, exception in parsing hexadecimal "
                  "string, no closing angle, Expression: %s",
                  token.c_str());
        return nullptr;
    }
    // The digits are the token without its angle brackets; certificates make these kilobytes
    // long, so the token's own storage becomes the value.
    token.pop_back();
    token.erase(0, 1);
    if (extender != nullptr) {
        token = extender->DecryptString(token);
    }
    return new PDFHexString(std::move(token));
}

PDFObject* PDFObjectParser::ParseName(const std::string& token)
{
    if (token.find('#', 1) == std::string::npos) {
        // No escapes, the usual case: the text after the slash is the name.
        return new PDFName(token.substr(1));
    }
    std::string value;
    value.reserve(token.size());
    for (std::size_t i = 1; i < token.size(); ++i) {
        if (token[i] != '#') {
            value.push_back(token[i]);
            continue;
        }
        Byte high = 0;
        Byte low = 0;
        if (i + 2 >= token.size()) {
            TRACE_LOG("PDFObjectParser::ParseName, exception in parsing hex value for a name "
                      "token. token = %s",
                      token.c_str());
            return nullptr;
        }
        if (!GetHexValue(static_cast<Byte>(token[i + 1]), high) ||
            !GetHexValue(static_cast<Byte>(token[i + 2]), low)) {
            TRACE_LOG("PDFObjectParser::ParseName, exception in parsing hex value for a name "
                      "token. token = %s",
                      token.c_str());
            return nullptr;
        }
        value.push_back(static_cast<char>(static_cast<Byte>(high * 16 + low)));
        i += 2;
    }
    return new PDFName(std::move(value));
}

bool PDFObjectParser::GetHexValue(Byte value, Byte& outValue)
{
    const int digit = Hexadecimal::DigitValue(value);
    if (digit < 0) {
        TRACE_LOG("PDFObjectParser::GetHexValue, unrecongnized hex value - %c", value);
        return false;
    }
    outValue = static_cast<Byte>(digit);
    return true;
}

PDFObject* PDFObjectParser::ParseArray(ParserExtender* extender)
{
    PDFArray* array = new PDFArray();
    bool ok = true;
    bool endFound = false;
    std::string token;
    bool hasToken = NextToken(token);
    while (hasToken && ok) {
        if (token == "]") {
            endFound = true;
            break;
        }
        if (!TakeValue("ParseArray")) {
            ok = false;
            break;
        }
        // The token is parsed as it stands instead of going back into the queue; a failed parse
        // leaves it for the trace line below.
        PDFObject* item = ParseObjectFromToken(token, extender);
        if (item == nullptr) {
            ok = false;
            TRACE_LOG("PDFObjectParser::ParseArray, failure to parse array, failed to parse a "
                      "member object. token = %s",
                      token.c_str());
        } else {
            array->Append(item);
            item->Release();
            hasToken = NextToken(token);
        }
    }
    if (endFound && ok) {
        return array;
    }
    array->Release();
    TRACE_LOG("PDFObjectParser::ParseArray, failure to parse array, didn't find end of array or "
              "failure to parse array member object. token = %s",
              token.c_str());
    return nullptr;
}

PDFObject* PDFObjectParser::ParseDictionary(ParserExtender* extender)
{
    PDFDictionary* dictionary = new PDFDictionary();
    bool ok = true;
    bool endFound = false;
    std::string token;
    bool hasToken = NextToken(token);
    while (hasToken) {
        if (token == ">>") {
            endFound = true;
            break;
        }
        if (!TakeValue("ParseDictionary")) {
            ok = false;
            break;
        }
        PDFObject* key = ParseObjectFromToken(token, extender);
        if (key == nullptr || key->GetType() != PDFObject::ePDFObjectName) {
            if (key != nullptr) {
                key->Release();
            }
            TRACE_LOG("PDFObjectParser::ParseDictionary, failure to parse key for a dictionary. "
                      "token = %s",
                      token.c_str());
            ok = false;
            break;
        }
        PDFName* name = static_cast<PDFName*>(key);
        if (dictionary->Contains(name->GetValue())) {
            TRACE_LOG("PDFObjectParser::ParseDictionary, failure to parse key for a dictionary, "
                      "key already exists. key = %s",
                      name->GetValue().c_str());
            name->Release();
            ok = false;
            break;
        }
        PDFObject* value = ParseObject(extender);
        if (value == nullptr) {
            TRACE_LOG("PDFObjectParser::ParseDictionary, failure to parse value for a dictionary. "
                      "token = %s",
                      token.c_str());
            name->Release();
            ok = false;
            break;
        }
        dictionary->Insert(name, value);
        name->Release();
        value->Release();
        hasToken = NextToken(token);
    }
    if (endFound && ok) {
        return dictionary;
    }
    dictionary->Release();
    TRACE_LOG("PDFObjectParser::ParseDictionary, failure to parse dictionary, didn't find end of "
              "array or failure to parse dictionary member object. token = %s",
              token.c_str());
    return nullptr;
}
