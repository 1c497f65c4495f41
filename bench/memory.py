#!/usr/bin/python3
"""Memory of the saver while it shows a video, against a plain DirectShow player of the same
file; under the Wine rig.

In every round, one after the other: this build's Trevlin.scr with sound=1 (soundtrack and
background music, as shipped) and with sound=01 (soundtrack only), the same for --baseline
if given, and build/windows/bench/plain_player.exe, alone and with the same music looped in
a second graph (what sound=1 adds, played the plainest way). Each runs until its picture
shows, then 3 s more, and its Linux process's working set (VmRSS) and private bytes
(Private_Clean + Private_Dirty of smaps_rollup) are read. Prints each round, then each
program's median and range above the plain player's median, and for sound=1 above the
plain player's with the music too.

Prints figures only; it asserts nothing.

--play S measures S seconds after the picture instead, with a 1.5 s music and a 2 s video,
so that both have looped many times: what a long show settles at.

    bench/memory.py [--rounds N] [--baseline PATH] [--play S]
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
LENGTH = 40   # seconds of video, longer than a run at the default settle


def measure(rig: Rig, folder: Path, arguments: str, exe_name: str, work: Path,
            play: float = SETTLE) -> tuple[float, float]:
    run = rig.start_saver(folder, arguments, exe_name=exe_name)
    try:
        wait_for_picture(rig, work)
        time.sleep(play)
        pid = rig.wait_for(lambda: run.linux_pid, TIMEOUT, what=f"the Linux process of {exe_name}")
        return memory(pid)
    finally:
        run.kill()


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--rounds", type=int, default=3)
    parser.add_argument("--baseline", type=Path, help="another Trevlin.scr to measure beside this one")
    parser.add_argument("--play", type=float, help="seconds to play short, looping media before measuring")
    args = parser.parse_args()
    builds = {"this": SAVER_EXE, **({"baseline": args.baseline} if args.baseline else {})}
    for needed in (PLAYER_EXE, *builds.values()):
        if not needed.exists():
            raise SystemExit(f"{needed} is missing: run tools/build")

    with tempfile.TemporaryDirectory(prefix="trevlin-bench-") as work_dir, Rig() as rig:
        work = Path(work_dir)
        media = work / "media"
        media.mkdir()
        play = args.play or SETTLE
        video = make_sized_video(media / VIDEO_NAME, 2 if args.play else LENGTH, (320, 240))
        music = make_music(media / MUSIC_NAME, 1.5) if args.play else make_music(media / MUSIC_NAME)
        runtime = int(play + 60)
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
        programs["plain player"] = (player, f'"{winpath(video)}" {runtime}', PLAYER_EXE.name)
        programs["plain, with music"] = (player, f'"{winpath(video)}" {runtime} "{winpath(music)}"', PLAYER_EXE.name)

        # The session's first DirectShow run sets up GStreamer's plugin registry; not counted.
        measure(rig, *programs["plain player"], work)
        found: dict[str, list[tuple[float, float]]] = {name: [] for name in programs}
        for run in range(1, args.rounds + 1):
            for name, program in programs.items():
                found[name].append(measure(rig, *program, work, play))
                print(f"round {run}: {name:<20} working set {found[name][-1][0]:6.1f} MB, "
                      f"private {found[name][-1][1]:6.1f} MB", flush=True)

    print()
    for reference in ("plain player", "plain, with music"):
        plain = [statistics.median(m[i] for m in found[reference]) for i in (0, 1)]
        for name, values in found.items():
            if reference == "plain, with music" and "sound=1" not in name:
                continue
            over = [[m[i] - plain[i] for m in values] for i in (0, 1)]
            print(f"{name:<20} above {reference + ':':<18} working set {statistics.median(over[0]):+5.1f} MB "
                  f"[{min(over[0]):+.1f}..{max(over[0]):+.1f}], private {statistics.median(over[1]):+5.1f} MB "
                  f"[{min(over[1]):+.1f}..{max(over[1]):+.1f}]")

if __name__ == "__main__":
    main()
