#pragma once
#include <string>
#include <vector>

#include "platform/input_capture.h"

namespace z7 {

// Input capture for tests: records Start and Stop and delivers the inputs a test injects,
// synchronously on the test's thread, with the rules of the real captures (only while running,
// only the kinds asked for, modifiers tracked from the keys).
class RecordingInputCapture final : public InputCapture {
  public:
    // Inputs injected without a time get `clock`'s present.
    explicit RecordingInputCapture(Clock& clock = DefaultClock()) : clock_(clock) {}

    bool Start(InputKinds kinds, Sink sink, std::string* error) override;
    void Stop() override;
    bool running() const override { return static_cast<bool>(sink_); }
    CaptureScope scope() const override { return scopeShown; }

    // Delivers `event` (its `modifiers` are replaced by the tracked ones); false when the
    // capture would not have seen it.
    bool Inject(InputEvent event);
    bool Key(uint16_t vk, bool down);
    bool TapKey(uint16_t vk) { return Key(vk, true) & Key(vk, false); }
    bool Button(uint16_t code, bool down, int32_t x = 0, int32_t y = 0);

    // "start keys", "start keys buttons", "stop", in order; a Stop of a stopped capture is not
    // recorded.
    std::vector<std::string> calls;
    InputKinds kinds;       // of the last Start
    std::string failStart;  // non-empty: Start fails with this error
    CaptureScope scopeShown = CaptureScope::kDesktop;
    uint8_t heldModifiers = 0;  // as at the start of capture

  private:
    Clock& clock_;
    Sink sink_;
};

}  // namespace z7
