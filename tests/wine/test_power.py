"""The display sleeps on the power plan's schedule, which a stand-in powrprof.dll in this
module's own session gives (power_plan.py). Under Wine the display never really turns off
(Xvfb has no DPMS): what the tests see is the show stopping, and the request to turn the
display off in Wine's trace of window messages."""

import re
import time

import pytest

from conftest import SHOW_TIMEOUT, form_windows, ini_for, wait_for_picture
from media import MUSIC_TONE, VIDEO_TONE, MediaCache
from power_plan import STAND_IN, set_plan, use_stand_in_powrprof
from measure import assert_black_around_controls
from rig import RATE, Rig, picture_difference, tone_level, write_ini

PLAN = 5        # seconds: the plan's "turn off the display after"
SETTLED = 1.5   # seconds past the moment by which the show must have stopped
LISTEN = 3      # seconds of looking and listening past that
HEARD = 0.02    # tone level; the show's sound plays at about 0.07 and up
SILENT = 0.005
MOVED = 3.0     # mean difference per channel of two pictures of a playing video
BLOCK = 0.25    # seconds of sound per measurement


@pytest.fixture(scope="module")
def rig():
    """A session of its own: its prefix's powrprof.dll is the stand-in."""
    if not STAND_IN.exists():
        pytest.fail(f"{STAND_IN} is missing: run tools/build", pytrace=False)
    with Rig() as session:
        use_stand_in_powrprof(session)
        yield session


@pytest.fixture(scope="module")
def media(rig):
    return MediaCache(rig.root / "media")


def levels(samples, frequency):
    size = int(RATE * BLOCK) * 2
    return [tone_level(samples[i:i + size], frequency) for i in range(0, len(samples) - size + 1, size)]


def loudness(samples):
    """The louder of the show's two tones, per BLOCK."""
    return [max(v, m) for v, m in zip(levels(samples, VIDEO_TONE), levels(samples, MUSIC_TONE))]


def run_with_plan(rig, saver_dir, media_dir, tmp_path, plan, wine_debug=None, key_at_picture=False):
    """Starts the saver with the plan's value (None: the plan cannot be read), waits for
    the video's picture, then records the sink and screenshots for the moment's sake.
    key_at_picture: a Shift then (which resets the idle clock and types nothing), for a
    show with no window of its own to appear under the pointer.
    Returns (saver, form, sound levels per BLOCK from the picture on, [(seconds, shot)])."""
    set_plan(rig, plan)
    write_ini(saver_dir, ini_for(media_dir, sound="1"))
    log = tmp_path / "wine-trace.log"
    shots = []
    with rig.record(tmp_path / "sink.raw") as recording:
        recorded = time.monotonic()
        saver = rig.start_saver(saver_dir, "/s", wine_debug=wine_debug, log_path=log)
        form = rig.wait_for(lambda: form_windows(saver.windows()), SHOW_TIMEOUT, what="the saver's form")[0]
        wait_for_picture(rig, tmp_path / "lit.png")
        if key_at_picture:
            rig.key("shift")
        # The video window's appearing under the pointer is the last input Wine counts.
        shown = time.monotonic()
        for at in (PLAN + SETTLED, PLAN + SETTLED + LISTEN):
            time.sleep(max(0.0, shown + at - time.monotonic()))
            shots.append(rig.screenshot(tmp_path / f"at-{at:.1f}.png"))
    sound = loudness(recording.stop())
    return Run(saver, form, sound, shown - recorded, shots, log)


class Run:
    def __init__(self, saver, form, sound, lead, shots, log):
        self.saver, self.form, self.shots, self.log = saver, form, shots, log
        self._sound, self._lead = sound, lead

    def sound(self, start, end):
        """The levels of the BLOCKs from start to end seconds after the picture showed."""
        return self._sound[int((self._lead + start) / BLOCK):int((self._lead + end) / BLOCK)]


def give_first_input(rig, saver_dir):
    """Wine's idle clock starts at the first input it sees: a run ended by a key gives one."""
    warm = rig.start_saver(saver_dir, "/s")
    rig.wait_for(lambda: form_windows(warm.windows()), SHOW_TIMEOUT, what="the first saver's form")
    rig.key("a")
    assert warm.wait(SHOW_TIMEOUT) == 0


def assert_stopped_at_the_moment(rig, run):
    """Heard before the moment; silent and black after it, the form's visible controls (a
    small link label) aside."""
    assert run.saver.running(), "the saver ended by itself"
    before, after = run.sound(0, 3), run.sound(PLAN + SETTLED, PLAN + SETTLED + LISTEN)
    assert before and max(before) > HEARD, f"no sound before the moment ({before})"
    assert after and max(after) < SILENT, f"sound after the moment ({max(after):.3f})"
    for shot in run.shots:
        assert_black_around_controls(rig, run.form, shot, " after the moment")


def test_the_show_stops_at_the_plans_moment_and_asks_for_the_display_off(rig, media, saver_dir, tmp_path):
    give_first_input(rig, saver_dir)
    run = run_with_plan(rig, saver_dir, media.put(tmp_path / "media"), tmp_path, PLAN, wine_debug="+win")
    assert_stopped_at_the_moment(rig, run)

    rig.key("a")
    assert run.saver.wait(SHOW_TIMEOUT) == 0
    trace = run.log.read_text(errors="replace")
    asked = {int(h, 16) for h in re.findall(r"hwnd (0x[0-9a-f]+) WM_SYSCOMMAND f170 2\b", trace)}
    assert run.form.hwnd in asked, f"no SC_MONITORPOWER 2 for the form {run.form.hwnd:#x} (seen: {asked})"


def test_a_plan_of_never_plays_on(rig, media, saver_dir, tmp_path):
    run = run_with_plan(rig, saver_dir, media.put(tmp_path / "media"), tmp_path, 0)
    assert run.saver.running(), "the saver ended by itself"
    after = run.sound(PLAN + SETTLED, PLAN + SETTLED + LISTEN)
    assert after and min(after) > HEARD, f"silent where a plan of 0 has no moment ({after})"
    moved = picture_difference(*run.shots)
    assert moved > MOVED, f"the picture stands still ({moved:.1f})"
    rig.key("a")
    assert run.saver.wait(SHOW_TIMEOUT) == 0
