"""Trevlin on managed machines, in the session's prefix: the MSI that tools/package
leaves (install, the installed saver started from elsewhere, an upgrade over settings an
administrator changed, the uninstall), and the policies of dist/policy/Trevlin.admx
written as Group Policy would write them, seen in the saver and its dialog."""

from __future__ import annotations

import subprocess
import sys
import time
import zipfile
from pathlib import Path

import pytest

from conftest import start_show, wait_for_picture
from media import MUSIC_TONE, VIDEO_TONE
from rig import REPO, click, tone_level, winpath, write_ini
from dialogs import INDETERMINATE, control, immutable, open_dialog
from installs import GENEROUS, reg_values, text_values

sys.path.insert(0, str(REPO / "installer"))
import packaging  # noqa: E402
from policy_values import admx_policies  # noqa: E402

POLICIES = admx_policies(packaging.POLICY_SOURCES / "Trevlin.admx")
ROOTS = {"machine": "HKLM", "user": "HKCU"}
ARP_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall"
WS_DISABLED = 0x08000000
BM_SETCHECK = 0x00F1
SILENT = 0.005


# ---------------------------------------------------------------- the MSI

def msiexec(rig, cwd: Path, *arguments: str) -> int:
    return rig.start_command("msiexec " + " ".join(arguments), cwd, "msiexec.exe", park=False).wait(GENEROUS * 4)


def build_msi(version: str, work: Path) -> Path:
    """The MSI of another version, of the files the package's zip holds."""
    with zipfile.ZipFile(packaging.DIST / packaging.zip_name(packaging.built_version())) as archive:
        for name in ("Trevlin.scr", *packaging.MEDIA_NAMES):
            (work / name).write_bytes(archive.read(name))
    return packaging.build_msi(version, work / "Trevlin.scr", work, work)


def arp_entries(rig) -> dict[str, dict[str, str | None]]:
    """Trevlin's Add/Remove Programs entries by product code."""
    result = subprocess.run(["wine", "reg", "query", ARP_KEY], env=rig.env, capture_output=True, text=True,
                            timeout=GENEROUS)
    found = {}
    for line in result.stdout.splitlines():
        code = line.strip().rsplit("\\", 1)[-1]
        if code.startswith("{"):
            values = text_values(reg_values(rig, f"{ARP_KEY}\\{code}".replace("HKLM", "HKEY_LOCAL_MACHINE")),
                                 "DisplayName", "DisplayVersion", "Publisher")
            if values["DisplayName"] == "Trevlin":
                found[code] = values
    return found


@pytest.fixture(scope="module")
def msi_place(rig):
    folder = rig.prefix / "drive_c" / "Program Files" / "Trevlin"
    assert not folder.exists()
    return folder


def test_msi_installs_per_machine_and_its_saver_plays_from_another_folder(rig, msi_place, tmp_path):
    version = packaging.built_version()
    msi = packaging.DIST / packaging.msi_name(version)
    user_before = reg_export(rig, "HKCU", tmp_path / "before.reg")
    assert msiexec(rig, tmp_path, "/i", f'"{winpath(msi)}"', "/qn") == 0

    assert sorted(p.name for p in msi_place.iterdir()) == ["Trevlin.evc", "Trevlin.ini", "Trevlin.scr", "Trevlin.wma"]
    assert (msi_place / "Trevlin.ini").read_bytes() == packaging.INI_BOM + packaging.MSI_INI
    assert arp_entries(rig) == {packaging.msi_product_code(version): {
        "DisplayName": "Trevlin", "DisplayVersion": version,
        "Publisher": packaging.maker_site().split("://", 1)[1]}}
    assert user_changes(user_before, reg_export(rig, "HKCU", tmp_path / "after.reg")) == []

    # As Windows starts it: from another folder, where only path leads to the media.
    saver = rig.start_command(r'"C:\Program Files\Trevlin\Trevlin.scr" /s', tmp_path, "Trevlin.scr")
    wait_for_picture(rig, tmp_path / "screen.png")
    rig.key("a")
    assert saver.wait(GENEROUS) == 0


def test_msi_upgrade_keeps_the_changed_settings_and_uninstall_leaves_nothing(rig, msi_place, tmp_path):
    changed = "; changed by the administrator\r\n[config]\r\nsound=0\r\npath=C:\\Program Files\\Trevlin\\\r\n"
    (msi_place / "Trevlin.ini").write_bytes(changed.encode("cp1252"))
    parts = packaging.built_version().split(".")
    newer = ".".join(parts[:-1] + [str(int(parts[-1]) + 1)])
    assert msiexec(rig, tmp_path, "/i", f'"{winpath(build_msi(newer, tmp_path))}"', "/qn") == 0

    assert (msi_place / "Trevlin.ini").read_bytes() == changed.encode("cp1252")
    assert list(arp_entries(rig)) == [packaging.msi_product_code(newer)], "the older version is still there"

    assert msiexec(rig, tmp_path, "/x", packaging.msi_product_code(newer), "/qn") == 0
    assert not msi_place.exists()
    assert arp_entries(rig) == {}


def reg_export(rig, key: str, path: Path) -> list[str]:
    subprocess.run(["wine", "reg", "export", key, winpath(path), "/y"], env=rig.env, check=True,
                   capture_output=True, timeout=GENEROUS * 2)
    return path.read_bytes().decode("utf-16").splitlines()


def user_changes(before: list[str], after: list[str]) -> list[str]:
    """The values of HKCU that are new or changed, each with its key."""
    known, key, changed = set(before), None, []
    for line in after:
        if line.startswith("["):
            key = line
        elif line and line not in known:
            changed.append(f"{key} {line}")
    return changed


# ---------------------------------------------------------------- policies

def set_policies(rig, values: dict[tuple[str, str], tuple[str, str]]) -> None:
    """Writes (root, name): (type, data) under Software\\Policies\\Trevlin, after clearing
    what an earlier case wrote there."""
    for root in ROOTS.values():
        subprocess.run(["wine", "reg", "delete", rf"{root}\Software\Policies\Trevlin", "/f"], env=rig.env,
                       capture_output=True, timeout=GENEROUS)
    for (root, name), (kind, data) in values.items():
        subprocess.run(["wine", "reg", "add", rf"{ROOTS[root]}\{POLICIES[name].key}", "/v",
                        POLICIES[name].value_name, "/t", kind, "/d", data, "/f"],
                       env=rig.env, check=True, capture_output=True, timeout=GENEROUS)


@pytest.fixture
def no_policies(rig):
    yield
    set_policies(rig, {})


SOUND_OFF = POLICIES["Sound"].values["disabled"]
SOUND_ON = POLICIES["Sound"].values["enabled"]


@pytest.mark.parametrize("policies, stored, shown, note", [
    ({("machine", "Sound"): SOUND_OFF}, "1", 0, "Set by your organisation"),
    ({("machine", "Sound"): SOUND_OFF, ("user", "Sound"): SOUND_ON}, "1", 0, "Set by your organisation"),
    ({("user", "Sound"): SOUND_ON}, "0", 1, "Set by your organisation"),
    ({("machine", "Sound"): ("REG_SZ", "banana")}, "0", 0, None),
], ids=["machine-0", "machine-wins", "user-1", "banana-ignored"])
def test_dialog_shows_a_sound_policy_greyed_and_ok_keeps_the_file(rig, saver_dir, no_policies, policies,
                                                                  stored, shown, note):
    set_policies(rig, policies)
    ini = write_ini(saver_dir, f"[config]\r\nsound={stored}\r\n")
    before = ini.read_bytes()
    saver, dialog = open_dialog(rig, saver_dir)
    box = control(rig, dialog, "Play sound")
    assert (box.check, bool(box.window.style & WS_DISABLED)) == (shown, note is not None)
    texts = [c.text for c in rig.children(dialog) if c.visible]
    assert (note in texts) if note else not [t for t in texts if "organisation" in t or "administrator" in t]
    # A box the user cannot click, set all the same to a state no case stores: OK must
    # store nothing of it.
    rig.send(box.window, BM_SETCHECK, INDETERMINATE)
    click(rig, control(rig, dialog, "OK"))
    assert saver.wait(GENEROUS) == 0
    assert ini.read_bytes() == before if note else "sound=2" in ini.read_text("cp1252")


def test_dialog_greys_the_box_when_the_settings_file_is_read_only(rig, saver_dir):
    ini = write_ini(saver_dir, "[config]\r\nsound=1\r\n")
    with immutable(ini):
        saver, dialog = open_dialog(rig, saver_dir)
        box = control(rig, dialog, "Play sound")
        assert (box.check, bool(box.window.style & WS_DISABLED)) == (1, True)
        assert "Only an administrator can change this" in [c.text for c in rig.children(dialog) if c.visible]
        click(rig, control(rig, dialog, "OK"))
        assert saver.wait(GENEROUS) == 0, "OK tried to store what it could not"


def test_machine_sound_policy_silences_the_saver_over_the_file(rig, media, saver_dir, no_policies, tmp_path):
    set_policies(rig, {("machine", "Sound"): SOUND_OFF, ("user", "Sound"): SOUND_ON})
    with rig.record(tmp_path / "sink.raw") as recording:
        saver, _ = start_show(rig, saver_dir, media.put(tmp_path / "media"), sound="1")
        wait_for_picture(rig, tmp_path / "screen.png")
        time.sleep(2)
    samples = recording.stop()
    rig.key("a")
    assert saver.wait(GENEROUS) == 0
    assert max(tone_level(samples, VIDEO_TONE), tone_level(samples, MUSIC_TONE)) < SILENT
