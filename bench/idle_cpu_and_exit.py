#!/usr/bin/python3
"""Idle cost and exit speed of the saver, under the Wine rig.

Two cases, each with sound=0:
  nothing  an empty media folder: no video, no music; the show loop's own cost;
  4 fps    a 64x64, 4 fps video (no rewind during a measurement), against
           build/windows/bench/plain_player.exe playing the same file.
In every round each program of a case runs once, one after the other, so that a slow
patch of the machine touches all alike; with --baseline, another build of Trevlin.scr (say
the landed main's) runs beside this one. Per run: CPU of the program's Linux process and
of wineserver over a quiet stretch, in percent of one core, and their sum. In the nothing
case each round also measures wineserver with no program of ours running, the floor the
sums stand on. Then, per saver build, the time from a key press to the process's end.
Medians with min and max over the rounds. Prints figures only; it asserts nothing.

    bench/idle_cpu_and_exit.py [--rounds N] [--seconds S] [--exit-runs N] [--baseline PATH]
"""

import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "tests" / "wine"))
from figures import summary  # noqa: E402
from media import VIDEO_NAME, make_sized_video  # noqa: E402
from rig import REPO, SAVER_EXE, Rig, cpu_seconds, cpu_shares, wait_pid_exit, winpath, write_ini  # noqa: E402

PLAYER_EXE = REPO / "build" / "windows" / "bench" / "plain_player.exe"
SETTLE = 3.0  # seconds after the start, so start-up work is not counted
VIDEO_SIZE = (64, 64)
VIDEO_RATE = 4  # frames a second


def measure(rig: Rig, run, seconds: float) -> tuple[float, float]:
    """(program, wineserver) CPU over seconds, once the program has settled."""
    time.sleep(SETTLE)
    pid = rig.wait_for(lambda: run.linux_pid, 10, what="the program's Linux process")
    return tuple(cpu_shares([pid, rig.wineserver_pid], seconds))


def saver_cpu(rig: Rig, folder: Path, seconds: float) -> tuple[float, float]:
    saver = rig.start_saver(folder, "/s")
    try:
        rig.wait_for(lambda: [w for w in saver.windows() if w.cls == "TrevlinForm1"], 30, what="the saver's form")
        return measure(rig, saver, seconds)
    finally:
        saver.kill()


def player_cpu(rig: Rig, folder: Path, video: Path, seconds: float) -> tuple[float, float]:
    player = rig.start_saver(folder, f'"{winpath(video)}" {int(seconds + SETTLE + 30)}', exe_name=PLAYER_EXE.name)
    try:
        return measure(rig, player, seconds)
    finally:
        player.kill()


def key_to_end(rig: Rig, folder: Path) -> float:
    saver = rig.start_saver(folder, "/s")
    rig.wait_for(lambda: [w for w in saver.windows() if w.cls == "TrevlinForm1"], 30, what="the saver's form")
    time.sleep(1.0)
    pid = rig.wait_for(lambda: saver.linux_pid, 10, what="the saver's Linux process")
    # xdotool reading its script from stdin is started beforehand, so its start-up is not
    # counted: the clock starts when the line is handed to it.
    keyer = subprocess.Popen(["xdotool", "-"], stdin=subprocess.PIPE, env=rig.env)
    time.sleep(0.3)
    pressed = time.monotonic()
    keyer.stdin.write(b"key a\n")
    keyer.stdin.close()
    ended = wait_pid_exit(pid, 10)
    keyer.wait(10)
    code = saver.wait(10)
    if ended is None or code != 0:
        raise SystemExit(f"the saver did not end cleanly on a key (exit {code:#x})")
    return (ended - pressed) * 1000


def print_cpu(name: str, shares: list[tuple[float, float]]) -> None:
    print(summary(f"{name}: program + wineserver", "%", [p + s for p, s in shares], width=56))
    print(summary("   program", "%", [p for p, _ in shares], width=56))
    print(summary("   wineserver", "%", [s for _, s in shares], width=56))


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--rounds", type=int, default=5)
    parser.add_argument("--seconds", type=float, default=20.0, help="length of each CPU measurement")
    parser.add_argument("--exit-runs", type=int, default=5)
    parser.add_argument("--baseline", type=Path, help="another Trevlin.scr to measure beside this one")
    args = parser.parse_args()
    for needed in (SAVER_EXE, PLAYER_EXE) + ((args.baseline,) if args.baseline else ()):
        if not needed.exists():
            raise SystemExit(f"{needed} is missing: run tools/build")
    print(f"load: {' '.join(f'{v:.2f}' for v in os.getloadavg())} (1, 5, 15 min); "
          f"{args.seconds:g} s per CPU measurement")

    with tempfile.TemporaryDirectory(prefix="trevlin-bench-") as work_dir, Rig() as rig:
        work = Path(work_dir)
        empty = work / "empty"
        empty.mkdir()
        media = work / "media"
        media.mkdir()
        # Longer than any measurement, so that it is never rewound during one.
        length = int(args.seconds + SETTLE + 30)
        video = make_sized_video(media / VIDEO_NAME, length, VIDEO_SIZE, rate=VIDEO_RATE)
        builds = {"this": SAVER_EXE}
        if args.baseline:
            builds["baseline"] = args.baseline
        folders: dict[tuple[str, str], Path] = {}
        for build, exe in builds.items():
            for case, path in (("nothing", empty), ("4 fps", media)):
                folder = work / f"{build}-{case.replace(' ', '')}"
                folder.mkdir()
                shutil.copy2(exe, folder / "Trevlin.scr")
                write_ini(folder, f"[config]\nsound=0\npath={winpath(path)}\\\n")
                folders[(build, case)] = folder
        player_folder = work / "player"
        player_folder.mkdir()
        shutil.copy2(PLAYER_EXE, player_folder / PLAYER_EXE.name)

        cpu: dict[str, list[tuple[float, float]]] = {}

        def note(name: str, share: tuple[float, float], run: int) -> None:
            cpu.setdefault(name, []).append(share)
            print(f"round {run}: {name:<34} program {share[0]:5.2f} % + wineserver {share[1]:5.2f} % "
                  f"= {sum(share):5.2f} % of one core", flush=True)

        # The session's first DirectShow run sets up GStreamer's plugin registry for the
        # rig's fresh home, at a cost of its own; a run whose figures are dropped pays it.
        player_cpu(rig, player_folder, video, 1.0)
        for run in range(1, args.rounds + 1):
            start = time.monotonic()
            before = cpu_seconds(rig.wineserver_pid)
            time.sleep(args.seconds)
            floor = (cpu_seconds(rig.wineserver_pid) - before) / (time.monotonic() - start) * 100
            note("no program (wineserver alone)", (0.0, floor), run)
            for build in builds:
                note(f"nothing to show ({build})", saver_cpu(rig, folders[(build, "nothing")], args.seconds), run)
            for build in builds:
                note(f"4 fps video ({build})", saver_cpu(rig, folders[(build, "4 fps")], args.seconds), run)
            note("4 fps video (plain player)", player_cpu(rig, player_folder, video, args.seconds), run)

        exits: dict[str, list[float]] = {build: [] for build in builds}
        for run in range(1, args.exit_runs + 1):
            for build in builds:
                exits[build].append(key_to_end(rig, folders[(build, "nothing")]))
                print(f"exit run {run}: key to process end ({build}) {exits[build][-1]:6.1f} ms", flush=True)

    print()
    for name, shares in cpu.items():
        print_cpu(name, shares)
    for build, values in exits.items():
        print(summary(f"key press to process end ({build})", "ms", values, width=56))


if __name__ == "__main__":
    main()
