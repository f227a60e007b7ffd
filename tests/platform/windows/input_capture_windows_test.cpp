// The low-level hooks: installed and removed on the calling thread, inputs from SendInput
// delivered as virtual keys, one delivery per capture.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include "platform/input_capture.h"

namespace z7 {
namespace {

void Send(std::vector<INPUT> inputs) {
    ASSERT_EQ(::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)),
              inputs.size());
}

INPUT KeyInput(WORD vk, bool down) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    return in;
}

INPUT ButtonInput(DWORD flags) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = flags;
    return in;
}

// The hooks run inside this thread's message loop: pump it until `n` inputs came or the system
// gave up on delivering them.
void PumpUntil(const std::vector<InputEvent>& got, size_t n) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (got.size() < n && std::chrono::steady_clock::now() < deadline) {
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
    }
}

TEST(WindowsInputCapture, HooksDeliverKeysAndButtonsOncePerCapture) {
    auto first = CreateInputCapture();
    auto second = CreateInputCapture();
    ASSERT_TRUE(first && second);
    std::vector<InputEvent> a, b;
    std::string error;
    ASSERT_TRUE(first->Start(
        {.keys = true, .mouseButtons = true}, [&](const InputEvent& e) { a.push_back(e); }, &error))
        << error;
    ASSERT_TRUE(second->Start(
        {}, [&](const InputEvent& e) { b.push_back(e); }, &error))
        << error;
    EXPECT_TRUE(first->running());

    Send({KeyInput(VK_LSHIFT, true), KeyInput('A', true), KeyInput('A', false),
          KeyInput(VK_LSHIFT, false), ButtonInput(MOUSEEVENTF_RIGHTDOWN),
          ButtonInput(MOUSEEVENTF_RIGHTUP)});
    PumpUntil(a, 6);
    if (a.empty()) GTEST_SKIP() << "this system does not pass injected input to low-level hooks";
    ASSERT_EQ(a.size(), 6u);
    EXPECT_EQ(a[0].code, VK_LSHIFT);
    EXPECT_EQ(a[1].code, 'A');
    EXPECT_TRUE(a[1].down);
    EXPECT_EQ(a[1].modifiers, kLeftShift);
    EXPECT_FALSE(a[2].down);
    EXPECT_EQ(a[3].modifiers, 0);
    EXPECT_EQ(a[4].device, InputDevice::kMouse);
    EXPECT_EQ(a[4].code, kMouseRight);
    EXPECT_FALSE(a[5].down);
    EXPECT_LE(a[0].time, a[5].time);
    ASSERT_EQ(b.size(), 4u);  // keys only, each once
    EXPECT_EQ(b[1].code, 'A');

    first->Stop();
    first->Stop();
    EXPECT_FALSE(first->running());
    Send({KeyInput('B', true), KeyInput('B', false)});
    PumpUntil(b, 6);
    EXPECT_EQ(a.size(), 6u);
    ASSERT_EQ(b.size(), 6u);
    EXPECT_EQ(b[4].code, 'B');
    second.reset();  // destruction removes the last hook
}

TEST(WindowsInputCapture, ToolkitKeysGetTheirSide) {
    EXPECT_EQ(VirtualKeyOfNativeKey(VK_SHIFT, 0x2A), VK_LSHIFT);
    EXPECT_EQ(VirtualKeyOfNativeKey(VK_SHIFT, 0x36), VK_RSHIFT);
    EXPECT_EQ(VirtualKeyOfNativeKey(VK_CONTROL, 0x11D), VK_RCONTROL);
    EXPECT_EQ(VirtualKeyOfNativeKey(VK_MENU, 0x38), VK_LMENU);
    EXPECT_EQ(VirtualKeyOfNativeKey('A', 0x1E), 'A');
    EXPECT_EQ(VirtualKeyOfNativeKey(0x1234, 0), 0);
}

}  // namespace
}  // namespace z7
