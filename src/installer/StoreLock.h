#pragma once

#include <chrono>
#include <functional>
#include <ostream>
#include <string>

#include "platform/Platform.h"

// Runs work while this process holds the store's exclusive lock, so that runs started side by
// side for one user take turns: the lock covers everything from before the store is read to
// after the swap. A run that finds the lock taken says so on out once and polls for up to
// lockWait. False, with one line on out, when the wait ran out or the lock cannot be taken at
// all; work is not run then and the store is left alone. The lock goes with the process, so a
// run killed while holding it does not keep others out. A program that only reads the store
// takes it with use Read: it waits for a running install the same way, writes nothing, and
// reads side by side with other such programs.
bool WithStoreLock(const std::string& storePath, std::chrono::milliseconds lockWait,
                   std::ostream& out, const std::function<void()>& work,
                   platform::ExclusiveLock::Use use = platform::ExclusiveLock::Use::Update);
