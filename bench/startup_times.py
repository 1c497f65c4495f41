#!/usr/bin/python3
"""How long Trevlin.scr takes to show something, against baselines, under the Wine rig.

Each figure is timed inside Wine by "probe launch-timed" from just before CreateProcess,
polling every 2 ms (or waiting, for a process's end). In every run each program below is
started once, in this order, so that a slow patch of the machine touches all alike:
  /c           until the "Configure" dialog is a visible window;
  minimal      build/windows/bench/minimal_window.exe until its window is visible;
  /s           until the first video frame is on the screen (the video is one solid colour,
               and a screen pixel at the centre is read until it has that colour);
  plain        build/windows/bench/plain_player.exe of the same file, the same way;
  other        Trevlin.scr with an empty command line and with "/x", until its end;
  empty        build/windows/bench/empty_program.exe, until its end.
With --baseline, another build of Trevlin.scr (say the landed main's) takes each saver
figure right after this one's.

Then --music-runs runs of /s with sound=1, the null sink recorded: the time from the launch
to the music being heard and to the video's soundtrack being heard, the music's delay
behind the soundtrack, both levels from 0.8 to 3.8 s after the form appeared (a run whose
music is much quieter there than in the others is marked), and the dropouts once both
play: tenths of a second in which both tones fall below half their usual level together,
which a late start of the music would not do. --cpu-hogs N keeps N busy processes running
during the music runs, to see what a loaded machine does to the sound.

A first run of the plain player, not counted, sets up what a session's first DirectShow
run sets up. Prints figures only; asserts nothing.

    bench/startup_times.py [--runs N] [--music-runs N] [--baseline PATH]
"""

import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "tests" / "wine"))
from media import MUSIC_NAME, MUSIC_TONE, VIDEO_NAME, _ffmpeg, make_music  # noqa: E402
from figures import summary  # noqa: E402
from rig import REPO, RATE, SAVER_EXE, SINK, Rig, click, controls, read_samples, tone_level, winpath, write_ini  # noqa: E402

BENCH_BIN = REPO / "build" / "windows" / "bench"
PLAYER_EXE = BENCH_BIN / "plain_player.exe"
MINIMAL_EXE = BENCH_BIN / "minimal_window.exe"
EMPTY_EXE = BENCH_BIN / "empty_program.exe"
COLOUR = "ff00ff"  # no part of the black form, the desktop or a dialog has it
VIDEO_SECONDS = 20  # longer than a measurement, so no rewind happens during one
SOUNDTRACK_TONE = 440.0  # Hz, the solid video's soundtrack
HEARD_SHARE = 0.5  # a tone is heard from the first block at half its steady level
BLOCK = 0.02  # seconds per level block when looking for a tone's start
WINDOW_SPAN = (0.8, 3.8)  # seconds after the form appeared, for the level figures
MUSIC_RECORD = 5.0  # seconds recorded after the form appeared


def make_solid_video(path: Path) -> Path:
    """An AVI like the test video (mpeg4, mp3 soundtrack) whose every frame is COLOUR."""
    _ffmpeg("-f", "lavfi", "-i", f"color=c=0x{COLOUR}:size=320x240:rate=25:duration={VIDEO_SECONDS}",
            "-f", "lavfi", "-i", f"sine=frequency={SOUNDTRACK_TONE:g}:sample_rate=44100:duration={VIDEO_SECONDS}",
            "-c:v", "mpeg4", "-q:v", "4", "-pix_fmt", "yuv420p",
            "-c:a", "libmp3lame", "-b:a", "128k", "-ac", "2", "-shortest", "-f", "avi", str(path))
    return path


def timed_start(rig: Rig, folder: Path, exe: str, arguments: str, *what: str) -> tuple[subprocess.Popen, float | None]:
    """Starts folder/exe through "probe launch-timed"; returns the launcher and seen_ms."""
    rig.park_pointer()
    command_line = f'"{winpath(folder / exe)}"' + (f" {arguments}" if arguments else "")
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
        raise SystemExit("the program did not end") from None
    return next((line for line in rest.splitlines() if line.startswith("exit=")), "exit=?")


def gone(rig: Rig, window_class: str) -> None:
    """The next run must start on a screen without the last one's windows."""
    rig.wait_for(lambda: not [w for w in rig.windows() if w.cls == window_class], 30,
                 what=f"the {window_class} windows to go")


def dialog_run(rig: Rig, folder: Path) -> float | None:
    launcher, seen = timed_start(rig, folder, "Trevlin.scr", "/c", "window", "TrevlinForm1", "Configure")
    dialog = rig.wait_for(lambda: [w for w in rig.windows() if w.text == "Configure"], 30,
                          what="the Configure dialog")[0]
    cancel = next(c for c in controls(rig, dialog)[1] if c.text == "Cancel")
    click(rig, cancel)
    finish(launcher)
    return seen


def minimal_run(rig: Rig, folder: Path) -> float | None:
    launcher, seen = timed_start(rig, folder, MINIMAL_EXE.name, "1", "window", "MinimalWindow", "Minimal")
    finish(launcher)  # it closes itself after a second
    return seen


def first_frame(rig: Rig, folder: Path, exe: str, arguments: str, window_class: str) -> float | None:
    x, y = rig.screen[0] // 2, rig.screen[1] // 2
    launcher, seen = timed_start(rig, folder, exe, arguments, "pixel", str(x), str(y), COLOUR)
    time.sleep(0.5)
    rig.key("a")
    finish(launcher)
    gone(rig, window_class)
    return seen


def end_run(rig: Rig, folder: Path, exe: str, arguments: str) -> float | None:
    launcher, seen = timed_start(rig, folder, exe, arguments, "end")
    finish(launcher)
    return seen


# ---------------------------------------------------------------- music heard

def levels(samples, frequency: float, first: int, last: int) -> list[float]:
    """The tone's level in each BLOCK of the stereo samples from frame first to frame last."""
    size = int(RATE * BLOCK)
    return [tone_level(samples[2 * i:2 * (i + size)], frequency) for i in range(first, last - size + 1, size)]


def onset(samples, frequency: float, first: int, last: int) -> float | None:
    """Seconds after frame first at which the tone reaches HEARD_SHARE of its steady level
    (the median of the recording's second half)."""
    found = levels(samples, frequency, first, last)
    if len(found) < 4:
        return None
    steady = statistics.median(found[len(found) // 2:])
    if steady < 0.005:
        return None
    return next((i * BLOCK for i, level in enumerate(found) if level >= HEARD_SHARE * steady), None)


def dropouts(samples, first: int, last: int, tones: tuple[float, ...]) -> int:
    """Tenths of a second from frame first to frame last in which every one of the tones
    is below HEARD_SHARE of its usual (median) level."""
    size = RATE // 10
    blocks = [samples[2 * i:2 * (i + size)] for i in range(first, last - size + 1, size)]
    if not blocks:
        return 0
    levels_by_tone = [[tone_level(b, tone) for b in blocks] for tone in tones]
    usual = [statistics.median(found) for found in levels_by_tone]
    return sum(1 for i in range(len(blocks))
               if all(found[i] < HEARD_SHARE * u for found, u in zip(levels_by_tone, usual)))


def music_run(rig: Rig, folder: Path, work: Path, exe: str = "Trevlin.scr", arguments: str = "/s",
              window: tuple[str, str] = ("TrevlinForm1", "Form1")) -> dict[str, float | None]:
    """One run, recorded: the saver with sound=1, or the plain player. Times are from the
    launch, in ms."""
    raw = work / "sink.raw"
    # An idle null sink is suspended and its monitor then delivers nothing: silence played
    # into it keeps the recording's frames in step with the clock.
    silence = subprocess.Popen(["pacat", "--raw", "--format=s16le", f"--rate={RATE}", "--channels=2",
                                f"--device={SINK}", "/dev/zero"], env=rig.env, stdin=subprocess.DEVNULL)
    recording = rig.record(raw).start()
    try:
        # parec's first frames come a second or two late; from then on it keeps pace.
        rig.wait_for(lambda: raw.stat().st_size > 0, 30, interval=0.05, what="parec's first frames")
        time.sleep(0.5)
        launcher, seen = timed_start(rig, folder, exe, arguments, "window", *window)
        # The recording's frame now: what parec has written, and its latency's worth more.
        appeared_frame = raw.stat().st_size // 4 + int(0.05 * RATE)
        time.sleep(MUSIC_RECORD)
        # What was recorded before the key: the sound's end after it is no dropout.
        key_frame = raw.stat().st_size // 4
        rig.key("a")
        finish(launcher)
    finally:
        samples = recording.stop()
        silence.terminate()
        silence.wait(10)
    gone(rig, window[0])
    if seen is None:
        return {}
    launch_frame = appeared_frame - int(seen / 1000 * RATE)
    end_frame = min(len(samples) // 2, key_frame)
    music = onset(samples, MUSIC_TONE, launch_frame, end_frame)
    soundtrack = onset(samples, SOUNDTRACK_TONE, launch_frame, end_frame)
    span = (appeared_frame + int(WINDOW_SPAN[0] * RATE), appeared_frame + int(WINDOW_SPAN[1] * RATE))
    window = samples[2 * span[0]:2 * span[1]]
    both = None if music is None or soundtrack is None else launch_frame + int(max(music, soundtrack) * RATE)
    return {
        "dropouts": None if both is None else dropouts(samples, both, end_frame, (MUSIC_TONE, SOUNDTRACK_TONE)),
        "soundtrack dropouts": None if soundtrack is None else dropouts(
            samples, launch_frame + int(soundtrack * RATE), end_frame, (SOUNDTRACK_TONE,)),
        "form": seen,
        "music": None if music is None else music * 1000,
        "soundtrack": None if soundtrack is None else soundtrack * 1000,
        "music level": tone_level(window, MUSIC_TONE),
        "soundtrack level": tone_level(window, SOUNDTRACK_TONE),
    }


def music_line(run: int, found: dict[str, float | None]) -> dict[str, float | None]:
    if not found:
        print(f"music run {run}: the form was never seen", flush=True)
        return found
    delay = (found["music"] - found["soundtrack"]
             if found["music"] is not None and found["soundtrack"] is not None else None)
    print(f"music run {run}: form {found['form']:.0f} ms, soundtrack heard "
          f"{found['soundtrack'] if found['soundtrack'] is None else round(found['soundtrack'])} ms, "
          f"music heard {found['music'] if found['music'] is None else round(found['music'])} ms, "
          f"music behind soundtrack {delay if delay is None else round(delay)} ms; "
          f"levels {WINDOW_SPAN[0]}-{WINDOW_SPAN[1]} s after the form: music "
          f"{found['music level']:.3f}, soundtrack {found['soundtrack level']:.3f}; "
          f"dropouts {found['dropouts']} tenths of a second", flush=True)
    return found


def print_summaries(results: dict[str, list[float]], runs: int) -> None:
    for name, values in results.items():
        missing = runs - len(values)
        print(summary(name, "ms", values, width=44, digits=1) if values else f"{name:<44} never seen",
              f"({missing} runs never saw it)" if missing else "")


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--runs", type=int, default=7)
    parser.add_argument("--music-runs", type=int, default=10)
    parser.add_argument("--baseline", type=Path, help="another Trevlin.scr to time beside this one")
    parser.add_argument("--cpu-hogs", type=int, default=0, help="busy processes during the music runs")
    args = parser.parse_args()
    for needed in (SAVER_EXE, PLAYER_EXE, MINIMAL_EXE, EMPTY_EXE) + ((args.baseline,) if args.baseline else ()):
        if not needed.exists():
            raise SystemExit(f"{needed} is missing: run tools/build")
    print(f"load: {' '.join(f'{v:.2f}' for v in os.getloadavg())} (1, 5, 15 min)")

    with tempfile.TemporaryDirectory(prefix="trevlin-bench-") as work_dir, Rig() as rig:
        work = Path(work_dir)
        media = work / "media"
        media.mkdir()
        video = make_solid_video(media / VIDEO_NAME)
        make_music(media / MUSIC_NAME)
        savers = {"this": SAVER_EXE}
        if args.baseline:
            savers["baseline"] = args.baseline
        folders = {}
        for name, exe in savers.items():
            folder = work / f"saver-{name}"
            folder.mkdir()
            shutil.copy2(exe, folder / "Trevlin.scr")
            write_ini(folder, f"[config]\nsound=1\npath={winpath(media)}\\\n")
            folders[name] = folder
        tools = work / "tools"
        tools.mkdir()
        for exe in (PLAYER_EXE, MINIMAL_EXE, EMPTY_EXE):
            shutil.copy2(exe, tools / exe.name)

        results: dict[str, list[float]] = {}

        def note(name: str, value: float | None) -> str:
            if value is not None:
                results.setdefault(name, []).append(value)
            else:
                results.setdefault(name, [])
            return f"{name} {'-' if value is None else f'{value:.1f}'}"

        # The session's first DirectShow run sets up GStreamer's plugin registry for the
        # rig's fresh home, at a cost of its own; a run whose figures are dropped pays it.
        first_frame(rig, tools, PLAYER_EXE.name, f'"{winpath(video)}" 5', "PlainPlayer")
        for run in range(1, args.runs + 1):
            line = []
            # Whichever dialog comes first in a run is about 30 ms slower (the run before it
            # leaves something to settle), so the two builds take turns at being first.
            order = list(folders.items())
            for name, folder in order if run % 2 else reversed(order):
                line.append(note(f"/c to dialog ({name})", dialog_run(rig, folder)))
            line.append(note("minimal window shown", minimal_run(rig, tools)))
            for name, folder in folders.items():
                line.append(note(f"/s to first frame ({name})", first_frame(rig, folder, "Trevlin.scr", "/s",
                                                                             "TrevlinForm1")))
            line.append(note("plain player to first frame",
                             first_frame(rig, tools, PLAYER_EXE.name, f'"{winpath(video)}" 5', "PlainPlayer")))
            for name, folder in folders.items():
                line.append(note(f"empty command line to end ({name})", end_run(rig, folder, "Trevlin.scr", "")))
                line.append(note(f"/x to end ({name})", end_run(rig, folder, "Trevlin.scr", "/x")))
            line.append(note("empty program to end", end_run(rig, tools, EMPTY_EXE.name, "")))
            print(f"run {run}: " + ", ".join(line) + " ms", flush=True)

        music: list[dict[str, float | None]] = []
        plain: list[dict[str, float | None]] = []
        hogs = [subprocess.Popen([sys.executable, "-c", "while True: pass"]) for _ in range(args.cpu_hogs)]
        try:
            for run in range(1, args.music_runs + 1):
                music.append(music_line(run, music_run(rig, folders["this"], work)))
                # The plain player's soundtrack beside it: what the machine does to any sound.
                found = music_run(rig, tools, work, PLAYER_EXE.name, f'"{winpath(video)}" {MUSIC_RECORD + 2:g}',
                                  ("PlainPlayer", "plain"))
                plain.append(found)
                print(f"plain player run {run}: soundtrack heard "
                      f"{found.get('soundtrack') if found.get('soundtrack') is None else round(found['soundtrack'])}"
                      f" ms, soundtrack dropouts {found.get('soundtrack dropouts')} tenths of a second", flush=True)
        finally:
            for hog in hogs:
                hog.kill()
                hog.wait()

    print()
    print_summaries(results, args.runs)
    heard = [m for m in music if m]
    for key, name in (("music", "/s to music heard (sound=1)"), ("soundtrack", "/s to soundtrack heard")):
        values = [m[key] for m in heard if m[key] is not None]
        if values:
            print(summary(name, "ms", values, width=44, digits=1), f"worst {max(values):.1f} ms of {len(values)}")
    delays = [m["music"] - m["soundtrack"] for m in heard if m["music"] is not None and m["soundtrack"] is not None]
    if delays:
        print(summary("music behind soundtrack", "ms", delays, width=44, digits=1))
    if heard:
        usual = statistics.median(m["music level"] for m in heard)
        quiet = [i + 1 for i, m in enumerate(music) if m and m["music level"] < 0.5 * usual]
        print(f"music level {WINDOW_SPAN[0]}-{WINDOW_SPAN[1]} s after the form: median {usual:.3f}; "
              f"runs below half of it: {quiet or 'none'}")
        lost = [m["dropouts"] for m in heard if m["dropouts"] is not None]
        print(f"saver, dropouts of both tones together: {sum(lost)} tenths of a second in {len(lost)} runs; "
              f"runs with any: {sum(1 for n in lost if n)}")
    for name, runs in (("saver", music), ("plain player", plain)):
        lost = [m["soundtrack dropouts"] for m in runs if m and m.get("soundtrack dropouts") is not None]
        if lost:
            print(f"{name}, dropouts of the soundtrack: {sum(lost)} tenths of a second in {len(lost)} runs; "
                  f"runs with any: {sum(1 for n in lost if n)}")


if __name__ == "__main__":
    main()
