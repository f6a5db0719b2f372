#!/usr/bin/python3
"""The body of scripts/demo, run beside the router simulator (tests/with-sim).

    demo_tray.py VEMLO_EXE DRIVER_EXE FOLDER

Copies vemlo.exe into FOLDER with a settings file for the simulator's sample
page, starts it under Wine (wine itself on $DISPLAY, else tests/wine-run's
hidden X server), double-clicks its tray icon, prints the day files, saves
FOLDER/tray.png and ends the program with the exit command of its menu.
"""

import os
import shutil
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))

from wine_desktop import (WINE_RUN, Desktop, Driver, Program, find_tray_icons, login_name, menu_command,  # noqa: E402
                          windows_path, wine_prefix)

SAMPLE_PAGE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "sim", "sample", "system.log")


def archive_files(folder):
    found = []
    for root, _, names in os.walk(folder):
        found += [os.path.join(root, n) for n in names]
    return sorted(found)


def wait_for_archive(folder, seconds):
    """Waits until day files are there and stay as they are for half a second."""
    end, last = time.monotonic() + seconds, None
    while time.monotonic() < end:
        state = [(path, os.path.getsize(path)) for path in archive_files(folder)]
        if state and state == last:
            return
        last = state
        time.sleep(0.5)


def wine_command(exe):
    """wine itself, on the user's display, with tests/wine-run's settings."""
    env = dict(os.environ, WINEPREFIX=wine_prefix(), WINEARCH="win32", LANG="ja_JP.UTF-8", LC_ALL="ja_JP.UTF-8",
               WINEDEBUG=os.environ.get("VEMLO_WINEDEBUG", "-all"), WINEDLLOVERRIDES="mscoree,mshtml=")
    return ["wine", exe], env


def run(built_exe, driver_exe, folder):
    folder = os.path.abspath(folder)
    archive = os.path.join(folder, "archive")
    os.makedirs(folder, exist_ok=True)
    shutil.rmtree(archive, ignore_errors=True)
    exe = os.path.join(folder, "vemlo.exe")
    shutil.copyfile(built_exe, exe)

    sim_dir, port = os.environ["VEMLO_SIM_DIR"], os.environ["VEMLO_SIM_PORT"]
    shutil.copyfile(SAMPLE_PAGE, os.path.join(sim_dir, "bodies", "system.log"))
    url = "http://127.0.0.1:%s/basic=admin:secret/system.log" % port
    ini = os.path.join(folder, "vemlo.ini")
    settings = ["[%s]" % login_name(), "SetupTop=0", "SetupLeft=0", "AtermUserName=admin", "AtermPassword=secret",
                "LOGURI=" + url, "SaveFolder=" + windows_path(archive), "IntervalTime=10"]
    with open(ini, "wb") as f:
        f.write(("\r\n".join(settings) + "\r\n").encode("cp932"))
    print("router:   %s (user admin, password secret), the page tests/sim/sample/system.log" % url)
    print("settings: %s" % ini)

    driver = Driver(driver_exe)
    log = os.path.join(folder, "wine.log")
    if os.environ.get("DISPLAY"):
        # The prefix and its virtual desktop, made by wine-run once.
        subprocess.run([WINE_RUN, "cmd.exe", "/c", "exit", "0"], stdin=subprocess.DEVNULL, check=True, timeout=900)
        command, env = wine_command(exe)
        program = Program(exe, driver, log, command=command, env=env)
        print("vemlo.exe starts on display %s" % os.environ["DISPLAY"])
    else:
        program = Program(exe, driver, log)
        print("vemlo.exe starts on a hidden X server (set DISPLAY to watch)")
    try:
        if driver("wait", "Vemlo Setup", "exists", "120", timeout=300)[0] != 0:
            raise RuntimeError("vemlo.exe did not start; see " + log)
        desktop = Desktop()
        taskbar, icons = find_tray_icons(desktop, driver)
        if not icons:
            raise RuntimeError("no tray icon on Wine's task bar")
        icon = icons[0]
        print("its tray icon is at %d,%d of Wine's desktop; double click on it" % icon)

        desktop.click(icon, 1, times=2)
        wait_for_archive(archive, 30)
        if not archive_files(archive):
            raise RuntimeError("the cycle made no day files")
        print("-- the archive in %s (every line ends in CR LF):" % archive)
        for path in archive_files(archive):
            print("== %s" % os.path.relpath(path))
            with open(path, "rb") as f:
                sys.stdout.write(f.read().decode("cp932", "replace").replace("\r\n", "\n"))
        with open(os.path.join(sim_dir, "requests.log"), encoding="latin-1") as f:
            requests = [line.rstrip("\n").split("\t") for line in f if line.strip()]
        print("-- the router saw: " + "; ".join("%s -> %s (%s)" % (r[0], r[7], r[3]) for r in requests))

        desktop.move_away()
        time.sleep(0.5)  # the icon's tooltip leaves with the pointer
        shot = os.path.join(folder, "tray.png")
        width = min(256, taskbar[2])
        desktop.save_screenshot(shot, (taskbar[0] + taskbar[2] - width, taskbar[1], width, taskbar[3]))
        print("-- a picture of the tray: %s" % shot)

        if not menu_command(desktop, driver, icon, "x"):
            raise RuntimeError("the right button opened no menu")
        code = program.exit_code(30)
        if code is None:
            raise RuntimeError("vemlo.exe did not end after its exit command")
        print("vemlo.exe ended through its menu's exit command with exit code %d; it saved %s" % (code, ini))
        return 0 if code == 0 else 1
    finally:
        if program.running():
            program.stop()


if __name__ == "__main__":
    if len(sys.argv) != 4:
        sys.exit("usage: demo_tray.py VEMLO_EXE DRIVER_EXE FOLDER")
    try:
        sys.exit(run(*sys.argv[1:]))
    except (RuntimeError, subprocess.SubprocessError, OSError) as e:
        sys.exit("demo: %s" % e)
