"""Fixtures for the Wine tests: one rig (display, sound, Wine prefix) for the whole run,
the generated media, and a fresh folder holding a copy of Trevlin.scr for each test."""

import shutil

import pytest

from media import MediaCache
from rig import SAVER_EXE, Rig, winpath

FORM_CLASS = "TrevlinForm1"

# Figures a test module measured on the way, printed at the end of the run.
FIGURES: list[str] = []


def pytest_terminal_summary(terminalreporter):
    for line in FIGURES:
        terminalreporter.write_line(line)


@pytest.fixture(scope="session")
def rig():
    if not SAVER_EXE.exists():
        pytest.fail(f"{SAVER_EXE} is missing: run tools/build", pytrace=False)
    with Rig() as session:
        yield session


@pytest.fixture(autouse=True)
def _end_leftover_savers(request):
    yield
    # A failed test may leave its saver (or a message box of it) on the screen; the next
    # test must start on an empty desktop.
    if "rig" in request.fixturenames:
        request.getfixturevalue("rig").end_savers()


@pytest.fixture(scope="session")
def media(rig):
    return MediaCache(rig.root / "media")


@pytest.fixture
def saver_dir(tmp_path):
    """A folder with Trevlin.scr and nothing else: tests add Trevlin.ini and media."""
    folder = tmp_path / "saver"
    folder.mkdir()
    shutil.copy2(SAVER_EXE, folder / "Trevlin.scr")
    return folder


def ini_for(media_folder, sound="1"):
    """A Trevlin.ini text pointing the saver at media_folder."""
    return f"[config]\nsound={sound}\npath={winpath(media_folder)}\\\n"


def form_windows(windows):
    return [w for w in windows if w.cls == FORM_CLASS]


# ---------------------------------------------------------------- a show under way

from rig import mean_rgb, write_ini  # noqa: E402

SHOW_TIMEOUT = 15  # seconds; generous, only so that a fault does not hang the run
LIT = 40  # mean channel value; the generated video's picture averages about 120, black is 0


def start_show(rig, saver_dir, media_dir, sound="1", watch=False):
    """Runs the saver on the media in media_dir and returns (saver, form) once the form
    covers the screen and the cursor is hidden."""
    write_ini(saver_dir, ini_for(media_dir, sound=sound))
    saver = rig.start_saver(saver_dir, "/s", watch=watch)
    screen = rig.screen_rect()
    form = rig.wait_for(lambda: [w for w in form_windows(saver.windows()) if w.rect == screen], SHOW_TIMEOUT,
                        what="the saver's form covering the screen")[0]
    rig.wait_for(lambda: not rig.cursor_shown(), SHOW_TIMEOUT, what="the cursor to be hidden")
    return saver, form


def wait_for_picture(rig, path):
    """Screenshots until one shows a lit picture (the video has started); returns it."""
    def lit():
        shot = rig.screenshot(path)
        return shot if max(mean_rgb(shot)) > LIT else None

    return rig.wait_for(lit, SHOW_TIMEOUT, interval=0.1, what="the video's picture on the screen")


def end_with_key(rig, saver):
    rig.key("a")
    assert saver.wait(SHOW_TIMEOUT) == 0
