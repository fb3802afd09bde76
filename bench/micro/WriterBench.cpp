// The writer's hot path: entries as the installer writes them, an indirect object holding a
// dictionary with a 3.7 KB hex /Cert, through an ObjectsContext onto a buffered stream.
#include <random>
#include <string>

#include <benchmark/benchmark.h>

#include "installer/NewStoreLayout.h"
#include "pdf/io/IByteWriterWithPosition.h"
#include "pdf/io/OutputBufferedStream.h"
#include "pdf/writing/ObjectsContext.h"

namespace {

// Stands in for the file: counts what arrives and touches every byte, as a copy would.
class CountingWriter : public IByteWriterWithPosition
{
public:
    IOByteCount Write(const Byte* buffer, IOByteCount count) override
    {
        for (IOByteCount i = 0; i < count; ++i) {
            mSum += buffer[i];
        }
        mCount += count;
        return count;
    }
    FilePosition GetCurrentPosition() override { return mCount; }
    FilePosition Count() const { return mCount; }
    unsigned Sum() const { return mSum; }

private:
    FilePosition mCount = 0;
    unsigned mSum = 0;
};

void WriteEntries(benchmark::State& state)
{
    const int entries = static_cast<int>(state.range(0));
    std::mt19937 random(7);
    std::string certHex(3694, '0');
    for (char& digit : certHex) {
        digit = "0123456789abcdef"[random() & 0x0F];
    }
    FilePosition written = 0;
    for (auto _ : state) {
        auto* sink = new CountingWriter();
        OutputBufferedStream output(sink); // owns the sink
        ObjectsContext context;
        context.SetOutputStream(&output);
        for (int i = 0; i < entries; ++i) {
            ObjectNumber number = context.GetReferencesRegistry().AllocateObjectID();
            WriteCertificateEntry(context, number, certHex, 1000 + i);
        }
        FilePosition xref = 0;
        (void)context.WriteXrefTable(xref); // every object was written; cannot fail
        (void)output.Flush();               // the sink never fails
        written = sink->Count();
        benchmark::DoNotOptimize(sink->Sum());
        context.Cleanup();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * written);
}
BENCHMARK(WriteEntries)->Arg(2500)->Unit(benchmark::kMillisecond);

} // namespace
