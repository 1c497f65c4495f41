"""What the Wine tests measure the show by, and the thresholds they hold it to: the sound's
levels on the null sink, how much the picture moves, how much it looks like the video, and
the screen's blackness. The generated media's tones are told apart by pitch (media.py)."""

import subprocess
import time

from conftest import FIGURES, SHOW_TIMEOUT, end_with_key, start_show, wait_for_picture
from media import VIDEO_TONE
from rig import RATE, mean_rgb_outside, picture_difference, tone_level

HEARD = 0.02        # tone level; the show's tones play at about 0.07 to 0.35
SILENT = HEARD / 10
# The soundtrack at full volume measures about 0.24; 6 dB down it would be half that.
FULL_VOLUME = 0.16
BLOCK = 0.25        # seconds of sound per level in levels()
LISTEN = 3          # seconds of listening, at least, in listen()
# Mean difference per channel, 0..255. Two frames of the generated video half a second
# apart differ by about 17; a stalled picture by 0.
MOVED = 3.0
# Screen and video frame, both shrunk to a 32x24 thumbnail: about 13 to 19 apart for the
# video stretched over the screen, 125 for a black screen.
LOOKS_LIKE = 40.0
DARK = 2.0          # mean channel value allowed for a black screen once its controls are blanked


def levels(samples, frequency):
    """The tone's level in each BLOCK of a stereo recording."""
    size = int(RATE * BLOCK) * 2
    return [tone_level(samples[i:i + size], frequency) for i in range(0, len(samples) - size + 1, size)]


def longest_silence(found):
    """The longest run of BLOCKs without the tone, in seconds, from the first one with it
    to the end of the recording."""
    heard = [level > HEARD for level in found]
    longest = run = 0
    for loud in heard[heard.index(True):] if True in heard else []:
        run = 0 if loud else run + 1
        longest = max(longest, run)
    return longest * BLOCK


def listen(rig, path, tones, wanted=()):
    """Each tone's level (name: frequency) in one-second recordings: LISTEN seconds of
    them, and more, up to SHOW_TIMEOUT, until every tone named in wanted has been heard.
    The saver starts its music only once the video's graph has been tried, which on a
    busy machine may take a while."""
    found = {name: [] for name in tones}
    start = time.monotonic()
    while True:
        with rig.record(path) as recording:
            time.sleep(1.0)
        samples = recording.stop()
        for name, frequency in tones.items():
            found[name].append(tone_level(samples, frequency))
        elapsed = time.monotonic() - start
        if elapsed >= SHOW_TIMEOUT or (elapsed >= LISTEN and all(max(found[name]) > HEARD for name in wanted)):
            return found


def loudest(rig, path, tones, wanted=()):
    return {name: max(found) for name, found in listen(rig, path, tones, wanted).items()}


def watch_late(rig, tmp_path, gap, after):
    """Two screenshots gap seconds apart, and the sink recorded from the first to after
    seconds past the second: (how much the picture moved, the recorded samples). Wine's
    renderers sometimes stall on a rewind (one of the two, not both): the picture or the
    soundtrack going on shows that the video was started again."""
    with rig.record(tmp_path / "late.raw") as recording:
        first = rig.screenshot(tmp_path / "late-1.png")
        time.sleep(gap)
        second = rig.screenshot(tmp_path / "late-2.png")
        time.sleep(after)
    samples = recording.stop()
    return picture_difference(first, second), samples


def likeness(shot, frame, work):
    """How far the screenshot is from the video's frame, both shrunk to thumbnails."""
    small = []
    for image in (shot, frame):
        path = work / f"{image.stem}-small.png"
        subprocess.run(["convert", str(image), "-resize", "32x24!", str(path)], check=True, timeout=30)
        small.append(path)
    return picture_difference(*small)


def assert_black_around_controls(rig, form, shot, when=""):
    """The screen is black but for the form's visible controls (a small link label), which
    are painted out, but only while they stay small: a video window left visible over the
    form is no control."""
    controls = [c.rect for c in rig.children(form) if c.visible]
    area = sum((right - left) * (bottom - top) for left, top, right, bottom in controls)
    assert area < 0.05 * form.rect[2] * form.rect[3], f"large visible windows on the form{when}: {controls}"
    colour = mean_rgb_outside(shot, controls)
    assert max(colour) < DARK, f"the screen is not black around the form's controls{when} ({colour}, {shot.name})"


# A looped clip plays on through its loops: its picture moves in every STILL seconds and its
# soundtrack is never silent for SILENCE. A renderer that stands still at a rewind (Wine's
# EVR does) is caught when its end is overdue and built again, drawn by the painter from
# then on, well within both.
STILL = 3.0
SILENCE = 1.0


def watch_loops(rig, tmp_path, seconds):
    """A screenshot about every second and the sink recorded for seconds: the stretches in
    which the picture did not move, and those in which the soundtrack was silent, each over
    a second, in seconds."""
    shots = []
    with rig.record(tmp_path / "loops.raw") as recording:
        start = time.monotonic()
        while time.monotonic() - start < seconds:
            shots.append((time.monotonic(), rig.screenshot(tmp_path / f"loop-{len(shots)}.png")))
            time.sleep(max(0.0, start + len(shots) - time.monotonic()))
    samples = recording.stop()
    still, since = [], shots[0][0]
    for (_, before), (at, after) in zip(shots, shots[1:]):
        if picture_difference(before, after) > MOVED:
            still.append(at - since)
            since = at
    still.append(shots[-1][0] - since)
    heard = [level > HEARD for level in levels(samples, VIDEO_TONE)]
    quiet = "".join("#" if loud else "." for loud in heard).lstrip(".").split("#")
    return [s for s in still if s > 1.5], [len(q) * BLOCK for q in quiet if len(q) * BLOCK >= SILENCE]


# Wine's EVR now and then deadlocks in its clock's stop at the very first stall, before the
# painter can take over; no Media Foundation session of that process opens again. A picture
# standing still this long is that, and such a run may be tried again.
WINE_DEADLOCK = 8.0


def assert_loops_without_stall(rig, saver_dir, media_dir, tmp_path, wine_deadlock_retries=0):
    """A 2 s clip played for 24 s, its picture and its soundtrack never stopping for long."""
    for attempt in range(wine_deadlock_retries + 1):
        saver, _ = start_show(rig, saver_dir, media_dir, sound="1")
        wait_for_picture(rig, tmp_path / f"start-{attempt}.png")
        still, silent = watch_loops(rig, tmp_path, 24)
        FIGURES.append(f"2 s clip looped 24 s: picture still {[round(s, 1) for s in still]} s, "
                       f"soundtrack silent {silent} s")
        end_with_key(rig, saver)
        if max(still, default=0) < WINE_DEADLOCK:
            break
    assert max(still, default=0) < STILL, f"the picture stood still for {still} s"
    assert not silent, f"the soundtrack was silent for {silent} s"
