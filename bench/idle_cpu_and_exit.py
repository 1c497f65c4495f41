#!/usr/bin/python3
"""Idle cost and exit speed of the saver, under the Wine rig.

Runs dist/Trevlin.scr /s with nothing to show (an empty media folder, sound=0) and, per
run, prints the CPU the saver's own Linux process used over a quiet stretch (percent of
one core; wineserver's share is printed beside it, as information) and the time from a
key press to the process's end. Then min/median/max over the runs. Targets: below 2 % of
one core, below 100 ms. Prints figures only; it asserts nothing.

    bench/idle_cpu_and_exit.py [--runs N] [--seconds S]
"""

import argparse
import shutil
import subprocess
import sys
import tempfile
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "tests" / "wine"))
from figures import summary  # noqa: E402
from rig import SAVER_EXE, Rig, cpu_shares, wait_pid_exit, winpath, write_ini  # noqa: E402

SETTLE = 2.0  # seconds after the form covers the screen, so start-up work is not counted


def one_run(rig: Rig, folder: Path, seconds: float) -> tuple[float, float, float]:
    saver = rig.start_saver(folder, "/s")
    screen = rig.screen_rect()
    rig.wait_for(lambda: [w for w in saver.windows() if w.cls == "TrevlinForm1" and w.rect == screen], 30,
                 what="the saver's form")
    time.sleep(SETTLE)
    pid = rig.wait_for(lambda: saver.linux_pid, 10, what="the saver's Linux process")
    server = rig.wineserver_pid

    saver_share, server_share = cpu_shares([pid, server], seconds)

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
    return saver_share, server_share, (ended - pressed) * 1000


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--seconds", type=float, default=10.0, help="length of each CPU measurement")
    args = parser.parse_args()
    if not SAVER_EXE.exists():
        raise SystemExit(f"{SAVER_EXE} is missing: run tools/build")

    with tempfile.TemporaryDirectory(prefix="trevlin-bench-") as work, Rig() as rig:
        folder = Path(work) / "saver"
        media = Path(work) / "empty"
        folder.mkdir()
        media.mkdir()
        shutil.copy2(SAVER_EXE, folder / "Trevlin.scr")
        write_ini(folder, f"[config]\nsound=0\npath={winpath(media)}\\\n")

        results = []
        print(f"{SAVER_EXE} /s, no video, no music, {args.seconds:g} s per CPU measurement")
        for run in range(1, args.runs + 1):
            saver_share, server_share, exit_ms = one_run(rig, folder, args.seconds)
            results.append((saver_share, server_share, exit_ms))
            print(f"run {run}: saver CPU {saver_share:5.2f} % of one core (wineserver {server_share:5.2f} %), "
                  f"key to exit {exit_ms:6.1f} ms", flush=True)

    print(summary("saver CPU, % of one core", "%", [r[0] for r in results]) + "   (target < 2)")
    print(summary("wineserver CPU, % of one core", "%", [r[1] for r in results]))
    print(summary("key press to process end", "ms", [r[2] for r in results]) + "  (target < 100)")


if __name__ == "__main__":
    main()
