#!/usr/bin/python3
"""CPU cost of the saver on two monitors against one, and how fast a key ends it on two;
under the Wine rig.

Two rig sessions side by side: one with a single 1024x768 monitor, one with that monitor
and an 800x600 one left of it. The saver plays the same video (640x480, 25 fps, mpeg4,
12 s, so no restart falls inside a measurement; sound=0) in alternating rounds, one
session after the other, and the CPU of its process and of that session's wineserver is
measured over a quiet stretch after the picture shows. Then the primary's pictures with
two monitors against one, and on two with monitors=primary (no mirror): a video whose
frames tell their number in their colour, watched at one pixel of the primary from inside
the session, gives the frames drawn a second and those never shown (dropped, or drawn too
late to be seen). Then the time from a key to
the saver's process end, with two monitors.

With --mf, both sessions' DirectShow opens no MP4 (as Windows'), and the videos are H.264
MP4s at --size, played through Media Foundation: its renderer on one monitor, the sample
grabber and the painter on two.

Prints figures only; it asserts nothing.

    bench/monitors_cpu_and_exit.py [--runs N] [--seconds S] [--frame-runs N] [--exit-runs N]
                                   [--mf] [--size WxH]
"""

import argparse
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
from media import VIDEO_NAME, make_numbered_video, make_sized_video  # noqa: E402
from figures import summary  # noqa: E402
from rig import SAVER_EXE, Rig, cpu_shares, winpath, write_ini  # noqa: E402
from fallback_cpu_and_first_frame import make_mp4  # noqa: E402

PRIMARY = (0, 0, 1024, 768)
SECOND = (-800, 0, 800, 600)
VIDEO_SECONDS = 12
SETTLE = 2.0    # seconds after the saver's windows are up and the video had time to start
TIMEOUT = 30


def start(rig: Rig, folder: Path):
    saver = rig.start_saver(folder, "/s")
    covers = 1 if rig.monitors is None else len(rig.monitors)
    rig.wait_for(lambda: len([w for w in saver.windows() if w.cls in ("TrevlinForm1", "TrevlinCover")]) == covers,
                 TIMEOUT, what="the saver's windows")
    time.sleep(SETTLE)
    return saver, rig.wait_for(lambda: saver.linux_pid, TIMEOUT, what="the saver's process")


def cpu_run(rig: Rig, folder: Path, seconds: float) -> tuple[float, float]:
    saver, pid = start(rig, folder)
    try:
        return tuple(cpu_shares([pid, rig.wineserver_pid], seconds))
    finally:
        saver.kill()


def frames_run(rig: Rig, folder: Path, seconds: float) -> tuple[float, float]:
    """Frames drawn a second on the primary, and frames a second never shown."""
    saver, _ = start(rig, folder)
    try:
        # The top half of the numbered video tells bits 0-2 of the frame number, which the
        # probe reads; the middle row is where the halves meet.
        x, y = PRIMARY[0] + PRIMARY[2] // 2, PRIMARY[1] + PRIMARY[3] // 4
        out = rig.probe("frames", str(x), str(y), str(int(seconds * 1000)), timeout=seconds + TIMEOUT)
        fields = dict(field.split("=", 1) for field in out.split())
        return int(fields["changes"]) / seconds, int(fields["skipped"]) / seconds
    finally:
        saver.kill()


def exit_run(rig: Rig, folder: Path) -> float:
    saver, pid = start(rig, folder)
    try:
        sender = subprocess.Popen(["xdotool", "-"], stdin=subprocess.PIPE, env=rig.env)
        time.sleep(0.3)
        process = os.pidfd_open(pid)
        try:
            sent = time.monotonic()
            sender.stdin.write(b"key a\n")
            sender.stdin.close()
            ready = select.select([process], [], [], TIMEOUT)[0]
            ended = time.monotonic()
        finally:
            os.close(process)
        sender.wait(TIMEOUT)
        if not ready or saver.wait(TIMEOUT) != 0:
            raise SystemExit("the saver did not end cleanly on a key")
        return (ended - sent) * 1000
    finally:
        saver.kill()


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--runs", type=int, default=3, help="CPU measurements per layout")
    parser.add_argument("--seconds", type=float, default=5.0, help="length of each CPU measurement")
    parser.add_argument("--frame-runs", type=int, default=3, help="primary's frames watched per layout")
    parser.add_argument("--exit-runs", type=int, default=5, help="key presses with two monitors")
    parser.add_argument("--mf", action="store_true", help="H.264 MP4s through Media Foundation")
    parser.add_argument("--size", default="640x480", help="the video's size, WxH")
    args = parser.parse_args()
    size = tuple(int(v) for v in args.size.split("x"))
    if not SAVER_EXE.exists():
        raise SystemExit(f"{SAVER_EXE} is missing: run tools/build")

    with tempfile.TemporaryDirectory(prefix="trevlin-bench-") as work_dir, \
            Rig(directshow_mp4=not args.mf) as one, \
            Rig(monitors=[PRIMARY, SECOND], directshow_mp4=not args.mf) as two:
        work = Path(work_dir)
        media = work / "media"
        media.mkdir()
        if args.mf:
            make_mp4(media / VIDEO_NAME, VIDEO_SECONDS, size)
        else:
            make_sized_video(media / VIDEO_NAME, VIDEO_SECONDS, size)
        folder = work / "saver"
        folder.mkdir()
        shutil.copy2(SAVER_EXE, folder / "Trevlin.scr")
        write_ini(folder, f"[config]\nsound=0\npath={winpath(media)}\\\n")
        numbered_media = work / "numbered"
        numbered_media.mkdir()
        make_numbered_video(numbered_media / VIDEO_NAME, VIDEO_SECONDS, kind="mp4" if args.mf else "avi")
        numbered = work / "numbered-saver"
        numbered.mkdir()
        shutil.copy2(SAVER_EXE, numbered / "Trevlin.scr")
        write_ini(numbered, f"[config]\nsound=0\npath={winpath(numbered_media)}\\\n")
        # The same two monitors without the mirror: the primary's frames with and without it.
        unmirrored = work / "unmirrored-saver"
        unmirrored.mkdir()
        shutil.copy2(SAVER_EXE, unmirrored / "Trevlin.scr")
        write_ini(unmirrored, f"[config]\nsound=0\npath={winpath(numbered_media)}\\\nmonitors=primary\n")
        print(f"video {args.size} 25 fps {'H.264 MP4, Media Foundation' if args.mf else 'mpeg4'}, "
              f"{VIDEO_SECONDS} s, sound=0; one monitor 1024x768 against "
              f"1024x768 + 800x600; {args.seconds:g} s per CPU measurement; load {os.getloadavg()[0]:.2f}")

        layouts = {"one monitor": one, "two monitors": two}
        cpu = {name: [] for name in layouts}
        for run in range(1, args.runs + 1):
            for name, rig in layouts.items():
                share = cpu_run(rig, folder, args.seconds)
                cpu[name].append(share)
                print(f"run {run}: {name:<13} saver {share[0]:6.2f} %  wineserver {share[1]:5.2f} %  "
                      f"sum {sum(share):6.2f} %", flush=True)
        watched = {**{name: (rig, numbered) for name, rig in layouts.items()},
                   "two, monitors=primary": (two, unmirrored)}
        frames = {name: [] for name in watched}
        for run in range(1, args.frame_runs + 1):
            for name, (rig, saver_folder) in watched.items():
                frames[name].append(frames_run(rig, saver_folder, args.seconds))
                print(f"run {run}: {name:<21} primary's frames drawn {frames[name][-1][0]:5.1f}/s, "
                      f"never shown {frames[name][-1][1]:4.1f}/s", flush=True)
        ends = []
        for run in range(1, args.exit_runs + 1):
            ends.append(exit_run(two, folder))
            print(f"run {run}: two monitors, key to process end {ends[-1]:7.1f} ms", flush=True)

    print()
    for name, shares in cpu.items():
        print(summary(f"{name}: saver + wineserver", "%", [sum(s) for s in shares], width=40))
    one_median = statistics.median(sum(s) for s in cpu["one monitor"])
    two_median = statistics.median(sum(s) for s in cpu["two monitors"])
    print(f"ratio of medians, two monitors / one: {two_median / one_median:.2f}" if one_median else "no figure")
    for name, runs in frames.items():
        if runs:
            print(summary(f"{name}: primary's frames drawn", "/s", [r[0] for r in runs], width=40))
            print(summary(f"{name}: frames never shown", "/s", [r[1] for r in runs], width=40))
    print(summary("two monitors: key to process end", "ms", ends, width=40))


if __name__ == "__main__":
    main()
