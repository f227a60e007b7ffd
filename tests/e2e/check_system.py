#!/usr/bin/python3
"""The system page driven over AT-SPI: a new data folder is typed and applied (the data moves
there and the old folder keeps none of it), then the firmware is updated from a test package
beside the program up to the done view, and the simulated mouse reports the package's
version."""

import os
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from z7e2e import CheckFailed, Session, run_checks  # noqa: E402

PACKAGE_VERSION = "1.70"
# Entering the boot loader, its settling time and the reconnect are real waits on the
# simulated mouse: about half a minute.
UPDATE_TIMEOUT = 60.0


def files_under(folder):
    found = []
    for root, _dirs, names in os.walk(folder):
        found += [os.path.relpath(os.path.join(root, n), folder) for n in names]
    return sorted(found)


def move_the_data_folder(build):
    with Session(build) as s:
        status = s.find("label", "Status")
        s.wait_until(lambda: s.text(status).startswith("固件"), "the mouse to be read")
        # Libraries written by another program meanwhile move too.
        s.z7ctl_json("--data-dir", s.data_dir, "--config", s.config,
                     "library", "add", "textblock", "Greeting", "你好")
        s.z7ctl_json("--data-dir", s.data_dir, "--config", s.config,
                     "library", "add", "shortcut", "Docs", "http://docs.example")
        before = files_under(s.data_dir)
        target = os.path.join(s.work, "moved data")
        os.makedirs(target)

        s.press(s.find("push button", "SYSTEM SETTINGS", s.main))
        page = s.window("SYSTEM SETTINGS")
        s.set_text(s.find("text", "Data Folder", page), target)
        s.press(s.find("push button", "Apply", page))

        moved = os.path.join(target, "Kesta", "Z7 Laser", "Profiles")
        s.wait_until(lambda: os.path.isdir(moved) and os.listdir(moved),
                     "the profiles to reach the new folder")
        s.wait_until(lambda: not files_under(s.data_dir),
                     "the old data folder to hold none of our files")
        after = files_under(target)
        for name in before:
            if os.path.basename(name) == "data.lock":
                continue
            if name not in after:
                raise CheckFailed("%s did not move (the new folder holds %s)" % (name, after))
        s.data_dir = target
        if len(s.profiles()) == 0:
            raise CheckFailed("the moved data folder lists no profiles")
        names = [e["name"] for e in s.z7ctl_json("--data-dir", target, "--config", s.config,
                                                  "library", "list", "textblock")]
        if names != ["Greeting"]:
            raise CheckFailed("the moved text blocks are %s" % names)


def update_the_firmware(build):
    folder = os.path.join(os.path.abspath(build), "src", "gui", "Firmware Updates")
    kept = folder + ".kept-by-check"
    if os.path.exists(folder):
        os.rename(folder, kept)
    try:
        with Session(build) as s:
            payload = os.path.join(s.work, "payload.bin")
            with open(payload, "wb") as f:
                f.write(bytes((i * 7) & 0xFF for i in range(3 * 1024)))
            pack = subprocess.run([s.z7ctl, "firmware", "pack", payload, "--version",
                                   PACKAGE_VERSION, "--out", folder, "--sim-marker"],
                                  capture_output=True, text=True)
            if pack.returncode != 0:
                raise CheckFailed("z7ctl firmware pack failed: " + pack.stderr)
            status = s.find("label", "Status")
            s.wait_until(lambda: s.text(status) == "固件 V1.65", "the mouse to be read")

            s.press(s.find("push button", "SYSTEM SETTINGS", s.main))
            page = s.window("SYSTEM SETTINGS")
            s.press(s.find("push button", "Update Firmware", page))
            updater = s.window("FIRMWARE UPDATE")
            file_version = s.find("label", "File FWVersion", updater)
            s.wait_until(lambda: s.text(file_version) == PACKAGE_VERSION,
                         "the package's version in the updater")
            s.press(s.find("push button", "OK", updater))

            try:
                s.wait_until(lambda: s.sim_show()["firmwareVersion"] == PACKAGE_VERSION,
                             "the simulated mouse to run the package's firmware", UPDATE_TIMEOUT)
            except CheckFailed as e:
                shown = [(c.name, c.description) for c in
                         (updater.getChildAtIndex(i) for i in range(updater.childCount))
                         if c is not None and s.showing(c)]
                mouse = s.sim_show()
                raise CheckFailed("%s; the updater shows %s; the mouse: %s, %s" % (
                    e, shown, mouse["mode"], mouse["firmwareVersion"])) from e
            mouse_version = s.find("label", "Mouse FWVersion", updater)
            s.wait_until(lambda: s.showing(mouse_version)
                         and s.text(mouse_version) == PACKAGE_VERSION
                         and not s.showing(s.find("progress bar", "Progress", updater)),
                         "the done view with the new version", UPDATE_TIMEOUT)
            s.press(s.find("push button", "Cancel", updater))
            s.wait_until(lambda: not s.showing(updater), "the updater to close")
            s.wait_until(lambda: s.text(status) == "固件 V" + PACKAGE_VERSION,
                         "the main window to show the new version")
    finally:
        shutil.rmtree(folder, ignore_errors=True)
        if os.path.exists(kept):
            os.rename(kept, folder)


if __name__ == "__main__":
    run_checks([("move the data folder", move_the_data_folder),
                ("update the firmware", update_the_firmware)])
