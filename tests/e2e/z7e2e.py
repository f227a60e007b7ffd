"""End-to-end driver of the real kesta-z7 over AT-SPI.

A check starts the program on a simulated mouse served by `z7ctl sim serve`, finds controls
by role and name in its accessibility tree, presses them, types into them, picks menu items,
and reads the result back from the simulated mouse (`z7ctl --simulate unix:... sim show`) and
from the data folder (`z7ctl --data-dir ...`).

Run checks through tests/e2e/run.sh, which provides what AT-SPI needs: a session bus
(dbus-run-session), on which the AT-SPI bus and registry (at-spi2-core) are started on demand,
and an X server (xvfb-run). Qt only exports its accessibility tree when an assistive technology
is announced on the bus (org.a11y.Status) or when QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 is set;
nothing sets the former in a bare session, so Session sets the latter for the program.
pyatspi is Debian's python3-pyatspi: run the checks with /usr/bin/python3.

    with Session(build_dir) as s:
        s.pick("Profile", "配置1")
        s.set_text(s.find("text", "Profile Name"), "射击")
        s.press(s.find("push button", "Save"))
        s.wait_until(lambda: s.image_name(1) == "射击")
"""

import json
import os
import shutil
import signal
import subprocess
import tempfile
import time

import pyatspi

# A check that cannot find its control within this time fails, naming what it looked for.
DEFAULT_TIMEOUT = 10.0
POLL_SECONDS = 0.05

# Image layout of a profile slot on the mouse: the name field (GBK, NUL-terminated).
IMAGE_NAME_OFFSET = 0x01
IMAGE_NAME_SIZE = 16
# The seven button records: type, value, data offset (2), entry count (2), marker.
IMAGE_BUTTON_RECORDS = 0x65
IMAGE_BUTTON_RECORD_SIZE = 7


class CheckFailed(AssertionError):
    pass


def describe(node):
    try:
        return "[%s] %r" % (node.getRoleName(), node.name)
    except Exception:  # a node that went away while we looked
        return "[gone]"


class Session:
    """kesta-z7 on a simulated mouse in a scratch folder, driven over AT-SPI."""

    def __init__(self, build_dir, keep=False, extra_args=(), app_env=None):
        self.build = os.path.abspath(build_dir)
        self.z7ctl = os.path.join(self.build, "src", "cli", "z7ctl")
        self.program = os.path.join(self.build, "src", "gui", "kesta-z7")
        self.work = tempfile.mkdtemp(prefix="z7e2e-")
        self.keep = keep
        self.extra_args = list(extra_args)
        self.app_env = dict(app_env or {})
        self.data_dir = os.path.join(self.work, "data")
        self.config = os.path.join(self.work, "Config.ini")
        self.state = os.path.join(self.work, "mouse.state")
        self.socket = os.path.join(self.work, "z7.sock")
        self.sim = None
        self.app_process = None
        self.app = None

    # ---- life -------------------------------------------------------------------------------

    def __enter__(self):
        self.start()
        return self

    def __exit__(self, *exc):
        self.stop()
        return False

    def start(self):
        env = dict(os.environ)
        runtime = os.path.join(self.work, "run")
        os.makedirs(runtime, mode=0o700)
        env["XDG_RUNTIME_DIR"] = runtime
        env["XDG_CONFIG_HOME"] = os.path.join(self.work, "config")
        env["XDG_DATA_HOME"] = os.path.join(self.work, "share")
        self.env = env
        self.sim = subprocess.Popen(
            [self.z7ctl, "--simulate", self.state, "sim", "serve", "--socket", self.socket],
            env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        # The simulator says where it serves once it listens.
        line = self.sim.stdout.readline()
        if "serving" not in line:
            raise CheckFailed("the simulated mouse did not start: %s" % line.strip())
        # The pointer page writes the desktop's pointer settings: never those of whoever runs
        # the checks (GSettings in memory; the X server is the checks' own).
        app_env = dict(env, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", GSETTINGS_BACKEND="memory")
        app_env.update(self.app_env)
        self.app_process = subprocess.Popen(
            [self.program, "--data-dir", self.data_dir, "--config", self.config,
             "--simulate", "unix:" + self.socket] + self.extra_args,
            env=app_env)
        self.app = self.wait_for(self._find_app, "the kesta-z7 application on the AT-SPI bus")
        self.main = self.find("frame", "KESTA Z7 LASER SOFTWARE")

    def stop(self):
        for process in (self.app_process, self.sim):
            if process and process.poll() is None:
                process.send_signal(signal.SIGTERM)
                try:
                    process.wait(5)
                except subprocess.TimeoutExpired:
                    process.kill()
                    process.wait()
        if self.sim and self.sim.stdout:
            self.sim.stdout.close()
        if not self.keep:
            shutil.rmtree(self.work, ignore_errors=True)

    def _find_app(self):
        if self.app_process.poll() is not None:
            raise CheckFailed("kesta-z7 ended with %d" % self.app_process.returncode)
        desktop = pyatspi.Registry.getDesktop(0)
        for i in range(desktop.childCount):
            app = desktop.getChildAtIndex(i)
            if app is not None and app.name == "kesta-z7":
                try:
                    if app.get_process_id() == self.app_process.pid:
                        return app
                except Exception:
                    return app
        return None

    # ---- waiting and finding ----------------------------------------------------------------

    def wait_for(self, probe, what, timeout=DEFAULT_TIMEOUT):
        """Polls `probe` until it returns something true; fails naming `what`."""
        end = time.monotonic() + timeout
        while True:
            result = probe()
            if result:
                return result
            if time.monotonic() > end:
                raise CheckFailed("timed out waiting for %s" % what)
            time.sleep(POLL_SECONDS)

    def wait_until(self, condition, what="the condition", timeout=DEFAULT_TIMEOUT):
        return self.wait_for(lambda: condition() or None, what, timeout)

    def search(self, role, name, root=None):
        """The first node of `role` (AT-SPI role name, e.g. "push button") called `name`
        under `root` (the application by default), or None."""
        root = root or self.app
        return pyatspi.findDescendant(
            root, lambda n: n is not None and n.getRoleName() == role and n.name == name,
            breadth_first=True)

    def find(self, role, name, root=None, timeout=DEFAULT_TIMEOUT):
        return self.wait_for(lambda: self.search(role, name, root),
                             "%s %r" % (role, name), timeout)

    def window(self, title, timeout=DEFAULT_TIMEOUT):
        """A top-level window of the program by its accessible name (its title)."""
        def probe():
            for i in range(self.app.childCount):
                child = self.app.getChildAtIndex(i)
                if child is not None and child.name == title and self.showing(child):
                    return child
            return None
        return self.wait_for(probe, "the window %r" % title, timeout)

    @staticmethod
    def showing(node):
        return node.getState().contains(pyatspi.STATE_SHOWING)

    @staticmethod
    def enabled(node):
        return node.getState().contains(pyatspi.STATE_ENABLED)

    # ---- acting -----------------------------------------------------------------------------

    def act(self, node, action):
        """Runs the named action ("Press", "Toggle", "ShowMenu", ...) of `node`."""
        actions = node.queryAction()
        names = [actions.getName(i) for i in range(actions.nActions)]
        if action not in names:
            raise CheckFailed("%s has no action %r (it has %s)" % (describe(node), action, names))
        actions.doAction(names.index(action))

    def press(self, node):
        self.wait_until(lambda: self.enabled(node), "%s to be enabled" % describe(node))
        self.act(node, "Press")

    def toggle(self, node):
        self.act(node, "Toggle")

    def pick(self, combo_name, item_name, root=None, role="combo box"):
        """Opens the drop-down `combo_name` and chooses its item `item_name` (one level)."""
        combo = self.find(role, combo_name, root)
        self.act(combo, "ShowMenu")
        item = self.find("menu item", item_name, combo)
        self.wait_until(lambda: self.showing(item), "the menu of %r to open" % combo_name)
        self.press(item)
        return combo

    def pick_path(self, combo_name, path, root=None, role="combo box"):
        """Opens the drop-down `combo_name` and walks its menus: each name in `path` but the
        last opens a submenu, the last is chosen."""
        combo = self.find(role, combo_name, root)
        self.act(combo, "ShowMenu")
        parent = combo
        for name in path:
            item = self.find("menu item", name, parent)
            self.wait_until(lambda: self.showing(item), "the menu holding %r to open" % name)
            self.press(item)
            parent = item
        return combo

    def set_text(self, node, text):
        """Replaces the text of an editable text field."""
        if not node.queryEditableText().setTextContents(text):
            raise CheckFailed("could not set the text of %s" % describe(node))
        self.wait_until(lambda: self.text(node) == text, "%s to read %r" % (describe(node), text))

    @staticmethod
    def replace_text(node, text):
        """Replaces the text of an editable field without waiting for it to read `text` (the
        field may correct it)."""
        if not node.queryEditableText().setTextContents(text):
            raise CheckFailed("could not set the text of %s" % describe(node))

    @staticmethod
    def text(node):
        t = node.queryText()
        return t.getText(0, t.characterCount)

    @staticmethod
    def value(node):
        return node.queryValue().currentValue

    @staticmethod
    def set_value(node, value):
        node.queryValue().currentValue = value

    @staticmethod
    def tap_keys(keysyms):
        """Presses and releases each X keysym (by name: "g", "F5", "Return") on the X server
        with XTest, as a real keyboard would; whatever listens to the keyboard hears it.
        (AT-SPI's own key synthesis needs a registry that sees the display, which a session bus
        started before the X server does not have.)"""
        import ctypes
        x11 = ctypes.CDLL("libX11.so.6")
        xtst = ctypes.CDLL("libXtst.so.6")
        x11.XOpenDisplay.restype = ctypes.c_void_p
        x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
        x11.XStringToKeysym.restype = ctypes.c_ulong
        x11.XStringToKeysym.argtypes = [ctypes.c_char_p]
        x11.XKeysymToKeycode.restype = ctypes.c_ubyte
        x11.XKeysymToKeycode.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
        x11.XFlush.argtypes = [ctypes.c_void_p]
        x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
        xtst.XTestFakeKeyEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int,
                                           ctypes.c_ulong]
        display = x11.XOpenDisplay(None)
        if not display:
            raise CheckFailed("no X display to type on")
        try:
            for name in keysyms:
                code = x11.XKeysymToKeycode(display, x11.XStringToKeysym(name.encode()))
                if not code:
                    raise CheckFailed("no key for the keysym %r" % name)
                xtst.XTestFakeKeyEvent(display, code, 1, 0)
                xtst.XTestFakeKeyEvent(display, code, 0, 0)
                x11.XFlush(display)
        finally:
            x11.XCloseDisplay(display)

    def type_keys(self, text):
        """Types ASCII `text` as key presses into whatever has the keyboard focus."""
        for ch in text:
            pyatspi.Registry.generateKeyboardEvent(ord(ch), None, pyatspi.KEY_SYM)

    # ---- reading the results ----------------------------------------------------------------

    def z7ctl_json(self, *args):
        out = subprocess.run([self.z7ctl, "--json"] + list(args), env=self.env,
                             capture_output=True, text=True)
        if out.returncode != 0:
            raise CheckFailed("z7ctl %s failed (%d): %s" % (" ".join(args), out.returncode,
                                                            out.stderr.strip()))
        return json.loads(out.stdout)

    def sim_show(self):
        """The simulated mouse's state: mode, activeSlot, slots (hex images), ..."""
        return self.z7ctl_json("--simulate", "unix:" + self.socket, "sim", "show")

    def slot_image(self, slot):
        return bytes.fromhex(self.sim_show()["slots"][slot].replace(" ", ""))

    def image_name(self, slot):
        """The profile name stored in a slot's image on the mouse (GBK)."""
        field = self.slot_image(slot)[IMAGE_NAME_OFFSET:IMAGE_NAME_OFFSET + IMAGE_NAME_SIZE]
        return field.split(b"\0", 1)[0].decode("gbk", errors="replace")

    def profile(self, slot):
        """Every field of one profile in the data folder, as `z7ctl profile show` reports it."""
        return self.z7ctl_json("--data-dir", self.data_dir, "--config", self.config,
                               "profile", "show", str(slot))

    def button_record(self, slot, button):
        """(type, value) of button 1..7's record in the image stored in a slot."""
        at = IMAGE_BUTTON_RECORDS + (button - 1) * IMAGE_BUTTON_RECORD_SIZE
        image = self.slot_image(slot)
        return image[at], image[at + 1]

    def run_z7ctl(self, *args):
        """Runs z7ctl on this session's simulated mouse and data folder; returns its output."""
        out = subprocess.run([self.z7ctl, "--simulate", "unix:" + self.socket,
                              "--data-dir", self.data_dir, "--config", self.config] + list(args),
                             env=self.env, capture_output=True, text=True)
        if out.returncode != 0:
            raise CheckFailed("z7ctl %s failed (%d): %s" % (" ".join(args), out.returncode,
                                                            out.stderr.strip()))
        return out.stdout

    def profiles(self):
        """The profile set in the data folder, as `z7ctl profile list` reports it."""
        return self.z7ctl_json("--data-dir", self.data_dir, "--config", self.config,
                               "profile", "list")


def run_checks(checks):
    """Runs `checks` (name, function taking the build folder) and exits with their verdict."""
    import argparse
    import sys
    import traceback
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default="build")
    args = parser.parse_args()
    failed = 0
    for name, check in checks:
        started = time.monotonic()
        try:
            check(args.build)
            print("ok   %s (%.1f s)" % (name, time.monotonic() - started))
        except Exception:
            failed += 1
            print("FAIL %s" % name)
            traceback.print_exc()
    sys.exit(1 if failed else 0)
