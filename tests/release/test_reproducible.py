"""A release can be checked against its source: a second clean clone of the commit,
built on a machine with another clock, time zone and umask, gives the same bytes as the
package tools/test has just made (tools/package's run before the tests is the first
build). The second build makes only what the package needs: the windows preset and the
packaging."""

from __future__ import annotations

import os
import subprocess
import sys
import zipfile
from pathlib import Path

import pytest

REPO = Path(__file__).resolve().parents[2]
sys.path.insert(0, str(REPO / "installer"))
import packaging  # noqa: E402

# The second machine: three days ahead, half a day ahead of UTC, and a umask that keeps
# every new file from the group and the others.
FAKETIME = "+3d"
TZ = "Pacific/Kiritimati"
UMASK = 0o027


def git(*args: str, cwd: Path = REPO) -> str:
    return subprocess.run(["git", *args], cwd=cwd, check=True, capture_output=True, text=True).stdout.strip()


def release_files(dist: Path, version: str) -> list[Path]:
    return [dist / packaging.SAVER_NAME, dist / packaging.setup_name(version), dist / packaging.zip_name(version),
            dist / packaging.msi_name(version), dist / "SHA256SUMS", *sorted((dist / "winget").glob("*.yaml"))]


def differing_members(a: Path, b: Path) -> list[str]:
    """The names of a zip's entries whose content or stored details differ."""
    with zipfile.ZipFile(a) as za, zipfile.ZipFile(b) as zb:
        ia = {i.filename: i for i in za.infolist()}
        ib = {i.filename: i for i in zb.infolist()}
        return sorted(n for n in set(ia) | set(ib)
                      if n not in ia or n not in ib or za.read(n) != zb.read(n)
                      or (ia[n].date_time, ia[n].external_attr) != (ib[n].date_time, ib[n].external_attr))


def test_a_second_clean_build_elsewhere_gives_the_same_bytes(tmp_path):
    changes = git("status", "--porcelain", "--untracked-files=normal")
    if changes:
        # In CI the tree is a fresh checkout: a change there is a stray output of the
        # build, which must not turn this check into a silent pass.
        why = f"the working tree has changes that are not committed: its package is not the commit's\n{changes}"
        if os.environ.get("CI") == "true":
            pytest.fail(why, pytrace=False)
        pytest.skip(why)
    version = packaging.built_version()
    first = release_files(packaging.DIST, version)
    missing = [p.name for p in first if not p.is_file()]
    assert not missing, f"{', '.join(missing)} missing in {packaging.DIST}: run tools/package first"

    clone = tmp_path / "clone"
    subprocess.run(["git", "clone", "-q", "--no-checkout", str(REPO), str(clone)], check=True)
    # This tree's HEAD, which a CI checkout may hold detached, on no branch the clone has.
    git("fetch", "-q", str(REPO), "HEAD", cwd=clone)
    git("checkout", "-q", "--detach", "FETCH_HEAD", cwd=clone)
    assert git("rev-parse", "HEAD", cwd=clone) == git("rev-parse", "HEAD")
    env = {k: v for k, v in os.environ.items() if k not in ("SOURCE_DATE_EPOCH", "CI")}
    env["TZ"] = TZ
    # The other machine's clock is another; the times files carry are read as they are.
    # libfaketime would otherwise shift what stat() reports too, as no real clock does.
    env["NO_FAKE_STAT"] = "1"
    script = f"umask {UMASK:03o} && tools/build windows && /usr/bin/python3 installer/packaging.py"
    result = subprocess.run(["faketime", "-f", FAKETIME, "bash", "-c", script], cwd=clone, env=env,
                            capture_output=True, text=True, timeout=1200)
    assert result.returncode == 0, f"the second build failed:\n{result.stdout[-3000:]}{result.stderr[-3000:]}"

    second = release_files(clone / "dist", version)
    assert [p.name for p in second] == [p.name for p in first]
    differ = [a.name for a, b in zip(first, second) if a.read_bytes() != b.read_bytes()]
    zip_name = packaging.zip_name(version)
    detail = differing_members(packaging.DIST / zip_name, clone / "dist" / zip_name) if zip_name in differ else []
    assert differ == [], (f"differ between the two builds: {differ}; in the zip: {detail} "
                          "(was the first made by tools/package at this commit?)")
