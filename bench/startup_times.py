#!/usr/bin/python3
"""How long Trevlin.scr takes to show something, under the Wine rig.

Two figures per run, each timed inside Wine by "probe launch-timed" from just before
CreateProcess, polling every 2 ms:
  /c  until the "Configure" dialog is a visible window;
  /s  until the first video frame is on the screen: the video is one solid colour, and a
      screen pixel at the centre is read until it has that colour.
Then min/median/max over the runs. The first run of each kind pays for a cold disk cache
and DLL loading; it is printed with the others. Prints figures only; asserts nothing.

    bench/startup_times.py [--runs N]
"""

import argparse
import shutil
import subprocess
import sys
import tempfile
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "tests" / "wine"))
from media import MUSIC_NAME, VIDEO_NAME, _ffmpeg, make_music  # noqa: E402
from figures import summary  # noqa: E402
from rig import SAVER_EXE, Rig, click, controls, winpath, write_ini  # noqa: E402

COLOUR = "ff00ff"  # no part of the black form, the desktop or a dialog has it
VIDEO_SECONDS = 20  # longer than a measurement, so no rewind happens during one


def make_solid_video(path: Path) -> Path:
    """An AVI like the test video (mpeg4, mp3 soundtrack) whose every frame is COLOUR."""
    _ffmpeg("-f", "lavfi", "-i", f"color=c=0x{COLOUR}:size=320x240:rate=25:duration={VIDEO_SECONDS}",
            "-f", "lavfi", "-i", f"sine=frequency=440:sample_rate=44100:duration={VIDEO_SECONDS}",
            "-c:v", "mpeg4", "-q:v", "4", "-pix_fmt", "yuv420p",
            "-c:a", "libmp3lame", "-b:a", "128k", "-ac", "2", "-shortest", "-f", "avi", str(path))
    return path


def timed_start(rig: Rig, folder: Path, arguments: str, *what: str) -> tuple[subprocess.Popen, float | None]:
    """Starts the saver through "probe launch-timed"; returns the launcher and seen_ms."""
    rig.park_pointer()
    command_line = f'"{winpath(folder / "Trevlin.scr")}" {arguments}'
    launcher = subprocess.Popen(rig._wine_command(["launch-timed", command_line, *what]), env=rig.env,
                                cwd=folder, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                stderr=subprocess.DEVNULL, text=True)
    seen = None
    for line in launcher.stdout:
        if line.startswith("seen_ms="):
            value = line.strip().split("=", 1)[1]
            seen = None if value == "none" else float(value)
            break
        if line.startswith("error="):
            raise SystemExit(f"CreateProcess failed: {line.strip()}")
    return launcher, seen


def finish(launcher: subprocess.Popen) -> str:
    try:
        rest, _ = launcher.communicate(timeout=30)
    except subprocess.TimeoutExpired:
        launcher.kill()
        raise SystemExit("the saver did not end") from None
    return next((line for line in rest.splitlines() if line.startswith("exit=")), "exit=?")


def dialog_run(rig: Rig, folder: Path) -> float | None:
    launcher, seen = timed_start(rig, folder, "/c", "window", "TrevlinForm1", "Configure")
    dialog = rig.wait_for(lambda: [w for w in rig.windows() if w.text == "Configure"], 30,
                          what="the Configure dialog")[0]
    cancel = next(c for c in controls(rig, dialog)[1] if c.text == "Cancel")
    click(rig, cancel)
    finish(launcher)
    return seen


def saver_run(rig: Rig, folder: Path) -> float | None:
    x, y = rig.screen[0] // 2, rig.screen[1] // 2
    launcher, seen = timed_start(rig, folder, "/s", "pixel", str(x), str(y), COLOUR)
    time.sleep(0.5)
    rig.key("a")
    finish(launcher)
    # The next run must start on a screen without the colour.
    rig.wait_for(lambda: not [w for w in rig.windows() if w.cls == "TrevlinForm1"], 30,
                 what="the saver's form to go")
    return seen


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--runs", type=int, default=7)
    args = parser.parse_args()
    if not SAVER_EXE.exists():
        raise SystemExit(f"{SAVER_EXE} is missing: run tools/build")

    with tempfile.TemporaryDirectory(prefix="trevlin-bench-") as work, Rig() as rig:
        folder = Path(work) / "saver"
        media = Path(work) / "media"
        folder.mkdir()
        media.mkdir()
        shutil.copy2(SAVER_EXE, folder / "Trevlin.scr")
        make_solid_video(media / VIDEO_NAME)
        make_music(media / MUSIC_NAME)
        write_ini(folder, f"[config]\nsound=1\npath={winpath(media)}\\\n")

        results = {"/c to Configure dialog visible": [], "/s to first video frame": []}
        for run in range(1, args.runs + 1):
            dialog = dialog_run(rig, folder)
            frame = saver_run(rig, folder)
            print(f"run {run}: /c dialog {dialog if dialog is None else f'{dialog:.1f}'} ms, "
                  f"/s first frame {frame if frame is None else f'{frame:.1f}'} ms", flush=True)
            if dialog is not None:
                results["/c to Configure dialog visible"].append(dialog)
            if frame is not None:
                results["/s to first video frame"].append(frame)
        for name, values in results.items():
            missing = args.runs - len(values)
            print(summary(name, "ms", values, width=32, digits=1) if values else f"{name:<32} never seen",
                  f"({missing} runs never saw it)" if missing else "")


if __name__ == "__main__":
    main()
