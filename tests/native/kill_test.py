#!/usr/bin/env python3
"""Saves killed at random moments lose nothing.

Runs save_loop (cycles on a real archive, each saving three growing day
files) and kills it with SIGKILL at a random moment, many times. After each
kill every day file must hold exactly the lines confirmed before the kill,
plus at most whole lines that come next, in their order: never a cut line,
never a missing one. A temporary file may be left by the kill; the next
complete cycle must not leave one.

    kill_test.py [--wine WINE_RUN] SAVE_LOOP

With --wine, SAVE_LOOP is the Windows build, run under Wine through
WINE_RUN; the kill then ends the Windows process as a crash would. Each kill
comes at a random moment once the first cycle of the run is done.

VEMLO_KILLS (default 200) sets the number of kills, VEMLO_KILL_SEED the seed
of the kill moments (printed, to rerun a failure).
"""

import os
import random
import shutil
import signal
import subprocess
import sys
import tempfile
import time

PER_CYCLE = 40  # as in save_loop.cpp
DAYS = (1, 2, 3)


def line(day, i):
    return b"2024/03/0%d 12:%02d:%02d line %07d of a router log that keeps on growing" % (
        day, i // 60 % 60, i % 60, i)


def day_path(folder, day):
    return os.path.join(folder, "2024", "2024030%d.log" % day)


def temporary_files(folder):
    found = []
    for root, _, files in os.walk(folder):
        found += [os.path.join(root, f) for f in files if f.endswith(".tmp")]
    return found


def lines_held(path, day):
    """How many of the day's lines the file holds, or a reason it is wrong."""
    if not os.path.exists(path):
        return 0, None
    with open(path, "rb") as f:
        data = f.read()
    if data and not data.endswith(b"\r\n"):
        return None, "ends in a cut line: %r" % data[-80:]
    lines = data.split(b"\r\n")[:-1] if data else []
    for i, got in enumerate(lines):
        if got != line(day, i):
            return None, "line %d is %r, not %r" % (i, got, line(day, i))
    return len(lines), None


def check_files(folder, least, most, what):
    """Every day file holds lines 0..m-1 with least <= m <= most."""
    failures = []
    for day in DAYS:
        held, reason = lines_held(day_path(folder, day), day)
        if reason is None and not least <= held <= most:
            reason = "holds %d lines, not %d to %d" % (held, least, most)
        if reason:
            failures.append("%s: day %d %s" % (what, day, reason))
    return failures


def kill_program(pid):
    """SIGKILL to the program: pid itself, or under Wine the process at the
    bottom of the wrappers below it; they then end with its status."""
    children = {}
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                with open("/proc/%s/stat" % entry) as f:
                    ppid = int(f.read().rsplit(")", 1)[1].split()[1])
            except (OSError, ValueError, IndexError):
                continue
            children.setdefault(ppid, []).append(int(entry))
    while children.get(pid):
        pid = children[pid][0]
    os.kill(pid, signal.SIGKILL)


def main():
    args = sys.argv[1:]
    wine = []
    if args[:1] == ["--wine"]:
        wine, args = [args[1]], args[2:]
    save_loop = args[0]

    def command(folder, *numbers):
        where = "Z:" + folder.replace("/", "\\") if wine else folder
        return wine + [save_loop, where] + [str(n) for n in numbers]

    kills = int(os.environ.get("VEMLO_KILLS", "200"))
    seed = int(os.environ.get("VEMLO_KILL_SEED", str(random.randrange(1 << 32))))
    print("kill_test: %d kills, VEMLO_KILL_SEED=%d" % (kills, seed))
    rng = random.Random(seed)
    work = tempfile.mkdtemp(prefix="vemlo-kill-")
    folder = os.path.join(work, "archive")
    failures = []
    confirmed = -1  # the last cycle known to be complete
    temp_left = 0
    try:
        for kill in range(kills):
            child = subprocess.Popen(command(folder, confirmed + 1), stdout=subprocess.PIPE,
                                     stderr=subprocess.PIPE)
            first = child.stdout.readline()  # a cycle is done, saves are under way
            time.sleep(rng.uniform(0.0, 0.04))
            kill_program(child.pid)
            rest, errors = child.communicate()
            out = (first + rest).split()
            # Killed itself, or a wrapper passing on its status 128 + 9.
            if child.returncode not in (-signal.SIGKILL, 128 + signal.SIGKILL) or not first:
                failures.append("kill %d: save_loop ended by itself with %s: %s" % (
                    kill, child.returncode, errors.decode(errors="replace")))
                break
            # A save of the next cycle may have been under way, or even done.
            confirmed = int(out[-1])
            failures += check_files(folder, (confirmed + 1) * PER_CYCLE, (confirmed + 2) * PER_CYCLE,
                                    "after kill %d (cycle %d confirmed)" % (kill, confirmed))
            temp_left += bool(temporary_files(folder))

            # One whole cycle: the archive is complete again and has no temporary file.
            done = subprocess.run(command(folder, confirmed + 1, 1), stdout=subprocess.PIPE)
            if done.returncode != 0:
                failures.append("kill %d: the next cycle failed with %d" % (kill, done.returncode))
                break
            confirmed += 1
            failures += check_files(folder, (confirmed + 1) * PER_CYCLE, (confirmed + 1) * PER_CYCLE,
                                    "after the cycle that followed kill %d" % kill)
            left = temporary_files(folder)
            if left:
                failures.append("after the cycle that followed kill %d: %s left behind" % (kill, left))
            if len(failures) > 10:
                break
    finally:
        shutil.rmtree(work, ignore_errors=True)

    print("kill_test: %d cycles, %d kills left a temporary file" % (confirmed + 1, temp_left))
    for f in failures:
        print("FAIL " + f)
    # Kills that never hit a save would prove nothing.
    if not failures and temp_left == 0:
        print("FAIL no kill landed in the middle of a save")
        return 1
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
