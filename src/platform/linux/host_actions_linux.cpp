// Opening targets with xdg-open and pasting text through the X11 CLIPBOARD selection.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "core/util/text.h"
#include "platform/host_actions.h"
#include "platform/linux/x11_error_trap.h"

extern char** environ;

namespace z7 {
namespace {

using SteadyClock = std::chrono::steady_clock;

// After the last paste the selection is served at least this long, so that a paste still in
// flight when the owner is destroyed (z7ctl listen ending) is answered.
constexpr auto kServeAfterPaste = std::chrono::milliseconds(1500);
constexpr auto kPasteReplyTimeout = std::chrono::seconds(3);

void SpawnOpener(std::string target) {
    // xdg-open reads a leading "-" as an option; "./" keeps a relative name the same file.
    if (!target.empty() && target[0] == '-') target = "./" + target;
    posix_spawn_file_actions_t actions;
    if (posix_spawn_file_actions_init(&actions) != 0) return;
    // The opener's chatter must not end up in our standard output (z7ctl listen --json).
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    char program[] = "xdg-open";
    std::vector<char> arg(target.begin(), target.end());
    arg.push_back('\0');
    char* argv[] = {program, arg.data(), nullptr};
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, program, &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return;
    // Reaped here so that no zombie stays behind; the caller never waits for it.
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
}

std::string Latin1Of(const std::u16string& text) {
    std::string out;
    for (char16_t c : text) out.push_back(c < 0x100 ? static_cast<char>(c) : '?');
    return out;
}

// Owns the CLIPBOARD selection from a thread of its own with its own X connection, so that it
// can answer paste requests while the caller goes on.
class ClipboardServer {
  public:
    ClipboardServer() {
        if (pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0) wake_[0] = wake_[1] = -1;
    }
    ~ClipboardServer() {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        Wake();
        if (thread_.joinable()) thread_.join();
        for (int fd : wake_)
            if (fd >= 0) close(fd);
    }

    bool Paste(const std::u16string& text) {
        if (wake_[0] < 0) return false;
        // One paste at a time, so that each caller gets the outcome of its own.
        std::lock_guard serial(pasteMutex_);
        std::unique_lock lock(mutex_);
        if (!thread_.joinable()) thread_ = std::thread([this] { Run(); });
        if (failed_) return false;
        pending_ = Pending{Utf16ToUtf8(text), Latin1Of(text)};
        done_ = false;
        Wake();
        if (!cv_.wait_for(lock, kPasteReplyTimeout, [this] { return done_ || failed_; }))
            return false;
        return done_ && result_;
    }

  private:
    struct Pending {
        std::string utf8;
        std::string latin1;
    };

    void Wake() {
        const char b = 1;
        if (wake_[1] >= 0) [[maybe_unused]]
            auto n = write(wake_[1], &b, 1);
    }

    void Fail() {
        std::lock_guard lock(mutex_);
        failed_ = true;
        cv_.notify_all();
    }

    void Run() {
        Display* d = XOpenDisplay(nullptr);
        if (!d) return Fail();
        TrapDisplayErrors(d);
        std::atomic<bool> dead{false};
        XSetIOErrorExitHandler(d, MarkDisplayDead, &dead);
        int eventBase = 0, errorBase = 0, major = 0, minor = 0;
        if (!XTestQueryExtension(d, &eventBase, &errorBase, &major, &minor)) {
            ForgetDisplayErrors(d);
            XCloseDisplay(d);
            return Fail();
        }
        window_ = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 1, 1, 0, 0, 0);
        clipboard_ = XInternAtom(d, "CLIPBOARD", False);
        targets_ = XInternAtom(d, "TARGETS", False);
        utf8_ = XInternAtom(d, "UTF8_STRING", False);
        textPlainUtf8_ = XInternAtom(d, "text/plain;charset=utf-8", False);
        text_ = XInternAtom(d, "TEXT", False);

        SteadyClock::time_point serveUntil{};
        for (;;) {
            std::optional<Pending> job;
            {
                std::lock_guard lock(mutex_);
                if (stopping_ && SteadyClock::now() >= serveUntil) break;
                if (pending_) {
                    job = std::move(pending_);
                    pending_.reset();
                }
            }
            if (job) {
                const bool ok = TakeAndPaste(d, std::move(*job));
                serveUntil = SteadyClock::now() + kServeAfterPaste;
                std::lock_guard lock(mutex_);
                result_ = ok;
                done_ = true;
                cv_.notify_all();
            }
            while (!dead && XPending(d) > 0) {
                XEvent ev;
                XNextEvent(d, &ev);
                if (ev.type == SelectionRequest)
                    Answer(d, ev.xselectionrequest);
                else if (ev.type == SelectionClear && ev.xselectionclear.selection == clipboard_)
                    owned_ = false;
            }
            if (dead) break;
            pollfd fds[2] = {{ConnectionNumber(d), POLLIN, 0}, {wake_[0], POLLIN, 0}};
            int timeout = -1;
            {
                std::lock_guard lock(mutex_);
                if (stopping_) {
                    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                        serveUntil - SteadyClock::now());
                    timeout = static_cast<int>(std::max<long long>(0, left.count()));
                }
            }
            poll(fds, 2, timeout);
            if (fds[1].revents & POLLIN) {
                char buf[64];
                while (read(wake_[0], buf, sizeof buf) > 0) {
                }
            }
        }
        if (!dead) {
            XDestroyWindow(d, window_);
            XCloseDisplay(d);
        }
        ForgetDisplayErrors(d);
        Fail();  // later pastes report failure rather than wait
    }

    bool TakeAndPaste(Display* d, Pending job) {
        utf8Text_ = std::move(job.utf8);
        latin1Text_ = std::move(job.latin1);
        XSetSelectionOwner(d, clipboard_, window_, CurrentTime);
        owned_ = XGetSelectionOwner(d, clipboard_) == window_;
        if (!owned_) return false;
        const KeyCode ctrl = XKeysymToKeycode(d, XK_Control_L);
        const KeyCode v = XKeysymToKeycode(d, XK_v);
        if (ctrl == 0 || v == 0) return false;
        XTestFakeKeyEvent(d, ctrl, True, CurrentTime);
        XTestFakeKeyEvent(d, v, True, CurrentTime);
        XTestFakeKeyEvent(d, v, False, CurrentTime);
        XTestFakeKeyEvent(d, ctrl, False, CurrentTime);
        XFlush(d);
        return true;
    }

    void Answer(Display* d, const XSelectionRequestEvent& req) {
        XSelectionEvent reply{};
        reply.type = SelectionNotify;
        reply.display = req.display;
        reply.requestor = req.requestor;
        reply.selection = req.selection;
        reply.target = req.target;
        reply.time = req.time;
        // Clients from before ICCCM 2 name no property: the target is used instead.
        Atom property = req.property != None ? req.property : req.target;
        if (!owned_ || req.selection != clipboard_ || req.owner != window_) {
            property = None;
        } else if (req.target == targets_) {
            const Atom list[] = {targets_, utf8_, textPlainUtf8_, XA_STRING, text_};
            XChangeProperty(d, req.requestor, property, XA_ATOM, 32, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(list), std::size(list));
        } else if (req.target == utf8_ || req.target == textPlainUtf8_ || req.target == text_) {
            const Atom type = req.target == text_ ? utf8_ : req.target;
            XChangeProperty(d, req.requestor, property, type, 8, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(utf8Text_.data()),
                            static_cast<int>(utf8Text_.size()));
        } else if (req.target == XA_STRING) {
            XChangeProperty(d, req.requestor, property, XA_STRING, 8, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(latin1Text_.data()),
                            static_cast<int>(latin1Text_.size()));
        } else {
            property = None;
        }
        reply.property = property;
        XEvent ev{};
        ev.xselection = reply;
        XSendEvent(d, req.requestor, False, NoEventMask, &ev);
        XFlush(d);
    }

    int wake_[2] = {-1, -1};
    std::thread thread_;
    std::mutex pasteMutex_;
    std::mutex mutex_;
    std::condition_variable cv_;
    std::optional<Pending> pending_;
    bool done_ = false;
    bool result_ = false;
    bool failed_ = false;
    bool stopping_ = false;

    // Used by the server thread only.
    Window window_ = 0;
    Atom clipboard_ = 0, targets_ = 0, utf8_ = 0, textPlainUtf8_ = 0, text_ = 0;
    bool owned_ = false;
    std::string utf8Text_;
    std::string latin1Text_;
};

class LinuxHostActions final : public HostActions {
  public:
    void OpenTarget(const std::u16string& target) override {
        std::thread(SpawnOpener, Utf16ToUtf8(target)).detach();
    }
    bool PasteText(const std::u16string& text) override { return clipboard_.Paste(text); }

  private:
    ClipboardServer clipboard_;
};

}  // namespace

std::unique_ptr<HostActions> CreateHostActions() {
    return std::make_unique<LinuxHostActions>();
}

}  // namespace z7
