// Tokenizes the input to its end. Every token must take at least one byte, so more tokens
// than bytes means a loop that stopped advancing; positions must stay inside the input.
#include <cstddef>
#include <cstdint>

#include "FuzzSupport.h"
#include "pdf/parsing/PDFTokenizer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::MemoryInput input(data, size);
    InputStringBufferStream stream(input.Buffer());
    PDFTokenizer tokenizer;
    tokenizer.AttachStream(&stream);
    std::size_t tokens = 0;
    while (tokenizer.ReadToken().first) {
        if (++tokens > size) {
            fuzz::Fail();
        }
        if (tokenizer.LastTokenPosition() > tokenizer.BytesTaken() ||
            tokenizer.BytesTaken() > size) {
            fuzz::Fail();
        }
    }
    return 0;
}
