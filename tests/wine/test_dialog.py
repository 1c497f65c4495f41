"""The configuration dialog (/c): its controls, what OK and Cancel do to Trevlin.ini, its
error messages and its two web links. Clicks are real pointer clicks on the X display."""

import subprocess

import pytest

from conftest import form_windows
from dialogs import (CHECKED, GENEROUS, INDETERMINATE, UNCHECKED, box_state, control, immutable, message_boxes, open_dialog,
                     sound_setting, toggle_box, wait_for_message_box)
from rig import click, controls, focused_window, winpath, write_ini


WS_CAPTION = 0x00C00000
WS_THICKFRAME = 0x00040000
WS_MAXIMIZEBOX = 0x00010000
WS_EX_DLGMODALFRAME = 0x00000001


MAKER_LINK = "http://www.trevlin.example"
CODEC_LINK = "http://codec.test/download/windows.html"

# caption: (class, left, top, width, height) in client pixels at 96 DPI
LAYOUT = {
    "OK": ("Button", 256, 168, 81, 33),
    "Cancel": ("Button", 168, 168, 81, 33),
    "Play sound": ("Button", 16, 144, 81, 25),
    "Download FREE screensavers from:": ("Static", 40, 16, 257, 33),
    MAKER_LINK: ("Static", 67, 48, 209, 25),
    "Download latest codec from:": ("Static", 8, 88, 201, 25),
    CODEC_LINK: ("Static", 15, 112, 313, 33),
}


# caption: (face, hundredths of a point, underlined, character set) as the layout declares them
LABEL_FONTS = {
    "Download FREE screensavers from:": ("Arial", 1200, False, 0),
    MAKER_LINK: ("Arial", 1125, True, 0),
    "Download latest codec from:": ("Arial", 1125, False, 0),
    CODEC_LINK: ("Arial", 1200, True, 178),
}
SS_TYPEMASK = 0x1F
SS_LEFT = 0x0
SS_LEFTNOWORDWRAP = 0xC
CLIP_ALLOWED = 4  # pixels of its text a one-line label may lose at its right edge


def test_dialog_shows_its_controls_in_a_fixed_frame(rig, saver_dir):
    saver, dialog = open_dialog(rig, saver_dir)
    assert dialog.style & WS_CAPTION == WS_CAPTION
    assert not dialog.style & (WS_THICKFRAME | WS_MAXIMIZEBOX), f"style {dialog.style:#x} is resizable"
    assert dialog.exstyle & WS_EX_DLGMODALFRAME, f"exstyle {dialog.exstyle:#x}"

    client, children = controls(rig, dialog)
    assert client == (343, 210)
    shown = {c.text: (c.cls, *c.position) for c in children if c.visible}
    assert shown == LAYOUT
    assert focused_window(rig, dialog) == control(rig, dialog, "Play sound").window.hwnd

    click(rig, control(rig, dialog, "Cancel"))
    assert saver.wait(GENEROUS) == 0


def test_tab_moves_from_box_to_cancel_to_ok(rig, saver_dir):
    saver, dialog = open_dialog(rig, saver_dir)
    by_text = {c.text: c.window.hwnd for c in controls(rig, dialog)[1]}
    order = ["Play sound", "Cancel", "OK", "Play sound"]

    assert focused_window(rig, dialog) == by_text[order[0]]
    for caption in order[1:]:
        rig.key("Tab")
        rig.wait_for(lambda: focused_window(rig, dialog) == by_text[caption], GENEROUS,
                     what=f"the focus on {caption!r}")
    assert saver.running()

    click(rig, control(rig, dialog, "Cancel"))
    assert saver.wait(GENEROUS) == 0


@pytest.mark.parametrize("stored, shown, clicks, saved", [
    (None, CHECKED, 0, "1"),
    ("1", CHECKED, 1, "0"),
    ("0", UNCHECKED, 0, "0"),
    ("0", UNCHECKED, 1, "1"),
    ("2", INDETERMINATE, 0, "2"),
], ids=["no-file", "1-click", "0", "0-click", "2"])
def test_ok_saves_the_box_state(rig, saver_dir, stored, shown, clicks, saved):
    ini = saver_dir / "Trevlin.ini"
    if stored is not None:
        # The path line must survive the save: OK changes only the sound value.
        write_ini(saver_dir, f"[config]\nsound={stored}\npath=C:\\Vidéos\\\n")
    saver, dialog = open_dialog(rig, saver_dir)
    assert box_state(rig, dialog) == shown

    for _ in range(clicks):
        toggle_box(rig, dialog)
    click(rig, control(rig, dialog, "OK"))
    assert saver.wait(GENEROUS) == 0

    value, lines = sound_setting(ini)
    assert value == saved
    if stored is not None:
        assert "path=C:\\Vidéos\\" in lines


@pytest.mark.parametrize("stored", [None, b"; kept as it is\n[config]\nsound=0\npath=Z:\\media\\\n"],
                         ids=["no-file", "lf-file"])
def test_cancel_leaves_the_settings_file_as_it_was(rig, saver_dir, stored):
    ini = saver_dir / "Trevlin.ini"
    if stored is not None:
        ini.write_bytes(stored)
    saver, dialog = open_dialog(rig, saver_dir)
    toggle_box(rig, dialog)

    click(rig, control(rig, dialog, "Cancel"))
    assert saver.wait(GENEROUS) == 0
    assert (ini.read_bytes() if ini.exists() else None) == stored


def test_sound_value_that_is_no_number_is_reported_and_no_dialog_opens(rig, saver_dir):
    ini = write_ini(saver_dir, "[config]\nsound=on\n")
    before = ini.read_bytes()
    saver = rig.start_saver(saver_dir, "/c", watch=True)

    box = wait_for_message_box(rig, saver)
    text = rig.window_text(box)
    assert winpath(ini).lower() in text.lower(), text
    assert "sound=on" in text, text
    # The box waits for the user with the form already gone, so nothing it delivers can
    # reach the form's handlers.
    assert not form_windows(saver.windows(visible_only=False))

    rig.key("Return")
    assert saver.wait(GENEROUS) == 1
    assert not [w for w in form_windows(saver.seen_windows()) if w.visible]
    assert ini.read_bytes() == before


def test_failed_save_is_reported_and_the_dialog_stays(rig, saver_dir):
    ini = write_ini(saver_dir, "[config]\nsound=1\n")
    before = ini.read_bytes()
    # A file that cannot be written when the dialog opens greys the box (test_fleet.py):
    # this one becomes so only while the dialog is open.
    saver, dialog = open_dialog(rig, saver_dir)
    with immutable(ini):
        toggle_box(rig, dialog)
        click(rig, control(rig, dialog, "OK"))

        box = wait_for_message_box(rig, saver)
        text = rig.window_text(box)
        path = winpath(ini).lower()
        assert path in text.lower(), text
        reason = text.lower().split(path, 1)[1]
        assert any(c.isalpha() for c in reason), f"no reason given: {text!r}"

        rig.key("Return")
        rig.wait_for(lambda: not message_boxes(saver), GENEROUS, what="the message box to go")
        assert saver.running()
        assert [w for w in form_windows(saver.windows()) if w.text == "Configure"]
        assert box_state(rig, dialog) == UNCHECKED  # what the user chose is still there

        click(rig, control(rig, dialog, "Cancel"))
        assert saver.wait(GENEROUS) == 0
    assert ini.read_bytes() == before


@pytest.mark.parametrize("caption, address", [
    (MAKER_LINK, MAKER_LINK + "/"),
    (CODEC_LINK, CODEC_LINK),
], ids=["maker", "codec"])
def test_link_opens_in_the_browser_and_the_dialog_stays(rig, saver_dir, caption, address):
    seen_before = len(rig.opened_addresses())
    saver, dialog = open_dialog(rig, saver_dir)

    click(rig, control(rig, dialog, caption))
    rig.wait_for(lambda: len(rig.opened_addresses()) > seen_before, GENEROUS, what="the browser command")
    assert rig.opened_addresses()[seen_before:] == [address]
    assert saver.running()
    assert [w for w in form_windows(saver.windows()) if w.text == "Configure"]

    click(rig, control(rig, dialog, "Cancel"))
    assert saver.wait(GENEROUS) == 0
    assert not (saver_dir / "Trevlin.ini").exists()


@pytest.mark.parametrize("stored", [None, "0"], ids=["no-file", "sound-0"])
def test_program_folder_with_non_ansi_name(rig, saver_dir, stored):
    # Neither character is in the ANSI code page (1252 under the rig's locale): the path
    # must go through the wide API all the way.
    folder = saver_dir.parent / "設定"
    folder.mkdir()
    (saver_dir / "Trevlin.scr").rename(folder / "Trevlin.scr")
    if stored is not None:
        write_ini(folder, f"[config]\nsound={stored}\n")
    saver, dialog = open_dialog(rig, folder)
    assert box_state(rig, dialog) == (UNCHECKED if stored == "0" else CHECKED)

    toggle_box(rig, dialog)
    click(rig, control(rig, dialog, "OK"))
    assert saver.wait(GENEROUS) == 0
    assert sound_setting(folder / "Trevlin.ini")[0] == ("1" if stored == "0" else "0")


# ---------------------------------------------------------------- the labels read in full

def measure(rig, label):
    """What "probe textsize" reports for a label, in the font the layout declares for it."""
    face, hundredths, underline, charset = LABEL_FONTS[label.text]
    out = rig.probe("textsize", hex(label.window.hwnd), face, str(hundredths), str(int(underline)), str(charset))
    fields = dict(part.split("=", 1) for part in out.strip().split("\t"))

    def numbers(key):
        return tuple(int(v) for v in fields[key].split(","))

    return {"face": fields["face"], "single": numbers("single"), "wrapped": numbers("wrapped"),
            "ink_single": numbers("ink_single"), "ink_wrapped": numbers("ink_wrapped"),
            "style": int(fields["style"], 16), "text": out.strip()}


def on_screen(label, box):
    """A box given from a label's top-left corner, in screen coordinates."""
    left, top = label.window.rect[:2]
    return box[0] + left, box[1] + top, box[2] + left, box[3] + top


def intersection(a, b):
    left, top, right, bottom = max(a[0], b[0]), max(a[1], b[1]), min(a[2], b[2]), min(a[3], b[3])
    return (left, top, right, bottom) if left < right and top < bottom else None


def near(a, b, tolerance=1):
    return all(abs(x - y) <= tolerance for x, y in zip(a, b))


class Screen:
    """A screenshot's pixels, and where they differ from the dialog's background."""

    def __init__(self, path, area):
        self.left, self.top, right, bottom = area
        self.width = right - self.left
        size = f"{self.width}x{bottom - self.top}+{self.left}+{self.top}"
        self.data = subprocess.run(["convert", str(path), "-crop", size, "+repage", "-depth", "8", "rgb:-"],
                                   capture_output=True, check=True).stdout
        counts = {}
        for i in range(0, len(self.data), 3):
            pixel = self.data[i:i + 3]
            counts[pixel] = counts.get(pixel, 0) + 1
        self.background = max(counts, key=counts.get)

    def ink(self, x, y):
        i = ((y - self.top) * self.width + (x - self.left)) * 3
        return max(abs(a - b) for a, b in zip(self.data[i:i + 3], self.background)) > 48

    def ink_box(self, box):
        """The smallest box around the ink inside box (screen coordinates), or None."""
        points = [(x, y) for y in range(box[1], box[3]) for x in range(box[0], box[2]) if self.ink(x, y)]
        if not points:
            return None
        xs, ys = [p[0] for p in points], [p[1] for p in points]
        return min(xs), min(ys), max(xs) + 1, max(ys) + 1


def settled_screenshot(rig, path):
    """A screenshot once two in a row are the same: the dialog has finished painting."""
    previous = None

    def same():
        nonlocal previous
        data = rig.screenshot(path).read_bytes()
        stable, previous = data == previous, data
        return stable

    rig.wait_for(same, GENEROUS, interval=0.3, what="the screen to settle")
    return path


def test_every_label_reads_in_full_and_no_text_meets_another_control(rig, saver_dir, tmp_path):
    saver, dialog = open_dialog(rig, saver_dir)
    shown = [c for c in controls(rig, dialog)[1] if c.visible]
    labels = [c for c in shown if c.cls == "Static"]
    assert sorted(c.text for c in labels) == sorted(LABEL_FONTS)

    inks = {}
    for label in labels:
        m = measure(rig, label)
        name = f"{label.text!r}: {m['text']}"
        # The test prefix maps Arial to a font of the same widths; without it nothing below
        # says anything about Windows.
        assert m["face"] == LABEL_FONTS[label.text][0], name
        _, _, width, height = label.position
        flow = m["style"] & SS_TYPEMASK
        if flow == SS_LEFT:
            # Wraps like any static control: every line inside the label.
            assert m["wrapped"][0] <= width and m["wrapped"][1] <= height, name
            ink = m["ink_wrapped"]
        else:
            # One line, clipped at the right edge, only where wrapped lines would not fit.
            assert flow == SS_LEFTNOWORDWRAP, name
            assert m["wrapped"][1] > height, f"needlessly kept on one line: {name}"
            assert m["single"][1] <= height, name
            assert m["single"][0] - width <= CLIP_ALLOWED, name
            ink = m["ink_single"]
        assert ink[3] <= height and ink[2] - width <= CLIP_ALLOWED, name
        inks[label.text] = on_screen(label, ink)
        # Controls come top first: none above the label may hide any of its text.
        for other in shown[:shown.index(label)]:
            assert not intersection(inks[label.text], other.window.rect), \
                f"{label.text!r} runs under {other.text!r}: {name}"

    # The buttons and the check box place their text themselves: nothing may lie over them.
    for button in (c for c in shown if c.cls == "Button"):
        for above in shown[:shown.index(button)]:
            assert not intersection(button.window.rect, above.window.rect), \
                f"{above.text!r} lies over {button.text!r}"

    # What the controls really drew: each label's text exactly where the measurement puts
    # it (so the control's own font has the measured widths), and nothing where two
    # controls overlap.
    shot = settled_screenshot(rig, tmp_path / "dialog.png")
    screen = Screen(shot, dialog.rect)
    for label in labels:
        expected = intersection(inks[label.text], label.window.rect)
        drawn = screen.ink_box(label.window.rect)
        assert drawn and near(drawn, expected), f"{label.text!r}: drew {drawn}, measured {expected}"
    for i, first in enumerate(shown):
        for second in shown[i + 1:]:
            both = intersection(first.window.rect, second.window.rect)
            if both:
                assert not screen.ink_box(both), f"{first.text!r} and {second.text!r} both draw in {both}"

    click(rig, control(rig, dialog, "Cancel"))
    assert saver.wait(GENEROUS) == 0
