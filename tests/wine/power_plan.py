"""A power plan for the Wine rig. Wine's powrprof.dll knows none: a stand-in of ours
(powrprof/powrprof.cpp) in a session's prefix gives the plan's "turn off the display
after" seconds, from TREVLIN_TEST_PLAN_AC in the environment of the program that asks.
Under Wine the display never really turns off (Xvfb has no DPMS): what a test sees is the
show stopping, and the request to turn the display off in Wine's trace of window messages."""

import shutil
import time

from conftest import SHOW_TIMEOUT, form_windows, ini_for, wait_for_picture
from measure import BLOCK, HEARD, SILENT, assert_black_around_controls, levels
from media import MUSIC_TONE, VIDEO_TONE
from rig import REPO, Rig, write_ini

STAND_IN = REPO / "build" / "windows" / "tests" / "wine" / "powrprof.dll"


def use_stand_in_powrprof(rig: Rig) -> None:
    """Puts the stand-in in the session's system32, for every program started from now on."""
    if not STAND_IN.exists():
        raise FileNotFoundError(f"{STAND_IN} is missing: run tools/build")
    target = rig.prefix / "drive_c" / "windows" / "system32" / "powrprof.dll"
    # Wine's own is a hard link into the cached prefix: replace the link, never write through it.
    target.unlink(missing_ok=True)
    shutil.copy2(STAND_IN, target)
    rig.env["WINEDLLOVERRIDES"] += ";powrprof=n,b"


def set_plan(rig: Rig, seconds: int | None) -> None:
    """The plan's value on mains power for programs started from now on; None: unreadable."""
    rig.env.pop("TREVLIN_TEST_PLAN_AC", None)
    if seconds is not None:
        rig.env["TREVLIN_TEST_PLAN_AC"] = str(seconds)


def idle_clock(rig: Rig) -> tuple[int, int]:
    """(GetTickCount, GetLastInputInfo's tick) in the session now."""
    fields = dict(part.split("=", 1) for part in rig.probe("idle").strip().split("\t"))
    return int(fields["tick"]), int(fields["lastinput"])


PLAN = 5        # seconds: the plan's "turn off the display after"
SETTLED = 1.5   # seconds past the moment by which the show must have stopped
LISTEN = 3      # seconds of looking and listening past that


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
