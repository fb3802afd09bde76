#include "pdf/parsing/PDFObjectParser.h"

#include <cstdint>
#include <cstdlib>
#include <limits>
#include <utility>

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
#include "pdf/parsing/ParserExtender.h"

namespace {

bool IsDigit(char value)
{
    return value >= '0' && value <= '9';
}

bool IsOctalDigit(char value)
{
    return value >= '0' && value <= '7';
}

// Signed decimal with an optional sign; saturates instead of overflowing.
long long ParseSaturatedInteger(const std::string& token)
{
    std::size_t index = 0;
    bool negative = false;
    if (index < token.size() && (token[index] == '+' || token[index] == '-')) {
        negative = token[index] == '-';
        ++index;
    }
    std::uint64_t magnitude = 0;
    const std::uint64_t limit =
        negative ? static_cast<std::uint64_t>(std::numeric_limits<long long>::max()) + 1
                 : static_cast<std::uint64_t>(std::numeric_limits<long long>::max());
    for (; index < token.size() && IsDigit(token[index]); ++index) {
        const auto digit = static_cast<std::uint64_t>(token[index] - '0');
        if (magnitude > (limit - digit) / 10) {
            magnitude = limit;
            break;
        }
        magnitude = magnitude * 10 + digit;
    }
    if (negative) {
        if (magnitude == limit) {
            return std::numeric_limits<long long>::min();
        }
        return -static_cast<long long>(magnitude);
    }
    return static_cast<long long>(magnitude);
}

} // namespace

bool IsPDFNumberToken(const std::string& token)
{
    if (token.empty()) {
        return false;
    }
    const char first = token[0];
    if (!(first == '+' || first == '-' || first == '.' || IsDigit(first))) {
        return false;
    }
    if (token.size() == 1 && (first == '+' || first == '-')) {
        return false;
    }
    int dots = first == '.' ? 1 : 0;
    for (std::size_t i = 1; i < token.size(); ++i) {
        if (token[i] == '.') {
            ++dots;
        } else if (!IsDigit(token[i])) {
            return false;
        }
    }
    return dots <= 1;
}

PDFObject* ConvertPDFNumberToken(const std::string& token)
{
    if (token.find('.') != std::string::npos) {
        // Number tokens hold only sign, digits and one dot, so strtod reads exactly the
        // decimal value (the C locale is never changed); no digits gives 0.
        return new PDFReal(std::strtod(token.c_str(), nullptr));
    }
    return new PDFInteger(ParseSaturatedInteger(token));
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

PDFObject* PDFObjectParser::ParseObject(ParserExtender* extender)
{
    std::string token;
    if (!NextToken(token)) {
        return nullptr;
    }
    return ParseObjectFromToken(std::move(token), extender);
}

PDFObject* PDFObjectParser::ParseObjectFromToken(std::string token, ParserExtender* extender)
{
    if (token == "true" || token == "false") {
        return new PDFBoolean(token == "true");
    }
    if (token[0] == '(') {
        return ParseLiteralString(token, extender);
    }
    if (token[0] == '<' && (token.size() == 1 || token[1] != '<')) {
        return ParseHexadecimalString(std::move(token), extender);
    }
    if (token == "null") {
        return new PDFNull();
    }
    if (token[0] == '/') {
        return ParseName(token);
    }
    if (IsPDFNumberToken(token)) {
        PDFObject* number = ConvertPDFNumberToken(token);
        if (number->GetType() != PDFObject::ePDFObjectInteger ||
            static_cast<PDFInteger*>(number)->GetValue() <= 0) {
            return number;
        }
        // "num gen R" needs two tokens of look-ahead; anything else goes back in the queue.
        std::string second;
        if (!NextToken(second)) {
            return number;
        }
        bool secondIsGeneration = false;
        long long generation = 0;
        if (IsPDFNumberToken(second) && second.find('.') == std::string::npos) {
            generation = ParseSaturatedInteger(second);
            secondIsGeneration = generation >= 0;
        }
        if (!secondIsGeneration) {
            PushBackTokenToBack(std::move(second));
            return number;
        }
        std::string third;
        if (!NextToken(third)) {
            PushBackTokenToBack(std::move(second));
            return number;
        }
        if (third != "R") {
            PushBackTokenToBack(std::move(second));
            PushBackTokenToBack(std::move(third));
            return number;
        }
        const long long objectID = static_cast<PDFInteger*>(number)->GetValue();
        number->Release();
        return new PDFIndirectObjectReference(
            static_cast<std::uint32_t>(static_cast<unsigned long long>(objectID) & 0xFFFFFFFFu),
            static_cast<std::uint32_t>(static_cast<unsigned long long>(generation) & 0xFFFFFFFFu));
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
    // Every escape is at least two bytes and gives one, so the value never outgrows the
    // token's body: it is written in place and cut to length at the end.
    std::string value(token.size() - 2, '\0');
    char* out = value.data();
    const std::size_t end = token.size() - 1;
    for (std::size_t i = 1; i < end; ++i) {
        const char current = token[i];
        if (current != '\\') {
            *out++ = current;
            continue;
        }
        ++i;
        if (i >= end) {
            // A backslash right before the closing parenthesis: nothing follows it.
            *out++ = '\0';
            break;
        }
        const char escaped = token[i];
        switch (escaped) {
        case 'n':
            *out++ = '\n';
            break;
        case 'r':
            *out++ = '\r';
            break;
        case 't':
            *out++ = '\t';
            break;
        case 'b':
            *out++ = '\b';
            break;
        case 'f':
            *out++ = '\f';
            break;
        case '\\':
        case '(':
        case ')':
            *out++ = escaped;
            break;
        default:
            if (IsOctalDigit(escaped)) {
                unsigned int code = static_cast<unsigned int>(escaped - '0');
                int digits = 1;
                while (digits < 3 && i + 1 < end && IsOctalDigit(token[i + 1])) {
                    ++i;
                    ++digits;
                    code = code * 8 + static_cast<unsigned int>(token[i] - '0');
                }
                *out++ = static_cast<char>(static_cast<unsigned char>(code & 0xFFu));
            } else {
                *out++ = '\0';
            }
            break;
        }
    }
    value.resize(static_cast<std::size_t>(out - value.data()));
    if (extender != nullptr) {
        value = extender->DecryptString(value);
    }
    return new PDFLiteralString(std::move(value));
}

PDFObject* PDFObjectParser::ParseHexadecimalString(std::string token, ParserExtender* extender)
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
    if (value >= '0' && value <= '9') {
        outValue = static_cast<Byte>(value - '0');
    } else if (value >= 'A' && value <= 'F') {
        outValue = static_cast<Byte>(value - 'A' + 10);
    } else if (value >= 'a' && value <= 'f') {
        outValue = static_cast<Byte>(value - 'a' + 10);
    } else {
        TRACE_LOG("PDFObjectParser::GetHexValue, unrecongnized hex value - %c", value);
        return false;
    }
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
        // The token is parsed as it stands instead of going back into the queue; the copy
        // keeps it for the trace line below.
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
