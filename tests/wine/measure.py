"""What the Wine tests measure the show by, and the thresholds they hold it to: the
screen's blackness around the form's controls."""

from rig import mean_rgb_outside

DARK = 2.0  # mean channel value allowed for a black screen once its controls are blanked


def assert_black_around_controls(rig, form, shot, when=""):
    """The screen is black but for the form's visible controls (a small link label), which
    are painted out, but only while they stay small: a video window left visible over the
    form is no control."""
    controls = [c.rect for c in rig.children(form) if c.visible]
    area = sum((right - left) * (bottom - top) for left, top, right, bottom in controls)
    assert area < 0.05 * form.rect[2] * form.rect[3], f"large visible windows on the form{when}: {controls}"
    colour = mean_rgb_outside(shot, controls)
    assert max(colour) < DARK, f"the screen is not black around the form's controls{when} ({colour}, {shot.name})"
