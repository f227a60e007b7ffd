#!/usr/bin/python3
"""The button page driven over AT-SPI: button 4 gets "播放/暂停" from its menu, button 5 a new
text block through the text block popup, Apply; the simulated mouse holds both bindings, and a
press of button 5 reported by the mouse types the text into the focused window."""

import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from z7e2e import CheckFailed, Session, run_checks  # noqa: E402

TEXT = "hello 你好"
MEDIA = (32, 205)      # multimedia, Play/Pause
TEXT_BLOCK = (22, 0)   # text block, library id 0


def media_key_and_text_block(build):
    with Session(build) as s:
        status = s.find("label", "Status")
        s.wait_until(lambda: s.text(status) == "固件 V1.65", "the mouse to be read")
        # A user slot: its name box takes the typed text at the end.
        s.pick("Profile", "配置1")
        name_box = s.find("text", "Profile Name")
        s.wait_until(lambda: s.enabled(name_box) and s.text(name_box) == "配置1",
                     "the name box to show slot 1")

        s.press(s.find("push button", "BUTTON ASSIGNMENT", s.main))
        page = s.window("BUTTON ASSIGNMENT")
        s.pick_path("Button 4", ["多媒体热键", "播放/暂停"], page)

        s.pick_path("Button 5", ["文本块", "设置"], page)
        popup = s.window("文字块")
        s.set_text(s.find("text", "Text", popup), TEXT)
        s.set_text(s.find("text", "Name", popup), "hello")
        s.press(s.find("push button", "Save", popup))
        s.wait_until(lambda: not s.showing(popup), "the text block popup to close")
        # The new entry is offered on every button's menu.
        s.find("menu item", "hello", s.find("combo box", "Button 1", page))

        s.press(s.find("push button", "Apply", page))
        s.wait_until(lambda: s.button_record(1, 4) == MEDIA and
                     s.button_record(1, 5) == TEXT_BLOCK,
                     "slot 1 on the mouse to hold both bindings")
        apply = s.find("push button", "Apply", page)
        s.wait_until(lambda: s.enabled(apply), "Apply to come back when the write has ended")
        listed = s.z7ctl_json("--data-dir", s.data_dir, "--config", s.config,
                              "library", "list", "textblock")
        if not any(e.get("name") == "hello" for e in listed):
            raise CheckFailed("the text block library holds %r" % listed)
        s.press(s.find("push button", "Close", page))
        s.wait_until(lambda: not s.showing(page), "the page to close")

        # The mouse reports a press of the text-block button: the running program types it
        # into the window that has the keyboard, here the emptied name box.
        s.set_text(name_box, "")
        name_box.queryComponent().grabFocus()
        s.run_z7ctl("sim", "event", "textblock", "0")
        s.wait_until(lambda: s.text(name_box) == TEXT, "the text block to be typed")


def key_pressed_on_the_keyboard(build):
    """The bind-a-key popup hears a key pressed on the (virtual) keyboard through the desktop's
    capture, and button 3 sends it."""
    with Session(build) as s:
        s.press(s.find("push button", "BUTTON ASSIGNMENT", s.main))
        page = s.window("BUTTON ASSIGNMENT")
        s.pick_path("Button 3", ["指派按键", "设置"], page)
        popup = s.window("指派按键")
        key = s.find("push button", "Key", popup)
        s.wait_until(lambda: s.text(key) == "" and "请按下按键" in key.description,
                     "the popup to wait for a key")
        s.tap_keys(["g"])
        s.wait_until(lambda: s.text(key) == "G", "the key field to show G")
        name = s.find("text", "Name", popup)
        s.wait_until(lambda: s.text(name) == "G", "the name to follow the key")
        s.set_text(name, "Grenade")
        s.press(s.find("push button", "Save", popup))
        s.wait_until(lambda: not s.showing(popup), "the popup to close")
        s.press(s.find("push button", "Apply", page))
        s.wait_until(lambda: s.button_record(0, 3) == (2, 10),
                     "slot 0 on the mouse to send the key G (usage 10) for button 3")


if __name__ == "__main__":
    run_checks([("a media key and a text block on buttons 4 and 5", media_key_and_text_block),
                ("a key pressed on the keyboard for button 3", key_pressed_on_the_keyboard)])
