// Reads the input as a trust store with the installer's reader: the bytes go to a file in the
// temporary folder, which is then read against a small certificate list (one certificate that
// the seeds hold, one they do not). Only survival is checked; the reader's verdict is free.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

#include "FuzzSupport.h"
#include "installer/AddressBookReader.h"
#include "installer/CertificateList.h"

namespace {

std::string StorePath()
{
    std::error_code error;
    std::filesystem::path folder = std::filesystem::temp_directory_path(error);
    if (error) {
        folder = ".";
    }
    // One file per target: the replay and fuzz runs of other targets never touch it.
    const std::u8string utf8 = (folder / "fuzz_address_book.acrodata").u8string();
    return std::string(utf8.begin(), utf8.end());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::RouteTraceToDiscard();
    static const std::string path = StorePath();
    {
        std::ofstream out(std::filesystem::path(std::u8string(path.begin(), path.end())),
                          std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
        if (!out) {
            return 0;
        }
    }
    std::vector<CertificateRecord> certificates(2);
    certificates[0].certHex = "3082010a";
    certificates[1].certHex = "308201";
    AddressBookSummary summary;
    (void)ReadAddressBook(path, certificates, summary);
    return 0;
}
