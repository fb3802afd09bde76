#include "installer/StoreLock.h"

#include <memory>

#include "installer/ConsoleLines.h"
#include "platform/Platform.h"

namespace {

// How often a run waiting for another run's install looks again.
constexpr int kLockPollMilliseconds = 50;

} // namespace

bool WithStoreLock(const std::string& storePath, std::chrono::milliseconds lockWait,
                   std::ostream& out, const std::function<void()>& work,
                   platform::ExclusiveLock::Use use)
{
    const auto giveUp = std::chrono::steady_clock::now() + lockWait;
    bool saidWaiting = false;
    std::unique_ptr<platform::ExclusiveLock> lock;
    while (lock == nullptr) {
        std::string reason;
        switch (platform::ExclusiveLock::TryAcquire(storePath, lock, reason, use)) {
        case platform::ExclusiveLock::Attempt::Acquired:
            continue;
        case platform::ExclusiveLock::Attempt::Failed:
            WriteLine(out, "Can't lock " + storePath + " for the install: " + reason +
                               "; it was left alone");
            return false;
        case platform::ExclusiveLock::Attempt::HeldElsewhere:
            break;
        }
        if (std::chrono::steady_clock::now() >= giveUp) {
            WriteLine(out,
                      "Another install is still updating " + storePath + "; it was left alone");
            return false;
        }
        if (!saidWaiting) {
            WriteLine(out, "Another install is updating " + storePath + "; waiting");
            saidWaiting = true;
        }
        platform::SleepMilliseconds(kLockPollMilliseconds);
    }
    work();
    return true;
}
