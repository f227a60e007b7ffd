#!/usr/bin/python3
"""The lighting page driven over AT-SPI: breathing at 50 % with the wheel at (0, 128, 255) is
applied, and the simulated mouse's lighting bytes and the data folder hold it."""

import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from z7e2e import CheckFailed, Session, run_checks  # noqa: E402

# Image bytes of the lighting block: wheel R, G, B, mode, logo R, G, B, mode; the sleep byte.
COLOR1 = 0x17
MODE2 = 0x1E
SLEEP = 0x5A


def lighting_bytes(s, slot):
    image = s.slot_image(slot)
    return list(image[COLOR1:MODE2 + 1]) + [image[SLEEP]]


def breathing_half_strength_typed_colour(build):
    with Session(build) as s:
        status = s.find("label", "Status")
        s.wait_until(lambda: s.text(status) == "固件 V1.65", "the mouse to be read")
        s.pick("Profile", "配置1")

        s.press(s.find("push button", "LIGHT SETTINGS", s.main))
        page = s.window("LIGHT SETTINGS")
        for name in ("Wheel Colour", "Logo Colour"):
            s.find("color chooser", name, page)
        s.pick("Mode", "单色呼吸", page)
        speed = s.find("combo box", "Speed", page)
        if s.enabled(speed):
            raise CheckFailed("Speed stays live for the breathing effect")
        s.pick("Strength", "50%", page)
        for name, value in (("Red 1", "0"), ("Green 1", "128"), ("Blue 1", "255")):
            s.set_text(s.find("text", name, page), value)
        # Typing past 255 is held at 255; the field then takes the value wanted.
        red2 = s.find("text", "Red 2", page)
        s.replace_text(red2, "300")
        s.wait_until(lambda: s.text(red2) == "255", "Red 2 to be held at 255")
        s.set_text(red2, "255")
        s.press(s.find("push button", "Apply", page))

        # Half strength truncates: (0, 128, 255) -> (0, 64, 127), the logo (255, 0, 0) ->
        # (127, 0, 0); breathing at the normal speed is 0xF6 for both lights; sleep 30 min.
        expected = [0, 64, 127, 0xF6, 127, 0, 0, 0xF6, 30]
        s.wait_until(lambda: lighting_bytes(s, 1) == expected and s.sim_show()["activeSlot"] == 1,
                     "slot 1 on the mouse to hold the lighting block %s" % expected)
        apply = s.find("push button", "Apply", page)
        s.wait_until(lambda: s.enabled(apply), "Apply to come back when the write has ended")
        profile = s.z7ctl_json("--data-dir", s.data_dir, "--config", s.config,
                               "profile", "show", "1")
        wanted = {"lightEffect": 6, "lightBrightness": 3, "lightSpeed": 0xF0,
                  "lightColor1": 0 | 128 << 8 | 255 << 16, "lightColor2": 255}
        got = {k: profile.get(k) for k in wanted}
        if got != wanted:
            raise CheckFailed("the data folder holds %s, expected %s" % (got, wanted))
        s.press(s.find("push button", "Close", page))
        s.wait_until(lambda: not s.showing(page), "the page to close unasked after Apply")


if __name__ == "__main__":
    run_checks([("breathing at 50% with a typed wheel colour",
                 breathing_half_strength_typed_colour)])
