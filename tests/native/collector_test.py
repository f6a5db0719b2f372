"""The Linux collector `vemlo`, run as its user runs it, against router
simulators of each test's own (so that a router can go away and come back).

    collector_test.py VEMLO SCENARIO

SCENARIO is one of the TestCase classes below; ctest runs each as a test of
its own. The minutes of IntervalTime are shortened with the test-only
VEMLO_TEST_MINUTE_MS. Exit code 77 (ctest: skipped) when every test of the
scenario was skipped. Environment from ctest: VEMLO_PROJECT_VERSION,
VEMLO_CMAKE and VEMLO_BUILD_DIR.
"""

import os
import pwd
import re
import shutil
import signal
import stat
import subprocess
import sys
import tempfile
import threading
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.dirname(os.path.dirname(HERE))
SIM = os.path.join(SOURCE, "tests", "sim", "router_sim.py")
sys.path.insert(0, os.path.dirname(SIM))
import router_sim  # noqa: E402  (its huge page, byte for byte)

VEMLO = None  # set from the command line
USER = pwd.getpwuid(os.geteuid()).pw_name
STAMP = re.compile(r"^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d (.*)$")

# Two days of a router's page, as the router sends it (LF), and the next page.
PAGE_1 = b"2024/01/30 23:59:58 PPP up\n2024/01/30 23:59:59 NTP sync\n2024/01/31 00:00:01 DHCP lease\n"
DAY_30 = b"2024/01/30 23:59:58 PPP up\r\n2024/01/30 23:59:59 NTP sync\r\n"
DAY_31 = b"2024/01/31 00:00:01 DHCP lease\r\n"
PAGE_2 = (b"2024/01/30 23:59:59 ntp SYNC\n2024/01/31 00:00:01 DHCP lease\n2024/01/31 08:15:00 WAN down\n"
          b"2024/02/01 00:00:00 reboot\n")
DAY_31_AFTER = DAY_31 + b"2024/01/31 08:15:00 WAN down\r\n"
DAY_FEB_1 = b"2024/02/01 00:00:00 reboot\r\n"


def wait_until(predicate, timeout, what):
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() > deadline:
            raise AssertionError("timed out after %g s waiting for %s" % (timeout, what))
        time.sleep(0.01)


def read(path):
    try:
        with open(path, "rb") as f:
            return f.read()
    except FileNotFoundError:
        return None


def files_below(folder):
    found = []
    for root, _, names in os.walk(folder):
        found += [os.path.relpath(os.path.join(root, n), folder) for n in names]
    return sorted(found)


def write_settings(path, sections, mode=0o600):
    """An INI file as the Windows program writes it: CR LF, one section a user."""
    text = "".join("[%s]\r\n" % name + "".join("%s=%s\r\n" % kv for kv in keys)
                   for name, keys in sections)
    fd = os.open(path + ".new", os.O_WRONLY | os.O_CREAT | os.O_TRUNC, mode)
    with os.fdopen(fd, "wb") as f:
        f.write(text.encode("latin-1"))
    os.chmod(path + ".new", mode)
    os.replace(path + ".new", path)


class Router:
    """One router simulator, which can be stopped and started on its port."""

    def __init__(self, workdir):
        self.dir = os.path.join(workdir, "router")
        os.makedirs(os.path.join(self.dir, "bodies"))
        self.port = 0
        self.proc = None

    def start(self):
        ready = os.path.join(self.dir, "ready")
        if os.path.exists(ready):
            os.unlink(ready)
        with open(os.path.join(self.dir, "sim.stderr"), "ab") as err:
            self.proc = subprocess.Popen(
                [sys.executable, SIM, "--dir", self.dir, "--port", str(self.port),
                 "--ready-file", ready, "--exit-with-parent"], stderr=err)
        wait_until(lambda: os.path.exists(ready) or self.proc.poll() is not None, 20, "the router")
        if not os.path.exists(ready):
            raise AssertionError("the router did not start: %r" % read(os.path.join(self.dir, "sim.stderr")))
        with open(ready) as f:
            self.port = int(re.search(r"http=(\d+)", f.read()).group(1))

    def stop(self):
        if self.proc:
            self.proc.terminate()
            self.proc.wait(20)
            self.proc = None

    def set_page(self, data):
        path = os.path.join(self.dir, "bodies", "system.log")
        with open(path + ".new", "wb") as f:
            f.write(data)
        os.replace(path + ".new", path)

    def url(self, options="basic=admin:pw"):
        return "http://127.0.0.1:%d/%s/system.log" % (self.port, options)

    def requests(self):
        """(request line, user, password, status) of every request so far."""
        text = (read(os.path.join(self.dir, "requests.log")) or b"").decode("latin-1")
        rows = [line.split("\t") for line in text.split("\n") if line]
        return [(r[0], r[4], r[5], r[7]) for r in rows]

    def cycles(self):
        """The requests with credentials: one a cycle (the first one of each,
        without them, only learns that the router wants Basic)."""
        return [r for r in self.requests() if r[1]]


class Collector:
    """One running vemlo; its standard error is read as it comes."""

    def __init__(self, args, minute_ms, cwd, env=None):
        environment = dict(os.environ if env is None else env)
        if minute_ms is not None:
            environment["VEMLO_TEST_MINUTE_MS"] = str(minute_ms)
        self.started = time.monotonic()
        self.proc = subprocess.Popen([VEMLO] + list(args), stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                     stderr=subprocess.PIPE, cwd=cwd, env=environment)
        self._lines = []
        self._lock = threading.Lock()
        self._reader = threading.Thread(target=self._read, daemon=True)
        self._reader.start()

    def _read(self):
        for raw in self.proc.stderr:
            with self._lock:
                self._lines.append(raw.decode("utf-8", "replace").rstrip("\n"))

    def lines(self):
        with self._lock:
            return list(self._lines)

    def messages(self):
        """The lines without their time stamps; every line must have one."""
        out = []
        for line in self.lines():
            m = STAMP.match(line)
            if not m:
                raise AssertionError("line without a time stamp: %r" % line)
            out.append(m.group(1))
        return out

    def wait_for(self, pattern, timeout=15, count=1):
        regex = re.compile(pattern)
        return wait_until(lambda: len([l for l in self.lines() if regex.search(l)]) >= count, timeout,
                          "%d line(s) matching %r; got %r" % (count, pattern, self.lines()))

    def running(self):
        return self.proc.poll() is None

    def send(self, signum):
        self.proc.send_signal(signum)

    def wait(self, timeout=15):
        try:
            rc = self.proc.wait(timeout)
        except subprocess.TimeoutExpired:
            raise AssertionError("vemlo still running after %g s; stderr %r" % (timeout, self.lines()))
        self._reader.join(5)
        return rc

    def kill(self):
        if self.running():
            self.proc.kill()
            self.proc.wait()


class CollectorTest(unittest.TestCase):
    MINUTE_MS = 200

    def setUp(self):
        self.work = tempfile.mkdtemp(prefix="vemlo-collector.")
        self.addCleanup(shutil.rmtree, self.work, True)
        self.router = Router(self.work)
        self.router.start()
        self.addCleanup(self.router.stop)
        self.router.set_page(PAGE_1)
        self.archive = os.path.join(self.work, "archive")
        self.config = os.path.join(self.work, "vemlo.ini")

    def settings(self, **keys):
        values = {"AtermUserName": "admin", "AtermPassword": "pw", "LOGURI": self.router.url(),
                  "SaveFolder": self.archive + "/", "IntervalTime": "1"}
        values.update(keys)
        write_settings(self.config, [(USER, list(values.items()))])

    def start(self, *args, minute_ms=None, env=None, config=None):
        c = Collector(["--config", config or self.config] + list(args),
                      self.MINUTE_MS if minute_ms is None else minute_ms, self.work, env)
        self.addCleanup(c.kill)
        return c

    def day(self, name):
        return read(os.path.join(self.archive, name[:4], name + ".log"))

    def wait_for_day(self, name, content, timeout=15):
        wait_until(lambda: self.day(name) == content, timeout,
                   "day file %s to hold %r; it holds %r" % (name, content, self.day(name)))

    def stop(self, collector, signum=signal.SIGTERM):
        collector.send(signum)
        self.assertEqual(collector.wait(), 0, collector.lines())
        self.assertEqual(collector.messages()[-1], "stopping on " + signal.Signals(signum).name)


class Cycles(CollectorTest):
    def test_a_cycle_every_interval_the_first_one_interval_after_start(self):
        self.settings(IntervalTime="2")  # 400 ms
        c = self.start()
        wait_until(lambda: self.router.cycles(), 15, "the first cycle")
        first = time.monotonic() - c.started
        self.assertGreaterEqual(first, 0.4, "the first cycle came before one interval")
        self.wait_for_day("20240130", DAY_30)
        self.wait_for_day("20240131", DAY_31)

        # The next page: a case variant of an archived line, a line archived
        # already, a new line and a new day.
        self.router.set_page(PAGE_2)
        self.wait_for_day("20240131", DAY_31_AFTER)
        self.wait_for_day("20240201", DAY_FEB_1)
        self.assertEqual(self.day("20240130"), DAY_30)
        wait_until(lambda: len(self.router.cycles()) >= 4, 15, "four cycles")
        self.assertGreaterEqual(time.monotonic() - c.started, 1.6, "four cycles in less than four intervals")
        self.stop(c)
        # No more cycles than intervals in the whole run: a loop that does
        # not wait would make many more.
        lasted = time.monotonic() - c.started
        self.assertLessEqual(len(self.router.cycles()), int(lasted / 0.4), "more cycles than intervals")
        self.assertEqual(files_below(self.archive), ["2024/20240130.log", "2024/20240131.log", "2024/20240201.log"])
        self.assertTrue(all(r[1:] == ("admin", "pw", "200") for r in self.router.cycles()), self.router.requests())
        messages = c.messages()
        self.assertEqual(len(messages), 2, messages)
        self.assertEqual(messages[0], "vemlo %s started: settings %s [%s], interval 2 min"
                         " (VEMLO_TEST_MINUTE_MS: a minute is 200 ms)" % (version_text(), self.config, USER))

    def test_now_runs_a_cycle_at_start_as_well(self):
        self.settings(IntervalTime="99")  # about 20 s
        c = self.start("--now")
        self.wait_for_day("20240130", DAY_30, timeout=5)
        time.sleep(0.6)
        self.assertEqual(len(self.router.cycles()), 1)
        self.stop(c)

    def test_interval_rules_of_windows(self):
        # (IntervalTime, minutes): within 1..99, a text that is no number is 1.
        for text, minutes in (("0", 1), ("abc", 1), ("250", 99), ("-3", 1), ("7", 7)):
            with self.subTest(interval=text):
                self.settings(IntervalTime=text)
                c = self.start()
                c.wait_for(r"interval %d min \(" % minutes)
                self.stop(c)


class RouterAway(CollectorTest):
    MINUTE_MS = 50  # an "hour" of the throttle is 3 s

    def test_router_goes_away_and_comes_back(self):
        self.settings()
        c = self.start("--now")
        self.wait_for_day("20240131", DAY_31)
        self.router.stop()
        down = time.monotonic()
        # (A cycle under way as the router went down may end otherwise.)
        refused = "Could not send HTTP request: Failed to connect to 127.0.0.1 port %d " % self.router.port
        c.wait_for(re.escape(refused))
        # Down over an "hour": one line at first, one more an hour later
        # that counts the cycles held back, none in between.
        c.wait_for(re.escape(refused) + r".* \(\d+ more since the last report\)$", timeout=15)
        elapsed = time.monotonic() - down
        self.assertGreaterEqual(elapsed, 3.0)
        time.sleep(0.5)
        failures = [m for m in c.messages() if m.startswith(refused)]
        self.assertEqual(len(failures), 2, c.messages())
        held = int(re.search(r"\((\d+) more since", failures[1]).group(1))
        self.assertGreaterEqual(held, 10, "the cycles went on trying while the router was down")

        self.router.set_page(PAGE_2)
        self.router.start()
        self.wait_for_day("20240131", DAY_31_AFTER)
        self.wait_for_day("20240201", DAY_FEB_1)
        c.wait_for(r" the cycle succeeded again$")
        time.sleep(0.3)
        self.assertEqual(c.messages().count("the cycle succeeded again"), 1, c.messages())
        self.stop(c)
        self.assertEqual(self.day("20240130"), DAY_30)


class Reload(CollectorTest):
    def test_sighup_rereads_a_changed_password_and_interval(self):
        self.settings(AtermPassword="old", IntervalTime="99")
        c = self.start("--now")
        c.wait_for(r" HTTP 401 Unauthorized$")
        self.assertEqual([r[2] for r in self.router.cycles()], ["old"])
        self.assertIsNone(self.day("20240130"))

        self.settings(AtermPassword="pw", IntervalTime="1")
        c.send(signal.SIGHUP)
        c.wait_for(r" settings re-read from %s: interval 1 min$" % re.escape(self.config))
        reread = time.monotonic()
        # The new interval counts from the re-read, not 99 minutes on.
        self.wait_for_day("20240131", DAY_31, timeout=10)
        self.assertLess(time.monotonic() - reread, 5)
        cycles = self.router.cycles()
        self.assertEqual(cycles[1][1:], ("admin", "pw", "200"), cycles)
        c.wait_for(r" the cycle succeeded again$")
        self.assertTrue(c.running())
        self.stop(c)


class Stop(CollectorTest):
    def test_sigterm_and_sigint_while_waiting(self):
        for signum in (signal.SIGTERM, signal.SIGINT):
            with self.subTest(signal=signum.name):
                self.settings(IntervalTime="99")
                c = self.start()
                c.wait_for(r" started: ")
                sent = time.monotonic()
                self.stop(c, signum)
                self.assertLess(time.monotonic() - sent, 3)

    def test_sigterm_during_a_stalled_fetch_waits_for_the_cycle(self):
        self.settings()
        first = self.start("--now")
        self.wait_for_day("20240131", DAY_31)
        self.stop(first)
        before = {name: self.day(name) for name in ("20240130", "20240131")}

        # The router answers with a few bytes, then stays silent for 30 s.
        self.settings(LOGURI=self.router.url("basic=admin:pw/stall"))
        c = self.start("--now")
        wait_until(lambda: any("/stall/" in r[0] for r in self.router.cycles()), 10, "the stalled request")
        c.send(signal.SIGTERM)
        time.sleep(1.0)
        self.assertTrue(c.running(), "the signal cut the cycle short")
        # The router going away ends the fetch: the cycle fails, then vemlo ends.
        self.router.stop()
        self.assertEqual(c.wait(), 0)
        messages = c.messages()
        self.assertRegex(messages[-2], r"^Could not read HTTP response: ")
        self.assertEqual(messages[-1], "stopping on SIGTERM")
        self.assertEqual({name: self.day(name) for name in before}, before)
        self.assertEqual(files_below(self.archive), ["2024/20240130.log", "2024/20240131.log"])

    def test_sigterm_during_a_big_merge_leaves_the_day_file_whole(self):
        mebibytes = 24
        page = b"".join(router_sim.huge_chunks(mebibytes))
        expected = page if page.endswith(b"\r\n") else page + b"\r\n"
        self.settings(LOGURI=self.router.url("basic=admin:pw/huge=%d" % mebibytes))
        c = self.start("--now")
        wait_until(lambda: self.router.cycles(), 10, "the request")
        sent = time.time_ns()
        c.send(signal.SIGTERM)
        self.assertEqual(c.wait(30), 0)
        path = os.path.join(self.archive, "2024", "20240101.log")
        # Written after the signal came: the signal arrived during the cycle.
        self.assertGreater(os.stat(path).st_mtime_ns, sent)
        self.assertTrue(read(path) == expected, "the day file is not whole: %d bytes of %d"
                        % (len(read(path)), len(expected)))
        self.assertEqual(files_below(self.archive), ["2024/20240101.log"])
        self.assertEqual(c.messages()[1:], ["stopping on SIGTERM"])


class SecondCopy(CollectorTest):
    def test_one_copy_per_settings_file(self):
        self.settings(IntervalTime="99")
        first = self.start()
        first.wait_for(r" started: ")
        os.symlink(self.work, os.path.join(self.work, "link"))
        spellings = [self.config, os.path.join(self.work, "link", "vemlo.ini"),
                     os.path.join(self.work, "archive", "..", "vemlo.ini")]
        os.makedirs(self.archive)
        for spelling in spellings:
            with self.subTest(config=spelling):
                second = self.start(config=spelling)
                self.assertEqual(second.wait(5), 0)
                self.assertEqual(second.lines(), ["vemlo: already running with the settings file " + spelling])
                self.assertEqual(second.proc.stdout.read(), b"")
        self.assertTrue(first.running())

        other = os.path.join(self.work, "other.ini")
        shutil.copy(self.config, other)
        another = self.start(config=other)
        another.wait_for(r" started: settings %s " % re.escape(other))
        self.stop(another)

        self.stop(first)
        again = self.start()
        again.wait_for(r" started: ")
        self.stop(again)


class StartUp(CollectorTest):
    def home_env(self, **xdg):
        env = {k: v for k, v in os.environ.items() if not k.startswith("XDG_")}
        env["HOME"] = os.path.join(self.work, "home")
        env.update(xdg)
        return env

    def test_missing_settings_file_is_made_in_the_user_folders(self):
        data = os.path.join(self.work, "data")
        cases = [
            ("HOME only", {}, "home/.config/vemlo", "home/.local/share/vemlo/"),
            ("XDG folders", {"XDG_CONFIG_HOME": os.path.join(self.work, "cfg"), "XDG_DATA_HOME": data},
             "cfg/vemlo", "data/vemlo/"),
        ]
        for name, xdg, folder, archive in cases:
            with self.subTest(name):
                # Real minutes: the default address must not be asked for.
                c = Collector([], None, self.work, self.home_env(**xdg))
                self.addCleanup(c.kill)
                path = os.path.join(self.work, folder, "vemlo.ini")
                c.wait_for(r" created %s with the default settings" % re.escape(path))
                self.assertEqual(stat.S_IMODE(os.stat(path).st_mode), 0o600)
                self.assertEqual(stat.S_IMODE(os.stat(os.path.dirname(path)).st_mode), 0o700)
                self.assertEqual(read(path).decode(), (
                    "[%s]\r\nSetupTop=0\r\nSetupLeft=0\r\nAtermUserName=admin\r\nAtermPassword=\r\n"
                    "LOGURI=http://aterm.me/system.log\r\nSaveFolder=%s\r\nIntervalTime=10\r\n")
                    % (USER, os.path.join(self.work, archive)))
                self.assertFalse([m for m in c.messages() if "warning" in m], c.messages())
                self.stop(c)

    def test_readable_settings_file_warns_once(self):
        self.settings(IntervalTime="99")
        os.chmod(self.config, 0o644)
        c = self.start()
        c.wait_for(r" started: ")
        c.send(signal.SIGHUP)
        c.wait_for(r" settings re-read from ")
        self.stop(c)
        warnings = [m for m in c.messages() if m.startswith("warning: ")]
        self.assertEqual(warnings, ["warning: %s holds the router password but other users may read it "
                                    "(chmod 600 it)" % self.config])

    def test_windows_settings_file_works_as_it_stands(self):
        # Another user's section first, the window position, Shift-JIS bytes.
        os.makedirs(self.archive)
        sections = [("hanako", [("SetupTop", "5"), ("SaveFolder", "D:\\\x83\x5c\x83\x74\\")]),
                    (USER, [("SetupTop", "240"), ("SetupLeft", "-12"), ("AtermUserName", "admin"),
                            ("AtermPassword", "pw"), ("LOGURI", self.router.url()),
                            ("SaveFolder", self.archive), ("IntervalTime", "10")])]
        write_settings(self.config, sections)
        before = read(self.config)
        c = self.start("--now")
        self.wait_for_day("20240131", DAY_31)
        self.stop(c)
        self.assertEqual(len(c.messages()), 2, c.messages())
        self.assertEqual(read(self.config), before)

    def test_windows_save_folder_is_named(self):
        folder = "C:\\Vemlo\\"
        self.settings(SaveFolder=folder)
        c = self.start("--now")
        c.wait_for(r" is a Windows path\)$")
        self.stop(c)
        messages = c.messages()
        self.assertIn('warning: SaveFolder "%s" is a Windows path; set a Linux folder in %s'
                      % (folder, self.config), messages)
        failure = [m for m in messages if m.endswith('(SaveFolder "%s" is a Windows path)' % folder)]
        self.assertEqual(len(failure), 1, messages)
        self.assertFalse(os.path.exists(os.path.join(self.work, folder)))

    def test_settings_folder_given_must_exist(self):
        config = os.path.join(self.work, "missing", "vemlo.ini")
        c = self.start(config=config)
        self.assertEqual(c.wait(), 1)
        self.assertEqual(c.lines(), ["vemlo: cannot lock %s.lock: No such file or directory" % config])


def version_text():
    parts = os.environ["VEMLO_PROJECT_VERSION"].split(".")
    return ".".join((parts + ["0"] * 4)[:4])


class CommandLine(unittest.TestCase):
    def run_vemlo(self, *args):
        p = subprocess.run([VEMLO] + list(args), stdin=subprocess.DEVNULL, capture_output=True, timeout=10)
        return p.returncode, p.stdout.decode(), p.stderr.decode()

    def test_help_and_version(self):
        rc, out, err = self.run_vemlo("--help")
        self.assertEqual((rc, err), (0, ""))
        self.assertTrue(out.startswith("usage: vemlo [--config FILE] [--now]\n"), out)
        for option in ("--config FILE", "--now", "--once", "--help", "--version", "SIGHUP"):
            self.assertIn(option, out)
        # The four parts the Windows version resource shows.
        self.assertEqual(self.run_vemlo("--version"), (0, "vemlo %s\n" % version_text(), ""))

    def test_bad_command_lines(self):
        cases = [(["--bogus"], "unknown option --bogus"), (["--config"], "option --config needs a value"),
                 (["--once", "--now"], "option --now does not go with --once"),
                 (["--url", "http://x/"], "option --url belongs to --once"), (["x.ini"], "unexpected argument x.ini")]
        for args, reason in cases:
            with self.subTest(args=args):
                rc, out, err = self.run_vemlo(*args)
                self.assertEqual((rc, out), (2, ""))
                lines = err.splitlines()
                self.assertEqual(lines[0], "vemlo: " + reason)
                self.assertEqual(lines[1], "usage: vemlo [--config FILE] [--now]")
                self.assertEqual(lines[-1], "Try 'vemlo --help'.")


class Idle(CollectorTest):
    """Between cycles vemlo sleeps in one call: no polling, no timer ticks."""

    def test_no_wake_up_between_cycles(self):
        strace = shutil.which("strace")
        if not strace:
            self.skipTest("strace is not installed")
        probe = subprocess.run([strace, "-o", "/dev/null", "true"], capture_output=True)
        if probe.returncode != 0:
            self.skipTest("strace cannot trace here: %s" % probe.stderr.decode().strip())
        self.settings(IntervalTime="99")
        trace = os.path.join(self.work, "trace")
        env = dict(os.environ)
        env.pop("VEMLO_TEST_MINUTE_MS", None)  # real minutes: no cycle in this run
        p = subprocess.Popen([strace, "-f", "-T", "-s", "300", "-o", trace, VEMLO, "--config", self.config],
                             stdin=subprocess.DEVNULL, stderr=subprocess.PIPE, env=env)
        self.addCleanup(lambda: p.poll() is None and p.kill())
        line = p.stderr.readline().decode()
        self.assertIn(" started: ", line)
        time.sleep(2.5)
        with open("/proc/%d/task/%d/children" % (p.pid, p.pid)) as f:
            vemlo = int(f.read().split()[0])
        os.kill(vemlo, signal.SIGTERM)
        p.wait(15)
        calls = [l for l in read(trace).decode("utf-8", "replace").splitlines()
                 if not re.match(r"^\d+\s+(\+\+\+|---)", l)]
        start = next(i for i, l in enumerate(calls) if " started: " in l and "write(2," in l)
        stop = next(i for i, l in enumerate(calls) if "stopping on SIGTERM" in l)
        after_start = calls[start + 1:stop]
        # Once started, one wait for the whole 99 minutes, which the signal
        # ends: the last call before the stop, and the only wait.
        waits = [l for l in after_start if "rt_sigtimedwait(" in l]
        self.assertEqual(len(waits), 1, "\n".join(after_start))
        self.assertIs(waits[0], after_start[-1], "\n".join(after_start))
        m = re.search(r"rt_sigtimedwait\(\[HUP INT TERM\], .*\{tv_sec=(\d+), .* = 15 \(SIGTERM\) <([\d.]+)>$",
                      waits[0])
        self.assertTrue(m, waits[0])
        self.assertGreaterEqual(int(m.group(1)), 99 * 60 - 10, "the wait was not for the whole interval")
        self.assertGreaterEqual(float(m.group(2)), 2.0, "the wait did not last the idle time")


class Install(unittest.TestCase):
    def install(self, prefix, destdir=None):
        env = dict(os.environ)
        if destdir:
            env["DESTDIR"] = destdir
        p = subprocess.run([os.environ["VEMLO_CMAKE"], "--install", os.environ["VEMLO_BUILD_DIR"],
                            "--prefix", prefix], capture_output=True, env=env, timeout=60)
        self.assertEqual(p.returncode, 0, p.stdout.decode() + p.stderr.decode())

    def test_files_land_in_their_places(self):
        work = tempfile.mkdtemp(prefix="vemlo-install.")
        self.addCleanup(shutil.rmtree, work, True)
        staged = os.path.join(work, "staged")
        cases = [("prefix", os.path.join(work, "prefix"), None, os.path.join(work, "prefix")),
                 ("DESTDIR", "/usr/local", staged, staged + "/usr/local")]
        for name, prefix, destdir, root in cases:
            with self.subTest(name):
                self.install(prefix, destdir)
                self.assertEqual(files_below(root), ["bin/vemlo", "share/man/man1/vemlo.1",
                                                     "share/systemd/user/vemlo.service"])
                binary = os.path.join(root, "bin", "vemlo")
                self.assertTrue(os.access(binary, os.X_OK))
                out = subprocess.run([binary, "--version"], capture_output=True, timeout=10).stdout.decode()
                self.assertEqual(out, "vemlo %s\n" % version_text())
                self.assertEqual(read(os.path.join(root, "share/man/man1/vemlo.1")),
                                 read(os.path.join(SOURCE, "packaging", "vemlo.1")))
                unit = read(os.path.join(root, "share/systemd/user/vemlo.service")).decode()
                self.assertIn("\nExecStart=%s/bin/vemlo\n" % prefix, unit)
                self.assertIn("\nRestart=on-failure\n", unit)
                self.assertNotIn("@", unit)

    def test_unit_passes_systemd_analyze(self):
        analyze = shutil.which("systemd-analyze")
        if not analyze:
            self.skipTest("systemd-analyze is not installed")
        work = tempfile.mkdtemp(prefix="vemlo-install.")
        self.addCleanup(shutil.rmtree, work, True)
        self.install(work)
        # As a system unit: a user manager may not run here. Its man page is
        # looked up through MANPATH.
        env = dict(os.environ, MANPATH=os.path.join(work, "share", "man"))
        p = subprocess.run([analyze, "verify", os.path.join(work, "share/systemd/user/vemlo.service")],
                           capture_output=True, env=env, timeout=60)
        output = (p.stdout + p.stderr).decode()
        if "Failed to initialize manager" in output:
            self.skipTest("systemd-analyze cannot run here: " + output.strip())
        self.assertEqual((p.returncode, output), (0, ""))

    def test_man_page_has_no_mistakes(self):
        groff = shutil.which("groff")
        if not groff:
            self.skipTest("groff is not installed")
        p = subprocess.run([groff, "-man", "-Tutf8", "-ww", "-z", os.path.join(SOURCE, "packaging", "vemlo.1")],
                           capture_output=True, timeout=30)
        self.assertEqual((p.returncode, p.stderr.decode()), (0, ""))


def main():
    global VEMLO
    if len(sys.argv) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    VEMLO = os.path.abspath(sys.argv[1])
    suite = unittest.defaultTestLoader.loadTestsFromTestCase(globals()[sys.argv[2]])
    result = unittest.TextTestRunner(verbosity=2).run(suite)
    if not result.wasSuccessful():
        return 1
    return 77 if result.testsRun and len(result.skipped) == result.testsRun else 0


if __name__ == "__main__":
    sys.exit(main())
