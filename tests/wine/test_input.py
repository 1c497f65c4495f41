"""What ends a running saver and what does not. Every case runs twice: over the playing
video (input lands on DirectShow's video window, which passes it on to the form) and over
the black form a missing video leaves (input lands on the form itself)."""

import os
import re
import subprocess
import time

import pytest

from conftest import SHOW_TIMEOUT, ini_for, start_show, wait_for_picture
from rig import RigError, winpath, write_ini

# After input that must not end the saver, how long it has to show that it goes on. Not a
# timing test: the saver ends within a fraction of a second when it ends at all.
QUIET = 2.0
# A show on a black screen gives no sign that it is under way; the form is up at once,
# while the graph for the missing file is still being tried.
SETTLE = 1.0
ALT_F4_LIMIT = 3.0  # seconds to wait for the end the known failure below never brings


@pytest.fixture(params=["video", "no-video"])
def show(request, rig, media, saver_dir, tmp_path):
    with_video = request.param == "video"
    media_dir = media.put(tmp_path / "media", video=with_video, music=True)
    saver, _ = start_show(rig, saver_dir, media_dir, sound="1")
    if with_video:
        wait_for_picture(rig, tmp_path / "picture.png")
    else:
        time.sleep(SETTLE)
    return saver


@pytest.mark.parametrize("action", [
    ["key", "a"],
    ["key", "space"],
    ["key", "Return"],
    ["key", "Escape"],
    ["click", "1"],
    ["click", "3"],
    ["click", "2"],
    # The saver starts with the pointer parked at 0,0.
    ["mousemove", "4", "3"],
], ids=["key-a", "key-space", "key-return", "key-escape", "left-click", "right-click", "middle-click",
        "move-by-4-3"])
def test_user_input_ends_the_saver(rig, show, action):
    rig.xdotool(*action)
    assert show.wait(SHOW_TIMEOUT) == 0


@pytest.mark.parametrize("actions", [
    [["click", "4"]] * 3,
    [["click", "5"]] * 3,
    [["key", "shift"]],
    [["key", "ctrl"]],
], ids=["wheel-up", "wheel-down", "shift", "ctrl"])
def test_input_that_types_nothing_and_moves_nothing_is_ignored(rig, show, actions):
    for action in actions:
        rig.xdotool(*action)
    time.sleep(QUIET)
    assert show.running(), f"{actions} ended the saver (exit {show.wait(1):#x})"
    rig.key("a")
    assert show.wait(SHOW_TIMEOUT) == 0


def test_close_request_ends_the_saver_and_gives_the_cursor_back(rig, request, show):
    limit = SHOW_TIMEOUT
    if request.node.callspec.params["show"] == "video":
        request.applymarker(pytest.mark.xfail(
            strict=True, raises=RigError,
            reason="Wine's video window, which has the focus, passes only WM_KEYDOWN/WM_KEYUP and "
                   "mouse messages to its message drain, not WM_SYSKEYDOWN: the form never sees Alt+F4"))
        # Known not to end: a saver that does ends within a fraction of a second.
        limit = ALT_F4_LIMIT
    rig.key("alt+F4")
    assert show.wait(limit) == 0
    assert rig.cursor_shown()


# Moments, spread over the first 1.6 s after the form appears on the screen, at which a key
# or a click comes: the video's graph is built and its window placed meanwhile. A stress run
# sets TREVLIN_EARLY_INPUT_RUNS to a hundred or so.
EARLY_RUNS = int(os.environ.get("TREVLIN_EARLY_INPUT_RUNS", "12"))
EARLY_SPAN = 1.6
ENDS_WITHIN = 5.0  # seconds; a saver that heard the input ends in a fraction of one
# Wine's X11 driver confines the pointer to a full-screen foreground window through an
# input-only X window of its own, which it maps over the screen and hands over from thread to
# thread as the foreground moves (the form's, the video renderer's). X delivers a button to
# that window; in the instant of a hand-over it is read by a thread that no longer confines
# the pointer, or by Wine's desktop process, and dropped there before any window, hook or
# raw-input reader of ours sees it. Windows has no such window. What counts is input that
# reached the saver: X11DRV_ButtonPress (+cursor) or a KeyPress (+key) for one of its windows.
REACHED = {"click": re.compile(r"X11DRV_ButtonPress hwnd 0x[0-9a-f]+/"),
           "key": re.compile(r"X11DRV_KeyEvent type 2, window")}


def on_screen(rig, title):
    """A window of that title is mapped on the X screen (Wine names X windows after them)."""
    found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", f"^{title}$"], env=rig.env,
                           capture_output=True, text=True, timeout=30)
    return found.returncode == 0 and found.stdout.strip() != ""


@pytest.mark.parametrize("action", [["key", "a"], ["click", "1"]], ids=["key", "click"])
def test_a_key_or_click_in_the_first_moments_ends_the_saver(rig, media, saver_dir, tmp_path, action):
    write_ini(saver_dir, ini_for(media.put(tmp_path / "media"), sound="1"))
    lost, dropped = [], []
    for run in range(EARLY_RUNS):
        moment = EARLY_SPAN * run / max(EARLY_RUNS - 1, 1)
        log = tmp_path / f"wine-{run}.log"
        rig.park_pointer(512, 384)
        saver = rig.start_command(f'"{winpath(saver_dir / "Trevlin.scr")}" /s', saver_dir, "Trevlin.scr",
                                  park=False, wine_debug="+cursor,+key", log_path=log)
        # On the screen: Wine lists the form as visible a little before X maps it, and
        # input in between goes to whatever X had under the pointer.
        rig.wait_for(lambda: on_screen(rig, "Form1"), SHOW_TIMEOUT, interval=0.01, what="the saver's form")
        time.sleep(moment)
        rig.xdotool(*action)
        try:
            assert saver.wait(ENDS_WITHIN) == 0
        except RigError:
            saver.kill()
            reached = REACHED[action[0]].search(log.read_text(errors="replace"))
            (lost if reached else dropped).append(round(moment, 2))
    print(f"early {action[0]}: {len(lost)} of {EARLY_RUNS} lost, {len(dropped)} never reached the saver, "
          f"at {lost} {dropped}")
    assert not lost, f"{action} reached the saver at {lost} s after the form appeared, and it ran on"
    assert len(dropped) <= EARLY_RUNS // 4, f"{action} never reached the saver at {dropped} s"
