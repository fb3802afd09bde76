// Reader hot paths over the hex-heavy store: the tokenizer alone, the object parser above it
// (the installer's reading work without the directory), and the flate decoder.
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <zlib.h>

#include "BenchStore.h"
#include "pdf/io/AdapterIByteReaderWithPositionToIReadPositionProvider.h"
#include "pdf/io/InputBufferedStream.h"
#include "pdf/io/InputFlateDecodeStream.h"
#include "pdf/objects/PDFObject.h"
#include "pdf/parsing/PDFObjectParser.h"
#include "pdf/parsing/PDFTokenizer.h"

namespace {

void TokenizeStore(benchmark::State& state)
{
    const std::string& store = BenchStoreBytes();
    std::size_t tokens = 0;
    for (auto _ : state) {
        // A new buffered reader per pass, as a new InputFile would have.
        InputBufferedStream reader(new MemoryReader(store.data(), store.size()));
        PDFTokenizer tokenizer;
        tokenizer.AttachStream(&reader);
        tokens = 0;
        for (;;) {
            PDFTokenizer::Token token = tokenizer.ReadToken();
            if (!token.first) {
                break;
            }
            benchmark::DoNotOptimize(token.second.data());
            ++tokens;
        }
    }
    state.counters["tokens"] = static_cast<double>(tokens);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(store.size()));
}
BENCHMARK(TokenizeStore)->Unit(benchmark::kMillisecond);

void ParseStoreObjects(benchmark::State& state)
{
    const std::string& store = BenchStoreBytes();
    std::size_t objects = 0;
    for (auto _ : state) {
        InputBufferedStream reader(new MemoryReader(store.data(), store.size()));
        AdapterIByteReaderWithPositionToIReadPositionProvider position(&reader);
        PDFObjectParser parser;
        parser.AttachStream(&reader, &position);
        objects = 0;
        // Every object of the file in sequence: headers, bodies, the xref lines and the
        // trailer all come through as objects or keywords.
        while (PDFObject* object = parser.ParseObject(nullptr)) {
            object->Release();
            ++objects;
        }
    }
    state.counters["objects"] = static_cast<double>(objects);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(store.size()));
}
BENCHMARK(ParseStoreObjects)->Unit(benchmark::kMillisecond);

std::string Compress(const std::string& plain)
{
    uLongf size = compressBound(static_cast<uLong>(plain.size()));
    std::string packed(size, '\0');
    if (compress(reinterpret_cast<Bytef*>(packed.data()), &size,
                 reinterpret_cast<const Bytef*>(plain.data()),
                 static_cast<uLong>(plain.size())) != Z_OK) {
        return std::string();
    }
    packed.resize(size);
    return packed;
}

// Decodes a few MB read in the chunk size given as the argument (the stream readers above the
// decoder read small pieces; StreamCopier reads large ones).
void FlateDecode(benchmark::State& state)
{
    const std::string& store = BenchStoreBytes();
    const std::string plain = store.substr(0, std::min<std::size_t>(store.size(), 4 << 20));
    const std::string packed = Compress(plain);
    if (packed.empty()) {
        state.SkipWithError("zlib could not compress the input");
        return;
    }
    std::vector<Byte> chunk(static_cast<std::size_t>(state.range(0)));
    std::size_t decoded = 0;
    for (auto _ : state) {
        InputFlateDecodeStream decoder(new MemoryReader(packed.data(), packed.size()));
        decoded = 0;
        while (decoder.HasMore()) {
            const IOByteCount got =
                decoder.Read(chunk.data(), static_cast<IOByteCount>(chunk.size()));
            if (got == 0) {
                break;
            }
            decoded += got;
        }
    }
    if (decoded != plain.size()) {
        state.SkipWithError("decoded size differs from the input");
        return;
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(plain.size()));
}
BENCHMARK(FlateDecode)->Arg(1)->Arg(4096)->Arg(1 << 20)->Unit(benchmark::kMillisecond);

} // namespace
