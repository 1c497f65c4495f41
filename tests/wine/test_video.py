"""The video the saver shows: on the screen, on the null sink, and when its file cannot
be played."""

import subprocess
import time

import pytest

from conftest import FIGURES, SHOW_TIMEOUT, start_show, wait_for_picture
from media import (BROKEN_VIDEOS, MUSIC_NAME, MUSIC_TONE, VIDEO_NAME, VIDEO_SECONDS, VIDEO_TONE, extract_frame,
                   make_music, make_sized_video, make_video, put_broken_video)
from rig import RATE, mean_rgb_outside, picture_difference, tone_level, typical_level

HEARD = 0.02   # tone level; the generated soundtrack and music play at about 0.1 to 0.25
SILENT = HEARD / 10
# The soundtrack at full volume measures about 0.24; 6 dB down it would be half that.
FULL_VOLUME = 0.16
LISTEN = 3     # seconds of listening, at least
# Mean difference per channel, 0..255. Two frames of the generated video half a second
# apart differ by about 17; a stalled picture by 0.
MOVED = 3.0
# Screen and video frame, both shrunk to a 32x24 thumbnail: about 13 to 19 apart for the
# video stretched over the screen, 125 for a black screen.
LOOKS_LIKE = 40.0
DARK = 2.0     # mean channel value allowed for a black screen once its controls are blanked


def thumbnail(image, path):
    subprocess.run(["convert", str(image), "-resize", "32x24!", str(path)], check=True, timeout=30)
    return path


def listen(rig, path, tones, wanted=()):
    """Each tone's level (name: frequency) in one-second recordings: LISTEN seconds of
    them, and more, up to SHOW_TIMEOUT, until every tone named in wanted has been heard.
    The saver starts its music only once the video's graph has been tried, which on a
    busy machine may take a while."""
    levels = {name: [] for name in tones}
    start = time.monotonic()
    while True:
        with rig.record(path) as recording:
            time.sleep(1.0)
        samples = recording.stop()
        for name, frequency in tones.items():
            levels[name].append(tone_level(samples, frequency))
        elapsed = time.monotonic() - start
        if elapsed >= SHOW_TIMEOUT or (elapsed >= LISTEN and all(max(levels[name]) > HEARD for name in wanted)):
            return levels


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


# A looped clip's picture must move in every stretch this long, and its soundtrack may
# fall silent no longer than SILENCE at a time.
STILL = 3.0
SILENCE = 1.0


def watch_loops(rig, tmp_path, seconds):
    """A screenshot about every second and the sink recorded for seconds: (the longest
    stretch in which the picture did not move, the soundtrack's longest silence), in
    seconds, the silence measured in tenths of a second."""
    shots = []
    with rig.record(tmp_path / "loops.raw") as recording:
        start = time.monotonic()
        while time.monotonic() - start < seconds:
            shots.append((time.monotonic(), rig.screenshot(tmp_path / f"loop-{len(shots)}.png")))
            time.sleep(max(0.0, start + len(shots) - time.monotonic()))
    samples = recording.stop()
    still, since = 0.0, shots[0][0]
    for (_, before), (at, after) in zip(shots, shots[1:]):
        if picture_difference(before, after) > MOVED:
            since = at
        still = max(still, at - since)
    tenth = RATE // 10 * 2  # stereo samples
    heard = "".join("#" if tone_level(samples[i:i + tenth], VIDEO_TONE) > HEARD else "."
                    for i in range(0, len(samples) - tenth, tenth))
    # From the first tenth heard on: the recorder's own start is no silence of the saver's.
    silences = heard.lstrip(".").split("#")
    return still, max(len(quiet) for quiet in silences) / 10


def assert_loops_without_stall(rig, saver_dir, media_dir, tmp_path):
    saver, _ = start_show(rig, saver_dir, media_dir, sound="1")
    wait_for_picture(rig, tmp_path / "start.png")
    still, silence = watch_loops(rig, tmp_path, 24)
    FIGURES.append(f"2 s clip looped 24 s: picture still up to {still:.1f} s, soundtrack silent up to {silence:.1f} s")
    assert still < STILL, f"the picture stood still for {still:.1f} s"
    assert silence < SILENCE, f"the soundtrack was silent for {silence:.1f} s"
    end_with_key(rig, saver)


def end_with_key(rig, saver):
    rig.key("a")
    assert saver.wait(SHOW_TIMEOUT) == 0


def test_screen_shows_the_video_stretched_over_it_and_moving(rig, media, saver_dir, tmp_path):
    saver, _ = start_show(rig, saver_dir, media.put(tmp_path / "media"), sound="0")
    first = wait_for_picture(rig, tmp_path / "first.png")
    time.sleep(0.5)
    second = rig.screenshot(tmp_path / "second.png")

    frame = extract_frame(media.video, 1.0, tmp_path / "frame.png")
    likeness = picture_difference(thumbnail(second, tmp_path / "screen-small.png"),
                                  thumbnail(frame, tmp_path / "frame-small.png"))
    assert likeness < LOOKS_LIKE, f"the screen does not look like the video over all of it ({likeness:.1f})"
    moved = picture_difference(first, second)
    assert moved > MOVED, f"the picture stands still ({moved:.1f})"
    end_with_key(rig, saver)


def test_show_goes_on_after_the_video_length(rig, media, saver_dir, tmp_path):
    saver, _ = start_show(rig, saver_dir, media.put(tmp_path / "media"), sound="1")
    wait_for_picture(rig, tmp_path / "start.png")
    # The picture's first appearance is the video's start; well past its end, a video
    # that was not restarted shows its last frame and is silent.
    time.sleep(VIDEO_SECONDS + 1.5)
    moved, samples = watch_late(rig, tmp_path, 1.0, 0.5)
    soundtrack = tone_level(samples, VIDEO_TONE)
    assert moved > MOVED or soundtrack > HEARD, \
        f"{VIDEO_SECONDS + 1.5} s in, the picture stands still ({moved:.1f}) and the soundtrack is silent ({soundtrack:.3f})"
    end_with_key(rig, saver)


# 2.56 s and 2.55 s round up to 3: the end tests hold only from 2.5 s to the streams' ends,
# for a few hundredths of a second, while the show loop mostly sleeps.
BRIEF_VIDEO = 2.56
BRIEF_MUSIC = 2.55


def test_video_and_music_whose_end_tests_hold_briefly_start_again(rig, saver_dir, tmp_path):
    media_dir = tmp_path / "media"
    media_dir.mkdir()
    make_sized_video(media_dir / VIDEO_NAME, BRIEF_VIDEO, (320, 240))
    make_music(media_dir / MUSIC_NAME, BRIEF_MUSIC)
    saver, _ = start_show(rig, saver_dir, media_dir, sound="1")
    wait_for_picture(rig, tmp_path / "start.png")
    time.sleep(3 * BRIEF_VIDEO)
    moved, samples = watch_late(rig, tmp_path, 1.0, 0.5)
    soundtrack, music = tone_level(samples, VIDEO_TONE), tone_level(samples, MUSIC_TONE)

    assert moved > MOVED or soundtrack > HEARD, \
        f"three lengths in, the picture stands still ({moved:.1f}) and the soundtrack is silent ({soundtrack:.3f})"
    assert music > HEARD, f"three lengths in, the music is silent ({music:.3f})"
    end_with_key(rig, saver)


@pytest.mark.parametrize("sound, soundtrack_heard, music_heard", [
    ("1", True, True),
    ("0", False, False),
    # The soundtrack's volume goes by the setting's number, the music by its text.
    ("01", True, False),
    ("2", False, False),
])
def test_sound_setting_switches_soundtrack_and_music(rig, media, saver_dir, tmp_path, sound,
                                                     soundtrack_heard, music_heard):
    saver, _ = start_show(rig, saver_dir, media.put(tmp_path / "media"), sound=sound)
    wait_for_picture(rig, tmp_path / "start.png")
    expected = {"soundtrack": soundtrack_heard, "music": music_heard}
    found = listen(rig, tmp_path / "sink.raw", {"soundtrack": VIDEO_TONE, "music": MUSIC_TONE},
                   wanted=[name for name, heard in expected.items() if heard])
    show = [max(second) for second in zip(*found.values())]
    levels = {name: max(found[name]) if heard else typical_level(found[name], show, HEARD)
              for name, heard in expected.items()}

    for name, heard in expected.items():
        if heard:
            assert levels[name] > HEARD, f"sound={sound}: no {name} ({found})"
        else:
            assert levels[name] < SILENT, f"sound={sound}: the {name} plays ({found})"
    if soundtrack_heard:
        assert levels["soundtrack"] > FULL_VOLUME, f"sound={sound}: the soundtrack is not at full volume ({found})"
    end_with_key(rig, saver)


@pytest.mark.parametrize("kind", BROKEN_VIDEOS)
def test_unplayable_video_leaves_black_screen_with_music(rig, media, saver_dir, tmp_path, kind):
    media_dir = put_broken_video(media, tmp_path / "media", kind)
    saver, form = start_show(rig, saver_dir, media_dir, sound="1", watch=True)
    # The music comes after the graph's attempt on the video: by then, a video that could
    # be shown would be on the screen.
    music = loudest(rig, tmp_path / "sink.raw", {"music": MUSIC_TONE}, wanted=["music"])["music"]
    screen = rig.screenshot(tmp_path / "screen.png")

    # The form's visible controls (a small link label) are no video; blank them out, but
    # only while they stay small.
    controls = [c.rect for c in rig.children(form) if c.visible]
    area = sum((right - left) * (bottom - top) for left, top, right, bottom in controls)
    assert area < 0.05 * form.rect[2] * form.rect[3], f"large visible controls on the form: {controls}"
    colour = mean_rgb_outside(screen, controls)
    assert max(colour) < DARK, f"the screen is not black around the form's controls ({colour})"
    assert music > HEARD, f"no music ({music:.3f})"

    end_with_key(rig, saver)
    assert [w for w in saver.seen_windows() if w.cls == "#32770"] == []


def test_a_two_second_avi_loops_for_24_s_with_no_stall(rig, saver_dir, tmp_path):
    media_dir = tmp_path / "media"
    media_dir.mkdir()
    make_video(media_dir / VIDEO_NAME, 2)
    assert_loops_without_stall(rig, saver_dir, media_dir, tmp_path)
