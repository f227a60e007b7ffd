#!/usr/bin/python3
"""The sensor page driven over AT-SPI: a CPI value typed and a polling rate chosen on "ADVANCED
SETTINGS", Apply, and the simulated mouse's sensor block and the data folder hold them."""

import os
import struct
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from z7e2e import CheckFailed, Session, run_checks  # noqa: E402

# Image layout of a profile slot on the mouse (the sensor block's source bytes).
POLLING_RATE = 0x15
STEP1_CPI_X = 0x33 + 1
STEP1_CPI_Y = 0x33 + 3


def u16(image, offset):
    return struct.unpack_from("<H", image, offset)[0]


def apply_cpi_and_polling_rate(build):
    with Session(build) as s:
        status = s.find("label", "Status")
        s.wait_until(lambda: s.text(status) == "固件 V1.65", "the mouse to be read")
        before = s.slot_image(0)
        if u16(before, STEP1_CPI_X) == 1200 or before[POLLING_RATE] == 2:
            raise CheckFailed("the simulated mouse starts with the values the check sets")

        s.press(s.find("push button", "ADVANCED SETTINGS", s.main))
        page = s.window("ADVANCED SETTINGS")
        s.set_text(s.find("text", "Step 1 X", page), "1200")
        polling = s.pick("Polling Rate", "500 Hz", page)
        s.wait_until(lambda: polling.name == "Polling Rate", "the drop-down to keep its name")
        apply = s.find("push button", "Apply", page)
        s.press(apply)

        # The sensor block of the current slot (0), then the 1.5 s activation.
        def written():
            image = s.slot_image(0)
            return u16(image, STEP1_CPI_X) == 1200 and image[POLLING_RATE] == 2
        s.wait_until(written, "the mouse's sensor block to hold 1200 CPI and 500 Hz")
        s.wait_until(lambda: s.enabled(apply), "Apply to come back when the write has ended")
        image = s.slot_image(0)
        if u16(image, STEP1_CPI_Y) != u16(before, STEP1_CPI_Y):
            raise CheckFailed("step 1 Y changed to %d" % u16(image, STEP1_CPI_Y))
        stored = s.profile(0)
        if stored["cpiX"][0] != 1200 or stored["pollingRate"] != 2:
            raise CheckFailed("the data folder holds cpiX %s, pollingRate %s"
                              % (stored["cpiX"], stored["pollingRate"]))
        # Nothing changed since the Apply: Close hides the page without a question.
        s.press(s.find("push button", "Close", page))
        s.wait_until(lambda: not s.showing(page), "the page to close")


if __name__ == "__main__":
    run_checks([("set step 1 X and the polling rate, apply", apply_cpi_and_polling_rate)])
