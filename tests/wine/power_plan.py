"""A power plan for the Wine rig. Wine's powrprof.dll knows none: a stand-in of ours
(powrprof/powrprof.cpp) in a session's prefix gives the plan's "turn off the display
after" seconds, from TREVLIN_TEST_PLAN_AC in the environment of the program that asks."""

import shutil

from rig import REPO, Rig

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
