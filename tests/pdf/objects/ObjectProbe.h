#pragma once

#include <utility>

#include "pdf/objects/RefCountObject.h"

// A PDF object of class Base that notes its own destruction, so tests can tell when the last
// reference went and how many references an object held.
template <typename Base> class Probe : public Base
{
public:
    template <typename... Args>
    explicit Probe(bool* destroyed, Args&&... args)
        : Base(std::forward<Args>(args)...), mDestroyed(destroyed)
    {
        *mDestroyed = false;
    }

protected:
    ~Probe() override { *mDestroyed = true; }

private:
    bool* mDestroyed;
};

// Releases object until it is destroyed and says how many references it held. Stops at 100 so
// a leak shows as a wrong count, not an endless loop.
inline int ReleaseAll(RefCountObject* object, const bool& destroyed)
{
    int releases = 0;
    while (!destroyed && releases < 100) {
        object->Release();
        ++releases;
    }
    return releases;
}
