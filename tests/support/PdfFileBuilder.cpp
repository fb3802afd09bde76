#include "PdfFileBuilder.h"

#include <cstdio>
#include <utility>

PdfFileBuilder::PdfFileBuilder(std::string headerLine) : mBytes(std::move(headerLine))
{
    mBytes += mLineEnd;
    mSectionEntries[0] = Entry{0, 65535, false};
}

PdfFileBuilder& PdfFileBuilder::SetLineEnd(std::string lineEnd)
{
    // The header line was already written with the old line end; rewrite its end.
    if (mBytes.size() >= mLineEnd.size() && mLatestOffsets.empty() && mXrefOffsets.empty()) {
        mBytes.resize(mBytes.size() - mLineEnd.size());
        mBytes += lineEnd;
    }
    mLineEnd = std::move(lineEnd);
    return *this;
}

PdfFileBuilder& PdfFileBuilder::SetEntryLineEnd(std::string twoBytes)
{
    mEntryLineEnd = std::move(twoBytes);
    return *this;
}

PdfFileBuilder& PdfFileBuilder::SetFinalLineEnd(std::string bytes)
{
    mFinalLineEnd = std::move(bytes);
    return *this;
}

PdfFileBuilder& PdfFileBuilder::AddRaw(const std::string& bytes)
{
    mBytes += bytes;
    return *this;
}

PdfFileBuilder& PdfFileBuilder::AddObject(std::uint32_t number, std::uint32_t generation,
                                          const std::string& body)
{
    const auto offset = static_cast<std::int64_t>(mBytes.size());
    mBytes += std::to_string(number) + " " + std::to_string(generation) + " obj" + mLineEnd;
    mBytes += body + mLineEnd + "endobj" + mLineEnd;
    mSectionEntries[number] = Entry{offset, generation, true};
    mLatestOffsets[number] = offset;
    if (number + 1 > mSize) {
        mSize = number + 1;
    }
    return *this;
}

PdfFileBuilder& PdfFileBuilder::AddFreeEntry(std::uint32_t number, std::uint32_t generation)
{
    mSectionEntries[number] = Entry{0, generation, false};
    if (number + 1 > mSize) {
        mSize = number + 1;
    }
    return *this;
}

PdfFileBuilder& PdfFileBuilder::AddEntryAt(std::uint32_t number, std::uint32_t generation,
                                           std::int64_t offset)
{
    mSectionEntries[number] = Entry{offset, generation, true};
    if (number + 1 > mSize) {
        mSize = number + 1;
    }
    return *this;
}

PdfFileBuilder& PdfFileBuilder::SetTrailerEntries(std::string entries)
{
    mTrailerEntries = std::move(entries);
    return *this;
}

PdfFileBuilder& PdfFileBuilder::SetSize(std::int64_t size)
{
    mSizeOverride = size;
    return *this;
}

PdfFileBuilder& PdfFileBuilder::StartUpdate()
{
    CloseSection(false);
    mSectionOpen = true;
    return *this;
}

std::string PdfFileBuilder::Build()
{
    if (mSectionOpen) {
        CloseSection(true);
    }
    return mBytes;
}

std::int64_t PdfFileBuilder::OffsetOf(std::uint32_t number) const
{
    auto it = mLatestOffsets.find(number);
    return it == mLatestOffsets.end() ? -1 : it->second;
}

void PdfFileBuilder::CloseSection(bool finalSection)
{
    const auto xrefOffset = static_cast<std::int64_t>(mBytes.size());
    mBytes += "xref" + mLineEnd;
    auto it = mSectionEntries.begin();
    while (it != mSectionEntries.end()) {
        auto runEnd = it;
        std::uint32_t count = 0;
        while (runEnd != mSectionEntries.end() && runEnd->first == it->first + count) {
            ++runEnd;
            ++count;
        }
        mBytes += std::to_string(it->first) + " " + std::to_string(count) + mLineEnd;
        for (; it != runEnd; ++it) {
            char entry[32];
            std::snprintf(entry, sizeof(entry), "%010lld %05u %c",
                          static_cast<long long>(it->second.offset), it->second.generation,
                          it->second.inUse ? 'n' : 'f');
            mBytes += std::string(entry, 18) + mEntryLineEnd;
        }
    }
    mBytes += "trailer" + mLineEnd + "<< /Size " +
              std::to_string(mSizeOverride >= 0 ? mSizeOverride : mSize);
    if (!mXrefOffsets.empty()) {
        mBytes += " /Prev " + std::to_string(mXrefOffsets.back());
    }
    if (!mTrailerEntries.empty()) {
        mBytes += " " + mTrailerEntries;
    }
    mBytes += " >>" + mLineEnd + "startxref" + mLineEnd + std::to_string(xrefOffset) + mLineEnd +
              "%%EOF" + (finalSection ? mFinalLineEnd : mLineEnd);
    mXrefOffsets.push_back(xrefOffset);
    mSectionEntries.clear();
    mTrailerEntries.clear();
    mSizeOverride = -1;
    mSectionOpen = false;
}
