#include "core/util/clock.h"

#include <numeric>
#include <thread>

namespace z7 {

void WakeSignal::Notify() {
    {
        std::lock_guard lock(mutex_);
        pending_ = true;
    }
    cv_.notify_all();
}

void WakeSignal::Clear() {
    std::lock_guard lock(mutex_);
    pending_ = false;
}

void SystemClock::Sleep(Millis duration) {
    if (duration.count() > 0) std::this_thread::sleep_for(duration);
}

bool SystemClock::WaitFor(WakeSignal& signal, Millis timeout) {
    std::unique_lock lock(signal.mutex_);
    const bool woken = signal.cv_.wait_for(lock, timeout, [&] { return signal.pending_; });
    signal.pending_ = false;
    return woken;
}

Clock::TimePoint VirtualClock::Now() {
    return TimePoint(Millis(now_.load()));
}

void VirtualClock::MoveTime(Millis duration) {
    // Waiters read now_ under their signal's mutex, so taking each mutex before notifying
    // closes the gap between their deadline check and their wait.
    std::lock_guard lock(mutex_);
    now_ += duration.count();
    for (WakeSignal* s : waiting_) {
        std::lock_guard signalLock(s->mutex_);
        s->cv_.notify_all();
    }
}

void VirtualClock::Sleep(Millis duration) {
    {
        std::lock_guard lock(mutex_);
        sleeps_.push_back(duration);
    }
    MoveTime(duration);
}

void VirtualClock::Advance(Millis duration) {
    MoveTime(duration);
}

bool VirtualClock::WaitFor(WakeSignal& signal, Millis timeout) {
    if (!blockingWaits_) {
        {
            std::lock_guard signalLock(signal.mutex_);
            if (signal.pending_) {
                signal.pending_ = false;
                return true;
            }
        }
        {
            std::lock_guard lock(mutex_);
            waits_.push_back(timeout);
        }
        MoveTime(timeout);
        return false;
    }
    {
        std::lock_guard lock(mutex_);
        waiting_.insert(&signal);
    }
    const Millis::rep deadline = now_.load() + timeout.count();
    bool woken = false;
    {
        std::unique_lock signalLock(signal.mutex_);
        signal.cv_.wait(signalLock, [&] { return signal.pending_ || now_.load() >= deadline; });
        woken = signal.pending_;
        signal.pending_ = false;
    }
    std::lock_guard lock(mutex_);
    waiting_.erase(&signal);
    return woken;
}

std::vector<Millis> VirtualClock::Sleeps() const {
    std::lock_guard lock(mutex_);
    return sleeps_;
}

Millis VirtualClock::TotalSlept() const {
    std::lock_guard lock(mutex_);
    return std::accumulate(sleeps_.begin(), sleeps_.end(), Millis{0});
}

void VirtualClock::ClearSleeps() {
    std::lock_guard lock(mutex_);
    sleeps_.clear();
    waits_.clear();
}

std::vector<Millis> VirtualClock::Waits() const {
    std::lock_guard lock(mutex_);
    return waits_;
}

Clock& DefaultClock() {
    static SystemClock clock;
    return clock;
}

}  // namespace z7
