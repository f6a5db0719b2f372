#!/usr/bin/python3
"""vemlo.exe as its user meets it, under Wine on a virtual desktop.

    tests/with-sim -- test_vemlo_exe.py VEMLO_EXE DRIVER_EXE PROJECT_VERSION [unittest args]

Each test copies vemlo.exe into a folder of its own with a prepared settings
file, starts it through tests/wine-run and works it from outside: real mouse
clicks and keys on the X display, screenshots of the task bar, and the
Windows-side view of the driver program (see wine_desktop.py). The router is
the simulator of tests/with-sim.

VEMLO_E2E_KEEP=1 keeps each test's folder (with a last screenshot) and names
it on stderr.
"""

import os
import re
import shutil
import socket
import subprocess
import sys
import tempfile
import time
import unittest

from wine_desktop import (WINE_RUN, Desktop, Driver, Program, Session, find_tray_icons, login_name, menu_command,
                          wait_until, windows_path)

VEMLO_EXE = FILE_VERSION = None  # from the command line
driver = None

SETTINGS_KEYS = ["SetupTop", "SetupLeft", "AtermUserName", "AtermPassword", "LOGURI", "SaveFolder",
                 "IntervalTime"]
REQUEST_FIELDS = ["request", "version", "agent", "auth", "user", "password", "tls", "status"]

# A page with LF and CR LF line ends over two days: the day files must come
# out with CR LF after every line.
TWO_DAY_PAGE = (b"2026/12/10 23:58:12 [PPP] LCP up\n"
                b"2026/12/10 23:59:40 [NTP] time adjusted\r\n"
                b"2026/12/11 00:00:05 [DHCP] lease 192.168.10.3\n"
                b"2026/12/11 00:12:47 [FW] blocked TCP 198.51.100.7:4431\n")


def expected_day_files(page):
    """{relative path: bytes} of the archive that one cycle makes from a page."""
    files = {}
    for line in re.split(rb"\r\n|\r|\n", page.rstrip(b"\r\n")):
        key = line[:10].replace(b"/", b"").decode("ascii")
        name = os.path.join(key[:4], key + ".log")
        files[name] = files.get(name, b"") + line + b"\r\n"
    return files


def read_archive(folder):
    found = {}
    for root, _, names in os.walk(folder):
        for name in names:
            path = os.path.join(root, name)
            with open(path, "rb") as f:
                found[os.path.relpath(path, folder)] = f.read()
    return found


class VemloExeTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.session = Session(driver)

    @classmethod
    def tearDownClass(cls):
        cls.session.close()

    def setUp(self):
        self.sim_port = int(os.environ["VEMLO_SIM_PORT"])
        self.sim_dir = os.environ["VEMLO_SIM_DIR"]
        self.folder = tempfile.mkdtemp(prefix="vemlo-e2e.")
        self.exe = os.path.join(self.folder, "vemlo.exe")
        shutil.copyfile(VEMLO_EXE, self.exe)
        self.ini = os.path.join(self.folder, "vemlo.ini")
        self.archive = os.path.join(self.folder, "archive")
        self.program = None
        self.desktop = None
        for name in os.listdir(os.path.join(self.sim_dir, "bodies")):
            os.remove(os.path.join(self.sim_dir, "bodies", name))
        open(os.path.join(self.sim_dir, "requests.log"), "wb").close()

    def tearDown(self):
        try:
            if self.desktop:
                self.desktop.save_screenshot(os.path.join(self.folder, "last.png"))
        except (subprocess.SubprocessError, OSError):
            pass
        self.stop()
        if os.environ.get("VEMLO_E2E_KEEP") == "1":
            print("kept " + self.folder, file=sys.stderr)
        else:
            shutil.rmtree(self.folder, ignore_errors=True)

    # -- the router ----------------------------------------------------------

    def put_page(self, body, name="system.log"):
        with open(os.path.join(self.sim_dir, "bodies", name), "wb") as f:
            f.write(body)

    def router_url(self, route="basic=admin:secret/system.log"):
        return "http://127.0.0.1:%d/%s" % (self.sim_port, route)

    def requests(self):
        with open(os.path.join(self.sim_dir, "requests.log"), encoding="latin-1") as f:
            return [dict(zip(REQUEST_FIELDS, line.rstrip("\n").split("\t"))) for line in f if line.strip()]

    # -- the program ---------------------------------------------------------

    def write_settings(self, **values):
        """The user's section; a value None leaves its key out."""
        settings = {"SetupTop": "0", "SetupLeft": "0", "AtermUserName": "admin", "AtermPassword": "secret",
                    "LOGURI": self.router_url(), "SaveFolder": windows_path(self.archive), "IntervalTime": "10"}
        settings.update(values)
        lines = ["[%s]" % login_name()] + ["%s=%s" % (k, v) for k, v in settings.items() if v is not None]
        with open(self.ini, "wb") as f:
            f.write(("\r\n".join(lines) + "\r\n").encode("cp932"))

    def settings(self):
        """The keys and values of the user's section, in file order."""
        with open(self.ini, "rb") as f:
            text = f.read().decode("cp932")
        pairs, inside = [], False
        for line in text.splitlines():
            if line.startswith("["):
                inside = line.strip() == "[%s]" % login_name()
            elif inside and "=" in line:
                pairs.append(tuple(line.split("=", 1)))
        return pairs

    def start(self):
        self.program = Program(self.exe, driver, os.path.join(self.folder, "wine-run.log"))
        rc, _ = driver("wait", "Vemlo Setup", "exists", "120", timeout=150)
        self.assertEqual(rc, 0, "the settings window was never created")
        self.created = time.monotonic()  # FormCreate, with the timer, follows within moments
        self.desktop = Desktop()
        self.taskbar, icons = find_tray_icons(self.desktop, driver)
        self.assertEqual(len(icons), 1, "tray icons after start on the task bar %s: %s" % (self.taskbar, icons))
        self.icon = icons[0]

    def exit_code(self, seconds=30):
        return self.program.exit_code(seconds)

    def stop(self):
        if self.program:
            self.program.stop()
            self.program = None

    # -- what the user does --------------------------------------------------

    def double_click_icon(self):
        self.desktop.click(self.icon, 1, times=2)

    def menu_command(self, key):
        self.assertTrue(menu_command(self.desktop, driver, self.icon, key), "the right button opened no menu")

    def show_settings(self):
        self.desktop.click(self.icon, 2)
        rc, _ = driver("wait", "Vemlo Setup", "visible", "10")
        self.assertEqual(rc, 0, "the middle button did not show the settings window")

    def message_boxes(self, caption):
        return driver.windows_of("#32770", caption)

    def wait_archive(self, expected, seconds=30):
        """The archive once it is as expected, or as it is after `seconds`."""
        wait_until(lambda: read_archive(self.archive) == expected, seconds)
        return read_archive(self.archive)

    # -- the cases -----------------------------------------------------------

    def test_double_click_runs_one_cycle(self):
        self.put_page(TWO_DAY_PAGE)
        self.write_settings()
        self.start()

        self.desktop.click(self.icon, 1)
        time.sleep(1.5)  # longer than a double click lasts: this was a single one
        self.assertEqual(self.requests(), [], "a single left click fetched the page")
        self.assertEqual(driver("menu", "0")[0], 1, "a single left click opened a menu")

        self.double_click_icon()
        expected = expected_day_files(TWO_DAY_PAGE)
        self.assertEqual(self.wait_archive(expected), expected)
        time.sleep(1.5)  # a second cycle, if one were under way, would show now
        got = [(r["request"], r["auth"], r["user"], r["password"], r["status"]) for r in self.requests()]
        want = [("GET /basic=admin:secret/system.log HTTP/1.0", "none", "", "", "401"),
                ("GET /basic=admin:secret/system.log HTTP/1.0", "Basic", "admin", "secret", "200")]
        self.assertEqual(got, want, "one cycle is one GET, sent again after the Basic challenge")
        self.assertEqual(driver("menu", "0")[0], 1, "the double click opened a menu")
        self.assertEqual(self.message_boxes("Vemlo"), [], "the cycle reported an error")

    def test_second_copy_ends_at_once(self):
        self.write_settings()
        self.start()
        elsewhere = tempfile.mkdtemp(prefix="other.", dir=self.folder)
        other = os.path.join(elsewhere, "vemlo.exe")
        shutil.copyfile(VEMLO_EXE, other)
        for name, exe in [("the same file", self.exe), ("the same name in another folder", other)]:
            began = time.monotonic()
            second = subprocess.run([WINE_RUN, exe], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                    stderr=subprocess.DEVNULL, timeout=120)
            self.assertEqual(second.returncode, 0, "[%s] exit code of the second copy" % name)
            self.assertLess(time.monotonic() - began, 30, "[%s] the second copy did not end at once" % name)
            for cls in ["VemloTrayWindow", "TSetup", "VemloApplication"]:
                self.assertEqual(len(driver.windows_of(cls)), 1, "[%s] windows of class %s" % (name, cls))
            self.desktop.move_away()
            self.assertEqual(len(self.desktop.tray_icons(self.taskbar)), 1, "[%s] icons in the tray" % name)
        self.assertFalse(os.path.exists(os.path.join(elsewhere, "vemlo.ini")), "the second copy wrote settings")
        self.assertTrue(self.program.running(), "the first copy ended")

    def test_exit_command_saves_typed_value_and_ends(self):
        self.write_settings(AtermPassword="old")
        before = dict(self.settings())
        self.start()
        self.show_settings()
        window = driver.windows_of("TSetup", "Vemlo Setup")[0]["rect"]
        # Alt+P selects the password field's text; typing replaces it.
        self.desktop.keys(window, "alt+p")
        self.desktop.type(window, "n3wpass")

        self.menu_command("x")  # while the settings window is shown
        self.assertEqual(self.exit_code(), 0, "exit code after the exit command")
        saved = self.settings()
        self.assertEqual([k for k, _ in saved], SETTINGS_KEYS, "keys of the saved settings")
        self.assertEqual(dict(saved), dict(before, AtermPassword="n3wpass"), "saved values")

    def test_log_off_query(self):
        # Without the position keys, so that a save shows in the file.
        self.write_settings(SetupTop=None, SetupLeft=None)
        with open(self.ini, "rb") as f:
            prepared = f.read()
        self.start()
        self.show_settings()

        self.assertEqual(driver("endsession", "Vemlo Setup"), (0, "no\n"), "query while the window is shown")
        self.assertEqual(driver("wait", "Vemlo Setup", "hidden", "10")[0], 0, "window after the refused query")
        with open(self.ini, "rb") as f:
            self.assertEqual(f.read(), prepared, "a refused query saved the settings")
        self.assertTrue(self.program.running(), "the program ended on a refused query")

        self.assertEqual(driver("endsession", "Vemlo Setup", "end"), (0, "yes\n"), "query while hidden")
        self.assertEqual(self.exit_code(), 0, "exit code after the end of the session")
        saved = self.settings()
        # New keys go to the end of the section.
        self.assertEqual([k for k, _ in saved], SETTINGS_KEYS[2:] + SETTINGS_KEYS[:2], "keys after the save")
        self.assertEqual(dict(saved)["SetupTop"], "0")

    def test_failing_cycle_report_and_cycles_meanwhile(self):
        self.write_settings()  # the page is missing: the router answers 404
        self.start()
        self.double_click_icon()
        rc, text = driver("msgbox", "Vemlo", "30")
        self.assertEqual((rc, text), (0, "HTTP 404 Not Found.\n"), "the error report")

        self.double_click_icon()  # fails again while the report is open
        self.assertEqual(len(wait_until(lambda: self.requests()[3:], 30)), 1, "no second cycle ran")
        time.sleep(1)  # a second report, if one came, would be open now
        self.assertEqual(len(self.message_boxes("Vemlo")), 1, "reports open after two failing cycles")

        self.put_page(TWO_DAY_PAGE)
        self.double_click_icon()  # the router is good again; the report is still open
        expected = expected_day_files(TWO_DAY_PAGE)
        self.assertEqual(self.wait_archive(expected), expected, "archive of the cycle under the open report")
        boxes = self.message_boxes("Vemlo")
        self.assertEqual(len(boxes), 1, "the report went away by itself")

        self.desktop.keys(boxes[0]["rect"], "Return")
        self.assertEqual(wait_until(lambda: self.message_boxes("Vemlo") == [], 10), True, "Enter left the box open")
        self.assertTrue(self.program.running(), "the program ended with the report")

    def test_failing_cycle_messages(self):
        with socket.socket() as s:
            s.bind(("127.0.0.1", 0))
            closed_port = s.getsockname()[1]  # nothing listens here once closed
        cases = [
            ("server error", self.router_url("status=500/system.log"), "HTTP 500 Internal Server Error."),
            # The system's text ends in a double-byte full stop, which sorts after ".".
            ("nothing listens", "http://127.0.0.1:%d/system.log" % closed_port, None),
        ]
        for name, url, message in cases:
            self.put_page(TWO_DAY_PAGE)
            self.write_settings(LOGURI=url)
            self.start()
            self.double_click_icon()
            rc, text = driver("msgbox", "Vemlo", "30", "press")
            self.assertEqual(rc, 0, "[%s] no error report" % name)
            if message:
                self.assertEqual(text, message + "\n", "[%s] message" % name)
            else:
                self.assertTrue(text.startswith("Could not send HTTP request: "), "[%s] message %r" % (name, text))
                self.assertTrue(text.endswith(".\n"), "[%s] message %r" % (name, text))
            self.assertEqual(wait_until(lambda: self.message_boxes("Vemlo") == [], 10), True, "[%s] box" % name)
            self.assertEqual(read_archive(self.archive), {}, "[%s] a failed cycle wrote" % name)
            self.stop()

    def test_about_box(self):
        self.write_settings()
        self.start()
        self.menu_command("a")
        rc, text = driver("msgbox", "情報", "20")
        self.assertEqual(rc, 0, "no About box")
        lines = text[:-1].split("\r\n")
        self.assertEqual(len(lines), 3, "About text %r" % text)
        self.assertIn("Copyright", lines[0], "authorship notice")
        self.assertEqual(lines[1:], ["", "FileVersion : " + FILE_VERSION], "About text %r" % text)

        box = self.message_boxes("情報")[0]["rect"]
        self.desktop.keys(box, "Return")
        self.assertEqual(wait_until(lambda: self.message_boxes("情報") == [], 10), True, "Enter left the box open")
        self.assertTrue(self.program.running(), "the program ended with the About box")

    def test_first_cycle_one_interval_after_start(self):
        self.put_page(TWO_DAY_PAGE)
        self.write_settings(IntervalTime="1")
        self.start()
        first = wait_until(lambda: self.requests() and time.monotonic(), 100, step=0.5)
        self.assertTrue(first, "no cycle within 100 s with an interval of one minute")
        after = first - self.created
        self.assertGreater(after, 57, "the first cycle came %.1f s after start, not one interval" % after)
        self.assertLess(after, 70, "the first cycle came %.1f s after start, not one interval" % after)
        expected = expected_day_files(TWO_DAY_PAGE)
        self.assertEqual(self.wait_archive(expected), expected, "archive of the timer's cycle")
        self.assertEqual(len(self.requests()), 2, "one tick, one cycle")


def four_part_version(version):
    """The file version as Windows shows it: four parts, missing ones 0."""
    parts = (version.split(".") + ["0"] * 4)[:4]
    return ".".join(p or "0" for p in parts)


if __name__ == "__main__":
    if len(sys.argv) < 4:
        sys.exit("usage: test_vemlo_exe.py VEMLO_EXE DRIVER_EXE PROJECT_VERSION [unittest args]")
    VEMLO_EXE, FILE_VERSION = sys.argv[1], four_part_version(sys.argv[3])
    driver = Driver(sys.argv[2])
    unittest.main(argv=[sys.argv[0]] + sys.argv[4:], verbosity=2)
