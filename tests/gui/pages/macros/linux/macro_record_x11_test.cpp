// The recording page with the real X11 capture on an X server of the test's own: keys XTest
// types there become the macro's events, in order, with their pauses.
//
// gtest and the page first: Xlib defines None, True and False as macros.
#include "gui/pages/macros/macro_page_fixture.h"
// clang-format off
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
// clang-format on

#include <chrono>
#include <thread>
#include "gui/app/input_capture_relay.h"

#include "platform/linux/input_capture_x11.h"
#include "platform/linux/keysym_table.h"
#include "platform/linux/private_x_server.h"

namespace z7::test {
namespace {

class MacroRecordX11 : public MacroPageTest {
  protected:
    void SetUp() override {
        if (server_.name().empty()) GTEST_SKIP() << "no Xvfb to run an X server of our own";
        display_ = XOpenDisplay(server_.name().c_str());
        ASSERT_NE(display_, nullptr);
        const std::string name = server_.name();
        host.makeCapture = [name] { return CreateX11InputCapture(name); };
        MacroPageTest::SetUp();
    }
    void TearDown() override {
        MacroPageTest::TearDown();
        if (display_) XCloseDisplay(display_);
    }
    void Type(uint16_t vk) {
        const KeyCode code = XKeysymToKeycode(display_, KeysymOfVk(vk));
        ASSERT_NE(code, 0);
        XTestFakeKeyEvent(display_, code, True, CurrentTime);
        XTestFakeKeyEvent(display_, code, False, CurrentTime);
        // A round trip: the server sends what it recorded when it next writes to a client.
        XSync(display_, False);
    }
    // The server passes the keys on through the capture's own thread: wait for them (without
    // sleeping) while the event loop delivers them.
    bool WaitForEvents(size_t n) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!current() || current()->events.size() < n) {
            if (std::chrono::steady_clock::now() > end) return false;
            QCoreApplication::processEvents();
            std::this_thread::yield();
        }
        return true;
    }

    PrivateXServer server_;
    Display* display_ = nullptr;
};

TEST_F(MacroRecordX11, KeysTypedThroughXTestAreRecorded) {
    page->nameEdit()->setText(U("xtest"));
    page->StartRecord();
    ASSERT_TRUE(page->recording())
        << (host.messages.empty() ? "" : host.messages.back().toStdString());
    Type('A');
    Type('B');
    ASSERT_TRUE(WaitForEvents(4));
    page->StopRecord();
    const auto& events = current()->events;
    ASSERT_EQ(events.size(), 4u);
    const uint16_t codes[] = {'A', 'A', 'B', 'B'};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(events[i].kind, kEventKindKey);
        EXPECT_EQ(events[i].code, codes[i]) << i;
        EXPECT_EQ(events[i].flag, i % 2 ? kEventFlagRelease : kEventFlagPress) << i;
        EXPECT_GE(events[i].delay, 0);
        EXPECT_LE(events[i].delay, kMaxEventDelayMs);
    }
    // Stopped, the page hears nothing more.
    Type('C');
    XSync(display_, False);
    QCoreApplication::processEvents();
    EXPECT_EQ(current()->events.size(), 4u);
}

}  // namespace
}  // namespace z7::test
