"""An MP4 on a DirectShow that cannot open it, as a stock Windows' cannot: the saver plays
it through Media Foundation instead, with the same rules as a video DirectShow plays. One
session of its own, whose prefix has the GStreamer parser demoted before Wine starts."""

import shutil
import time

import pytest

from conftest import SHOW_TIMEOUT, end_with_key, start_show, wait_for_picture
from measure import (FULL_VOLUME, HEARD, LOOKS_LIKE, MOVED, SILENT, assert_black_around_controls,
                     assert_loops_without_stall, likeness, loudest, watch_late)
from media import (MUSIC_NAME, VIDEO_NAME, VIDEO_SECONDS, VIDEO_TONE, extract_frame, make_damaged_mp4, make_mp4,
                   make_music, make_video)
from power_plan import (PLAN, assert_stopped_at_the_moment, give_first_input, run_with_plan, set_plan,
                        use_stand_in_powrprof)
from rig import Rig, picture_difference, tone_level


@pytest.fixture(scope="module")
def rig():
    with Rig(directshow_mp4=False) as session:
        yield session


@pytest.fixture(scope="module")
def mp4(rig):
    folder = rig.root / "mp4"
    folder.mkdir()
    return make_mp4(folder / "video.mp4")


def put(mp4, folder, make=None):
    folder.mkdir()
    if make:
        make(folder / VIDEO_NAME, mp4)
    else:
        shutil.copy2(mp4, folder / VIDEO_NAME)
    return folder


def test_mp4_plays_over_the_whole_screen_silently(rig, mp4, saver_dir, tmp_path):
    saver, _ = start_show(rig, saver_dir, put(mp4, tmp_path / "media"), sound="0")
    wait_for_picture(rig, tmp_path / "start.png")
    with rig.record(tmp_path / "sink.raw") as recording:
        time.sleep(0.5)
        shot = rig.screenshot(tmp_path / "shot.png")
        time.sleep(1.0)
    soundtrack = tone_level(recording.stop(), VIDEO_TONE)
    frame = extract_frame(mp4, 1.0, tmp_path / "frame.png")
    apart = likeness(shot, frame, tmp_path)
    assert apart < LOOKS_LIKE, f"the screen does not look like the video over all of it ({apart:.1f})"
    assert soundtrack < SILENT, f"sound=0: the soundtrack plays ({soundtrack:.3f})"
    end_with_key(rig, saver)


def test_sound_on_plays_the_soundtrack_at_full_volume_and_the_mp4_loops(rig, mp4, saver_dir, tmp_path):
    saver, _ = start_show(rig, saver_dir, put(mp4, tmp_path / "media"), sound="01")
    wait_for_picture(rig, tmp_path / "start.png")
    started = time.monotonic()
    # By the loudest second, as for DirectShow: Wine's session may start the sound a
    # moment after the picture.
    early = loudest(rig, tmp_path / "early.raw", {"soundtrack": VIDEO_TONE}, wanted=["soundtrack"])["soundtrack"]
    assert early > FULL_VOLUME, f"the soundtrack is not at full volume ({early:.3f})"

    # Past the end, a video that was not started again shows its last frame, silent.
    time.sleep(max(0.0, started + VIDEO_SECONDS + 1.0 - time.monotonic()))
    # Wine 8's session sometimes starts its soundtrack again but not its picture.
    moved, samples = watch_late(rig, tmp_path, 0.5, 1.0)
    soundtrack = tone_level(samples, VIDEO_TONE)
    assert moved > MOVED or soundtrack > HEARD, \
        f"{VIDEO_SECONDS + 1} s in, the picture stands still ({moved:.1f}) and the soundtrack is silent ({soundtrack:.3f})"
    end_with_key(rig, saver)


def test_a_two_second_mp4_loops_for_24_s_with_no_stall(rig, saver_dir, tmp_path):
    """Wine's session stalls now and then at a rewind; the watchdog builds it again."""
    media_dir = tmp_path / "media"
    media_dir.mkdir()
    make_mp4(media_dir / VIDEO_NAME, 2)
    assert_loops_without_stall(rig, saver_dir, media_dir, tmp_path, wine_deadlock_retries=2)


def test_avi_whose_picture_directshow_cannot_show_plays_through_media_foundation(rig, saver_dir, tmp_path):
    """This DirectShow renders the test AVI's sound only (no MPEG-4 Part 2 decoder): that
    graph goes, and the session plays picture and sound."""
    media_dir = tmp_path / "media"
    media_dir.mkdir()
    make_video(media_dir / VIDEO_NAME)
    saver, _ = start_show(rig, saver_dir, media_dir, sound="1")
    wait_for_picture(rig, tmp_path / "start.png")
    with rig.record(tmp_path / "sink.raw") as recording:
        time.sleep(1.5)
    soundtrack = tone_level(recording.stop(), VIDEO_TONE)
    assert HEARD < soundtrack, f"no soundtrack ({soundtrack:.3f})"
    end_with_key(rig, saver)


@pytest.mark.parametrize("action", [["key", "a"], ["click", "1"], ["mousemove", "4", "3"]],
                         ids=["key", "click", "move"])
def test_input_ends_it(rig, mp4, saver_dir, tmp_path, action):
    saver, _ = start_show(rig, saver_dir, put(mp4, tmp_path / "media"), sound="0")
    wait_for_picture(rig, tmp_path / "start.png")
    rig.xdotool(*action)
    assert saver.wait(SHOW_TIMEOUT) == 0


def test_damaged_mp4_leaves_a_black_screen_with_no_box(rig, mp4, saver_dir, tmp_path):
    saver, form = start_show(rig, saver_dir, put(mp4, tmp_path / "media", make_damaged_mp4), sound="1",
                             watch=True)
    # Both paths' attempts end within a second here; a picture would be up by then.
    time.sleep(3.0)
    screen = rig.screenshot(tmp_path / "screen.png")
    assert_black_around_controls(rig, form, screen)
    end_with_key(rig, saver)
    assert [w for w in saver.seen_windows() if w.cls == "#32770"] == []


def test_the_plans_moment_stops_the_session_as_it_does_a_graph(rig, mp4, saver_dir, tmp_path):
    """Last in the module: from here on its programs load the stand-in powrprof.dll."""
    use_stand_in_powrprof(rig)
    try:
        give_first_input(rig, saver_dir)
        media_dir = put(mp4, tmp_path / "media")
        make_music(media_dir / MUSIC_NAME)
        # The moment then comes a second into the video's second round. Wine's session
        # now and then stands still at its end for good, where nothing can close it.
        run = run_with_plan(rig, saver_dir, media_dir, tmp_path, PLAN, key_at_picture=True)
        assert_stopped_at_the_moment(rig, run)
        end_with_key(rig, run.saver)
    finally:
        set_plan(rig, None)


def test_with_no_audio_device_the_mp4_plays_silent(rig, saver_dir, tmp_path):
    """No sound server for the saver: Wine then has no audio device, as a PC with none."""
    media_dir = tmp_path / "media"
    media_dir.mkdir()
    make_mp4(media_dir / VIDEO_NAME, 4)
    server = rig.env["PULSE_SERVER"]
    rig.env["PULSE_SERVER"] = "unix:/nonexistent/pulse"
    try:
        saver, _ = start_show(rig, saver_dir, media_dir, sound="1")
    finally:
        rig.env["PULSE_SERVER"] = server
    first = wait_for_picture(rig, tmp_path / "first.png")
    time.sleep(1.0)
    moved = picture_difference(first, rig.screenshot(tmp_path / "second.png"))
    assert moved > MOVED, f"the picture stands still ({moved:.1f})"
    end_with_key(rig, saver)
