#include "core/macros/macro_recorder.h"

#include <chrono>

#include "core/macros/macro_events.h"

namespace z7 {

namespace {
bool SameInput(const InputEvent& a, const InputEvent& b) {
    return a.device == b.device && a.code == b.code && a.down == b.down;
}
}  // namespace

std::optional<MacroInput> MacroInputOf(const InputEvent& event) {
    if (event.device == InputDevice::kMouse) {
        switch (event.code) {
            case kMouseLeft:
            case kMouseRight:
            case kMouseMiddle:
                return MacroInput{kEventKindMouseButton, event.code};
            default:
                return std::nullopt;
        }
    }
    if (event.code == 0) return std::nullopt;
    return MacroInput{kEventKindKey, event.code};
}

void MacroRecorder::Start(Clock::TimePoint now) {
    lastTick_ = now;
    previous_.reset();
    full_ = false;
}

MacroRecorder::Outcome MacroRecorder::Record(Macro& macro, const InputEvent& event) {
    if (previous_ && SameInput(*previous_, event)) return Outcome::kRepeated;
    previous_ = event;
    const std::optional<MacroInput> input = MacroInputOf(event);
    // A side button is no event: the pause it falls into stays whole.
    if (!input) return Outcome::kSkipped;
    if (full_) return Outcome::kFull;
    const auto elapsed =
        std::chrono::duration_cast<std::chrono::milliseconds>(event.time - lastTick_).count();
    lastTick_ = event.time;
    SetLastDelay(macro, ClampDelay(elapsed));
    const uint8_t flag = event.down ? kEventFlagPress : kEventFlagRelease;
    if (AddEvent(macro, input->kind, input->code, flag)) return Outcome::kAdded;
    // The pause after the last event is the one up to the first input that did not fit; the
    // ones between later inputs belong to no event.
    full_ = true;
    return Outcome::kFull;
}

}  // namespace z7
