"""Whatever the media or the session does, the saver ends when it should, at once and
cleanly: damaged files, a file nobody may open, a graph whose build never returns, a
log-off."""

import os
import shutil
import subprocess
import time

import pytest

from conftest import FIGURES, SHOW_TIMEOUT, form_windows, ini_for, start_show, wait_for_picture
from media import MUSIC_NAME, VIDEO_NAME, damaged
from rig import REPO, mean_rgb_outside, rms, wait_pid_exit, write_ini

# A key must end the saver within this long, whatever the media are doing.
PROMPT = 1.0
# How long after its screen is up the saver gets before the key: long enough for the
# graph's build to be under way or over, depending on the damage.
SETTLE = 0.6

WM_CLOSE = 0x0010
WM_WTSSESSION_CHANGE = 0x02B1
WTS_SESSION_LOCK, WTS_SESSION_UNLOCK = 7, 8
WM_QUERYENDSESSION = 0x0011
WM_ENDSESSION = 0x0016

_CUTS = ["cut:0", "cut:12", "cut:64", "cut:200", "cut:512", "cut:1024", "cut:2048", "cut:4096", "cut:8192",
         "cut:16384", "cut:65536", "cut:25%", "cut:50%", "cut:90%", "cut:-1"]
_FLIPS = ["flip:1:8:4096", "flip:2:8:4096", "flip:3:8:4096", "flip:4:32:4096", "flip:5:50:", "flip:6:50:",
          "flip:7:200:", "flip:8:2000:"]
DAMAGED = ([("video", d) for d in _CUTS + _FLIPS + ["directory", "held"]]
           + [("music", d) for d in ["cut:0", "cut:16", "cut:256", "cut:1024", "cut:4096", "cut:25%", "cut:50%",
                                     "cut:-1", "flip:1:8:2048", "flip:2:8:2048", "flip:3:32:2048", "flip:4:50:",
                                     "flip:5:500:", "directory", "held"]])


def end_with_key_at_once(rig, saver):
    """Presses a key and returns how long the process took to be gone."""
    pid = saver.linux_pid
    assert pid, "the saver's process was not found"
    pressed = time.monotonic()
    rig.key("a")
    ended = wait_pid_exit(pid, SHOW_TIMEOUT)
    assert ended is not None, f"the saver was still running {SHOW_TIMEOUT} s after the key"
    return ended - pressed


def assert_ended_cleanly(rig, saver):
    assert saver.wait(SHOW_TIMEOUT) == 0
    assert [w for w in saver.seen_windows() if w.cls == "#32770"] == [], "a message box appeared"
    assert saver.windows(visible_only=False) == [], "windows of the saver are left"
    assert rig.cursor_shown()


@pytest.fixture(scope="module")
def ends():
    """Every damaged run's time from the key to the end, summed up after the last one."""
    times = []
    yield times
    if times:
        took, worst = max(times)
        FIGURES.append(f"damaged media: {len(times)} runs, slowest end {took * 1000:.0f} ms after the key ({worst})")


@pytest.mark.parametrize("which, damage", DAMAGED, ids=[f"{w}-{d}" for w, d in DAMAGED])
def test_damaged_media_never_hold_up_the_end(rig, media, saver_dir, tmp_path, ends, which, damage):
    folder = media.put(tmp_path / "media")
    name = VIDEO_NAME if which == "video" else MUSIC_NAME
    target = folder / name
    if damage == "directory":
        target.unlink()
        target.mkdir()
    elif damage != "held":
        target.write_bytes(damaged(target.read_bytes(), damage))

    def run():
        saver, _ = start_show(rig, saver_dir, folder, sound="1", watch=True)
        time.sleep(SETTLE)
        took = end_with_key_at_once(rig, saver)
        assert_ended_cleanly(rig, saver)
        return took

    if damage == "held":
        with rig.file_held(target):
            took = run()
    else:
        took = run()
    ends.append((took, f"{which}-{damage}"))
    assert took < PROMPT, f"the saver took {took:.2f} s to end after the key"


@pytest.fixture
def stalled_video(media, tmp_path):
    """A media folder whose Trevlin.evc is a pipe that another program holds open and
    never writes to: reading it blocks for good, so the graph's build never returns."""
    folder = media.put(tmp_path / "media", video=False)
    fifo = folder / VIDEO_NAME
    os.mkfifo(fifo)
    # Opened for reading and writing: no wait for a reader, and the pipe always has a
    # writer, so a read waits instead of seeing the end.
    fd = os.open(fifo, os.O_RDWR)
    yield folder
    os.close(fd)


def start_stalled_show(rig, saver_dir, folder):
    write_ini(saver_dir, ini_for(folder, sound="1"))
    saver = rig.start_saver(saver_dir, "/s", watch=True)
    screen = rig.screen_rect()
    form = rig.wait_for(lambda: [w for w in form_windows(saver.windows()) if w.rect == screen], SHOW_TIMEOUT,
                        what="the saver's form covering the screen")[0]
    rig.wait_for(lambda: not rig.cursor_shown(), SHOW_TIMEOUT, what="the cursor to be hidden")
    # Long enough for the build to have reached the read that never returns.
    time.sleep(2.0)
    assert saver.running()
    return saver, form


@pytest.mark.parametrize("action", [["key", "a"], ["click", "1"], ["mousemove", "40", "30"]],
                         ids=["key", "click", "move"])
def test_input_ends_the_saver_while_the_graph_build_is_stuck(rig, saver_dir, stalled_video, action):
    saver, _ = start_stalled_show(rig, saver_dir, stalled_video)
    pid = saver.linux_pid
    pressed = time.monotonic()
    rig.xdotool(*action)
    ended = wait_pid_exit(pid, SHOW_TIMEOUT)
    assert ended is not None, "input did not end the saver while its graph was being built"
    assert ended - pressed < PROMPT
    assert_ended_cleanly(rig, saver)


def test_log_off_while_the_graph_build_is_stuck_ends_cleanly(rig, saver_dir, stalled_video):
    saver, form = start_stalled_show(rig, saver_dir, stalled_video)
    assert rig.send(form, WM_QUERYENDSESSION, 0, 0) == (1, True)
    rig.send(form, WM_ENDSESSION, 1, 0)
    assert_ended_cleanly(rig, saver)


def test_log_off_ends_a_playing_saver_cleanly(rig, media, saver_dir, tmp_path):
    saver, form = start_show(rig, saver_dir, media.put(tmp_path / "media"), sound="1", watch=True)
    wait_for_picture(rig, tmp_path / "picture.png")
    assert rig.send(form, WM_QUERYENDSESSION, 0, 0) == (1, True)
    rig.send(form, WM_ENDSESSION, 1, 0)
    assert_ended_cleanly(rig, saver)


def test_log_off_closes_the_dialog_without_saving(rig, saver_dir):
    write_ini(saver_dir, "[config]\nsound=0\n")
    before = (saver_dir / "Trevlin.ini").read_bytes()
    saver = rig.start_saver(saver_dir, "/c", watch=True)
    dialog = rig.wait_for(lambda: form_windows(saver.windows()), SHOW_TIMEOUT, what="the dialog")[0]
    assert rig.send(dialog, WM_QUERYENDSESSION, 0, 0) == (1, True)
    rig.send(dialog, WM_ENDSESSION, 1, 0)
    assert saver.wait(SHOW_TIMEOUT) == 0
    assert (saver_dir / "Trevlin.ini").read_bytes() == before


def test_a_cancelled_log_off_leaves_the_saver_running(rig, media, saver_dir, tmp_path):
    saver, form = start_show(rig, saver_dir, media.put(tmp_path / "media", video=False), sound="0")
    rig.send(form, WM_QUERYENDSESSION, 0, 0)
    rig.send(form, WM_ENDSESSION, 0, 0)  # another program said no: the session goes on
    time.sleep(1.0)
    assert saver.running()
    end_with_key_at_once(rig, saver)
    assert saver.wait(SHOW_TIMEOUT) == 0


@pytest.fixture(scope="module")
def stuck_stop_saver():
    """The test build whose video graph's Stop never returns, built on first use."""
    build = REPO / "build" / "windows"
    subprocess.run(["cmake", "--build", str(build), "--target", "Trevlin_stuck_stop"], check=True,
                   capture_output=True, timeout=900)
    return build / "Trevlin_stuck_stop.scr"


@pytest.mark.parametrize("how", ["close", "log-off"])
def test_close_or_log_off_ends_at_once_while_the_graphs_stop_hangs(rig, media, saver_dir, stuck_stop_saver,
                                                                   tmp_path, how):
    shutil.copy2(stuck_stop_saver, saver_dir / "Trevlin.scr")
    saver, form = start_show(rig, saver_dir, media.put(tmp_path / "media"), sound="1")
    wait_for_picture(rig, tmp_path / "picture.png")
    pid = saver.linux_pid
    # The probe's own start is no part of the saver's time: that of one look, just before.
    looked = time.monotonic()
    rig.cursor_shown()
    probe = time.monotonic() - looked
    asked = time.monotonic()
    # What Alt+F4 sends on Windows; under Wine an X key press of it reaches no WM_CLOSE.
    rig.send(form, *{"close": (WM_CLOSE,), "log-off": (WM_ENDSESSION, 1, 0)}[how])
    ended = wait_pid_exit(pid, SHOW_TIMEOUT)
    assert ended is not None, f"{how}: the saver was still running {SHOW_TIMEOUT} s later"
    took = ended - asked - probe
    assert took < PROMPT, f"{how}: the saver took {took:.2f} s to end"


def test_a_locked_session_keeps_the_show_stopped_until_it_is_unlocked(rig, media, saver_dir, tmp_path):
    """Wine sends no lock notices of its own: the test sends what Windows would."""
    saver, form = start_show(rig, saver_dir, media.put(tmp_path / "media"), sound="1")
    wait_for_picture(rig, tmp_path / "picture.png")
    rig.send(form, WM_WTSSESSION_CHANGE, WTS_SESSION_LOCK, 0)
    time.sleep(1.0)
    with rig.record(tmp_path / "locked.raw") as recording:
        time.sleep(1.0)
    sound = rms(recording.stop())
    controls = [c.rect for c in rig.children(form) if c.visible]
    screen = max(mean_rgb_outside(rig.screenshot(tmp_path / "locked.png"), controls))
    assert sound < 0.005 and screen < 2.0, f"locked, the show plays on (sound {sound:.3f}, screen {screen:.0f})"
    rig.send(form, WM_WTSSESSION_CHANGE, WTS_SESSION_UNLOCK, 0)
    wait_for_picture(rig, tmp_path / "unlocked.png")
    end_with_key_at_once(rig, saver)
