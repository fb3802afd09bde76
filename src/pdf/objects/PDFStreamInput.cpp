#include "pdf/objects/PDFStreamInput.h"

#include "pdf/objects/PDFDictionary.h"

PDFStreamInput::PDFStreamInput(PDFDictionary* streamDictionary, std::int64_t dataStart)
    : PDFObject(eType), mDictionary(streamDictionary), mDataStart(dataStart)
{
}

PDFStreamInput::~PDFStreamInput()
{
    if (mDictionary != nullptr) {
        mDictionary->Release();
    }
}

PDFDictionary* PDFStreamInput::GetDictionary() const
{
    if (mDictionary != nullptr) {
        mDictionary->Retain();
    }
    return mDictionary;
}
