"""tools/package --sign: the program, the uninstaller, the setup and the MSI each carry a SHA-256
Authenticode signature by the certificate given, here a throwaway one made for the test
and trusted as the root. The uninstaller exists only once the setup has written it, so
the setup is installed (into a folder of its own) in the session's prefix."""

from __future__ import annotations

import os
import subprocess
import sys
import threading
import zipfile
from pathlib import Path

import pytest

from rig import REPO
from installs import GENEROUS, run_installer, uninstall_quietly

sys.path.insert(0, str(REPO / "installer"))
import packaging  # noqa: E402

PASSWORD = "throwaway pass"
SIGNER_NAME = "Trevlin throwaway signer"


@pytest.fixture(scope="module")
def certificate(tmp_path_factory) -> tuple[Path, Path]:
    """(the PKCS#12 file to sign with, its certificate alone in PEM)."""
    work = tmp_path_factory.mktemp("certificate")
    key, pem, pfx = work / "key.pem", work / "cert.pem", work / "cert.pfx"
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", pem,
                    "-days", "2", "-subj", f"/CN={SIGNER_NAME}", "-addext", "extendedKeyUsage=codeSigning"],
                   check=True, capture_output=True)
    subprocess.run(["openssl", "pkcs12", "-export", "-inkey", key, "-in", pem, "-out", pfx,
                    "-passout", "env:TREVLIN_SIGN_PASSWORD"],
                   check=True, capture_output=True, env=dict(os.environ, TREVLIN_SIGN_PASSWORD=PASSWORD))
    return pfx, pem


class CommandLineWatch:
    """Every command line seen in /proc while inside: the password must be on none."""

    def __init__(self):
        self.seen: set[str] = set()
        self._stop = threading.Event()
        self._thread = threading.Thread(target=self._watch, daemon=True)

    def _watch(self) -> None:
        while not self._stop.wait(0.005):
            for pid in os.listdir("/proc"):
                if pid.isdigit():
                    try:
                        self.seen.add(Path(f"/proc/{pid}/cmdline").read_bytes().decode(errors="replace"))
                    except OSError:
                        pass

    def __enter__(self):
        self._thread.start()
        return self

    def __exit__(self, *exc):
        self._stop.set()
        self._thread.join()


def verify(path: Path, root: Path) -> str:
    result = subprocess.run(["osslsigncode", "verify", "-CAfile", str(root), "-in", str(path)],
                            capture_output=True, text=True, timeout=60)
    assert result.returncode == 0, f"{path.name}: {result.stdout}{result.stderr}"
    return result.stdout


def test_signed_package_carries_four_signatures_by_the_given_certificate(rig, certificate, tmp_path,
                                                                          monkeypatch):
    pfx, root = certificate
    version = packaging.built_version()
    media = tmp_path / "media"
    media.mkdir()
    with zipfile.ZipFile(packaging.DIST / packaging.zip_name(version)) as archive:
        for name in packaging.MEDIA_NAMES:
            (media / name).write_bytes(archive.read(name))
    monkeypatch.setenv("TREVLIN_SIGN_PASSWORD", PASSWORD)
    monkeypatch.delenv("TREVLIN_SIGN_TIMESTAMP_URL", raising=False)  # offline
    out = tmp_path / "signed"
    with CommandLineWatch() as watch:
        packaging.make_release(media, out, packaging.Signer(pfx))
    assert any("--sign-file" in line for line in watch.seen), "the watch saw no signing"
    assert not [line for line in watch.seen if PASSWORD in line], "the password was on a command line"

    setup = out / packaging.setup_name(version)
    with zipfile.ZipFile(out / packaging.zip_name(version)) as archive:
        (tmp_path / "Trevlin.scr").write_bytes(archive.read("Trevlin.scr"))
    for signed in (tmp_path / "Trevlin.scr", setup, out / packaging.msi_name(version)):
        report = verify(signed, root)
        assert SIGNER_NAME in report and "sha256" in report.lower(), report

    folder = rig.prefix / "drive_c" / "signed" / "Trevlin"
    assert run_installer(rig, setup, r"/S /D=C:\signed\Trevlin").wait(GENEROUS) == 0
    try:
        assert SIGNER_NAME in verify(folder / "uninstall.exe", root)
    finally:
        uninstall_quietly(rig, tmp_path)
    assert not folder.exists()
