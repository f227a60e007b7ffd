#pragma once
// Window systems stamp input with a 32-bit millisecond counter (the X server time, the Windows
// tick count). The capture turns it into monotonic time points, so that the pauses between
// inputs are the ones the user made, not the delays of our own thread in seeing them.
#include <algorithm>
#include <cstdint>

#include "core/util/clock.h"

namespace z7 {

class EventTimeline {
  public:
    // The first stamp is tied to `now` (when it was seen); later stamps keep their distance to
    // it, across the counter's wrap. Never later than `now`.
    Clock::TimePoint At(uint32_t stamp, Clock::TimePoint now) {
        if (!started_) {
            started_ = true;
            base_ = now;
            last_ = stamp;
            return now;
        }
        // Signed: a stamp slightly older than the previous one (two devices) steps back.
        elapsed_ += static_cast<int32_t>(stamp - last_);
        last_ = stamp;
        return std::min(base_ + Millis(elapsed_), now);
    }

  private:
    bool started_ = false;
    Clock::TimePoint base_{};
    uint32_t last_ = 0;
    int64_t elapsed_ = 0;
};

}  // namespace z7
