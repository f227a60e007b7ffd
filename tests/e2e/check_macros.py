#!/usr/bin/python3
"""The macro recording page driven over AT-SPI: a macro is named, recorded from keys typed
through XTest, applied, and z7ctl finds it in the data folder with its four events."""

import ctypes
import ctypes.util
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from z7e2e import CheckFailed, Session, run_checks  # noqa: E402

MACRO_NAME = "连招ab"


class XTest:
    """Key presses and releases injected into the X server, as a real keyboard's would be."""

    def __init__(self):
        self.x11 = ctypes.cdll.LoadLibrary(ctypes.util.find_library("X11") or "libX11.so.6")
        self.xtst = ctypes.cdll.LoadLibrary(ctypes.util.find_library("Xtst") or "libXtst.so.6")
        self.x11.XOpenDisplay.restype = ctypes.c_void_p
        self.x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
        self.x11.XStringToKeysym.restype = ctypes.c_ulong
        self.x11.XStringToKeysym.argtypes = [ctypes.c_char_p]
        self.x11.XKeysymToKeycode.restype = ctypes.c_ubyte
        self.x11.XKeysymToKeycode.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
        self.x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
        self.x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
        self.xtst.XTestFakeKeyEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int,
                                                ctypes.c_ulong]
        self.display = self.x11.XOpenDisplay(None)
        if not self.display:
            raise CheckFailed("cannot open the X display %r" % os.environ.get("DISPLAY"))

    def tap(self, key):
        code = self.x11.XKeysymToKeycode(self.display, self.x11.XStringToKeysym(key.encode()))
        if not code:
            raise CheckFailed("the X server has no key %r" % key)
        for down in (1, 0):
            self.xtst.XTestFakeKeyEvent(self.display, code, down, 0)
            # A round trip: the server passes recorded input on when it next writes to a client.
            self.x11.XSync(self.display, 0)

    def close(self):
        self.x11.XCloseDisplay(self.display)


def record_type_ab_and_apply(build):
    with Session(build) as s:
        s.press(s.find("push button", "MACRO RECORDING", s.main))
        page = s.window("MACRO RECORDING")
        s.set_text(s.find("text", "Macro Name", page), MACRO_NAME)
        start = s.find("push button", "Start Record", page)
        stop = s.find("push button", "Stop Record", page)
        s.press(start)
        s.wait_until(lambda: s.enabled(stop), "Stop Record to come on while recording")

        keys = XTest()
        try:
            keys.tap("a")
            keys.tap("b")
        finally:
            keys.close()
        events = s.find("list", "Macro list", page)
        s.wait_until(lambda: events.childCount >= 4, "the four key events in the list")
        s.press(stop)
        s.wait_until(lambda: not s.enabled(stop), "the recording to stop")

        names = [events.getChildAtIndex(i).name for i in range(4)]
        expected = ["A 按下", "A 松开", "B 按下", "B 松开"]
        for name, start_of in zip(names, expected):
            if not name.startswith(start_of):
                raise CheckFailed("the list shows %r, expected %r first" % (names, expected))

        s.press(s.find("push button", "Apply", page))
        data = ["--data-dir", s.data_dir, "--config", s.config]

        def listed():
            for macro in s.z7ctl_json(*data, "library", "list", "macro"):
                if macro["name"] == MACRO_NAME:
                    return macro
            return None
        macro = s.wait_for(listed, "z7ctl to list the macro %r" % MACRO_NAME)
        if macro["events"] != 4:
            raise CheckFailed("z7ctl lists %d events, expected 4: %r" % (macro["events"], macro))

        # Closing after Apply asks nothing: the macro is saved.
        s.press(s.find("push button", "Close", page))
        s.wait_until(lambda: not s.showing(page), "the page to close")


if __name__ == "__main__":
    run_checks([("record ab and apply", record_type_ab_and_apply)])
