#include "pdf/objects/PDFArray.h"

PDFArray::~PDFArray()
{
    for (PDFObject* item : mItems) {
        item->Release();
    }
}

void PDFArray::Append(PDFObject* item)
{
    if (item == nullptr) {
        return;
    }
    item->Retain();
    mItems.push_back(item);
}

std::uint32_t PDFArray::GetLength() const
{
    // Arrays come from parsed files whose sizes are far below 2^32 items; the parser bounds them.
    return static_cast<std::uint32_t>(mItems.size());
}

PDFObject* PDFArray::GetItem(std::uint32_t index) const
{
    if (index >= mItems.size()) {
        return nullptr;
    }
    PDFObject* item = mItems[index];
    item->Retain();
    return item;
}
