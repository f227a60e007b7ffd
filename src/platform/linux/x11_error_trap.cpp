#include "platform/linux/x11_error_trap.h"

#include <algorithm>
#include <mutex>
#include <utility>
#include <vector>

namespace z7 {
namespace {

struct Trapped {
    Display* display;
    int error;
};

std::mutex gMutex;
std::vector<Trapped> gTrapped;
XErrorHandler gPrevious = nullptr;
XIOErrorHandler gPreviousIo = nullptr;
bool gInstalled = false;

bool IsTrapped(Display* display) {
    std::lock_guard lock(gMutex);
    return std::any_of(gTrapped.begin(), gTrapped.end(),
                       [display](const Trapped& t) { return t.display == display; });
}

// Xlib's default handler ends the process before the connection's exit handler could run.
int KeepOurIoErrors(Display* display) {
    if (IsTrapped(display)) return 0;
    return gPreviousIo ? gPreviousIo(display) : 0;
}

int KeepOurErrors(Display* display, XErrorEvent* event) {
    {
        std::lock_guard lock(gMutex);
        for (Trapped& t : gTrapped)
            if (t.display == display) {
                if (!t.error) t.error = event->error_code;
                return 0;
            }
    }
    return gPrevious ? gPrevious(display, event) : 0;
}

}  // namespace

void TrapDisplayErrors(Display* display) {
    std::lock_guard lock(gMutex);
    // Installed once and kept: taking it out again could drop a handler set after ours.
    if (!gInstalled) {
        gPrevious = XSetErrorHandler(KeepOurErrors);
        gPreviousIo = XSetIOErrorHandler(KeepOurIoErrors);
        gInstalled = true;
    }
    gTrapped.push_back({display, 0});
}

void ForgetDisplayErrors(Display* display) {
    std::lock_guard lock(gMutex);
    std::erase_if(gTrapped, [display](const Trapped& t) { return t.display == display; });
}

int TakeDisplayError(Display* display) {
    std::lock_guard lock(gMutex);
    for (Trapped& t : gTrapped)
        if (t.display == display) return std::exchange(t.error, 0);
    return 0;
}

void MarkDisplayDead(Display*, void* flag) {
    static_cast<std::atomic<bool>*>(flag)->store(true);
}

}  // namespace z7
