"""The preview (/p HWND): the saver as a child of a settings page's window.

probe.exe plays the settings page: it makes a host window with a 200x150 client area,
activates it and starts the saver with the host's handle. The preview draws from another
process than its host's, which Xvfb does not show (see WINE-NOTES), so these tests look at
the window tree, not at pixels.
"""

import shutil

import pytest

from conftest import FORM_CLASS, form_windows
from rig import SAVER_EXE, Window, winpath

GENEROUS = 10  # seconds; these are not timing tests

WS_CHILD = 0x40000000
HOST_CLIENT = (0, 0, 200, 150)
CODEC_LINK = "http://codec.test/download/windows.html"


class PreviewRun:
    """What "probe host --destroy" saw: the host's descendants once the preview was in
    place, the activation then, and how the saver ended when the host went."""

    def __init__(self, output: str):
        self.output = output
        self.values: dict[str, str] = {}
        self.descendants: list[tuple[Window, tuple[int, int, int, int]]] = []
        self.foreground: Window | None = None
        for line in output.splitlines():
            fields = dict(part.split("=", 1) for part in line.split("\t") if "=" in part)
            if line.startswith("hwnd=") and fields.get("role") == "foreground":
                self.foreground = Window.parse(line)
            elif line.startswith("hwnd="):
                rect = tuple(int(v) for v in fields["crect"].split(","))
                self.descendants.append((Window.parse(line), rect))
            else:
                self.values.update(fields)

    def handle(self, key: str) -> int:
        return int(self.values[key], 16)

    @property
    def host(self) -> int:
        return self.handle("host")

    @property
    def previews(self):
        return [(w, rect) for w, rect in self.descendants if w.cls == FORM_CLASS]


@pytest.fixture(scope="module", params=["/p {hwnd}", "/p:{hwnd}"], ids=["space", "colon"])
def preview(request, rig, tmp_path_factory):
    folder = tmp_path_factory.mktemp("preview")
    shutil.copy2(SAVER_EXE, folder / "Trevlin.scr")
    rig.park_pointer()
    command = f'"{winpath(folder / "Trevlin.scr")}" {request.param}'
    run = PreviewRun(rig.probe("host", "--destroy", "--timeout", str(GENEROUS * 1000), command,
                               timeout=4 * GENEROUS))
    assert run.values.get("client") == "200,150", run.output  # the host is what the tests assume
    return run


def test_preview_fills_the_host_client_area(preview):
    assert preview.values["appeared"] == "1", preview.output
    assert len(preview.previews) == 1, preview.output
    window, rect = preview.previews[0]
    assert window.parent == preview.host
    assert window.depth == 1
    assert window.pid == int(preview.values["pid"])
    assert window.style & WS_CHILD
    assert window.visible
    assert rect == HOST_CLIENT


def test_only_the_codec_link_shows_over_the_picture(preview):
    shown = [(w.cls, w.text, rect[:2]) for w, rect in preview.descendants if w.visible and w.depth == 2]
    assert shown == [("Static", CODEC_LINK, (15, 112))]


def test_host_keeps_the_activation(preview):
    host = preview.host
    assert preview.handle("foreground") == host, preview.foreground
    assert preview.handle("foreground_active") == host
    assert preview.handle("host_active") == host
    assert preview.values["host_foreground"] == "1"


def test_preview_ends_with_its_host(preview):
    assert "ended_before_destroy" not in preview.values, preview.output
    assert preview.values["destroyed"] == "1"
    assert preview.values.get("exit") == "0x0", preview.output


@pytest.mark.parametrize("arguments", ["/p 0", "/p 99999", "/p:99999"])
def test_handle_of_no_window_ends_at_once_without_a_window(rig, saver_dir, arguments):
    saver = rig.start_saver(saver_dir, arguments, watch=True)
    assert saver.wait(GENEROUS) == 0
    seen = saver.seen_windows()
    assert form_windows(seen) == []
    assert [w for w in seen if w.cls == "#32770"] == []
