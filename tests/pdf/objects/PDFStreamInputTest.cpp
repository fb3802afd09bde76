#include "pdf/objects/PDFStreamInput.h"

#include <cstdint>

#include <gtest/gtest.h>

#include "ObjectProbe.h"
#include "pdf/objects/PDFDictionary.h"

TEST(PDFStreamInputTest, TakesOverTheDictionaryReference)
{
    bool destroyed = false;
    auto* stream = new PDFStreamInput(new Probe<PDFDictionary>(&destroyed), 0);
    EXPECT_FALSE(destroyed);
    stream->Release();
    EXPECT_TRUE(destroyed);
}

TEST(PDFStreamInputTest, GetDictionaryHandsOutAReference)
{
    bool destroyed = false;
    auto* dictionary = new Probe<PDFDictionary>(&destroyed);
    auto* stream = new PDFStreamInput(dictionary, INT64_C(5000000000));
    EXPECT_EQ(stream->GetDataStart(), INT64_C(5000000000));

    PDFDictionary* fetched = stream->GetDictionary();
    EXPECT_EQ(fetched, dictionary);
    stream->Release();
    EXPECT_FALSE(destroyed);
    EXPECT_EQ(ReleaseAll(fetched, destroyed), 1);
}

TEST(PDFStreamInputTest, NullDictionaryStaysNull)
{
    auto* stream = new PDFStreamInput(nullptr, 12);
    EXPECT_EQ(stream->GetDictionary(), nullptr);
    stream->Release();
}
