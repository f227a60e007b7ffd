#!/usr/bin/python3
"""The pointer page driven over AT-SPI on a plain X server: the pointer speed and acceleration
reach the X server's pointer control at once and again on Apply, the data folder keeps them, and
the settings X11 has no place for are disabled and say why."""

import ctypes
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from z7e2e import CheckFailed, Session, run_checks  # noqa: E402


def pointer_control():
    """The X server's pointer acceleration as (numerator, denominator, threshold)."""
    x11 = ctypes.CDLL("libX11.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XGetPointerControl.argtypes = [ctypes.c_void_p] + [ctypes.POINTER(ctypes.c_int)] * 3
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    display = x11.XOpenDisplay(None)
    if not display:
        raise CheckFailed("cannot open the X display %r" % os.environ.get("DISPLAY"))
    num, den, threshold = ctypes.c_int(), ctypes.c_int(), ctypes.c_int()
    x11.XGetPointerControl(display, ctypes.byref(num), ctypes.byref(den), ctypes.byref(threshold))
    x11.XCloseDisplay(display)
    return num.value, den.value, threshold.value


def speed_and_acceleration_reach_the_x_server(build):
    # No desktop session: the program uses the X server's own pointer control.
    with Session(build, app_env={"XDG_CURRENT_DESKTOP": ""}) as s:
        s.press(s.find("push button", "BASIC SETTINGS", s.main))
        page = s.window("BASIC SETTINGS")
        speed = s.find("slider", "Pointer Speed", page)
        s.set_value(speed, 11)
        # Fastest speed, no acceleration: twice the movement from the first pixel.
        s.wait_until(lambda: pointer_control() == (2, 1, 1),
                     "the X server's pointer control to follow the speed (%s)"
                     % (pointer_control(),))
        s.pick("Acceleration", "高", page)
        s.wait_until(lambda: pointer_control() == (8, 1, 4),
                     "the X server's pointer control to follow the acceleration (%s)"
                     % (pointer_control(),))

        trails = s.find("check box", "Pointer trails", page)
        if s.enabled(trails):
            raise CheckFailed("pointer trails look applicable on plain X11")
        if "只保存在配置文件中" not in trails.description:
            raise CheckFailed("pointer trails do not say why: %r" % trails.description)

        apply = s.find("push button", "Apply", page)
        s.press(apply)
        s.wait_until(lambda: s.enabled(apply), "Apply to come back")
        stored = s.profile(0)
        if stored["pointerSpeed"] != 11 or stored["pointerAcceleration"] != 6:
            raise CheckFailed("the data folder holds speed %s, acceleration %s"
                              % (stored["pointerSpeed"], stored["pointerAcceleration"]))
        if pointer_control() != (8, 1, 4):
            raise CheckFailed("Apply left the pointer control at %s" % (pointer_control(),))
        s.press(s.find("push button", "Close", page))
        s.wait_until(lambda: not s.showing(page), "the page to close")


if __name__ == "__main__":
    run_checks([("pointer speed and acceleration reach the X server",
                 speed_and_acceleration_reach_the_x_server)])
