#include "core/util/clock.h"

#include <numeric>
#include <thread>

namespace z7 {

void SystemClock::Sleep(Millis duration) {
    if (duration.count() > 0) std::this_thread::sleep_for(duration);
}

Clock::TimePoint VirtualClock::Now() {
    std::lock_guard lock(mutex_);
    return now_;
}

void VirtualClock::Sleep(Millis duration) {
    std::lock_guard lock(mutex_);
    sleeps_.push_back(duration);
    now_ += duration;
}

void VirtualClock::Advance(Millis duration) {
    std::lock_guard lock(mutex_);
    now_ += duration;
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
}

Clock& DefaultClock() {
    static SystemClock clock;
    return clock;
}

}  // namespace z7
