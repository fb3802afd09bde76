#include "installer/CertificateList.h"

#include "installer/CertificateSet.h"
#include "installer/ConsoleLines.h"
#include "installer/FileBytes.h"
#include "installer/InstallerPaths.h"
#include "platform/CertificateParser.h"
#include "platform/Platform.h"

std::optional<std::vector<std::uint8_t>> ReadCertificateFile(const std::string& path)
{
    const std::optional<std::vector<std::uint8_t>> bytes =
        ReadFileBytes(path, kMaxCertificateFileBytes);
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
