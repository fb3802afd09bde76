#include "platform/CertificateParser.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "PemText.h"
#include "TempFolder.h"

namespace {

std::vector<std::uint8_t> Bytes(const std::string& text)
{
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

std::string ExampleCertificate(const char* fileName)
{
    return TempFolder::ReadFile(std::string(CERTIFICATE_EXAMPLES) + "/" + fileName);
}

std::string Replaced(std::string text, const std::string& from, const std::string& to)
{
    for (std::size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

// Subject C=DK, O=Ærø Tillid (UTF8String), OU=Rod and no common name; valid until
// 2126-11-15, a date written as GeneralizedTime.
constexpr const char* kNoCommonNamePem =
    "-----BEGIN CERTIFICATE-----\n"
    "MIIBuzCCAWGgAwIBAgIUUplUtBIteoiKDBKrG6XxiNdhsNEwCgYIKoZIzj0EAwIw\n"
    "MjELMAkGA1UEBhMCREsxFTATBgNVBAoMDMOGcsO4IFRpbGxpZDEMMAoGA1UECwwD\n"
    "Um9kMCAXDTI2MTIwOTE3MDAyMVoYDzIxMjYxMTE1MTcwMDIxWjAyMQswCQYDVQQG\n"
    "EwJESzEVMBMGA1UECgwMw4Zyw7ggVGlsbGlkMQwwCgYDVQQLDANSb2QwWTATBgcq\n"
    "hkjOPQIBBggqhkjOPQMBBwNCAAR+LeaL07HjVKziK0S2Zp3vO9ksEj2N5NGhk7YN\n"
    "4Ggy8YvrpGx3hL0bE15CH33YJQOtxJXAcbiD9B3FiIU39/Dwo1MwUTAdBgNVHQ4E\n"
    "FgQUODzE+cyFB1Ppoi3XiP4m/+M274swHwYDVR0jBBgwFoAUODzE+cyFB1Ppoi3X\n"
    "iP4m/+M274swDwYDVR0TAQH/BAUwAwEB/zAKBggqhkjOPQQDAgNIADBFAiEAgwvr\n"
    "rZ+YCfjbvEs7kb/alIZvSwfAcp5MDywgaUz/61ACIBp1lLurzfTcg7eG8b/VQCUB\n"
    "WVGIUuPzs5ZW56nDspuR\n"
    "-----END CERTIFICATE-----\n";

// Common name "Evil", a line feed, "Fake line" (its signature no longer matches; a reader
// that only shows the subject does not check it); valid until 2026-12-10.
constexpr const char* kLineFeedInNamePem =
    "-----BEGIN CERTIFICATE-----\n"
    "MIIBiDCCAS2gAwIBAgIUBMycsEG3AFFfm2xyT2fMTpQUHzYwCgYIKoZIzj0EAwIw\n"
    "GTEXMBUGA1UEAwwORXZpbApGYWtlIGxpbmUwHhcNMjYxMjA5MTcwMDI4WhcNMjYx\n"
    "MjEwMTcwMDI4WjAZMRcwFQYDVQQDDA5FdmlsCkZha2UgbGluZTBZMBMGByqGSM49\n"
    "AgEGCCqGSM49AwEHA0IABIhE6IPiZwm2XprDb8KPNHtFT3DpcjVJ6hpgDidBiwxm\n"
    "sMrgVddklol2sL2rEBdOmyMMdCQnWVlHUI4nbWsNpoijUzBRMB0GA1UdDgQWBBT0\n"
    "bTzSb3chtWMtpISCX5/z5QZVyTAfBgNVHSMEGDAWgBT0bTzSb3chtWMtpISCX5/z\n"
    "5QZVyTAPBgNVHRMBAf8EBTADAQH/MAoGCCqGSM49BAMCA0kAMEYCIQDIGUX2P7F4\n"
    "KUDMzWM/C7lTHrRYKtoawm/0K466K2CluQIhAPD0dGSR4Qjru8WK7YxsKUpq26qR\n"
    "/tXQ68ihN27x69kE\n"
    "-----END CERTIFICATE-----\n";

TEST(CertificateParserTest, OneCertificateInDerOrPemGivesItsDerBytes)
{
    const std::string der = ExampleCertificate("NorvSigningCA.crt");
    const std::string pem = PemText(der);
    struct Case
    {
        const char* what;
        std::string data;
    };
    const Case cases[] = {
        {"DER", der},
        {"PEM, LF", pem},
        {"PEM, CR LF", PemText(der, "\r\n")},
        {"PEM with text before and after the block",
         "Certificate:\n    Subject: O=Example, CN=Demo\n" + pem + "notes after it\n"},
        {"PEM without a last line end", pem.substr(0, pem.size() - 1)},
        {"PEM after a UTF-8 byte order mark", "\xEF\xBB\xBF" + PemText(der, "\r\n")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(platform::DecodeCertificate(Bytes(c.data)), Bytes(der));
    }
}

TEST(CertificateParserTest, AnythingButExactlyOneCertificateIsRefused)
{
    const std::string der = ExampleCertificate("NorvSigningCA.crt");
    const std::string pem = PemText(der);
    const std::string secondLine = pem.substr(pem.find('\n') + 1, 65);
    struct Case
    {
        const char* what;
        std::string data;
    };
    const Case cases[] = {
        {"empty", ""},
        {"text", "not a certificate\n"},
        {"private key", kTestPrivateKeyPem},
        {"private key in a CERTIFICATE block",
         Replaced(kTestPrivateKeyPem, "PRIVATE KEY", "CERTIFICATE")},
        {"DER cut short by one byte", der.substr(0, der.size() - 1)},
        {"DER cut to its first half", der.substr(0, der.size() / 2)},
        {"DER followed by a byte", der + '\0'},
        {"DER followed by a line end", der + "\r\n"},
        {"DER twice", der + der},
        {"PEM with a character that is not base64",
         Replaced(pem, secondLine.substr(0, 8), "MIIB!ABC")},
        {"PEM with a base64 line missing", Replaced(pem, secondLine, "")},
        {"PEM without its END line", pem.substr(0, pem.find("-----END"))},
        {"PEM with a header line", Replaced(pem, "-----\n", "-----\nProc-Type: 4,ENCRYPTED\n\n")},
        {"PEM of a certificate followed by a byte", PemText(der + '\0')},
        {"two certificates in PEM", pem + PemText(ExampleCertificate("NorvESealCA.crt"))},
        {"the same certificate twice in PEM", pem + pem},
        {"two BEGIN lines and one END line", "-----BEGIN CERTIFICATE-----\n" + pem},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(platform::DecodeCertificate(Bytes(c.data)), std::nullopt);
        EXPECT_EQ(platform::DescribeCertificate(Bytes(c.data)), std::nullopt);
    }
}

TEST(CertificateParserTest, DescriptionNamesSubjectAndExpiryDate)
{
    struct Case
    {
        const char* what;
        std::string der;
        const char* name;
        const char* expiry;
    };
    const auto fromPem = [](const char* pem) {
        const std::vector<std::uint8_t> der =
            platform::DecodeCertificate(Bytes(pem)).value_or(std::vector<std::uint8_t>());
        return std::string(der.begin(), der.end());
    };
    const Case cases[] = {
        {"example authority", ExampleCertificate("NorvSigningCA.crt"),
         "Demo Norv Signing CA (test authority)", "2036-12-06"},
        {"another example authority", ExampleCertificate("NorvTrustRootCAG2.crt"),
         "Demo Norv Trust Root CA G2 (test authority)", "2036-12-06"},
        {"no common name: the whole subject", fromPem(kNoCommonNamePem),
         "C=DK, O=\xC3\x86r\xC3\xB8 Tillid, OU=Rod", "2126-11-15"},
        {"line feed in the name stays on the line", fromPem(kLineFeedInNamePem),
         "Evil\\x0aFake line", "2026-12-10"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::optional<platform::CertificateDescription> description =
            platform::DescribeCertificate(Bytes(c.der));
        ASSERT_TRUE(description.has_value());
        EXPECT_EQ(description->name, c.name);
        EXPECT_EQ(description->expiry, c.expiry);
    }
}

} // namespace
