"""The settings dialog as the tests drive it: opening it, its controls and check box, its
message boxes, and the settings file it writes."""

import contextlib
import subprocess

from conftest import form_windows
from rig import RigError, click, controls

GENEROUS = 10  # seconds; these are not timing tests


UNCHECKED, CHECKED, INDETERMINATE = 0, 1, 2


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


def ini_lines(path, unicode=False):
    """The settings file's lines, checked to be ANSI text (no UTF-16 or UTF-8 byte order
    mark), or with unicode UTF-16LE after its byte order mark (as the installer writes it)."""
    data = path.read_bytes()
    if unicode:
        assert data.startswith(b"\xff\xfe"), data[:16]
        return [line.strip() for line in data[2:].decode("utf-16-le").splitlines()]
    assert not data.startswith((b"\xff\xfe", b"\xfe\xff", b"\xef\xbb\xbf")), data[:16]
    assert b"\0" not in data, data[:64]
    return [line.strip() for line in data.decode("cp1252").splitlines()]


def sound_setting(path, unicode=False):
    """The [config] sound value as stored, and all the file's lines."""
    lines = ini_lines(path, unicode)
    section, found = None, []
    for line in lines:
        if line.startswith("[") and line.endswith("]"):
            section = line[1:-1].lower()
        elif section == "config" and line.lower().startswith("sound="):
            found.append(line.split("=", 1)[1])
    assert len(found) == 1, lines
    return found[0], lines


@contextlib.contextmanager
def immutable(path):
    # Wine runs as root here, so the DOS read-only attribute would not stop the write.
    subprocess.run(["chattr", "+i", str(path)], check=True)
    try:
        yield path
    finally:
        subprocess.run(["chattr", "-i", str(path)], check=True)
