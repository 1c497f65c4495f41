"""The saver on a desktop of two monitors of different sizes, the second left of the
primary (at negative coordinates): both covered, the same picture on both at the same
moment, and input over either ends the saver."""

import subprocess
import time

import pytest

from conftest import FORM_CLASS, SHOW_TIMEOUT, form_windows
from desks import COVER_CLASS, assert_in_step_and_moving, crop, end, frame_on, lay_second, lit_shot, start, to_x
from measure import DARK, MOVED
from media import FRAME_BITS, MediaCache, make_numbered_video
from rig import Rig, mean_rgb, picture_difference

PRIMARY = (0, 0, 1024, 768)     # left, top, width, height in Windows' coordinates
SECOND = (-800, 0, 800, 600)
DESKTOP = "#123456"             # the X root's colour: a desktop pixel is this and nothing else
WS_EX_TOPMOST = 0x8


@pytest.fixture(scope="module")
def desk():
    """A session of its own: Wine sees the monitors only if they are laid out before its
    server starts."""
    with Rig(monitors=[PRIMARY, SECOND]) as session:
        subprocess.run(["xsetroot", "-solid", DESKTOP], env=session.env, check=True, timeout=30)
        yield session


@pytest.fixture(scope="module")
def desk_media(desk):
    return MediaCache(desk.root / "media")


def desktop_share(desk, shot, rect, path):
    """The share of a monitor's pixels that show the desktop."""
    out = subprocess.run(["convert", str(crop(desk, shot, rect, path)), "-fill", "black", "+opaque", DESKTOP,
                          "-fill", "white", "-opaque", DESKTOP, "-format", "%[fx:mean]", "info:"],
                         capture_output=True, text=True, check=True, timeout=30).stdout
    return float(out)


def test_both_monitors_covered_and_moving(desk, desk_media, saver_dir, tmp_path):
    saver = start(desk, saver_dir, desk_media.put(tmp_path / "media"))
    covers = [w for w in saver.windows() if w.cls == COVER_CLASS]
    assert [w.rect for w in covers] == [(-800, 0, 0, 600)]
    # Above taskbars and always-on-top windows, which the shell hides only for the
    # foreground full-screen window's monitor.
    on_top = [w.cls for w in saver.windows() if w.cls in (FORM_CLASS, COVER_CLASS) and w.exstyle & WS_EX_TOPMOST]
    assert sorted(on_top) == sorted([FORM_CLASS, COVER_CLASS])
    first = lit_shot(desk, tmp_path / "first.png", SECOND)
    time.sleep(0.5)
    second = desk.screenshot(tmp_path / "second.png")
    for name, rect in [("primary", PRIMARY), ("second", SECOND)]:
        assert desktop_share(desk, second, rect, tmp_path / f"{name}-desk.png") == 0, f"desktop shows on the {name}"
        moved = picture_difference(crop(desk, first, rect, tmp_path / f"{name}-1.png"),
                                   crop(desk, second, rect, tmp_path / f"{name}-2.png"))
        assert moved > MOVED, f"the {name} monitor's picture stands still ({moved:.1f})"
    end(desk, saver)


def test_primary_setting_keeps_the_second_monitor_black(desk, desk_media, saver_dir, tmp_path):
    saver = start(desk, saver_dir, desk_media.put(tmp_path / "media"), extra="monitors=primary\n")
    first = lit_shot(desk, tmp_path / "first.png", PRIMARY)
    time.sleep(0.5)
    second = desk.screenshot(tmp_path / "second.png")
    assert desktop_share(desk, second, SECOND, tmp_path / "desk.png") == 0
    colour = mean_rgb(crop(desk, second, SECOND, tmp_path / "black.png"))
    assert max(colour) < DARK, f"the second monitor is not black ({colour})"
    assert picture_difference(crop(desk, first, PRIMARY, tmp_path / "p1.png"),
                              crop(desk, second, PRIMARY, tmp_path / "p2.png")) > MOVED
    end(desk, saver)


def test_both_monitors_show_the_same_frame(desk, desk_media, saver_dir, tmp_path):
    media_dir = tmp_path / "media"
    media_dir.mkdir()
    make_numbered_video(media_dir / "Trevlin.evc")
    saver = start(desk, saver_dir, media_dir)
    lit_shot(desk, tmp_path / "lit.png", PRIMARY)
    assert_in_step_and_moving(desk, PRIMARY, SECOND, tmp_path)
    end(desk, saver)


@pytest.mark.parametrize("action", ["key", "click-second", "right-click-second", "move", "close-cover"])
def test_input_over_either_monitor_ends_the_saver(desk, desk_media, saver_dir, tmp_path, action):
    saver = start(desk, saver_dir, desk_media.put(tmp_path / "media"))
    lit_shot(desk, tmp_path / "lit.png", SECOND)
    cover = [w for w in saver.windows() if w.cls == COVER_CLASS][0]
    middle_x, middle_y = to_x(desk, (SECOND[0] + SECOND[2] // 2, SECOND[1] + SECOND[3] // 2, 0, 0))[:2]
    if action == "key":
        desk.key("a")
    elif action == "click-second":
        desk.xdotool("mousemove", str(middle_x), str(middle_y), "click", "1")
    elif action == "right-click-second":
        desk.xdotool("mousemove", str(middle_x), str(middle_y), "click", "3")
    elif action == "move":
        desk.xdotool("mousemove_relative", "--", "-300", "10")
    else:
        desk.send(cover, 0x0010)  # WM_CLOSE
    assert saver.wait(SHOW_TIMEOUT) == 0
    assert saver.windows(visible_only=False) == []
    assert [w for w in desk.windows() if w.cls in (FORM_CLASS, COVER_CLASS)] == []
    assert desk.cursor_shown()


RIGHT = (1024, 0, 800, 600)
MOVED_DOWN = (-800, 168, 800, 600)
PORTRAIT = (-800, 0, 768, 1024)     # 768x1024 from the same left edge


@pytest.fixture(scope="module")
def right_desk():
    """The second monitor right of the primary. Wine maps X's pixels to its own from the
    virtual screen's left edge: a monitor left of the primary that goes shifts that edge,
    and Wine then takes the unmoved pointer for one that moved, which ends the saver."""
    with Rig(monitors=[PRIMARY, RIGHT]) as session:
        yield session


@pytest.mark.parametrize("where, layouts", [("right_desk", [None, RIGHT]), ("desk", [MOVED_DOWN, PORTRAIT])],
                         ids=["removed-then-back", "moved-then-portrait"])
def test_covers_follow_monitors_that_come_and_go(request, saver_dir, tmp_path, where, layouts):
    desk = request.getfixturevalue(where)
    first = desk.monitors[1]
    saver = start(desk, saver_dir, MediaCache(desk.root / "media").put(tmp_path / "media"))
    # The mirror is made as the video starts, for the covers there are then.
    lit_shot(desk, tmp_path / "start.png", first)
    try:
        for step, rect in enumerate(layouts):
            lay_second(desk, rect)
            wanted = [] if rect is None else [(rect[0], rect[1], rect[0] + rect[2], rect[1] + rect[3])]

            def laid_out():
                assert saver.running(), f"the saver ended at the change to {rect} (exit {saver.wait(1):#x})"
                windows = saver.windows()
                return ([w.rect for w in windows if w.cls == COVER_CLASS] == wanted
                        and [w.rect for w in form_windows(windows)] == [(0, 0, 1024, 768)])

            desk.wait_for(laid_out, SHOW_TIMEOUT, what=f"covers over {wanted}, the form over the primary")
            if rect:
                lit_shot(desk, tmp_path / f"step-{step}.png", rect)
        # Input over the monitor that came is input like any other.
        origin_x, origin_y = desk.x_origin()
        left, top, width, height = layouts[-1]
        desk.xdotool("mousemove", str(left - origin_x + width // 2), str(top - origin_y + min(height, 768) // 2),
                     "click", "1")
        assert saver.wait(SHOW_TIMEOUT) == 0
    finally:
        lay_second(desk, first)


@pytest.fixture(scope="module")
def stock_desk():
    """The same desktop with a DirectShow that opens no MP4, as a stock Windows': there the
    AVI splitter feeds the renderer raw YUY2, which the mirror's branch gets as it is."""
    with Rig(monitors=[PRIMARY, SECOND], directshow_mp4=False) as session:
        yield session


def test_a_yuy2_video_reaches_the_second_monitor(stock_desk, saver_dir, tmp_path):
    """Its renderer draws nothing on Xvfb: only the second monitor can be looked at."""
    media_dir = tmp_path / "media"
    media_dir.mkdir()
    make_numbered_video(media_dir / "Trevlin.evc", raw="yuyv422")
    saver = start(stock_desk, saver_dir, media_dir)
    lit_shot(stock_desk, tmp_path / "lit.png", SECOND)
    seen = set()
    for i in range(8):
        shot = stock_desk.screenshot(tmp_path / f"shot-{i}.png")
        seen.add(frame_on(stock_desk, shot, SECOND, tmp_path / f"second-{i}"))
        time.sleep(0.13)
    assert len(seen) > 2, f"frame numbers (mod {2 ** FRAME_BITS}) on the second monitor: {sorted(seen)}"
    end(stock_desk, saver)
