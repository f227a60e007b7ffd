#!/usr/bin/python3
"""The main window driven over AT-SPI: a slot is chosen, renamed, saved and applied, and the
simulated mouse and the data folder hold the name."""

import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from z7e2e import CheckFailed, Session, run_checks  # noqa: E402

NEW_NAME = "射击游戏"


def rename_slot_save_and_apply(build):
    with Session(build) as s:
        status = s.find("label", "Status")
        s.wait_until(lambda: s.text(status) == "固件 V1.65", "the mouse to be read")
        s.find("label", "Simulated Mouse")

        profile = s.pick("Profile", "配置1")
        name = s.find("text", "Profile Name")
        s.wait_until(lambda: s.enabled(name) and s.text(name) == "配置1",
                     "the name box to show slot 1")
        s.set_text(name, NEW_NAME)
        s.press(s.find("push button", "Save"))

        # The image is written first, then the slot activated (a 1.5 s command).
        s.wait_until(lambda: s.image_name(1) == NEW_NAME and s.sim_show()["activeSlot"] == 1,
                     "slot 1 on the mouse to hold the name and be active")
        save = s.find("push button", "Save")
        s.wait_until(lambda: s.enabled(save), "Save to come back when the write has ended")
        expected = NEW_NAME.encode("gbk")
        field = s.slot_image(1)[1:1 + len(expected) + 1]
        if field != expected + b"\0":
            raise CheckFailed("name field %s, expected %s" % (field.hex(), expected.hex()))
        names = {p["slot"]: p["name"] for p in s.profiles()}
        if names.get(1) != NEW_NAME:
            raise CheckFailed("the data folder names slot 1 %r" % names.get(1))
        # The selector lists the new name.
        s.find("menu item", NEW_NAME, s.find("combo box", "Profile"))


def pages_open_and_close(build):
    with Session(build) as s:
        for tile, title in [("ADVANCED SETTINGS", "ADVANCED SETTINGS"),
                            ("SYSTEM SETTINGS", "SYSTEM SETTINGS"), ("Support", "Support")]:
            s.press(s.find("push button", tile, s.main))
            page = s.window(title)
            s.press(s.find("push button", "Close", page))
            s.wait_until(lambda: not s.showing(page), "%r to close" % title)


if __name__ == "__main__":
    run_checks([("rename a slot, save and apply", rename_slot_save_and_apply),
                ("pages open and close", pages_open_and_close)])
