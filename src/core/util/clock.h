#pragma once
// Every protocol delay, retry pause and busy wait goes through a Clock so that tests can run
// them on virtual time and assert the exact sleeps.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <set>
#include <vector>

namespace z7 {

using Millis = std::chrono::milliseconds;

// A wake-up that one thread can give to another thread's Clock::WaitFor. A Notify given while
// nobody waits is kept and ends the next wait at once.
class WakeSignal {
  public:
    void Notify();
    // Drops a kept notification.
    void Clear();

  private:
    friend class SystemClock;
    friend class VirtualClock;
    std::mutex mutex_;
    std::condition_variable cv_;
    bool pending_ = false;
};

class Clock {
  public:
    using TimePoint = std::chrono::steady_clock::time_point;
    virtual ~Clock() = default;
    virtual TimePoint Now() = 0;
    virtual void Sleep(Millis duration) = 0;
    // Waits until `signal` is notified (true, the notification is consumed) or `timeout` has
    // passed (false).
    virtual bool WaitFor(WakeSignal& signal, Millis timeout) = 0;
};

// Real time.
class SystemClock final : public Clock {
  public:
    TimePoint Now() override { return std::chrono::steady_clock::now(); }
    void Sleep(Millis duration) override;
    bool WaitFor(WakeSignal& signal, Millis timeout) override;
};

// Time that moves only when someone sleeps or advances it; records every sleep. Thread-safe.
//
// A WaitFor that is not notified at once counts, by default, as a sleep of its timeout (kept
// apart in Waits()), so single-threaded tests never block. With blocking waits on, it blocks
// until notified or until another thread moves virtual time past its deadline, which lets
// tests drive a background thread step by step.
class VirtualClock final : public Clock {
  public:
    TimePoint Now() override;
    void Sleep(Millis duration) override;
    bool WaitFor(WakeSignal& signal, Millis timeout) override;
    void Advance(Millis duration);

    void SetBlockingWaits(bool blocking) { blockingWaits_ = blocking; }

    std::vector<Millis> Sleeps() const;
    Millis TotalSlept() const;
    void ClearSleeps();
    // Timed-out waits of the non-blocking mode.
    std::vector<Millis> Waits() const;

  private:
    void MoveTime(Millis duration);

    mutable std::mutex mutex_;
    std::atomic<Millis::rep> now_{0};
    std::atomic<bool> blockingWaits_{false};
    std::vector<Millis> sleeps_;
    std::vector<Millis> waits_;
    std::set<WakeSignal*> waiting_;
};

// The clock the program runs on unless a caller injects another.
Clock& DefaultClock();

}  // namespace z7
