"""Two monitors on both video paths: the H.264 MP4 through Media Foundation (a prefix whose
DirectShow opens no MP4, as Windows') on both in step, and monitors=span, one picture across
both, through Media Foundation and through DirectShow, with the second monitor either side
of the primary. A session of its own for each path and layout: Wine sees the monitors only
if they are laid out before its server starts."""

import time

import pytest

from conftest import SHOW_TIMEOUT
from desks import assert_in_step_and_moving, crop, end, lay_second, lit_shot, start
from media import make_halves_video, make_numbered_video
from rig import Rig, mean_rgb

PRIMARY = (0, 0, 1024, 768)  # left, top, width, height in Windows' coordinates
SECOND = {"right": (1024, 0, 800, 600), "left": (-800, 0, 800, 600)}
# The red-left, blue-right video spanned: the colour each monitor shows most, (primary,
# second). Right of it, the second shows the picture's right part, all blue, and the primary
# its left part, nearly all red; left of it, the other way round.
SPANNED = {"right": ("red", "blue"), "left": ("blue", "red")}
# What goes through each path here: DirectShow opens the AVI; the demoted prefix's
# DirectShow opens no MP4, which Media Foundation plays.
KIND = {"directshow": "avi", "mf": "mp4"}


@pytest.fixture(scope="module", params=[("mf", "right"), ("mf", "left"), ("directshow", "right"),
                                        ("directshow", "left")], ids=lambda p: "-".join(p))
def desk(request):
    path, side = request.param
    with Rig(monitors=[PRIMARY, SECOND[side]], directshow_mp4=path == "directshow") as session:
        session.video_path, session.second_side = path, side
        yield session


def test_h264_mp4_on_both_monitors_in_step(desk, saver_dir, tmp_path):
    if desk.video_path != "mf":
        pytest.skip("the Media Foundation path's")
    media_dir = tmp_path / "media"
    media_dir.mkdir()
    make_numbered_video(media_dir / "Trevlin.evc", kind="mp4")
    saver = start(desk, saver_dir, media_dir)
    second = SECOND[desk.second_side]
    lit_shot(desk, tmp_path / "lit.png", second)
    assert_in_step_and_moving(desk, PRIMARY, second, tmp_path)
    end(desk, saver)


def test_span_shows_each_monitor_its_part(desk, saver_dir, tmp_path):
    media_dir = tmp_path / "media"
    media_dir.mkdir()
    make_halves_video(media_dir / "Trevlin.evc", kind=KIND[desk.video_path])
    saver = start(desk, saver_dir, media_dir, extra="monitors=span\n")
    second = SECOND[desk.second_side]
    lit_shot(desk, tmp_path / "lit.png", second)
    time.sleep(0.3)
    shot = desk.screenshot(tmp_path / "shot.png")
    colours = [colour(desk, shot, rect, tmp_path / f"{name}.png")
               for name, rect in [("primary", PRIMARY), ("second", second)]]
    end(desk, saver)
    assert tuple(colours) == SPANNED[desk.second_side]


def colour(desk, shot, rect, path):
    """The colour a part of the screen shows most: red, blue or mixed."""
    r, _, b = mean_rgb(crop(desk, shot, rect, path))
    return "red" if r > 2 * b else "blue" if b > 2 * r else f"mixed ({r:.0f},{b:.0f})"


def test_span_follows_a_monitor_that_goes_and_comes_back(desk, saver_dir, tmp_path):
    """Alone, the primary shows the whole picture; with the second monitor back, each its part
    again, the new cover's drawn by the painter the video already had."""
    if desk.second_side != "right":
        pytest.skip("a monitor left of the primary that goes moves Wine's pointer, which ends the saver")
    media_dir = tmp_path / "media"
    media_dir.mkdir()
    make_halves_video(media_dir / "Trevlin.evc", kind=KIND[desk.video_path])
    saver = start(desk, saver_dir, media_dir, extra="monitors=span\n")
    second = SECOND["right"]
    lit_shot(desk, tmp_path / "lit.png", second)

    def colours(name, rects):
        shot = desk.screenshot(tmp_path / f"{name}.png")
        return [colour(desk, shot, rect, tmp_path / f"{name}-{i}.png") for i, rect in enumerate(rects)]

    quarters = [(0, 0, 256, 768), (768, 0, 256, 768)]  # the primary's left and right quarters
    try:
        lay_second(desk, None)
        desk.wait_for(lambda: colours("alone", quarters) == ["red", "blue"], SHOW_TIMEOUT,
                      what="the whole picture on the primary alone (red left, blue right)")
        lay_second(desk, second)
        desk.wait_for(lambda: colours("back", [PRIMARY, second]) == ["red", "blue"], SHOW_TIMEOUT,
                      what="the primary red and the second monitor blue again")
    except BaseException:
        lay_second(desk, second)  # for the module's next tests
        raise
    end(desk, saver)
