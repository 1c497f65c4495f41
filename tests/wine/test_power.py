"""The display sleeps on the power plan's schedule, which a stand-in powrprof.dll in this
module's own session gives (power_plan.py)."""

import re

import pytest

from conftest import SHOW_TIMEOUT
from measure import HEARD, MOVED
from media import MediaCache
from power_plan import (LISTEN, PLAN, SETTLED, STAND_IN, assert_stopped_at_the_moment, give_first_input,
                        run_with_plan, use_stand_in_powrprof)
from rig import Rig, picture_difference


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
