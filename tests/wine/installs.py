"""The per-user Setup as the tests drive it: running it and its uninstaller, and reading
what they leave in the registry."""

from __future__ import annotations

import re
import subprocess
import tempfile
from pathlib import Path

from rig import winpath

GENEROUS = 30  # seconds; an install takes about one under Wine

UNINSTALL_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Trevlin"
OWN_KEY = r"HKCU\Software\Trevlin"


def reg_values(rig, key: str) -> dict[str, tuple[str, str]] | None:
    """A key's values as {name: (type, data)}, or None when the key does not exist. Read
    through an exported .reg file (UTF-16): reg query's output passes through the console's
    code page, which turns letters outside it into "?"."""
    with tempfile.TemporaryDirectory(dir=rig.root) as work:
        exported = Path(work) / "key.reg"
        result = subprocess.run(["wine", "reg", "export", key, winpath(exported), "/y"], env=rig.env,
                                capture_output=True, timeout=GENEROUS)
        if result.returncode != 0 or not exported.exists():
            return None
        text = exported.read_bytes().decode("utf-16")
    values, header = {}, None
    wanted = "[" + key.replace("HKCU", "HKEY_CURRENT_USER").lower() + "]"
    for line in text.replace("\r", "").splitlines():
        if line.startswith("["):
            header = line.lower()
        elif header == wanted and line.startswith('"'):
            name, data = re.fullmatch(r'"((?:[^"\\]|\\.)*)"=(.*)', line).groups()
            if data.startswith('"'):
                values[_unescape(name)] = ("REG_SZ", _unescape(data[1:-1]))
            elif data.startswith("dword:"):
                values[_unescape(name)] = ("REG_DWORD", hex(int(data[6:], 16)))
            else:
                values[_unescape(name)] = ("other", data)
    return values


def _unescape(text: str) -> str:
    return re.sub(r"\\(.)", r"\1", text)


def reg_set(rig, key: str, name: str, data: str) -> None:
    subprocess.run(["wine", "reg", "add", key, "/v", name, "/d", data, "/f"], env=rig.env, check=True,
                   capture_output=True, timeout=GENEROUS)


def text_values(values: dict[str, tuple[str, str]] | None, *names: str) -> dict[str, str | None]:
    values = values or {}
    return {name: values[name][1] if name in values else None for name in names}


def run_installer(rig, setup: Path, arguments: str = "/S"):
    # Not parking the pointer: some of these run beside a saver, which moves would end.
    return rig.start_command(f'"{winpath(setup)}" {arguments}'.strip(), setup.parent, setup.name, park=False)


def uninstall_quietly(rig, cwd: Path) -> None:
    """Runs the uninstaller as registered for silent use, and waits until it is done: it
    goes on from a copy of itself in the temporary folder, and its last step is
    removing its own registry key."""
    quiet = text_values(reg_values(rig, UNINSTALL_KEY), "QuietUninstallString")["QuietUninstallString"]
    assert quiet, "no QuietUninstallString registered"
    assert rig.start_command(quiet, cwd, "uninstall.exe").wait(GENEROUS) == 0
    rig.wait_for(lambda: reg_values(rig, OWN_KEY) is None, GENEROUS, what="the uninstaller to finish")
