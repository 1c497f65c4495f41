#!/usr/bin/python3
"""The saver once the display has gone to sleep, under the Wine rig with a stand-in power
plan (tests/wine/power_plan.py) whose "turn off the display after" is PLAN seconds.

In every round, one after the other so that a slow patch of the machine touches all alike:
  floor     wineserver with no program of ours running;
  asleep    the saver, sound=1, playing a 320x240 25 fps video with music until the plan's
            moment, then measured from SETTLE seconds after it: CPU of its Linux process and
            of wineserver, in percent of one core;
  window    build/windows/bench/minimal_window.exe, a program that shows a window and waits
            for messages, measured the same way: the least a waiting program costs here;
  --baseline PATH: another build of Trevlin.scr under the same plan (main's plays on).
Per asleep run also the time from the plan's moment to the media stopped: the moment is the
session's last input tick (read with probe's "idle" once the video shows) plus the plan;
the media are stopped when the form asks for the display off (WM_SYSCOMMAND SC_MONITORPOWER,
which the saver sends once the video's stop has returned and the music is closed), both on
Wine's tick clock (WINEDEBUG=+timestamp,+win). Medians with min and max over the rounds.
Prints figures only; it asserts nothing.

    bench/display_off.py [--rounds N] [--seconds S] [--baseline PATH]
"""

import argparse
import os
import re
import shutil
import sys
import tempfile
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "tests" / "wine"))
from figures import summary  # noqa: E402
from media import MUSIC_NAME, VIDEO_NAME, make_music, make_sized_video  # noqa: E402
from power_plan import STAND_IN, idle_clock, set_plan, use_stand_in_powrprof  # noqa: E402
from rig import REPO, SAVER_EXE, Rig, cpu_seconds, cpu_shares, winpath, write_ini  # noqa: E402

MINIMAL_EXE = REPO / "build" / "windows" / "bench" / "minimal_window.exe"
PLAN = 4       # seconds
SETTLE = 2.0   # seconds after the moment before measuring
FORM_CLASS = "TrevlinForm1"
VIDEO_CLASS = "VideoRenderer"  # Wine's video renderer window


def saver_asleep(rig: Rig, folder: Path, seconds: float, log: Path) -> tuple[float, float, float | None]:
    """(program CPU, wineserver CPU, moment-to-stop ms or None)."""
    log.unlink(missing_ok=True)
    saver = rig.start_saver(folder, "/s", wine_debug="+timestamp,+win", log_path=log)
    try:
        rig.wait_for(lambda: [w for w in saver.windows() if w.cls == FORM_CLASS], 30, what="the saver's form")
        # The video window's appearing is the last input; a second later, the clock is read.
        time.sleep(1.0)
        tick, last_input = idle_clock(rig)
        moment = last_input + PLAN * 1000
        time.sleep(max(0.0, (moment - tick) / 1000 + SETTLE))
        pid = rig.wait_for(lambda: saver.linux_pid, 10, what="the saver's Linux process")
        program, server = cpu_shares([pid, rig.wineserver_pid], seconds)
    finally:
        saver.kill()
    asked = re.findall(r"^\s*(\d+)\.(\d{3}):[^\n]*WM_SYSCOMMAND f170 2\b", log.read_text(errors="replace"), re.M)
    stopped = int(asked[0][0]) * 1000 + int(asked[0][1]) if asked else None
    return program, server, (stopped - moment) if stopped is not None else None


def window_cpu(rig: Rig, folder: Path, seconds: float) -> tuple[float, float]:
    program = rig.start_saver(folder, str(int(seconds + 30)), exe_name=MINIMAL_EXE.name)
    try:
        time.sleep(PLAN + SETTLE)
        pid = rig.wait_for(lambda: program.linux_pid, 10, what="the program's Linux process")
        return tuple(cpu_shares([pid, rig.wineserver_pid], seconds))
    finally:
        program.kill()


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--rounds", type=int, default=5)
    parser.add_argument("--seconds", type=float, default=20.0, help="length of each CPU measurement")
    parser.add_argument("--baseline", type=Path, help="another Trevlin.scr to measure beside this one")
    args = parser.parse_args()
    for needed in (SAVER_EXE, MINIMAL_EXE, STAND_IN) + ((args.baseline,) if args.baseline else ()):
        if not needed.exists():
            raise SystemExit(f"{needed} is missing: run tools/build")
    print(f"load: {' '.join(f'{v:.2f}' for v in os.getloadavg())} (1, 5, 15 min); "
          f"{args.seconds:g} s per CPU measurement; plan {PLAN} s")

    with tempfile.TemporaryDirectory(prefix="trevlin-bench-") as work_dir, Rig() as rig:
        use_stand_in_powrprof(rig)
        set_plan(rig, PLAN)
        work = Path(work_dir)
        media = work / "media"
        media.mkdir()
        make_sized_video(media / VIDEO_NAME, 10, (320, 240))
        make_music(media / MUSIC_NAME)
        builds = {"this": SAVER_EXE}
        if args.baseline:
            builds["baseline"] = args.baseline
        folders = {}
        for build, exe in builds.items():
            folder = work / build
            folder.mkdir()
            shutil.copy2(exe, folder / "Trevlin.scr")
            write_ini(folder, f"[config]\nsound=1\npath={winpath(media)}\\\n")
            folders[build] = folder
        minimal = work / "minimal"
        minimal.mkdir()
        shutil.copy2(MINIMAL_EXE, minimal / MINIMAL_EXE.name)

        cpu: dict[str, list[tuple[float, float]]] = {}
        stops: list[float] = []

        def note(name: str, share: tuple[float, float], run: int) -> None:
            cpu.setdefault(name, []).append(share)
            print(f"round {run}: {name:<34} program {share[0]:6.3f} % + wineserver {share[1]:6.3f} % "
                  f"= {sum(share):6.3f} % of one core", flush=True)

        # The session's first DirectShow run sets up GStreamer's registry at a cost of its
        # own; a run whose figures are dropped pays it.
        saver_asleep(rig, folders["this"], 1.0, work / "first.log")
        for run in range(1, args.rounds + 1):
            start = time.monotonic()
            before = cpu_seconds(rig.wineserver_pid)
            time.sleep(args.seconds)
            floor = (cpu_seconds(rig.wineserver_pid) - before) / (time.monotonic() - start) * 100
            note("no program (wineserver alone)", (0.0, floor), run)
            for build in builds:
                program, server, stop = saver_asleep(rig, folders[build], args.seconds, work / f"{build}.log")
                note(f"display asleep ({build})", (program, server), run)
                if build == "this":
                    if stop is None:
                        print(f"round {run}: the display was never asked to turn off", flush=True)
                    else:
                        stops.append(stop)
                        print(f"round {run}: moment to media stopped {stop:6.0f} ms", flush=True)
            note("minimal window, waiting", window_cpu(rig, minimal, args.seconds), run)

    print()
    for name, shares in cpu.items():
        print(summary(f"{name}: program + wineserver", "%", [p + s for p, s in shares], width=56, digits=3))
        print(summary("   program", "%", [p for p, _ in shares], width=56, digits=3))
        print(summary("   wineserver", "%", [s for _, s in shares], width=56, digits=3))
    if stops:
        print(summary("moment to media stopped (this)", "ms", stops, width=56, digits=0))


if __name__ == "__main__":
    main()
