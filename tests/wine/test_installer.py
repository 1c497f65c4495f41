"""The Windows installer that tools/package leaves in dist/, in the session's prefix, in
the order a user meets it: a silent install, the installed saver and its settings
dialog, an upgrade started while the saver runs (over settings an earlier version wrote
in ANSI, and told another folder), the silent uninstall; then the pages of an
interactive install, which can leave the screen saver choice alone and says when
Trevlin is running; last, an install into a folder whose name the ANSI code page
cannot hold.

The tests share one installation and run in this file's order, each on what the one
before left. Registry values are read with Wine's own reg.exe."""

from __future__ import annotations

import sys
import time
import zipfile
from dataclasses import dataclass
from pathlib import Path

import pytest

from conftest import form_windows, wait_for_picture
from rig import REPO, click, controls, winpath
from dialogs import control, open_dialog, sound_setting, toggle_box
from installs import GENEROUS, OWN_KEY, UNINSTALL_KEY, reg_set, reg_values, run_installer, text_values, uninstall_quietly

sys.path.insert(0, str(REPO / "installer"))
import packaging  # noqa: E402

WAITING = 3    # seconds the upgrade is left waiting on the running saver

DESKTOP_KEY = r"HKCU\Control Panel\Desktop"
SHELL_FOLDERS_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders"
# The choice a user had before Trevlin: the uninstaller must put it back.
PREVIOUS_SAVER = r"C:\windows\system32\previous.scr"
INSTALLED = ["Trevlin.evc", "Trevlin.ini", "Trevlin.scr", "Trevlin.wma", "uninstall.exe"]
# Settings as versions before UTF-16 wrote them: ANSI (code page 1252 here), with a
# comment and a key the installer does not write, and a path that lost its letters.
ANSI_SETTINGS = "; Trevlin's settings, caf\u00e9\r\n[config]\r\nsound=0\r\npath=C:\\users\\Lukasz ????\\\r\nmonitors=primary\r\n"
# An upgrade told to go elsewhere (/D=) goes where Trevlin is.
ELSEWHERE = r"C:\elsewhere\Trevlin"
# A user folder with a space and letters outside code page 1252.
UNICODE_FOLDER = "\u0141ukasz \u041f\u0435\u0442\u0440"


# ---------------------------------------------------------------- registry


# ---------------------------------------------------------------- the package

@dataclass(frozen=True)
class Package:
    setup: Path
    version: str
    files: dict[str, bytes]  # name: content, as the zip holds them


@dataclass(frozen=True)
class Place:
    """Where the installer puts Trevlin: the Windows name and the Linux path."""
    win: str
    path: Path
    parent_existed: bool  # before the first install
    profile_before: frozenset[str]  # the user's profile folder's content then

    @property
    def saver(self) -> str:
        return self.win + r"\Trevlin.scr"


@pytest.fixture(scope="module")
def package() -> Package:
    try:
        version = packaging.built_version()
    except packaging.PackagingError as error:
        pytest.fail(str(error), pytrace=False)
    setup = packaging.DIST / packaging.setup_name(version)
    archive = packaging.DIST / packaging.zip_name(version)
    missing = [p.name for p in (setup, archive) if not p.is_file()]
    if missing:
        pytest.fail(f"{', '.join(missing)} missing in {packaging.DIST}: run tools/package "
                    "(tools/test does, before the Wine tests)", pytrace=False)
    with zipfile.ZipFile(archive) as z:
        files = {name: z.read(name) for name in z.namelist()}
    return Package(setup, version, files)


def build_newer(package: Package, work: Path, **defines) -> Package:
    """The same installer for a later version, with a program that differs from the
    installed one in its last bytes (data after a program's end is not loaded)."""
    parts = package.version.split(".")
    version = ".".join(parts[:-1] + [str(int(parts[-1]) + 1)])
    saver = work / "Trevlin.scr"
    saver.write_bytes(package.files["Trevlin.scr"] + b"newer build")
    media = work / "media"
    media.mkdir()
    for name in packaging.MEDIA_NAMES:
        (media / name).write_bytes(package.files[name])
    setup = packaging.build_setup(version, saver, media, work, extra_defines=defines)
    return Package(setup, version, {"Trevlin.scr": saver.read_bytes()})


@pytest.fixture(scope="module")
def newer(package, tmp_path_factory) -> Package:
    return build_newer(package, tmp_path_factory.mktemp("newer"))


@pytest.fixture(scope="module")
def impatient(package, tmp_path_factory) -> Package:
    """The later version again, giving up after one second of waiting for Trevlin to end
    where the real one waits five minutes."""
    return build_newer(package, tmp_path_factory.mktemp("impatient"), SILENT_WAIT_HALF_SECONDS=2)


@pytest.fixture(scope="module")
def place(rig) -> Place:
    local = text_values(reg_values(rig, SHELL_FOLDERS_KEY), "Local AppData")["Local AppData"]
    assert local and local[:3].upper() == "C:\\", local
    win = local + r"\Programs\Trevlin"
    path = rig.prefix / "drive_c" / Path(*win[3:].split("\\"))
    return Place(win, path, path.parent.exists(), profile_tree(path))


def profile_tree(install_dir: Path) -> frozenset[str]:
    """Every file and folder in the user's profile (install_dir is in AppData\\Local\\Programs)."""
    home = install_dir.parents[3]
    return frozenset(str(p.relative_to(home)) for p in home.rglob("*"))


def new_in_profile(place: Place) -> list[str]:
    """What the profile has gained since before the first install, but for the copy of
    the uninstaller that NSIS runs from the temporary folder: a running program cannot
    delete itself, and Windows lets only administrators delete files at the next start."""
    return sorted(p for p in profile_tree(place.path) - place.profile_before
                  if not any(part.startswith("~nsu") for part in Path(p).parts))


def start_menu_entry(rig) -> dict[str, str] | None:
    """The Start-menu entry that chooses Trevlin again, as the shell reads it: target,
    args and icon; None when there is none."""
    programs = text_values(reg_values(rig, SHELL_FOLDERS_KEY), "Programs")["Programs"]
    link = rig.prefix / "drive_c" / Path(*programs[3:].split("\\")) / "Trevlin screensaver.lnk"
    if not link.exists():
        return None
    return dict(field.split("=", 1) for field in rig.probe("shortcut", winpath(link)).strip().split("\t"))


def leftovers(folder: Path) -> list[str]:
    return sorted(p.name for p in folder.iterdir() if p.name.endswith(".new"))


# ---------------------------------------------------------------- in a user's order

def test_silent_install_puts_files_settings_and_registry_in_place(rig, package, place):
    reg_set(rig, DESKTOP_KEY, "SCRNSAVE.EXE", PREVIOUS_SAVER)
    reg_set(rig, DESKTOP_KEY, "ScreenSaveActive", "0")
    assert not place.path.exists()

    assert run_installer(rig, package.setup).wait(GENEROUS) == 0

    assert sorted(p.name for p in place.path.iterdir()) == INSTALLED
    assert sorted(package.files) == sorted(set(INSTALLED) - {"uninstall.exe"})
    for name in ("Trevlin.scr", *packaging.MEDIA_NAMES):
        assert (place.path / name).read_bytes() == package.files[name], f"{name} differs from the zip's"
    # The version resource carries the version the package is named after.
    assert packaging.windows_version(package.version).encode("utf-16-le") in package.files["Trevlin.scr"]
    ini = (place.path / "Trevlin.ini").read_bytes()
    assert ini[:2] == b"\xff\xfe", "not UTF-16 with a byte order mark"
    assert ini[2:].decode("utf-16-le").split("\r\n") == ["[config]", "sound=1", f"path={place.win}\\", ""]
    with zipfile.ZipFile(packaging.DIST / packaging.zip_name(package.version)) as archive:
        assert archive.read("Trevlin.ini").startswith(b"\xff\xfe"), "the zip's settings are not UTF-16"

    uninstall = reg_values(rig, UNINSTALL_KEY)
    assert text_values(uninstall, "DisplayName", "DisplayVersion", "Publisher", "DisplayIcon", "UninstallString",
                       "QuietUninstallString") == {
        "DisplayName": "Trevlin",
        "DisplayVersion": package.version,
        "Publisher": packaging.maker_site().split("://", 1)[1],
        "DisplayIcon": place.saver + ",0",
        "UninstallString": f'"{place.win}\\uninstall.exe"',
        "QuietUninstallString": f'"{place.win}\\uninstall.exe" /S',
    }
    kind, size = uninstall["EstimatedSize"]
    on_disk = sum(p.stat().st_size for p in place.path.iterdir()) / 1024
    assert kind == "REG_DWORD" and abs(int(size, 16) - on_disk) < 8, (size, on_disk)

    desktop = text_values(reg_values(rig, DESKTOP_KEY), "SCRNSAVE.EXE", "ScreenSaveActive")
    # Windows keeps the short form of the path; under Wine it is the long one here.
    assert desktop["SCRNSAVE.EXE"].lower() == place.saver.lower()
    assert desktop["ScreenSaveActive"] == "1"

    entry = start_menu_entry(rig)
    assert entry and entry["target"].lower() == r"c:\windows\system32\rundll32.exe", entry
    assert entry["args"] == f'desk.cpl,InstallScreenSaver "{place.saver}"'


def start_chosen_saver(rig, cwd: Path):
    """The saver as Windows starts it: the SCRNSAVE.EXE value, then " /s". Started in
    another folder, so only the settings' path leads it to the media."""
    chosen = text_values(reg_values(rig, DESKTOP_KEY), "SCRNSAVE.EXE")["SCRNSAVE.EXE"]
    return rig.start_command(f"{chosen} /s", cwd, "Trevlin.scr")


def test_installed_saver_shows_the_video_from_the_install_folder(rig, tmp_path):
    saver = start_chosen_saver(rig, tmp_path)
    screen = rig.screen_rect()
    rig.wait_for(lambda: [w for w in form_windows(saver.windows()) if w.rect == screen], GENEROUS,
                 what="the saver's form covering the screen")
    wait_for_picture(rig, tmp_path / "screen.png")
    rig.key("a")
    assert saver.wait(GENEROUS) == 0


def test_settings_dialog_saves_into_the_installed_file(rig, place):
    ini = place.path / "Trevlin.ini"
    saver, dialog = open_dialog(rig, place.path)
    toggle_box(rig, dialog)
    click(rig, control(rig, dialog, "OK"))
    assert saver.wait(GENEROUS) == 0

    assert not [w for w in saver.seen_windows() if w.pid == saver.windows_pid and w.cls == "#32770"]
    value, lines = sound_setting(ini, unicode=True)
    assert value == "0"
    assert f"path={place.win}\\" in lines


def assert_untouched(rig, package, place):
    """The installed version as it was: a running program cannot be replaced, and the
    rest alone would be half of one version and half of another."""
    assert (place.path / "Trevlin.scr").read_bytes() == package.files["Trevlin.scr"]
    assert leftovers(place.path) == []
    assert text_values(reg_values(rig, UNINSTALL_KEY), "DisplayVersion")["DisplayVersion"] == package.version


def test_upgrade_waits_for_the_running_saver_then_replaces_the_program(rig, package, newer, impatient, place,
                                                                      tmp_path):
    (place.path / "Trevlin.ini").write_bytes(ANSI_SETTINGS.encode("cp1252"))
    saver = start_chosen_saver(rig, tmp_path)
    rig.wait_for(lambda: form_windows(saver.windows()), GENEROUS, what="the saver's form")

    # Given up waiting, it says so by its exit code ("aborted") and leaves all as it was.
    assert run_installer(rig, impatient.setup).wait(GENEROUS) == 2
    assert_untouched(rig, package, place)

    installer = run_installer(rig, newer.setup, f"/S /D={ELSEWHERE}")
    time.sleep(WAITING)
    assert saver.running(), "the saver ended by itself: the test cannot tell whether the installer waits"
    assert installer.running(), f"the installer ended (exit {installer.wait(1)}) while the saver ran"
    assert_untouched(rig, package, place)

    rig.key("a")
    assert saver.wait(GENEROUS) == 0
    assert installer.wait(GENEROUS) == 0
    assert (place.path / "Trevlin.scr").read_bytes() == newer.files["Trevlin.scr"]
    assert leftovers(place.path) == []
    assert not (rig.prefix / "drive_c" / "elsewhere").exists(), "the upgrade went where /D= said"


def test_upgrade_keeps_the_settings_in_utf16_and_registers_the_new_version(rig, newer, place):
    value, lines = sound_setting(place.path / "Trevlin.ini", unicode=True)
    assert value == "0", "the setting was lost"
    # Every line kept, read in the ANSI code page; path points at the install folder again.
    assert lines == ["; Trevlin's settings, caf\u00e9", "[config]", "sound=0", f"path={place.win}\\",
                     "monitors=primary"]
    assert text_values(reg_values(rig, UNINSTALL_KEY), "DisplayVersion")["DisplayVersion"] == newer.version
    # Trevlin replaced Trevlin: what it replaced the first time is still remembered.
    assert text_values(reg_values(rig, OWN_KEY), "PreviousScreenSaver")["PreviousScreenSaver"] == PREVIOUS_SAVER


def test_silent_uninstall_removes_everything_and_restores_the_previous_saver(rig, place, tmp_path):
    uninstall_quietly(rig, tmp_path)
    assert not place.path.exists()

    # A folder the installer made on the way (Programs, in a fresh prefix) goes too.
    assert place.path.parent.exists() == place.parent_existed
    assert new_in_profile(place) == []
    assert reg_values(rig, UNINSTALL_KEY) is None
    desktop = text_values(reg_values(rig, DESKTOP_KEY), "SCRNSAVE.EXE", "ScreenSaveActive")
    assert desktop == {"SCRNSAVE.EXE": PREVIOUS_SAVER, "ScreenSaveActive": "0"}


# ---------------------------------------------------------------- a user at the pages

def shown_texts(rig, window) -> list[str]:
    return [c.text for c in rig.children(window) if c.visible]


def wait_for_window(rig, program, text: str):
    """program's top-level window showing a control whose text holds text."""
    def found():
        return next((w for w in program.windows() if any(text in t for t in shown_texts(rig, w))), None)

    return rig.wait_for(found, GENEROUS, what=f"a window showing {text!r}")


def checkbox(rig, window, caption: str):
    box = next(c for c in rig.children(window) if c.text == caption)
    return next(c for c in controls(rig, box.parent)[1] if c.window.hwnd == box.hwnd)


def test_interactive_install_reads_as_trevlin_and_can_leave_the_screen_saver_alone(rig, package, place):
    installer = run_installer(rig, package.setup, "")
    welcome = wait_for_window(rig, installer, "Trevlin is a full-screen video screen saver")
    assert welcome.text == f"Trevlin {package.version} Setup"
    assert any(packaging.maker_site() in t for t in shown_texts(rig, welcome))
    rig.key("Return")

    wait_for_window(rig, installer, "Destination Folder")
    rig.key("Return")

    page = wait_for_window(rig, installer, "&Use Trevlin as my screen saver")
    assert checkbox(rig, page, "&Use Trevlin as my screen saver").check == 1, "not checked by default"
    rig.key("alt+u")
    rig.wait_for(lambda: checkbox(rig, page, "&Use Trevlin as my screen saver").check == 0, GENEROUS,
                 what="the box to be cleared")
    rig.key("Return")

    wait_for_window(rig, installer, "To make Trevlin your screen saver, choose it")
    rig.key("Return")
    assert installer.wait(GENEROUS) == 0

    assert sorted(p.name for p in place.path.iterdir()) == INSTALLED
    desktop = text_values(reg_values(rig, DESKTOP_KEY), "SCRNSAVE.EXE", "ScreenSaveActive")
    assert desktop == {"SCRNSAVE.EXE": PREVIOUS_SAVER, "ScreenSaveActive": "0"}


def test_install_while_the_settings_are_open_says_so_and_changes_nothing(rig, package, place):
    settings, dialog = open_dialog(rig, place.path)
    before = {p.name: p.read_bytes() for p in place.path.iterdir()}
    installer = run_installer(rig, package.setup, "")
    wait_for_window(rig, installer, "Trevlin is a full-screen video screen saver")
    rig.key("Return")
    # An upgrade goes where Trevlin is: no folder page.
    wait_for_window(rig, installer, "&Use Trevlin as my screen saver")
    rig.key("Return")

    box = wait_for_window(rig, installer, "Close it, then click Retry")
    assert "Trevlin is running" in rig.window_text(box)
    rig.key("Escape")
    wait_for_window(rig, installer, "Trevlin is running; nothing was changed.")
    rig.key("Return")
    assert installer.wait(GENEROUS) == 2  # NSIS: aborted

    assert {p.name: p.read_bytes() for p in place.path.iterdir()} == before
    click(rig, control(rig, dialog, "Cancel"))
    assert settings.wait(GENEROUS) == 0


def test_silent_upgrade_and_uninstall_leave_a_screen_saver_choice_they_did_not_make(rig, package, place,
                                                                                    tmp_path):
    assert run_installer(rig, package.setup).wait(GENEROUS) == 0
    desktop = text_values(reg_values(rig, DESKTOP_KEY), "SCRNSAVE.EXE")
    assert desktop == {"SCRNSAVE.EXE": PREVIOUS_SAVER}, "the upgrade chose Trevlin against the user's choice"

    uninstall_quietly(rig, tmp_path)
    assert new_in_profile(place) == []
    assert reg_values(rig, UNINSTALL_KEY) is None
    desktop = text_values(reg_values(rig, DESKTOP_KEY), "SCRNSAVE.EXE", "ScreenSaveActive")
    assert desktop == {"SCRNSAVE.EXE": PREVIOUS_SAVER, "ScreenSaveActive": "0"}


# ---------------------------------------------------------------- a user folder beyond ANSI

def test_install_into_a_folder_the_code_page_cannot_name_plays_the_video_from_there(rig, package, place,
                                                                                    tmp_path):
    home_win, home = place.win.rsplit("\\", 4)[0], place.path.parents[3]
    win = rf"{home_win}\{UNICODE_FOLDER}\Programs\Trevlin"
    path = home / UNICODE_FOLDER / "Programs" / "Trevlin"
    assert run_installer(rig, package.setup, f"/S /D={win}").wait(GENEROUS) == 0

    assert sound_setting(path / "Trevlin.ini", unicode=True)[1] == ["[config]", "sound=1", f"path={win}\\"]
    # Started as Windows starts it, from another folder: only path leads to the media.
    saver = start_chosen_saver(rig, tmp_path)
    screen = rig.screen_rect()
    rig.wait_for(lambda: [w for w in form_windows(saver.windows()) if w.rect == screen], GENEROUS,
                 what="the saver's form covering the screen")
    wait_for_picture(rig, tmp_path / "screen.png")
    rig.key("a")
    assert saver.wait(GENEROUS) == 0

    uninstall_quietly(rig, tmp_path)
    assert not (home / UNICODE_FOLDER).exists()
