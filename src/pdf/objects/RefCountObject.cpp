#include "pdf/objects/RefCountObject.h"

void RefCountObject::Retain()
{
    ++mReferenceCount;
}

void RefCountObject::Release()
{
    if (mReferenceCount == 0) {
        return;
    }
    --mReferenceCount;
    if (mReferenceCount == 0) {
        delete this;
    }
}
