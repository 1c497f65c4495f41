"""Fixtures for the Wine tests: one rig (display, sound, Wine prefix) for the whole run,
the generated media, and a fresh folder holding a copy of Trevlin.scr for each test."""

import shutil

import pytest

from media import MediaCache
from rig import SAVER_EXE, Rig, winpath

FORM_CLASS = "TrevlinForm1"


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
