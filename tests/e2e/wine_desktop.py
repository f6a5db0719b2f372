"""Working a Windows tray program under Wine from outside, as its user does.

The pieces that tests/e2e/test_vemlo_exe.py and scripts/demo share:

- Driver: tests/driver's vemlo_driver.exe, the Windows-side view (windows,
  message boxes, log-off queries), run through tests/wine-run.
- Desktop: the X side of Wine's virtual desktop: screenshots (ImageMagick's
  import), the mouse and the keyboard (xdotool).
- Program: a Windows program started through tests/wine-run (or wine itself),
  and ended for sure.
- Session: an idle Wine program that keeps the Wine session (and the X
  server of tests/wine-run) alive from one program to the next.

The tray icon is found without knowing Wine's task-bar layout: the driver
gives the task bar's rectangle (window class Shell_TrayWnd), and a screenshot
of that strip is searched for the icon's picture, a 16 x 16 square with a
black frame and red letters; its centre is where the mouse goes.

Keys reach a Wine program only while the X keyboard focus is on an X window
of that very program (each Wine process has its own X connection; focusing
Wine's desktop window is not enough), so before typing, the X window that has
the Windows window's rectangle gets the focus.
"""

import os
import pwd
import re
import signal
import subprocess
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
WINE_RUN = os.path.normpath(os.path.join(HERE, "..", "wine-run"))
ICON_SIZE = 16


def wine_prefix():
    """The prefix tests/wine-run uses."""
    return os.environ.get("VEMLO_WINEPREFIX") or os.path.join(
        os.environ.get("HOME") or "/root", ".cache", "vemlo", "wine-prefix")


def login_name():
    """The Windows user name of a program under Wine: GetUserNameA gives
    $USER, else the account's name."""
    return os.environ.get("USER") or pwd.getpwuid(os.getuid()).pw_name


def windows_path(path):
    """A Linux path as Wine's drive Z: shows it."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def wait_until(condition, seconds, step=0.2):
    """condition()'s first true value, or its last value after `seconds`."""
    end = time.monotonic() + seconds
    while True:
        value = condition()
        if value or time.monotonic() >= end:
            return value
        time.sleep(step)


class Driver:
    def __init__(self, exe):
        self.exe = exe

    @staticmethod
    def arg(text):
        # Wine passes only ASCII arguments intact where the C library lacks
        # the Japanese locale; the driver reads "hex:" titles as bytes.
        return text if text.isascii() else "hex:" + text.encode("cp932").hex()

    def __call__(self, *args, timeout=90):
        """(exit code, output as text) of one driver command."""
        # A file, not a pipe: a Wine process that this call happens to start
        # (the desktop) keeps the call's standard handles open long after it.
        with tempfile.TemporaryFile() as out:
            done = subprocess.run([WINE_RUN, self.exe] + [self.arg(a) for a in args], stdin=subprocess.DEVNULL,
                                  stdout=out, stderr=subprocess.DEVNULL, timeout=timeout)
            out.seek(0)
            return done.returncode, out.read().decode("cp932", "replace")

    def windows(self):
        """The top-level windows: dicts with class, visible, rect (x, y, w, h), title."""
        rc, out = self("list")
        found = []
        for line in out.splitlines():
            fields = line.split("\t")
            if rc == 0 and len(fields) >= 8:
                found.append({"class": fields[1], "visible": fields[3] == "visible",
                              "rect": tuple(int(n) for n in fields[4].split(",")), "title": fields[7]})
        return found

    def windows_of(self, class_name, title=None):
        return [w for w in self.windows() if w["class"] == class_name and (title is None or w["title"] == title)]

    def taskbar(self):
        """The task bar's rectangle once it has one (a starting desktop shows it empty first)."""
        bars = [w["rect"] for w in self.windows_of("Shell_TrayWnd") if w["rect"][2] > 0 and w["rect"][3] > 0]
        return bars[0] if bars else None


class Session:
    """One idle Wine program for as long as it is open: the first Wine client
    of a fresh session can hang, and without a client the session and its
    X server go away between two programs."""

    def __init__(self, driver, seconds=3600):
        self.exe = driver.exe
        self.out = tempfile.TemporaryFile()  # see Driver: no pipe
        self.process = subprocess.Popen([WINE_RUN, driver.exe, "idle", str(seconds)], stdin=subprocess.DEVNULL,
                                        stdout=self.out, stderr=subprocess.DEVNULL, start_new_session=True)
        if not wait_until(lambda: os.pread(self.out.fileno(), 5, 0) == b"idle\n" or self.process.poll() is not None,
                          300) or self.process.poll() is not None:
            self.close()
            raise RuntimeError("Wine did not start the idle program")

    def close(self):
        kill_wine_program(self.exe, self.process)
        self.out.close()


class Desktop:
    """The X side of Wine's virtual desktop."""

    def __init__(self):
        display = os.environ.get("DISPLAY")
        if not display:
            # tests/wine-run's shared X server, running since the program started.
            with open(wine_prefix() + ".display") as f:
                display = ":" + f.read().split()[0]
        self.env = dict(os.environ, DISPLAY=display)
        self.window = wait_until(self._find_desktop, 30)
        if not self.window:
            raise RuntimeError("no Wine desktop window on display " + display)

    def x(self, *args, timeout=30):
        return subprocess.run(list(args), env=self.env, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                              stderr=subprocess.PIPE, timeout=timeout, check=True).stdout

    def _find_desktop(self):
        # Any depth: on a user's display a window manager puts it into a frame.
        tree = self.x("xwininfo", "-root", "-tree").decode("utf-8", "replace")
        found = re.search(r'^\s+(0x[0-9a-f]+) ".* - Wine desktop"', tree, re.M)
        return found and found.group(1)

    def screenshot(self):
        """(width, height, RGB bytes) of the desktop."""
        data = self.x("import", "-window", self.window, "-depth", "8", "ppm:-")
        header = re.match(rb"P6\s+(?:#[^\n]*\n\s*)*(\d+)\s+(\d+)\s+255\s", data)
        if not header:
            raise RuntimeError("screenshot is no 8-bit PPM: %r" % data[:40])
        width, height = int(header.group(1)), int(header.group(2))
        return width, height, data[header.end():header.end() + width * height * 3]

    def save_screenshot(self, path, crop=None):
        """A PNG of the desktop, or of the rectangle crop (x, y, w, h)."""
        args = ["import", "-window", self.window]
        if crop:
            args += ["-crop", "%dx%d+%d+%d" % (crop[2], crop[3], crop[0], crop[1]), "+repage"]
        self.x(*args, path)

    def tray_icons(self, taskbar):
        """Centres of the icons with Vemlo's picture in the task bar, left to right."""
        width, _, pixels = self.screenshot()

        def rgb(x, y):
            i = (y * width + x) * 3
            return pixels[i], pixels[i + 1], pixels[i + 2]

        def black(x, y):
            return max(rgb(x, y)) < 64

        def red(x, y):
            r, g, b = rgb(x, y)
            return r >= 192 and g < 96 and b < 96

        left, top, w, h = taskbar
        last = ICON_SIZE - 1
        centres = []
        for y in range(top, top + h - last):
            x = left
            while x < left + w - last:
                frame = (all(black(x + i, y) and black(x + i, y + last) for i in range(ICON_SIZE)) and
                         all(black(x, y + i) and black(x + last, y + i) for i in range(ICON_SIZE)))
                if frame and sum(red(x + i, y + j) for i in range(1, last) for j in range(1, last)) >= 8:
                    centres.append((x + ICON_SIZE // 2, y + ICON_SIZE // 2))
                    x += ICON_SIZE
                else:
                    x += 1
        return sorted(centres)

    def click(self, at, button=1, times=1):
        args = ["xdotool", "mousemove", "--window", self.window, str(at[0]), str(at[1]), "click"]
        if times > 1:
            args += ["--repeat", str(times), "--delay", "120"]  # well inside the double-click time
        self.x(*args, str(button))

    def move_away(self):
        self.x("xdotool", "mousemove", "--window", self.window, "500", "300")

    def x_window_at(self, rect):
        """The X window that shows a Windows window of this rectangle."""
        listing = self.x("xwininfo", "-id", self.window, "-children").decode("utf-8", "replace")
        geometry = "%dx%d+%d+%d" % (rect[2], rect[3], rect[0], rect[1])
        for line in listing.splitlines():
            found = re.match(r"\s+(0x[0-9a-f]+) .*\s(\S+)\s+\S+\s*$", line)
            if found and found.group(2) == geometry:
                return found.group(1)
        return None

    def focus(self, rect):
        window = wait_until(lambda: self.x_window_at(rect), 10)
        if not window:
            raise RuntimeError("no X window at %s" % (rect,))
        self.x("xdotool", "windowfocus", "--sync", window, timeout=10)

    def keys(self, rect, *keys):
        """Presses keys (xdotool names) in the window of that rectangle."""
        self.focus(rect)
        self.x("xdotool", "key", "--delay", "60", *keys)

    def type(self, rect, text):
        self.focus(rect)
        self.x("xdotool", "type", "--delay", "60", text)


def find_tray_icons(desktop, driver, seconds=30):
    """(task bar rectangle, icon centres) once an icon shows, else with no icons."""
    found = []

    def look():
        taskbar = driver.taskbar()
        found[:] = [taskbar, desktop.tray_icons(taskbar) if taskbar else []]
        return found[1]

    wait_until(look, seconds, step=0.5)
    return found[0], found[1]


def menu_command(desktop, driver, icon, key):
    """The right button on the tray icon, then a menu item's accelerator key.
    False when no menu opened."""
    desktop.click(icon, 3)
    rc, out = driver("menu", "10")
    if rc != 0:
        return False
    desktop.keys(tuple(int(n) for n in out.split()), key)
    return True


class Program:
    """A Windows program under Wine, started through tests/wine-run unless a
    command is given, and always ended by stop()."""

    def __init__(self, exe, driver, log_path, command=None, env=None):
        self.exe = exe
        self.driver = driver
        self.log = open(log_path, "wb")
        self.direct = command is not None  # wine itself: the process is the program
        self.process = subprocess.Popen(command or [WINE_RUN, exe], cwd=os.path.dirname(exe),
                                        stdin=subprocess.DEVNULL, stdout=self.log, stderr=self.log,
                                        start_new_session=True, env=env)

    def running(self):
        return self.process is not None and self.process.poll() is None

    def exit_code(self, seconds=30):
        """The exit code once it has ended, or None after `seconds`."""
        try:
            return self.process.wait(seconds)
        except subprocess.TimeoutExpired:
            return None

    def stop(self, main_window="Vemlo Setup", other_window="Vemlo"):
        """Log-off queries (the first may only hide a shown settings window),
        then TerminateProcess, then SIGKILL."""
        for _ in range(2):
            if not self.running():
                break
            self.driver("endsession", main_window, "end")
            self.exit_code(10)
        for title in [main_window, other_window]:
            if self.running():
                self.driver("kill", title)
                self.exit_code(10)
        if self.running() and self.direct:
            self.process.kill()
            self.process.wait(30)
        elif self.running():
            kill_wine_program(self.exe, self.process)
        self.log.close()


def kill_wine_program(path, wine_run):
    """Ends, with SIGKILL, the Wine program that the tests/wine-run process
    wine_run runs; wine-run's timeout then ends by itself. Never a signal to
    timeout first: it passes signals on to its whole process group, where
    Wine's desktop process may live; and the shared X server is a child of
    some wine-run too, so nothing else of its descendants is touched."""
    for pid in processes_naming(path, wine_run.pid):
        try:
            os.kill(pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
    try:
        wine_run.wait(15)
    except subprocess.TimeoutExpired:
        for pid in processes_naming(path, wine_run.pid, programs_only=False):
            try:
                os.kill(pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
        wine_run.kill()
        wine_run.wait(30)


def processes_naming(path, ancestor, programs_only=True):
    """The descendants of process `ancestor` whose command line holds path
    as one word; with programs_only, not the `timeout` that runs them."""
    parents, words = {}, {}
    for entry in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open("/proc/%s/stat" % entry) as f:
                parents[int(entry)] = int(f.read().rsplit(")", 1)[1].split()[1])
            with open("/proc/%s/cmdline" % entry, "rb") as f:
                words[int(entry)] = f.read().split(b"\0")
        except (OSError, ValueError, IndexError):
            pass
    found, todo = [], [ancestor]
    while todo:
        parent = todo.pop()
        for pid in [p for p, q in parents.items() if q == parent]:
            todo.append(pid)
            if path.encode() in words.get(pid, []) and not (programs_only and words[pid][0].endswith(b"timeout")):
                found.append(pid)
    return found
