"""The saver on a desktop of more than one monitor, as the monitor tests drive and look at it:
starting it until the form and the covers are up, ending it, laying the second monitor out
anew, and reading the numbered video's frame off each monitor."""

import subprocess
import time

from conftest import SHOW_TIMEOUT, form_windows, ini_for
from media import FRAME_BITS, frame_number
from rig import mean_rgb, write_ini

COVER_CLASS = "TrevlinCover"


def to_x(desk, rect):
    """A (left, top, width, height) in Windows' coordinates, in the X screen's pixels."""
    origin_x, origin_y = desk.x_origin()
    left, top, width, height = rect
    return left - origin_x, top - origin_y, width, height


def crop(desk, shot, rect, path):
    """A part of a screenshot, rect in Windows' coordinates."""
    left, top, width, height = to_x(desk, rect)
    subprocess.run(["convert", str(shot), "-crop", f"{width}x{height}+{left}+{top}", "+repage", str(path)],
                   check=True, timeout=30)
    return path


def start(desk, saver_dir, media_dir, extra=""):
    write_ini(saver_dir, ini_for(media_dir, sound="0") + extra)
    saver = desk.start_saver(saver_dir, "/s")

    def covering():
        assert saver.running(), f"the saver ended at once (exit {saver.wait(1):#x})"
        return [w for w in form_windows(saver.windows()) if w.rect == (0, 0, 1024, 768)]

    desk.wait_for(covering, SHOW_TIMEOUT, what="the form over the primary monitor")
    desk.wait_for(lambda: [w for w in saver.windows() if w.cls == COVER_CLASS], SHOW_TIMEOUT,
                  what="the cover over the second monitor")
    return saver


def lit_shot(desk, path, rect):
    """Screenshots until the monitor rect shows a lit picture; returns the last one."""
    def lit():
        shot = desk.screenshot(path)
        return shot if max(mean_rgb(crop(desk, shot, rect, path.with_suffix(".crop.png")))) > 40 else None

    return desk.wait_for(lit, SHOW_TIMEOUT, interval=0.1, what=f"a picture on the monitor at {rect}")


def end(desk, saver):
    desk.key("a")
    assert saver.wait(SHOW_TIMEOUT) == 0


def lay_second(desk, rect):
    """Lays the second monitor out anew over the X screen (None: no second monitor) and has
    Wine read the monitors again, from a fresh process as it needs."""
    subprocess.run(["xrandr", "--delmonitor", "M1"], env=desk.env, timeout=30,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    if rect:
        origin_x, origin_y = desk.x_origin()
        left, top, width, height = rect[0] - origin_x, rect[1] - origin_y, rect[2], rect[3]
        geometry = f"{width}/{width * 254 // 960}x{height}/{height * 254 // 960}+{left}+{top}"
        subprocess.run(["xrandr", "--setmonitor", "M1", geometry, "none"], env=desk.env, check=True, timeout=30,
                       stdout=subprocess.DEVNULL)
    desk.probe("displaychange")


def frame_on(desk, shot, rect, stem):
    """The numbered video's frame number on the monitor rect, read from its middle column a
    quarter of its height from the top and from the bottom: inside the halves of the
    picture, away from anything but it."""
    left, top, width, height = rect
    halves = [mean_rgb(crop(desk, shot, (left + width // 2 - 20, top + y - 20, 40, 40),
                            stem.with_name(f"{stem.name}-{y}.png"))) for y in (height // 4, 3 * height // 4)]
    return frame_number(*halves)


def assert_in_step_and_moving(desk, primary, second, tmp_path, shots=16):
    """Screenshots the numbered video shots times and asserts both monitors show the same
    frame and that the frame moves on."""
    seen = []
    for i in range(shots):
        shot = desk.screenshot(tmp_path / f"shot-{i}.png")
        seen.append(tuple(frame_on(desk, shot, rect, tmp_path / f"{name}-{i}")
                          for name, rect in [("primary", primary), ("second", second)]))
        time.sleep(0.13)
    cycle = 2 ** FRAME_BITS
    apart = [min((a - b) % cycle, (b - a) % cycle) for a, b in seen]
    # A screenshot is no instant: on a busy machine one of them may catch a monitor a frame
    # further on while the other is being drawn. A mirror out of step is out of step in most.
    assert sorted(apart)[-2] <= 1, f"frame numbers (mod {cycle}) on primary and second monitor: {seen}"
    assert len({a for a, _ in seen}) > 1, f"the picture did not move: {seen}"
