// gtest first: Xlib defines None, True and False as macros.
#include <gtest/gtest.h>
// clang-format off
#include <X11/Xlib.h>
#include <X11/Xatom.h>
// clang-format on
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <optional>
#include <string>

#include "platform/host_actions.h"
#include "support/temp_dir.h"

namespace z7 {
namespace {

// Another X client asking for the CLIPBOARD as `target`; nothing when nobody answers in time.
std::optional<std::string> ReadClipboard(Display* d, Window w, const char* target,
                                         Atom* typeOut = nullptr) {
    const Atom clipboard = XInternAtom(d, "CLIPBOARD", False);
    const Atom property = XInternAtom(d, "Z7_TEST_PASTE", False);
    XConvertSelection(d, clipboard, XInternAtom(d, target, False), property, w, CurrentTime);
    XFlush(d);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (std::chrono::steady_clock::now() < deadline) {
        while (XPending(d) > 0) {
            XEvent ev;
            XNextEvent(d, &ev);
            if (ev.type != SelectionNotify) continue;
            if (ev.xselection.property == None) return std::nullopt;
            Atom type = 0;
            int format = 0;
            unsigned long count = 0, after = 0;
            unsigned char* data = nullptr;
            XGetWindowProperty(d, w, property, 0, 1 << 20, True, AnyPropertyType, &type, &format,
                               &count, &after, &data);
            if (typeOut) *typeOut = type;
            std::string out;
            if (data && format == 8) out.assign(reinterpret_cast<char*>(data), count);
            if (data && format == 32) out = std::to_string(count) + " atoms";
            if (data) XFree(data);
            return out;
        }
        pollfd p{ConnectionNumber(d), POLLIN, 0};
        poll(&p, 1, 100);  // waits for the X server's reply, not for time to pass
    }
    return std::nullopt;
}

TEST(HostActionsX11, PastedTextIsServedIntactFromTheClipboard) {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no X display (run under xvfb-run)";
    Display* d = XOpenDisplay(nullptr);
    if (!d) GTEST_SKIP() << "cannot open the X display";
    const Window w = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 10, 10, 0, 0, 0);

    auto actions = CreateHostActions();
    const std::u16string text = u"中文文本 ✓\r\nline two";
    ASSERT_TRUE(actions->PasteText(text));

    Atom type = 0;
    const auto utf8 = ReadClipboard(d, w, "UTF8_STRING", &type);
    ASSERT_TRUE(utf8);
    EXPECT_EQ(*utf8, "中文文本 ✓\r\nline two");
    EXPECT_EQ(type, XInternAtom(d, "UTF8_STRING", False));
    EXPECT_TRUE(ReadClipboard(d, w, "TARGETS").has_value());
    EXPECT_EQ(ReadClipboard(d, w, "STRING"), "???? ?\r\nline two");
    EXPECT_FALSE(ReadClipboard(d, w, "image/png").has_value());

    // A second text replaces the first.
    ASSERT_TRUE(actions->PasteText(u"二"));
    EXPECT_EQ(ReadClipboard(d, w, "UTF8_STRING"), "二");

    actions.reset();
    XDestroyWindow(d, w);
    XCloseDisplay(d);
}

// The opener gets the target as one argument, untouched by any shell. A stand-in xdg-open on
// PATH writes its arguments into a FIFO that the test reads.
TEST(HostActionsLinux, TargetsReachTheOpenerAsOneArgument) {
    test::TempDir dir;
    const auto fifo = dir / "args";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const auto script = dir / "xdg-open";
    test::WriteBytes(script, [] {
        const std::string s = "#!/bin/sh\nprintf '%s|' \"$#\" \"$@\" > \"$Z7_TEST_FIFO\"\n";
        return std::vector<uint8_t>(s.begin(), s.end());
    }());
    ASSERT_EQ(chmod(script.c_str(), 0700), 0);
    const std::string oldPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    setenv("PATH", (dir.path().string() + ":" + oldPath).c_str(), 1);
    setenv("Z7_TEST_FIFO", fifo.c_str(), 1);

    auto read = [&](const std::u16string& target) {
        const int fd = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
        auto actions = CreateHostActions();
        actions->OpenTarget(target);
        std::string out;
        for (;;) {
            pollfd p{fd, POLLIN, 0};
            if (poll(&p, 1, 5000) <= 0) break;  // the opener never wrote
            char buf[256];
            const ssize_t n = ::read(fd, buf, sizeof buf);
            if (n <= 0) break;
            out.append(buf, static_cast<size_t>(n));
        }
        close(fd);
        return out;
    };
    EXPECT_EQ(read(u"$(touch pwned); echo `id` 中文"), "1|$(touch pwned); echo `id` 中文|");
    EXPECT_EQ(read(u"--help"), "1|./--help|");
    EXPECT_FALSE(std::filesystem::exists(dir / "pwned"));
    setenv("PATH", oldPath.c_str(), 1);
}

}  // namespace
}  // namespace z7
