#!/usr/bin/python3
"""The saver's Media Foundation path against a plain Media Foundation player of the same
file, under the Wine rig in a session whose DirectShow opens no MP4 (as a stock Windows').

(a) CPU while an H.264/AAC MP4 (25 fps, at --size, longer than a measurement) plays,
    the picture showing: the saver with sound=01 (soundtrack, no music: the plain
    player's work) and build/windows/bench/plain_mf_player.exe, one after the other in
    every round. CPU of the program's Linux process plus wineserver's, percent of one
    core; the ratio of the saver's median to the player's.
(b) Time from the start to the first frame: `/s` through DirectShow's failed attempt and
    then Media Foundation, and the plain player, taking turns; a frame is seen when the
    screen's centre shows the solid video's colour (probe launch-timed).

(c) The loop's gap: the soundtrack of a 4 s MP4 recorded from the null sink while the
    saver (sound=01) and the plain player loop it, in turn; every silence of 5 ms or more
    (5 ms blocks below a tenth of the typical level), with its place in the recording.
Prints figures only; it asserts nothing.

    bench/fallback_cpu_and_first_frame.py [--rounds N] [--seconds S] [--size WxH] [--frames N]
                                          [--gap-seconds S]
"""

import argparse
import os
import shutil
import statistics
import sys
import tempfile
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "tests" / "wine"))
from figures import summary  # noqa: E402
from media import VIDEO_NAME, _ffmpeg, _tone, VIDEO_TONE  # noqa: E402
from rig import RATE, REPO, SAVER_EXE, Rig, rms, winpath, write_ini  # noqa: E402
from startup_times import COLOUR, first_frame  # noqa: E402
from video_cpu_and_exit import SETTLE, TIMEOUT, cpu_run, wait_for_picture  # noqa: E402

PLAYER_EXE = REPO / "build" / "windows" / "bench" / "plain_mf_player.exe"


def make_mp4(path: Path, seconds: float, size: tuple[int, int], picture: str = "testsrc2=") -> Path:
    _ffmpeg("-f", "lavfi", "-i", f"{picture}size={size[0]}x{size[1]}:rate=25:duration={seconds}",
            *_tone(VIDEO_TONE, seconds), "-c:v", "libx264", "-preset", "veryfast", "-pix_fmt", "yuv420p",
            "-c:a", "aac", "-b:a", "128k", "-ac", "2", "-shortest", "-f", "mp4", str(path))
    return path


def silences(samples) -> list[tuple[int, int]]:
    """(start, length) in ms of each run of 5 ms blocks below a tenth of the typical level."""
    block = 2 * RATE // 200  # stereo
    levels = [rms(samples[i:i + block]) for i in range(0, len(samples) - block, block)]
    quiet = statistics.median(levels) / 10
    found, run = [], 0
    for i, level in enumerate(levels + [quiet]):
        if level < quiet:
            run += 1
        elif run:
            found.append(((i - run) * 5, run * 5))
            run = 0
    return found


def gap_run(rig: Rig, folder: Path, arguments: str, exe_name: str, seconds: float, work: Path):
    run = rig.start_saver(folder, arguments, exe_name=exe_name)
    try:
        wait_for_picture(rig, work)
        with rig.record(work / "gap.raw") as recording:
            time.sleep(seconds)
        return silences(recording.stop())
    finally:
        run.kill()


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--rounds", type=int, default=5, help="CPU measurements per program")
    parser.add_argument("--seconds", type=float, default=8.0, help="length of each CPU measurement")
    parser.add_argument("--size", default="640x480")
    parser.add_argument("--frames", type=int, default=7, help="first-frame runs per program")
    parser.add_argument("--gap-seconds", type=float, default=16.0, help="recording of each loop run (0: none)")
    args = parser.parse_args()
    size = tuple(int(v) for v in args.size.split("x"))
    for needed in (SAVER_EXE, PLAYER_EXE):
        if not needed.exists():
            raise SystemExit(f"{needed} is missing: run tools/build")
    print(f"load: {' '.join(f'{v:.2f}' for v in os.getloadavg())} (1, 5, 15 min)")

    with tempfile.TemporaryDirectory(prefix="trevlin-bench-") as work_dir, Rig(directshow_mp4=False) as rig:
        work = Path(work_dir)
        length = int(args.seconds + SETTLE + TIMEOUT)
        media, solid_media = work / "media", work / "solid"
        media.mkdir()
        solid_media.mkdir()
        video = make_mp4(media / VIDEO_NAME, length, size)
        solid = make_mp4(solid_media / VIDEO_NAME, 20, (320, 240), f"color=c=0x{COLOUR}:")  # noqa: E231
        print(f"H.264/AAC MP4, 25 fps, {size[0]}x{size[1]}, {length} s; screen {rig.screen[0]}x{rig.screen[1]}; "
              f"{args.seconds:g} s per CPU measurement")
        saver, solid_saver, player = work / "saver", work / "solid-saver", work / "player"
        for folder, exe in ((saver, SAVER_EXE), (solid_saver, SAVER_EXE), (player, PLAYER_EXE)):
            folder.mkdir()
            shutil.copy2(exe, folder / exe.name)
        write_ini(saver, f"[config]\nsound=01\npath={winpath(media)}\\\n")
        write_ini(solid_saver, f"[config]\nsound=0\npath={winpath(solid_media)}\\\n")
        programs = {"saver, sound=01": (saver, "/s", SAVER_EXE.name),
                    "plain Media Foundation player": (player, f'"{winpath(video)}" {length}', PLAYER_EXE.name)}

        # The session's first run sets up GStreamer's registry for the fresh home.
        cpu_run(rig, player, programs["plain Media Foundation player"][1], PLAYER_EXE.name, 1.0, work)
        cpu: dict[str, list[float]] = {}
        for run in range(1, args.rounds + 1):
            # Alternating which comes first, so neither always follows the other.
            for name in (list(programs) if run % 2 else list(reversed(programs))):
                folder, arguments, exe_name = programs[name]
                found = cpu_run(rig, folder, arguments, exe_name, args.seconds, work)
                cpu.setdefault(name, []).append(found[0] + found[1])
                print(f"round {run}: {name:<32} CPU {found[0]:6.2f} % + wineserver {found[1]:5.2f} %", flush=True)

        frames: dict[str, list[float]] = {}
        for run in range(1, args.frames + 1):
            runs = [("/s, DirectShow tried first", lambda: first_frame(rig, solid_saver, SAVER_EXE.name, "/s",
                                                                       "TrevlinForm1")),
                    ("plain Media Foundation player", lambda: first_frame(
                        rig, player, PLAYER_EXE.name, f'"{winpath(solid)}" 5', "PlainMfPlayer"))]
            for name, measure in (runs if run % 2 else list(reversed(runs))):
                seen = measure()
                print(f"run {run}: {name:<32} first frame {seen} ms", flush=True)
                if seen is not None:
                    frames.setdefault(name, []).append(seen)

        if args.gap_seconds:
            short_media, short_saver = work / "short", work / "short-saver"
            short_media.mkdir()
            short_saver.mkdir()
            short = make_mp4(short_media / VIDEO_NAME, 4, (320, 240))
            shutil.copy2(SAVER_EXE, short_saver / SAVER_EXE.name)
            write_ini(short_saver, f"[config]\nsound=01\npath={winpath(short_media)}\\\n")
            for name, (folder, arguments, exe_name) in {
                    "saver, sound=01": (short_saver, "/s", SAVER_EXE.name),
                    "plain Media Foundation player": (player, f'"{winpath(short)}" 60', PLAYER_EXE.name)}.items():
                found = gap_run(rig, folder, arguments, exe_name, args.gap_seconds, work)
                print(f"{name}, 4 s MP4 looping, {args.gap_seconds:g} s recorded: silences (at ms, ms long) "
                      f"{found}", flush=True)

    print()
    for name, found in cpu.items():
        print(summary(f"{name}, CPU + wineserver", "%", found, width=50))
    if len(cpu) == 2:
        saver_cpu, player_cpu = (statistics.median(v) for v in cpu.values())
        print(f"   ratio of medians, saver to plain player: {saver_cpu / player_cpu:.2f}")
    for name, found in frames.items():
        print(summary(f"{name}, to first frame", "ms", found, width=50, digits=0))


if __name__ == "__main__":
    main()
