#include "platform/fake/recording_input_capture.h"

namespace z7 {

bool RecordingInputCapture::Start(InputKinds k, Sink sink, std::string* error) {
    Stop();
    if (!failStart.empty()) {
        if (error) *error = failStart;
        return false;
    }
    kinds = k;
    sink_ = std::move(sink);
    calls.push_back(std::string("start") + (k.keys ? " keys" : "") +
                    (k.mouseButtons ? " buttons" : ""));
    return true;
}

void RecordingInputCapture::Stop() {
    if (!sink_) return;
    sink_ = nullptr;
    calls.push_back("stop");
}

bool RecordingInputCapture::Inject(InputEvent event) {
    if (!sink_) return false;
    const bool key = event.device == InputDevice::kKeyboard;
    if (key ? !kinds.keys : !kinds.mouseButtons) return false;
    if (key) heldModifiers = ApplyModifierKey(heldModifiers, event.code, event.down);
    event.modifiers = heldModifiers;
    if (event.time == Clock::TimePoint{}) event.time = clock_.Now();
    sink_(event);
    return true;
}

bool RecordingInputCapture::Key(uint16_t vk, bool down) {
    InputEvent e;
    e.code = vk;
    e.down = down;
    return Inject(e);
}

bool RecordingInputCapture::Button(uint16_t code, bool down, int32_t x, int32_t y) {
    InputEvent e;
    e.device = InputDevice::kMouse;
    e.code = code;
    e.down = down;
    e.x = x;
    e.y = y;
    return Inject(e);
}

}  // namespace z7
