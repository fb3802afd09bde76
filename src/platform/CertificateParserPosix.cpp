#include <climits>
#include <cstring>
#include <ctime>
#include <memory>
#include <openssl/asn1.h>
#include <openssl/bio.h>
#include <openssl/crypto.h>
#include <openssl/err.h>
#include <openssl/objects.h>
#include <openssl/pem.h>
#include <openssl/provider.h>
#include <openssl/x509.h>

#include "platform/CertificateParserSystem.h"

namespace platform::certificate_system {

namespace {

struct X509Free
{
    void operator()(X509* certificate) const { X509_free(certificate); }
};
struct BioFree
{
    void operator()(BIO* bio) const { BIO_free(bio); }
};
struct OpenSslFree
{
    void operator()(void* memory) const { OPENSSL_free(memory); }
};

// OpenSSL keeps a queue of error reasons per thread; a refused file is an expected outcome
// here, so its reasons are dropped instead of piling up for whoever asks next.
class ErrorQueueClearer
{
public:
    ErrorQueueClearer() = default;
    ~ErrorQueueClearer() { ERR_clear_error(); }
    ErrorQueueClearer(const ErrorQueueClearer&) = delete;
    ErrorQueueClearer& operator=(const ErrorQueueClearer&) = delete;
};

SubjectAttribute ReadAttribute(const X509_NAME_ENTRY* entry)
{
    SubjectAttribute attribute;
    char oid[128];
    const int oidLength = OBJ_obj2txt(oid, sizeof(oid), X509_NAME_ENTRY_get_object(entry), 1);
    attribute.type = oidLength > 0 && oidLength < static_cast<int>(sizeof(oid)) ? oid : "?";
    unsigned char* utf8 = nullptr;
    const int length = ASN1_STRING_to_UTF8(&utf8, X509_NAME_ENTRY_get_data(entry));
    std::unique_ptr<unsigned char, OpenSslFree> owner(utf8);
    if (length >= 0) {
        attribute.value =
            std::string(reinterpret_cast<const char*>(utf8), static_cast<std::size_t>(length));
    }
    return attribute;
}

// Certificates are read in a library context that holds only OpenSSL's null provider: no
// algorithm is available there, so the subject key is not decoded (a key that cannot be
// decoded is no error for the certificate), which took most of the time of reading one. The
// machine's openssl.cnf is not loaded either: what is accepted does not depend on it. Nor are
// the library's tables of ciphers, digests and error texts built, which no certificate read
// here needs and which took about half of a run that finds no store.
OSSL_LIB_CTX* CertificateContext()
{
    static OSSL_LIB_CTX* const context = [] {
        (void)OPENSSL_init_crypto(OPENSSL_INIT_NO_LOAD_CONFIG | OPENSSL_INIT_NO_ADD_ALL_CIPHERS |
                                      OPENSSL_INIT_NO_ADD_ALL_DIGESTS |
                                      OPENSSL_INIT_NO_LOAD_CRYPTO_STRINGS,
                                  nullptr);
        OSSL_LIB_CTX* created = OSSL_LIB_CTX_new();
        // Without a provider loaded the library would load its default one on first use.
        if (created != nullptr && OSSL_PROVIDER_load(created, "null") == nullptr) {
            OSSL_LIB_CTX_free(created);
            created = nullptr;
        }
        return created;
    }();
    return context;
}

} // namespace

std::optional<CertificateFields> ReadCertificateFields(std::span<const std::uint8_t> der)
{
    ErrorQueueClearer clearer;
    if (der.empty() || der.size() > static_cast<std::size_t>(LONG_MAX)) {
        return std::nullopt;
    }
    // Should the context be missing, the library's default one reads the certificate. On a
    // failure d2i_X509 frees what it was given.
    OSSL_LIB_CTX* context = CertificateContext();
    X509* target = context != nullptr ? X509_new_ex(context, nullptr) : nullptr;
    const unsigned char* cursor = der.data();
    std::unique_ptr<X509, X509Free> certificate(
        d2i_X509(target != nullptr ? &target : nullptr, &cursor, static_cast<long>(der.size())));
    // d2i_X509 stops at the end of the certificate's encoding; anything after it is refused.
    if (!certificate || cursor != der.data() + der.size()) {
        return std::nullopt;
    }
    CertificateFields fields;
    const X509_NAME* subject = X509_get_subject_name(certificate.get());
    const int count = X509_NAME_entry_count(subject);
    for (int index = 0; index < count; ++index) {
        fields.subject.push_back(ReadAttribute(X509_NAME_get_entry(subject, index)));
    }
    std::tm expiry;
    std::memset(&expiry, 0, sizeof(expiry));
    if (ASN1_TIME_to_tm(X509_get0_notAfter(certificate.get()), &expiry) == 1) {
        fields.expiryYear = expiry.tm_year + 1900;
        fields.expiryMonth = expiry.tm_mon + 1;
        fields.expiryDay = expiry.tm_mday;
    }
    return fields;
}

std::optional<std::vector<std::uint8_t>> DecodePemBlock(std::string_view block)
{
    ErrorQueueClearer clearer;
    if (block.size() > static_cast<std::size_t>(INT_MAX)) {
        return std::nullopt;
    }
    std::unique_ptr<BIO, BioFree> bio(
        BIO_new_mem_buf(block.data(), static_cast<int>(block.size())));
    if (!bio) {
        return std::nullopt;
    }
    char* name = nullptr;
    char* header = nullptr;
    unsigned char* data = nullptr;
    long length = 0;
    const int read = PEM_read_bio(bio.get(), &name, &header, &data, &length);
    std::unique_ptr<char, OpenSslFree> nameOwner(name);
    std::unique_ptr<char, OpenSslFree> headerOwner(header);
    std::unique_ptr<unsigned char, OpenSslFree> dataOwner(data);
    // A block with header lines ("Proc-Type: 4,ENCRYPTED") is not a plain certificate.
    if (read != 1 || std::strcmp(name, "CERTIFICATE") != 0 || header[0] != '\0' || length < 0) {
        return std::nullopt;
    }
    return std::vector<std::uint8_t>(data, data + length);
}

} // namespace platform::certificate_system
