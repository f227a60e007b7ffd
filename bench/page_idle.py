#!/usr/bin/python3
"""Wake-ups of kesta-z7 idle on the simulated mouse before the lighting page opens, while it
shows an animated effect, and after it has closed: the preview's timer must run only while the
page is on screen. Driven over AT-SPI (so all three figures are taken with the accessibility
bridge on); run by bench/app_bench.sh under a session bus and a virtual X server:
    dbus-run-session -- xvfb-run -a /usr/bin/python3 bench/page_idle.py --build DIR --seconds N
"""

import argparse
import os
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
from z7e2e import Session  # noqa: E402


def switches(pid):
    total = 0
    for task in os.listdir("/proc/%d/task" % pid):
        with open("/proc/%d/task/%s/status" % (pid, task)) as status:
            for line in status:
                if "ctxt_switches" in line:
                    total += int(line.split()[1])
    return total


def rate(pid, seconds):
    before = switches(pid)
    time.sleep(seconds)
    return (switches(pid) - before) / seconds


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default="build-release")
    parser.add_argument("--seconds", type=float, default=10)
    args = parser.parse_args()
    with Session(args.build) as s:
        status = s.find("label", "Status")
        s.wait_until(lambda: s.text(status) == "固件 V1.65", "the mouse to be read")
        pid = s.app_process.pid
        time.sleep(2)
        before = rate(pid, args.seconds)

        s.press(s.find("push button", "LIGHT SETTINGS", s.main))
        page = s.window("LIGHT SETTINGS")
        s.pick("Mode", "单色呼吸", page)
        time.sleep(1)
        shown = rate(pid, args.seconds)

        # Apply, so that the page closes without asking, then close it.
        s.press(s.find("push button", "Apply", page))
        apply = s.find("push button", "Apply", page)
        time.sleep(0.5)
        s.wait_until(lambda: s.enabled(apply), "the write to end", timeout=20)
        s.press(s.find("push button", "Close", page))
        s.wait_until(lambda: not s.showing(page), "the page to close")
        time.sleep(2)
        after = rate(pid, args.seconds)
    print("wake-ups/s with the lighting page: before it opened %.1f, open with breathing %.1f, "
          "after it closed %.1f" % (before, shown, after))


if __name__ == "__main__":
    main()
