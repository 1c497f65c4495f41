#!/usr/bin/python3
"""Memory of the saver while it shows a video, against a plain DirectShow player of the same
file; under the Wine rig.

In every round, one after the other: this build's Trevlin.scr with sound=1 (soundtrack and
background music, as shipped) and with sound=01 (soundtrack only), the same for --baseline
if given, and build/windows/bench/plain_player.exe. Each runs until its picture shows, then
3 s more, and its Linux process's working set (VmRSS) and private bytes (Private_Clean +
Private_Dirty of smaps_rollup) are read. Prints each round, then each program's median
and range above the plain player's median.

Prints figures only; it asserts nothing.

    bench/memory.py [--rounds N] [--baseline PATH]
"""

import argparse
import shutil
import statistics
import sys
import tempfile
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "tests" / "wine"))
from media import MUSIC_NAME, VIDEO_NAME, make_music, make_sized_video  # noqa: E402
from rig import SAVER_EXE, Rig, winpath, write_ini  # noqa: E402
from video_cpu_and_exit import PLAYER_EXE, TIMEOUT, memory, wait_for_picture  # noqa: E402

SETTLE = 3.0  # seconds after the picture shows: the music's graph is built by then
LENGTH = 40   # seconds of video, longer than a run


def measure(rig: Rig, folder: Path, arguments: str, exe_name: str, work: Path) -> tuple[float, float]:
    run = rig.start_saver(folder, arguments, exe_name=exe_name)
    try:
        wait_for_picture(rig, work)
        time.sleep(SETTLE)
        pid = rig.wait_for(lambda: run.linux_pid, TIMEOUT, what=f"the Linux process of {exe_name}")
        return memory(pid)
    finally:
        run.kill()


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--rounds", type=int, default=3)
    parser.add_argument("--baseline", type=Path, help="another Trevlin.scr to measure beside this one")
    args = parser.parse_args()
    builds = {"this": SAVER_EXE, **({"baseline": args.baseline} if args.baseline else {})}
    for needed in (PLAYER_EXE, *builds.values()):
        if not needed.exists():
            raise SystemExit(f"{needed} is missing: run tools/build")

    with tempfile.TemporaryDirectory(prefix="trevlin-bench-") as work_dir, Rig() as rig:
        work = Path(work_dir)
        media = work / "media"
        media.mkdir()
        video = make_sized_video(media / VIDEO_NAME, LENGTH, (320, 240))
        make_music(media / MUSIC_NAME)
        programs = {}
        for build, exe in builds.items():
            for sound in ("1", "01"):
                folder = work / f"{build}-{sound}"
                folder.mkdir()
                shutil.copy2(exe, folder / "Trevlin.scr")
                write_ini(folder, f"[config]\nsound={sound}\npath={winpath(media)}\\\n")
                programs[f"{build}, sound={sound}"] = (folder, "/s", "Trevlin.scr")
        player = work / "player"
        player.mkdir()
        shutil.copy2(PLAYER_EXE, player / PLAYER_EXE.name)
        programs["plain player"] = (player, f'"{winpath(video)}" {LENGTH}', PLAYER_EXE.name)

        # The session's first DirectShow run sets up GStreamer's plugin registry; not counted.
        measure(rig, *programs["plain player"], work)
        found: dict[str, list[tuple[float, float]]] = {name: [] for name in programs}
        for run in range(1, args.rounds + 1):
            for name, program in programs.items():
                found[name].append(measure(rig, *program, work))
                print(f"round {run}: {name:<20} working set {found[name][-1][0]:6.1f} MB, "
                      f"private {found[name][-1][1]:6.1f} MB", flush=True)

    print()
    plain = [statistics.median(m[i] for m in found["plain player"]) for i in (0, 1)]
    for name, values in found.items():
        over = [[m[i] - plain[i] for m in values] for i in (0, 1)]
        print(f"{name:<20} above the plain player: working set {statistics.median(over[0]):+5.1f} MB "
              f"[{min(over[0]):+.1f}..{max(over[0]):+.1f}], private {statistics.median(over[1]):+5.1f} MB "
              f"[{min(over[1]):+.1f}..{max(over[1]):+.1f}]")


if __name__ == "__main__":
    main()
