"""The configuration dialog (/c): its controls, what OK and Cancel do to Trevlin.ini, its
error messages and its two web links. Clicks are real pointer clicks on the X display."""

import contextlib
import subprocess

import pytest

from conftest import form_windows
from rig import RigError, click, controls, focused_window, winpath, write_ini

GENEROUS = 10  # seconds; these are not timing tests

WS_CAPTION = 0x00C00000
WS_THICKFRAME = 0x00040000
WS_MAXIMIZEBOX = 0x00010000
WS_EX_DLGMODALFRAME = 0x00000001

UNCHECKED, CHECKED, INDETERMINATE = 0, 1, 2

MAKER_LINK = "http://www.trevlin.example"
CODEC_LINK = "http://www.codec.example/download/windows.html"

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


def open_dialog(rig, folder):
    saver = rig.start_saver(folder, "/c", watch=True)
    try:
        dialog = rig.wait_for(lambda: [w for w in form_windows(saver.windows()) if w.text == "Configure"],
                              GENEROUS, what="the Configure dialog")[0]
    except RigError as error:
        raise AssertionError(f"{error}; windows of the program: {saver.windows(visible_only=False)}") from None
    return saver, dialog


def control(rig, dialog, caption):
    return next(c for c in controls(rig, dialog)[1] if c.text == caption)


def box_state(rig, dialog):
    return control(rig, dialog, "Play sound").check


def toggle_box(rig, dialog):
    before = box_state(rig, dialog)
    click(rig, control(rig, dialog, "Play sound"))
    rig.wait_for(lambda: box_state(rig, dialog) != before, GENEROUS, what="the check box to change")


def message_boxes(saver):
    return [w for w in saver.windows() if w.cls == "#32770"]


def wait_for_message_box(rig, saver):
    return rig.wait_for(lambda: message_boxes(saver), GENEROUS, what="a message box")[0]


def ini_lines(path):
    """The settings file's lines, checked to be ANSI text (no UTF-16 or UTF-8 byte order mark)."""
    data = path.read_bytes()
    assert not data.startswith((b"\xff\xfe", b"\xfe\xff", b"\xef\xbb\xbf")), data[:16]
    assert b"\0" not in data, data[:64]
    return [line.strip() for line in data.decode("cp1252").splitlines()]


def sound_setting(path):
    """The [config] sound value as stored, and all the file's lines."""
    lines = ini_lines(path)
    section, found = None, []
    for line in lines:
        if line.startswith("[") and line.endswith("]"):
            section = line[1:-1].lower()
        elif section == "config" and line.lower().startswith("sound="):
            found.append(line.split("=", 1)[1])
    assert len(found) == 1, lines
    return found[0], lines


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
    assert not form_windows(saver.windows())

    rig.key("Return")
    code = saver.wait(GENEROUS)
    assert code < 0xC0000000, f"ended by exception {code:#x}"
    assert not [w for w in form_windows(saver.seen_windows()) if w.visible]
    assert ini.read_bytes() == before


@contextlib.contextmanager
def immutable(path):
    # Wine runs as root here, so the DOS read-only attribute would not stop the write.
    subprocess.run(["chattr", "+i", str(path)], check=True)
    try:
        yield path
    finally:
        subprocess.run(["chattr", "-i", str(path)], check=True)


def test_failed_save_is_reported_and_the_dialog_stays(rig, saver_dir):
    ini = write_ini(saver_dir, "[config]\nsound=1\n")
    before = ini.read_bytes()
    with immutable(ini):
        saver, dialog = open_dialog(rig, saver_dir)
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
