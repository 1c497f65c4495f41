#!/usr/bin/python3
"""CPU cost of the saver while it plays a video, against a plain DirectShow player of the
same file, and how fast input ends it; under the Wine rig.

The video is like the demo's: 640x480, 25 fps, mpeg4 with an mp3 soundtrack, 10 s, so it
is restarted once or more within each measurement.

(a) CPU, as percent of one core over a quiet stretch, of the Linux process running
    - the saver with sound=1 (soundtrack and background music, as shipped),
    - the saver with sound=01 (soundtrack only: the same work as the plain player),
    - build/windows/bench/plain_player.exe, the baseline (plays the file full screen with its
      soundtrack, loops it, sleeps on messages otherwise),
    each with wineserver's share beside it, then the saver/baseline ratios of the medians.
(b) Time from a key press, a left click and a small mouse movement to the saver's process
    end, and to the moment its full-screen X windows are no longer shown.

Prints figures only; it asserts nothing.

    bench/video_cpu_and_exit.py [--runs N] [--seconds S] [--exit-runs N]
"""

import argparse
import contextlib
import ctypes
import ctypes.util
import os
import select
import shutil
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "tests" / "wine"))
from media import MUSIC_NAME, VIDEO_NAME, make_music, make_sized_video  # noqa: E402
from figures import summary  # noqa: E402
from rig import REPO, SAVER_EXE, Rig, RigError, cpu_shares, mean_rgb, winpath, write_ini  # noqa: E402

PLAYER_EXE = REPO / "build" / "windows" / "bench" / "plain_player.exe"
VIDEO_SECONDS = 10
VIDEO_SIZE = (640, 480)
SETTLE = 2.0  # seconds after the picture shows, so start-up work is not counted
LIT = 40      # mean channel value of a screen showing the picture (the video averages ~120)
TIMEOUT = 30  # seconds; only so that a fault does not hang the benchmark

INPUTS = {
    "key press": "key a",
    "left click": "click 1",
    "mouse move by 5,4": "mousemove 5 4",  # from 0,0, where the rig parks the pointer
}


# ---------------------------------------------------------------- X: are the saver's windows shown?

class _WindowAttributes(ctypes.Structure):
    _fields_ = [("x", ctypes.c_int), ("y", ctypes.c_int), ("width", ctypes.c_int), ("height", ctypes.c_int),
                ("border_width", ctypes.c_int), ("depth", ctypes.c_int), ("visual", ctypes.c_void_p),
                ("root", ctypes.c_ulong), ("class_", ctypes.c_int), ("bit_gravity", ctypes.c_int),
                ("win_gravity", ctypes.c_int), ("backing_store", ctypes.c_int),
                ("backing_planes", ctypes.c_ulong), ("backing_pixel", ctypes.c_ulong),
                ("save_under", ctypes.c_int), ("colormap", ctypes.c_ulong), ("map_installed", ctypes.c_int),
                ("map_state", ctypes.c_int), ("all_event_masks", ctypes.c_long),
                ("your_event_mask", ctypes.c_long), ("do_not_propagate_mask", ctypes.c_long),
                ("override_redirect", ctypes.c_int), ("screen", ctypes.c_void_p)]


_IS_VIEWABLE = 2


class XScreen:
    """A connection of our own to the rig's X display, to see which top-level windows are
    shown. Each look is one round trip to the X server, a fraction of a millisecond."""

    def __init__(self, display: str):
        self._x = x = ctypes.CDLL(ctypes.util.find_library("X11"))
        x.XOpenDisplay.restype = ctypes.c_void_p
        x.XOpenDisplay.argtypes = [ctypes.c_char_p]
        x.XDefaultRootWindow.restype = ctypes.c_ulong
        x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        x.XQueryTree.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.POINTER(ctypes.c_ulong),
                                 ctypes.POINTER(ctypes.c_ulong), ctypes.POINTER(ctypes.POINTER(ctypes.c_ulong)),
                                 ctypes.POINTER(ctypes.c_uint)]
        x.XGetWindowAttributes.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.POINTER(_WindowAttributes)]
        x.XFree.argtypes = [ctypes.c_void_p]
        x.XCloseDisplay.argtypes = [ctypes.c_void_p]
        # A window destroyed between two looks is a BadWindow error; Xlib's default handler
        # would end this process over it.
        self._ignore = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p)(lambda d, e: 0)
        x.XSetErrorHandler(self._ignore)
        self._display = x.XOpenDisplay(display.encode())
        if not self._display:
            raise SystemExit(f"cannot open X display {display}")

    def close(self) -> None:
        self._x.XCloseDisplay(self._display)

    def shown(self, window: int) -> bool:
        attributes = _WindowAttributes()
        return bool(self._x.XGetWindowAttributes(self._display, window, ctypes.byref(attributes))
                    and attributes.map_state == _IS_VIEWABLE)

    def shown_full_screen(self, size: tuple[int, int]) -> list[int]:
        """Top-level windows shown over the whole screen: with the saver running, its form
        and Wine's video window (nothing else of the rig's covers the screen)."""
        x = self._x
        root, parent = ctypes.c_ulong(), ctypes.c_ulong()
        children, count = ctypes.POINTER(ctypes.c_ulong)(), ctypes.c_uint()
        x.XQueryTree(self._display, x.XDefaultRootWindow(self._display), ctypes.byref(root), ctypes.byref(parent),
                     ctypes.byref(children), ctypes.byref(count))
        found = []
        for i in range(count.value):
            attributes = _WindowAttributes()
            if (x.XGetWindowAttributes(self._display, children[i], ctypes.byref(attributes))
                    and attributes.map_state == _IS_VIEWABLE
                    and (attributes.width, attributes.height) == size):
                found.append(children[i])
        if children:
            x.XFree(children)
        return found


# ---------------------------------------------------------------- runs

def wait_for_picture(rig: Rig, work: Path) -> None:
    shot = work / "screen.png"
    rig.wait_for(lambda: max(mean_rgb(rig.screenshot(shot))) > LIT, TIMEOUT, interval=0.2,
                 what="the video's picture on the screen")


def cpu_run(rig: Rig, folder: Path, arguments: str, exe_name: str, seconds: float, work: Path) -> tuple[float, float]:
    """(program, wineserver) CPU as percent of one core over seconds, the picture showing."""
    run = rig.start_saver(folder, arguments, exe_name=exe_name)
    try:
        wait_for_picture(rig, work)
        time.sleep(SETTLE)
        pid = rig.wait_for(lambda: run.linux_pid, TIMEOUT, what=f"the Linux process of {exe_name}")
        server = rig.wineserver_pid
        program_share, server_share = cpu_shares([pid, server], seconds)
        rig.key("a")
        with contextlib.suppress(RigError):
            run.wait(5)
        return program_share, server_share
    finally:
        # How it ends is no part of this figure; the player does not always have the
        # focus for the key, and is then ended by force.
        run.kill()


def exit_run(rig: Rig, screen: XScreen, folder: Path, command: str, work: Path) -> tuple[float, float]:
    """(input to windows gone, input to process end), in ms."""
    saver = rig.start_saver(folder, "/s")
    try:
        wait_for_picture(rig, work)
        time.sleep(1.0)
        pid = rig.wait_for(lambda: saver.linux_pid, TIMEOUT, what="the saver's Linux process")
        windows = screen.shown_full_screen(rig.screen)
        if not windows:
            raise SystemExit("no full-screen X window shown while the saver runs")
        # xdotool reading its script from stdin is started beforehand, so its start-up is
        # not counted: the clock starts when the line is handed to it.
        sender = subprocess.Popen(["xdotool", "-"], stdin=subprocess.PIPE, env=rig.env)
        time.sleep(0.3)
        process = os.pidfd_open(pid)
        try:
            sent = time.monotonic()
            sender.stdin.write(f"{command}\n".encode())
            sender.stdin.close()
            gone = ended = None
            deadline = sent + TIMEOUT
            # One loop looks at both, a millisecond apart at most.
            while (gone is None or ended is None) and time.monotonic() < deadline:
                if gone is None and not any(screen.shown(w) for w in windows):
                    gone = time.monotonic()
                if ended is None and select.select([process], [], [], 0.001)[0]:
                    ended = time.monotonic()
        finally:
            os.close(process)
        sender.wait(TIMEOUT)
        code = saver.wait(TIMEOUT)
        if gone is None or ended is None or code != 0:
            raise SystemExit(f"the saver did not end cleanly on '{command}' (exit {code:#x})")
        return (gone - sent) * 1000, (ended - sent) * 1000
    finally:
        saver.kill()


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--runs", type=int, default=3, help="CPU measurements per program")
    parser.add_argument("--seconds", type=float, default=10.0, help="length of each CPU measurement")
    parser.add_argument("--exit-runs", type=int, default=5, help="runs per kind of input")
    args = parser.parse_args()
    for needed in (SAVER_EXE, PLAYER_EXE):
        if not needed.exists():
            raise SystemExit(f"{needed} is missing: run tools/build")

    with tempfile.TemporaryDirectory(prefix="trevlin-bench-") as work_dir, Rig() as rig:
        work = Path(work_dir)
        media = work / "media"
        media.mkdir()
        video = make_sized_video(media / VIDEO_NAME, VIDEO_SECONDS, VIDEO_SIZE)
        make_music(media / MUSIC_NAME)
        # The saver in two folders, one per sound setting; the player beside them.
        folders = {}
        for sound in ("1", "01"):
            folder = work / f"saver-sound-{sound}"
            folder.mkdir()
            shutil.copy2(SAVER_EXE, folder / "Trevlin.scr")
            write_ini(folder, f"[config]\nsound={sound}\npath={winpath(media)}\\\n")
            folders[sound] = folder
        player_folder = work / "player"
        player_folder.mkdir()
        shutil.copy2(PLAYER_EXE, player_folder / PLAYER_EXE.name)
        # Long enough to outlast a measurement; the player is ended after it.
        player_arguments = f'"{winpath(video)}" {int(args.seconds + SETTLE + TIMEOUT)}'

        programs = {
            "saver, sound=1 (soundtrack + music)": (folders["1"], "/s", "Trevlin.scr"),
            "saver, sound=01 (soundtrack only)": (folders["01"], "/s", "Trevlin.scr"),
            "plain player (baseline)": (player_folder, player_arguments, PLAYER_EXE.name),
        }
        print(f"video {VIDEO_SIZE[0]}x{VIDEO_SIZE[1]} 25 fps mpeg4 + mp3, {VIDEO_SECONDS} s, looped; "
              f"screen {rig.screen[0]}x{rig.screen[1]}; {args.seconds:g} s per CPU measurement")
        cpu: dict[str, list[tuple[float, float]]] = {name: [] for name in programs}
        for run in range(1, args.runs + 1):
            # Interleaved, so that a slow patch of the machine touches all of them alike.
            for name, (folder, arguments, exe_name) in programs.items():
                share = cpu_run(rig, folder, arguments, exe_name, args.seconds, work)
                cpu[name].append(share)
                print(f"run {run}: {name:<36} CPU {share[0]:6.2f} % of one core "
                      f"(wineserver {share[1]:5.2f} %)", flush=True)

        screen = XScreen(rig.display)
        exits: dict[str, list[tuple[float, float]]] = {name: [] for name in INPUTS}
        try:
            for run in range(1, args.exit_runs + 1):
                for name, command in INPUTS.items():
                    gone_ms, end_ms = exit_run(rig, screen, folders["1"], command, work)
                    exits[name].append((gone_ms, end_ms))
                    print(f"run {run}: {name:<18} to windows gone {gone_ms:7.1f} ms, "
                          f"to process end {end_ms:7.1f} ms", flush=True)
        finally:
            screen.close()

    print()
    for name, shares in cpu.items():
        print(summary(f"{name}, % of one core", "%", [s[0] for s in shares], width=52))
        print(summary("   wineserver meanwhile", "%", [s[1] for s in shares], width=52))
    baseline = statistics.median(s[0] for s in cpu["plain player (baseline)"])
    for name in list(programs)[:2]:
        ratio = statistics.median(s[0] for s in cpu[name]) / baseline if baseline else float("nan")
        print(f"ratio of medians, {name} / baseline: {ratio:.2f}")
    for name in INPUTS:
        print(summary(f"{name} to saver's windows gone", "ms", [e[0] for e in exits[name]], width=52))
        print(summary(f"{name} to process end", "ms", [e[1] for e in exits[name]], width=52))


if __name__ == "__main__":
    main()
