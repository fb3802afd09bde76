#include "platform/CertificateParser.h"

#include <array>
#include <cstdio>
#include <string_view>

#include "platform/CertificateParserSystem.h"

namespace platform {

namespace {

constexpr std::string_view kPemBegin = "-----BEGIN CERTIFICATE-----";
constexpr std::string_view kPemEnd = "-----END CERTIFICATE-----";

// The one certificate block of a PEM text, markers included. Nothing when the text has no
// complete block, or a second one: which certificate would be meant is then anyone's guess.
std::optional<std::string_view> OnlyPemBlock(std::string_view text)
{
    const std::size_t begin = text.find(kPemBegin);
    if (begin == std::string_view::npos) {
        return std::nullopt;
    }
    const std::size_t end = text.find(kPemEnd, begin + kPemBegin.size());
    if (end == std::string_view::npos) {
        return std::nullopt;
    }
    const std::size_t afterEnd = end + kPemEnd.size();
    if (text.find(kPemBegin, afterEnd) != std::string_view::npos) {
        return std::nullopt;
    }
    return text.substr(begin, afterEnd - begin);
}

bool IsCertificate(std::span<const std::uint8_t> der)
{
    return certificate_system::ReadCertificateFields(der).has_value();
}

// Short names of the subject attributes that certificate authorities use; any other attribute
// shows its dotted identifier.
struct AttributeName
{
    std::string_view oid;
    std::string_view name;
};
constexpr std::array<AttributeName, 14> kAttributeNames = {{
    {"2.5.4.3", "CN"},
    {"2.5.4.4", "SN"},
    {"2.5.4.5", "serialNumber"},
    {"2.5.4.6", "C"},
    {"2.5.4.7", "L"},
    {"2.5.4.8", "ST"},
    {"2.5.4.9", "street"},
    {"2.5.4.10", "O"},
    {"2.5.4.11", "OU"},
    {"2.5.4.12", "title"},
    {"2.5.4.42", "GN"},
    {"2.5.4.97", "organizationIdentifier"},
    {"1.2.840.113549.1.9.1", "emailAddress"},
    {"0.9.2342.19200300.100.1.25", "DC"},
}};

std::string AttributeLabel(const std::string& oid)
{
    for (const AttributeName& known : kAttributeNames) {
        if (known.oid == oid) {
            return std::string(known.name);
        }
    }
    return oid;
}

// A subject comes from whoever made the certificate: a line end or escape sequence in it must
// not start a console line of its own or change the terminal.
std::string OnOneLine(const std::string& text)
{
    std::string line;
    line.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            char escaped[5];
            std::snprintf(escaped, sizeof(escaped), "\\x%02x", byte);
            line += escaped;
        } else {
            line.push_back(c);
        }
    }
    return line;
}

std::string SubjectName(const std::vector<certificate_system::SubjectAttribute>& subject)
{
    for (const certificate_system::SubjectAttribute& attribute : subject) {
        if (attribute.type == "2.5.4.3" && attribute.value) {
            return OnOneLine(*attribute.value);
        }
    }
    std::string whole;
    for (const certificate_system::SubjectAttribute& attribute : subject) {
        if (!whole.empty()) {
            whole += ", ";
        }
        whole += AttributeLabel(attribute.type) + "=" + OnOneLine(attribute.value.value_or("?"));
    }
    return whole;
}

std::string ExpiryDate(const certificate_system::CertificateFields& fields)
{
    if (fields.expiryYear <= 0 || fields.expiryYear > 9999) {
        return "-";
    }
    char date[16];
    std::snprintf(date, sizeof(date), "%04d-%02d-%02d", fields.expiryYear, fields.expiryMonth,
                  fields.expiryDay);
    return date;
}

} // namespace

std::optional<std::vector<std::uint8_t>> DecodeCertificate(std::span<const std::uint8_t> data)
{
    if (IsCertificate(data)) {
        return std::vector<std::uint8_t>(data.begin(), data.end());
    }
    const std::string_view text(reinterpret_cast<const char*>(data.data()), data.size());
    const std::optional<std::string_view> block = OnlyPemBlock(text);
    if (!block) {
        return std::nullopt;
    }
    std::optional<std::vector<std::uint8_t>> der = certificate_system::DecodePemBlock(*block);
    if (!der || !IsCertificate(*der)) {
        return std::nullopt;
    }
    return der;
}

std::optional<CertificateDescription> DescribeCertificate(std::span<const std::uint8_t> der)
{
    const std::optional<certificate_system::CertificateFields> fields =
        certificate_system::ReadCertificateFields(der);
    if (!fields) {
        return std::nullopt;
    }
    return CertificateDescription{SubjectName(fields->subject), ExpiryDate(*fields)};
}

} // namespace platform
