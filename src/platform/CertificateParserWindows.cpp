// windows.h brings in wincrypt.h (crypt32); on its own wincrypt.h lacks the basic types.
#include <windows.h>

#include "platform/CertificateParserSystem.h"
#include "platform/WideStrings.h"

namespace platform::certificate_system {

namespace {

// Length of the DER element that starts data, header included; nothing when data does not
// start with a definite-length SEQUENCE that fits in it. CertCreateCertificateContext decodes a
// certificate from the front of its buffer and never says where the encoding ended; Windows
// documents no refusal of bytes after it, and Wine's crypt32 accepts them. This header is
// what tells a certificate followed by other bytes from a certificate alone.
std::optional<std::size_t> OuterElementLength(std::span<const std::uint8_t> data)
{
    constexpr std::uint8_t kSequenceTag = 0x30;
    if (data.size() < 2 || data[0] != kSequenceTag) {
        return std::nullopt;
    }
    std::size_t header = 2;
    std::size_t length = data[1];
    if ((length & 0x80) != 0) {
        const std::size_t lengthBytes = length & 0x7F;
        // No indefinite length (not DER) and at most four length bytes (4 GiB).
        if (lengthBytes == 0 || lengthBytes > 4 || data.size() < 2 + lengthBytes) {
            return std::nullopt;
        }
        length = 0;
        for (std::size_t index = 0; index < lengthBytes; ++index) {
            length = (length << 8) | data[2 + index];
        }
        header += lengthBytes;
    }
    if (length > data.size() - header) {
        return std::nullopt;
    }
    return header + length;
}

class CertificateContext
{
public:
    explicit CertificateContext(PCCERT_CONTEXT context) : mContext(context) {}
    ~CertificateContext()
    {
        if (mContext != nullptr) {
            CertFreeCertificateContext(mContext);
        }
    }
    CertificateContext(const CertificateContext&) = delete;
    CertificateContext& operator=(const CertificateContext&) = delete;
    PCCERT_CONTEXT Get() const { return mContext; }

private:
    PCCERT_CONTEXT mContext;
};

std::optional<std::string> AttributeValue(const CERT_RDN_ATTR& attribute)
{
    const DWORD type = attribute.dwValueType & CERT_RDN_TYPE_MASK;
    if (type < CERT_RDN_NUMERIC_STRING) {
        return std::nullopt; // any type, an encoded blob or an octet string: no text
    }
    CERT_RDN_VALUE_BLOB value = attribute.Value;
    const DWORD count = CertRDNValueToStrW(type, &value, nullptr, 0); // terminator included
    if (count <= 1) {
        return std::string();
    }
    std::wstring wide(count, L'\0');
    const DWORD written = CertRDNValueToStrW(type, &value, wide.data(), count);
    return WideToUtf8(wide.data(), written > 0 ? written - 1 : 0);
}

std::vector<SubjectAttribute> ReadSubject(const CERT_NAME_BLOB& subject)
{
    std::vector<SubjectAttribute> attributes;
    CERT_NAME_INFO* name = nullptr;
    DWORD size = 0;
    if (!CryptDecodeObjectEx(X509_ASN_ENCODING, X509_NAME, subject.pbData, subject.cbData,
                             CRYPT_DECODE_ALLOC_FLAG, nullptr, &name, &size)) {
        return attributes;
    }
    for (DWORD rdn = 0; rdn < name->cRDN; ++rdn) {
        const CERT_RDN& set = name->rgRDN[rdn];
        for (DWORD index = 0; index < set.cRDNAttr; ++index) {
            const CERT_RDN_ATTR& attribute = set.rgRDNAttr[index];
            attributes.push_back({attribute.pszObjId != nullptr ? attribute.pszObjId : "?",
                                  AttributeValue(attribute)});
        }
    }
    LocalFree(name);
    return attributes;
}

} // namespace

std::optional<CertificateFields> ReadCertificateFields(std::span<const std::uint8_t> der)
{
    if (der.size() > MAXDWORD || OuterElementLength(der) != der.size()) {
        return std::nullopt;
    }
    CertificateContext context(CertCreateCertificateContext(
        X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size())));
    if (context.Get() == nullptr) {
        return std::nullopt;
    }
    const CERT_INFO* info = context.Get()->pCertInfo;
    CertificateFields fields;
    fields.subject = ReadSubject(info->Subject);
    SYSTEMTIME expiry;
    if (FileTimeToSystemTime(&info->NotAfter, &expiry)) {
        fields.expiryYear = expiry.wYear;
        fields.expiryMonth = expiry.wMonth;
        fields.expiryDay = expiry.wDay;
    }
    return fields;
}

std::optional<std::vector<std::uint8_t>> DecodePemBlock(std::string_view block)
{
    // CRYPT_STRING_BASE64HEADER decodes the base64 between a "-----BEGIN ...-----" line and
    // its "-----END" line; the caller has already cut the text down to that one block.
    if (block.size() > MAXDWORD) {
        return std::nullopt;
    }
    const auto length = static_cast<DWORD>(block.size());
    DWORD size = 0;
    if (!CryptStringToBinaryA(block.data(), length, CRYPT_STRING_BASE64HEADER, nullptr, &size,
                              nullptr, nullptr)) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes(size);
    if (size > 0 && !CryptStringToBinaryA(block.data(), length, CRYPT_STRING_BASE64HEADER,
                                          bytes.data(), &size, nullptr, nullptr)) {
        return std::nullopt;
    }
    bytes.resize(size);
    return bytes;
}

} // namespace platform::certificate_system
