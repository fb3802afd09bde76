#pragma once

#include "pdf/objects/PDFObject.h"
#include "pdf/objects/RefCountPtr.h"

// A RefCountPtr<T> filled through a type check, T being a PDFObject subclass with eType.
//
// Construction from a PDFObject pointer takes over the caller's reference, like RefCountPtr:
// when the type matches it is kept; when it does not, the object is RELEASED and the pointer
// holds null. A failed cast therefore consumes the reference: never release the object again.
// Assignment from a PDFObject pointer adds a reference when the type matches and holds null
// (touching nothing) when it does not.
template <typename T> class PDFObjectCastPtr : public RefCountPtr<T>
{
public:
    using RefCountPtr<T>::operator=;

    PDFObjectCastPtr() = default;
    explicit PDFObjectCastPtr(PDFObject* object) : RefCountPtr<T>(TakeIfOfType(object)) {}

    PDFObjectCastPtr& operator=(PDFObject* object)
    {
        RefCountPtr<T>::operator=(IsOfType(object) ? static_cast<T*>(object) : nullptr);
        return *this;
    }
    PDFObjectCastPtr& operator=(T* value)
    {
        RefCountPtr<T>::operator=(value);
        return *this;
    }

private:
    static bool IsOfType(const PDFObject* object)
    {
        return object != nullptr && object->GetType() == T::eType;
    }
    static T* TakeIfOfType(PDFObject* object)
    {
        if (object == nullptr) {
            return nullptr;
        }
        if (!IsOfType(object)) {
            object->Release();
            return nullptr;
        }
        return static_cast<T*>(object);
    }
};
