// Reads the input as a certificate file, as the installer does with each file beside it. What
// the system's parser accepts must describe itself, and its DER bytes must read back as the
// same certificate; anything else only has to be survived.
#include <cstddef>
#include <cstdint>
#include <span>

#include "FuzzSupport.h"
#include "platform/CertificateParser.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto der = platform::DecodeCertificate(std::span<const std::uint8_t>(data, size));
    if (!der) {
        return 0;
    }
    if (!platform::DescribeCertificate(*der)) {
        fuzz::Fail();
    }
    const auto again = platform::DecodeCertificate(*der);
    if (!again || *again != *der) {
        fuzz::Fail();
    }
    return 0;
}
