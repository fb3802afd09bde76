#pragma once

// Base of every shared PDF value. The code that constructs an object holds its first
// reference (count 1); each holder that keeps it calls Retain, and Release destroys the object
// when the last reference goes. Single-threaded: the count is a plain integer.
class RefCountObject
{
public:
    RefCountObject() = default;
    RefCountObject(const RefCountObject&) = delete;
    RefCountObject& operator=(const RefCountObject&) = delete;

    void Retain();
    // Destroys the object when the count reaches 0. A Release on a count already at 0 does
    // nothing, so an unbalanced Release cannot destroy an object twice.
    void Release();

protected:
    // Objects are destroyed only through Release: never delete one or keep one on the stack.
    virtual ~RefCountObject() = default;

private:
    int mReferenceCount = 1;
};
