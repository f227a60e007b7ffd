#pragma once
// Xlib's default error handler ends the process. Our own connections (clipboard, input capture)
// see errors that are part of normal work (a window gone mid-transfer, an extension refusing a
// request), so errors on them are kept for the owner to read instead; errors on every other
// connection go to the handler that was there before.
#include <X11/Xlib.h>

#include <atomic>

namespace z7 {

void TrapDisplayErrors(Display* display);
// Call after XCloseDisplay: the pointer may be handed out again.
void ForgetDisplayErrors(Display* display);
// The error code of the first error on `display` since the last call (0 = none). Call after
// XSync so that the replies have come in.
int TakeDisplayError(Display* display);

// For XSetIOErrorExitHandler on a trapped display: a connection that breaks sets the
// std::atomic<bool> given as `flag` instead of ending the process.
void MarkDisplayDead(Display* display, void* flag);

}  // namespace z7
