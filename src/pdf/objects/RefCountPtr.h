#pragma once

// Owns one reference to a RefCountObject (or subclass) T, or holds null.
//
// Construction from a raw pointer TAKES OVER the caller's reference (no Retain): wrap the
// result of a function that hands out a reference at once, e.g.
//     RefCountPtr<PDFObject> object(parser.ParseNewObject());
// Assignment from a raw pointer or another RefCountPtr ADDS a reference (Retain), so the
// caller keeps its own. The raw-pointer constructor is explicit so that a pointer can never
// be turned into an owner silently (e.g. when passed to a function taking a RefCountPtr).
template <typename T> class RefCountPtr
{
public:
    RefCountPtr() = default;
    explicit RefCountPtr(T* value) : mValue(value) {}
    RefCountPtr(const RefCountPtr& other) : mValue(other.mValue)
    {
        if (mValue != nullptr) {
            mValue->Retain();
        }
    }
    RefCountPtr(RefCountPtr&& other) noexcept : mValue(other.mValue) { other.mValue = nullptr; }
    virtual ~RefCountPtr()
    {
        if (mValue != nullptr) {
            mValue->Release();
        }
    }

    // Retains the new object before releasing the old one, so assigning the object already
    // held cannot destroy it.
    RefCountPtr& operator=(T* value)
    {
        if (value != nullptr) {
            value->Retain();
        }
        T* old = mValue;
        mValue = value;
        if (old != nullptr) {
            old->Release();
        }
        return *this;
    }
    RefCountPtr& operator=(const RefCountPtr& other) { return *this = other.mValue; }
    RefCountPtr& operator=(RefCountPtr&& other) noexcept
    {
        if (this != &other) {
            T* old = mValue;
            mValue = other.mValue;
            other.mValue = nullptr;
            if (old != nullptr) {
                old->Release();
            }
        }
        return *this;
    }

    // Borrowed: no reference is added.
    T* Get() const { return mValue; }
    bool IsNull() const { return mValue == nullptr; }
    bool operator!() const { return mValue == nullptr; }
    T* operator->() const { return mValue; }
    T& operator*() const { return *mValue; }

protected:
    T* mValue = nullptr;
};
