#pragma once
// Every protocol delay, retry pause and busy wait goes through a Clock so that tests can run
// them on virtual time and assert the exact sleeps.
#include <chrono>
#include <mutex>
#include <vector>

namespace z7 {

using Millis = std::chrono::milliseconds;

class Clock {
public:
    using TimePoint = std::chrono::steady_clock::time_point;
    virtual ~Clock() = default;
    virtual TimePoint Now() = 0;
    virtual void Sleep(Millis duration) = 0;
};

// Real time.
class SystemClock final : public Clock {
public:
    TimePoint Now() override { return std::chrono::steady_clock::now(); }
    void Sleep(Millis duration) override;
};

// Time that moves only when someone sleeps; records every sleep. Thread-safe.
class VirtualClock final : public Clock {
public:
    TimePoint Now() override;
    void Sleep(Millis duration) override;
    void Advance(Millis duration);

    std::vector<Millis> Sleeps() const;
    Millis TotalSlept() const;
    void ClearSleeps();

private:
    mutable std::mutex mutex_;
    TimePoint now_{};
    std::vector<Millis> sleeps_;
};

// The clock the program runs on unless a caller injects another.
Clock& DefaultClock();

}  // namespace z7
