#include "BenchStore.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

namespace {

constexpr int kEntries = 2500;
constexpr std::size_t kCertHexDigits = 3694; // a 1,847-byte certificate

std::string ReadWholeFile(const std::filesystem::path& path)
{
    std::ifstream input(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(input), std::istreambuf_iterator<char>());
}

std::string RunMakeStore()
{
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() / "pdf-micro-bench-store.acrodata";
    const std::string command = std::string(BENCH_PYTHON) + " \"" + BENCH_MAKE_STORE +
                                "\" --entries " + std::to_string(kEntries) + " --seed 1 --out \"" +
                                path.string() + "\" >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0) {
        return std::string();
    }
    std::string bytes = ReadWholeFile(path);
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
    return bytes;
}

// The same shape as make-store's readable layout: CR LF lines, one key per line, a long
// lower-case hex certificate per entry, then a classic xref table and trailer.
std::string GenerateStore()
{
    std::mt19937 random(1);
    std::string store = "%PPKLITE-2.1\r\n%\xe2\xe3\xcf\xd3\r\n";
    std::string xref;
    auto addOffset = [&]() {
        char line[24];
        std::snprintf(line, sizeof(line), "%010zu 00000 n\r\n", store.size());
        xref += line;
    };
    addOffset();
    store += "1 0 obj\r\n<<\r\n/PPK <<\r\n/AddressBook <<\r\n/Entries [";
    for (int i = 0; i < kEntries; ++i) {
        store += std::to_string(i + 2) + " 0 R ";
    }
    store +=
        "]\r\n/NextID " + std::to_string(kEntries + 1) +
        "\r\n/Type /AddressBook\r\n>>\r\n/Type /PPK\r\n>>\r\n/Type /Catalog\r\n>>\r\nendobj\r\n";
    const char* hex = "0123456789abcdef";
    for (int i = 0; i < kEntries; ++i) {
        addOffset();
        store += std::to_string(i + 2) + " 0 obj\r\n<<\r\n/ABEType 1\r\n/Cert <";
        for (std::size_t d = 0; d < kCertHexDigits; ++d) {
            store.push_back(hex[random() & 0x0F]);
        }
        store += ">\r\n/Editable false\r\n/ID " + std::to_string(i + 1) +
                 "\r\n/Source [(AATL) (EUTL)]\r\n/Trust 102\r\n/Usage 1\r\n/Viewable "
                 "true\r\n>>\r\nendobj\r\n";
    }
    const std::size_t xrefStart = store.size();
    store += "xref\r\n0 " + std::to_string(kEntries + 2) + "\r\n0000000000 65535 f\r\n" + xref;
    store += "trailer\r\n<<\r\n/Root 1 0 R\r\n/Size " + std::to_string(kEntries + 2) +
             "\r\n>>\r\nstartxref\r\n" + std::to_string(xrefStart) + "\r\n%%EOF";
    return store;
}

} // namespace

const std::string& BenchStoreBytes()
{
    static const std::string bytes = [] {
        std::string made = RunMakeStore();
        if (made.empty()) {
            std::fprintf(stderr, "bench/make-store unavailable; using a generated store\n");
            made = GenerateStore();
        }
        return made;
    }();
    return bytes;
}

IOByteCount MemoryReader::Read(Byte* buffer, IOByteCount count)
{
    const std::size_t available = mSize - mPosition;
    const std::size_t taken = std::min<std::size_t>(available, count);
    std::memcpy(buffer, mBytes + mPosition, taken);
    mPosition += taken;
    return static_cast<IOByteCount>(taken);
}

void MemoryReader::SetPosition(FilePosition offsetFromStart)
{
    mPosition = std::min<std::size_t>(
        static_cast<std::size_t>(std::max<FilePosition>(offsetFromStart, 0)), mSize);
}

void MemoryReader::SetPositionFromEnd(FilePosition offsetFromEnd)
{
    const std::size_t back = std::min<std::size_t>(
        static_cast<std::size_t>(std::max<FilePosition>(offsetFromEnd, 0)), mSize);
    mPosition = mSize - back;
}

void MemoryReader::Skip(IOByteCount count)
{
    mPosition = std::min<std::size_t>(mPosition + count, mSize);
}
