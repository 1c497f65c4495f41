#!/usr/bin/python3
"""CPU and memory of the saver while it plays a video, against a plain DirectShow player of
the same file, and how fast input ends it; under the Wine rig.

The videos are 25 fps, mpeg4 with an mp3 soundtrack, at each --sizes (320x240 and 640x480
by default), longer than a measurement, so that no rewind falls inside one (a rewind
sometimes stalls one of Wine's renderers, which makes a program look cheaper).

(a) In every round, one after the other, so that a slow patch of the machine touches all
    alike, over a quiet stretch with the picture showing:
    - the saver with sound=1 (soundtrack and background music, as shipped),
    - the saver with sound=01 (soundtrack only: the same work as the plain player),
    - build/windows/bench/plain_player.exe, the baseline (plays the file full screen with its
      soundtrack, loops it, sleeps on messages otherwise),
    - with --baseline, another build of Trevlin.scr (say the landed main's), sound=01.
    CPU of the program's Linux process and of wineserver, in percent of one core, and
    their sum; the ratios of the sums' medians to the plain player's. At the end of each
    measurement, the program's memory from /proc: VmRSS (working set) and private bytes
    (Private_Clean + Private_Dirty of smaps_rollup).
(b) Time from a key press, a left click and a small mouse movement to the saver's process
    end, and to the moment its full-screen X windows are no longer shown; for the plain
    player, from a key press (the only input that ends it).

Prints figures only; it asserts nothing.

    bench/video_cpu_and_exit.py [--rounds N] [--seconds S] [--exit-runs N] [--sizes WxH,...]
                                [--baseline PATH]
"""

import argparse
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
from rig import REPO, SAVER_EXE, Rig, cpu_shares, mean_rgb, winpath, write_ini  # noqa: E402

PLAYER_EXE = REPO / "build" / "windows" / "bench" / "plain_player.exe"
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


def memory(pid: int) -> tuple[float, float]:
    """(working set, private bytes) of a Linux process, in MB."""
    rss = next(int(line.split()[1]) for line in Path(f"/proc/{pid}/status").read_text().splitlines()
               if line.startswith("VmRSS:"))
    rollup = {line.split(":")[0]: int(line.split()[1])
              for line in Path(f"/proc/{pid}/smaps_rollup").read_text().splitlines()[1:]}
    return rss / 1024, (rollup["Private_Clean"] + rollup["Private_Dirty"]) / 1024


def cpu_run(rig: Rig, folder: Path, arguments: str, exe_name: str, seconds: float,
            work: Path) -> tuple[float, float, float, float]:
    """(program CPU, wineserver CPU) in percent of one core over seconds, the picture
    showing; then (working set, private bytes) in MB."""
    run = rig.start_saver(folder, arguments, exe_name=exe_name)
    try:
        wait_for_picture(rig, work)
        time.sleep(SETTLE)
        pid = rig.wait_for(lambda: run.linux_pid, TIMEOUT, what=f"the Linux process of {exe_name}")
        program_share, server_share = cpu_shares([pid, rig.wineserver_pid], seconds)
        return program_share, server_share, *memory(pid)
    finally:
        # How it ends is no part of these figures.
        run.kill()


def exit_run(rig: Rig, screen: XScreen, folder: Path, arguments: str, exe_name: str, command: str,
             work: Path) -> tuple[float, float]:
    """(input to windows gone, input to process end), in ms."""
    program = rig.start_saver(folder, arguments, exe_name=exe_name)
    try:
        wait_for_picture(rig, work)
        time.sleep(1.0)
        pid = rig.wait_for(lambda: program.linux_pid, TIMEOUT, what=f"the Linux process of {exe_name}")
        windows = screen.shown_full_screen(rig.screen)
        if not windows:
            raise SystemExit(f"no full-screen X window shown while {exe_name} runs")
        if exe_name == PLAYER_EXE.name:
            # It may not have the focus that the key needs; a click, which it ignores, gives it.
            rig.xdotool("click", "1")
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
        code = program.wait(TIMEOUT)
        if gone is None or ended is None or code != 0:
            raise SystemExit(f"{exe_name} did not end cleanly on '{command}' (exit {code:#x})")
        return (gone - sent) * 1000, (ended - sent) * 1000
    finally:
        program.kill()


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--rounds", type=int, default=3, help="CPU measurements per program and size")
    parser.add_argument("--seconds", type=float, default=10.0, help="length of each CPU measurement")
    parser.add_argument("--exit-runs", type=int, default=5, help="runs per kind of input")
    parser.add_argument("--sizes", default="320x240,640x480")
    parser.add_argument("--baseline", type=Path, help="another Trevlin.scr to measure beside this one")
    args = parser.parse_args()
    sizes = [tuple(int(v) for v in size.split("x")) for size in args.sizes.split(",")]
    for needed in (SAVER_EXE, PLAYER_EXE) + ((args.baseline,) if args.baseline else ()):
        if not needed.exists():
            raise SystemExit(f"{needed} is missing: run tools/build")
    print(f"load: {' '.join(f'{v:.2f}' for v in os.getloadavg())} (1, 5, 15 min)")

    with tempfile.TemporaryDirectory(prefix="trevlin-bench-") as work_dir, Rig() as rig:
        work = Path(work_dir)
        # Longer than the start, the settling and a measurement together.
        length = int(args.seconds + SETTLE + TIMEOUT)
        print(f"videos 25 fps mpeg4 + mp3, {length} s; screen {rig.screen[0]}x{rig.screen[1]}; "
              f"{args.seconds:g} s per CPU measurement")
        cpu: dict[str, list[tuple[float, float, float, float]]] = {}
        programs_by_size = {}
        for size in sizes:
            media = work / f"media-{size[0]}x{size[1]}"
            media.mkdir()
            video = make_sized_video(media / VIDEO_NAME, length, size)
            make_music(media / MUSIC_NAME)
            savers = {"sound=1": (SAVER_EXE, "1"), "sound=01": (SAVER_EXE, "01")}
            if args.baseline:
                savers["baseline, sound=01"] = (args.baseline, "01")
            programs = {}
            for name, (exe, sound) in savers.items():
                folder = work / f"saver-{size[0]}-{len(programs)}"
                folder.mkdir()
                shutil.copy2(exe, folder / "Trevlin.scr")
                write_ini(folder, f"[config]\nsound={sound}\npath={winpath(media)}\\\n")
                programs[f"{size[0]}x{size[1]} saver, {name}"] = (folder, "/s", "Trevlin.scr")
            player_folder = work / f"player-{size[0]}"
            player_folder.mkdir()
            shutil.copy2(PLAYER_EXE, player_folder / PLAYER_EXE.name)
            programs[f"{size[0]}x{size[1]} plain player"] = (player_folder, f'"{winpath(video)}" {length}',
                                                               PLAYER_EXE.name)
            programs_by_size[size] = programs

        # The session's first DirectShow run sets up GStreamer's plugin registry for the
        # rig's fresh home, at a cost of its own; a run whose figures are dropped pays it.
        warm = programs_by_size[sizes[0]][f"{sizes[0][0]}x{sizes[0][1]} plain player"]
        cpu_run(rig, warm[0], warm[1], warm[2], 1.0, work)
        for run in range(1, args.rounds + 1):
            for size, programs in programs_by_size.items():
                for name, (folder, arguments, exe_name) in programs.items():
                    found = cpu_run(rig, folder, arguments, exe_name, args.seconds, work)
                    cpu.setdefault(name, []).append(found)
                    print(f"round {run}: {name:<44} CPU {found[0]:6.2f} % + wineserver {found[1]:5.2f} % "
                          f"= {found[0] + found[1]:6.2f} % of one core; working set {found[2]:6.1f} MB, "
                          f"private {found[3]:6.1f} MB", flush=True)

        screen = XScreen(rig.display)
        exits: dict[str, list[tuple[float, float]]] = {}
        smallest = programs_by_size[sizes[0]]
        saver = next(iter(smallest.values()))
        player = smallest[f"{sizes[0][0]}x{sizes[0][1]} plain player"]
        try:
            for run in range(1, args.exit_runs + 1):
                for name, command in INPUTS.items():
                    found = exit_run(rig, screen, saver[0], saver[1], saver[2], command, work)
                    exits.setdefault(f"saver, {name}", []).append(found)
                    print(f"run {run}: saver, {name:<18} to windows gone {found[0]:7.1f} ms, "
                          f"to process end {found[1]:7.1f} ms", flush=True)
                found = exit_run(rig, screen, player[0], player[1], player[2], INPUTS["key press"], work)
                exits.setdefault("plain player, key press", []).append(found)
                print(f"run {run}: plain player, key press to windows gone {found[0]:7.1f} ms, "
                      f"to process end {found[1]:7.1f} ms", flush=True)
        finally:
            screen.close()

    print()
    for size, programs in programs_by_size.items():
        names = list(programs)
        baseline = statistics.median(c[0] + c[1] for c in cpu[names[-1]])
        for name in names:
            found = cpu[name]
            print(summary(f"{name}, CPU + wineserver", "%", [c[0] + c[1] for c in found], width=60))
            print(summary("   CPU", "%", [c[0] for c in found], width=60))
            print(summary("   wineserver", "%", [c[1] for c in found], width=60))
            print(summary("   working set", "MB", [c[2] for c in found], width=60))
            print(summary("   private bytes", "MB", [c[3] for c in found], width=60))
            if name != names[-1]:
                ratio = statistics.median(c[0] + c[1] for c in found) / baseline if baseline else float("nan")
                print(f"   ratio of medians (CPU + wineserver) to the plain player's: {ratio:.2f}")
    for name, found in exits.items():
        print(summary(f"{name} to windows gone", "ms", [e[0] for e in found], width=60))
        print(summary(f"{name} to process end", "ms", [e[1] for e in found], width=60))


if __name__ == "__main__":
    main()
