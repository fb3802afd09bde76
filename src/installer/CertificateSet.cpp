#include "installer/CertificateSet.h"

#include <cstdio>

#include "installer/ConsoleLines.h"
#include "installer/InstallerPaths.h"
#include "platform/CertificateParser.h"
#include "platform/Platform.h"

namespace {

// Closes the file on every way out of ReadFileBytes.
class FileCloser
{
public:
    explicit FileCloser(std::FILE* file) : mFile(file) {}
    ~FileCloser()
    {
        if (mFile != nullptr) {
            std::fclose(mFile);
        }
    }
    FileCloser(const FileCloser&) = delete;
    FileCloser& operator=(const FileCloser&) = delete;

private:
    std::FILE* mFile;
};

} // namespace

std::optional<std::vector<std::uint8_t>> ReadFileBytes(const std::string& path)
{
    std::FILE* file = platform::OpenFile(path, "rb");
    if (file == nullptr) {
        return std::nullopt;
    }
    FileCloser closer(file);
    if (platform::SeekFile(file, 0, SEEK_END) != 0) {
        return std::nullopt;
    }
    const std::int64_t size = platform::TellFile(file);
    // A folder or device can report any size; the bound also stops those.
    if (size < 0 || size > kMaxCertificateFileBytes) {
        return std::nullopt;
    }
    if (platform::SeekFile(file, 0, SEEK_SET) != 0) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    if (!bytes.empty() && std::fread(bytes.data(), 1, bytes.size(), file) != bytes.size()) {
        // The file shrank or could not be read: half a certificate is no certificate.
        return std::nullopt;
    }
    return bytes;
}

std::optional<std::vector<std::uint8_t>> ReadCertificateFile(const std::string& path)
{
    const std::optional<std::vector<std::uint8_t>> bytes = ReadFileBytes(path);
    if (!bytes) {
        return std::nullopt;
    }
    return platform::DecodeCertificate(*bytes);
}

std::optional<std::vector<CertificateRecord>>
ReadCertificateList(const std::string& folder, std::ostream& out,
                    std::span<const CertificateFile> files)
{
    const auto pathOf = [&folder](const CertificateFile& file) {
        return folder + platform::kPathSeparator + file.fileName;
    };
    for (const CertificateFile& file : files) {
        if (file.isMandatory && !FileExists(pathOf(file))) {
            WriteLine(out, std::string("can't find ") + file.label + " certificate");
            return std::nullopt;
        }
    }
    std::vector<CertificateRecord> certificates;
    certificates.reserve(files.size());
    for (const CertificateFile& file : files) {
        const std::optional<std::vector<std::uint8_t>> der = ReadCertificateFile(pathOf(file));
        if (!der) {
            // A mandatory file that passed the presence test but holds no certificate, or
            // cannot be read after all, stops the run like a missing one.
            if (file.isMandatory) {
                WriteLine(out, std::string("can't read ") + file.label + " certificate");
                return std::nullopt;
            }
            WriteLine(out, std::string("can't read ") + file.label + " certificate, skipping it");
            continue;
        }
        certificates.push_back(CertificateRecord{BytesToHex(*der), false, file.label});
    }
    return certificates;
}

std::string BytesToHex(std::span<const std::uint8_t> bytes)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex(bytes.size() * 2, '\0');
    char* next = hex.data();
    for (std::uint8_t byte : bytes) {
        *next++ = kDigits[byte >> 4];
        *next++ = kDigits[byte & 0x0F];
    }
    return hex;
}
