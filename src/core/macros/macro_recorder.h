#pragma once
// Turns captured inputs into the events of a macro: the pause after each input, keyboard
// auto-repeat and side buttons left out, at most kMaxRecordedEvents events.
#include <cstdint>
#include <optional>

#include "core/macros/macro.h"
#include "core/util/clock.h"
#include "platform/input_capture.h"

namespace z7 {

// What an input is as a macro event: kind and code. Nothing for inputs a macro cannot hold
// (the side buttons, keys without a virtual-key code).
struct MacroInput {
    uint8_t kind = 0;
    uint16_t code = 0;
};
std::optional<MacroInput> MacroInputOf(const InputEvent& event);

class MacroRecorder {
  public:
    enum class Outcome {
        kAdded,
        kRepeated,  // the same input again (a held key repeating): dropped
        kSkipped,   // nothing a macro holds (a side button); the pause still counts
        kFull,      // the macro has kMaxRecordedEvents events; only the last pause grew
    };

    // Recording starts (or starts again, appending) at `now`: the first input's pause is counted
    // from here and goes to the event recorded last before.
    void Start(Clock::TimePoint now);
    // Records `event` into `macro`: the time since the previous recorded input becomes the
    // delay of the macro's last event (clamped to kMaxEventDelayMs, never negative), then the
    // input is appended as the only selected event. Once the macro is full, the first input
    // that does not fit still sets the last event's pause; later ones change nothing.
    Outcome Record(Macro& macro, const InputEvent& event);

  private:
    Clock::TimePoint lastTick_{};
    std::optional<InputEvent> previous_;
    bool full_ = false;
};

}  // namespace z7
