"""What tools/package leaves beside the downloads: SHA256SUMS, and the Windows Package
Manager's manifest of the setup, checked against the manifest schemas of its version
(winget-schemas/, MIT-licensed, LICENSE beside them)."""

from __future__ import annotations

import hashlib
import json
import subprocess
import sys
import time
from pathlib import Path

import jsonschema
import pytest
import yaml

REPO = Path(__file__).resolve().parents[2]
SCHEMAS = Path(__file__).resolve().parent / "winget-schemas"
sys.path.insert(0, str(REPO / "installer"))
import packaging  # noqa: E402

KINDS = {  # the manifest's files: (name, schema)
    "version": (f"{packaging.WINGET_ID}.yaml", "manifest.version.1.10.0.json"),
    "defaultLocale": (f"{packaging.WINGET_ID}.locale.en-US.yaml", "manifest.defaultLocale.1.10.0.json"),
    "installer": (f"{packaging.WINGET_ID}.installer.yaml", "manifest.installer.1.10.0.json"),
}


@pytest.fixture(scope="module")
def version() -> str:
    try:
        version = packaging.built_version()
    except packaging.PackagingError as error:
        pytest.fail(str(error), pytrace=False)
    if not (packaging.DIST / packaging.setup_name(version)).is_file():
        pytest.fail(f"no package in {packaging.DIST}: run tools/package", pytrace=False)
    return version


@pytest.fixture(scope="module")
def manifest(version) -> dict[str, dict]:
    folder = packaging.DIST / "winget"
    assert sorted(p.name for p in folder.iterdir()) == sorted(name for name, _ in KINDS.values())
    return {kind: yaml.safe_load((folder / name).read_text(encoding="utf-8")) for kind, (name, _) in KINDS.items()}


def test_checksums_list_the_three_downloads_for_sha256sum(version):
    listed = (packaging.DIST / "SHA256SUMS").read_text().splitlines()
    assert [line.split("  ", 1)[1] for line in listed] == [packaging.setup_name(version),
                                                            packaging.zip_name(version),
                                                            packaging.msi_name(version)]
    result = subprocess.run(["sha256sum", "-c", "SHA256SUMS"], cwd=packaging.DIST, capture_output=True, text=True)
    assert result.returncode == 0, result.stdout + result.stderr


def test_manifest_files_meet_their_schemas(manifest):
    for kind, (name, schema_name) in KINDS.items():
        schema = json.loads((SCHEMAS / schema_name).read_text(encoding="utf-8"))
        # The format checker makes "date" a real check: an unquoted date would be read
        # as a date object, and "1.0" unquoted as a number, and both fail here.
        jsonschema.validate(manifest[kind], schema, format_checker=jsonschema.FormatChecker())
        assert manifest[kind]["ManifestType"] == kind, name


def msi_product_code(msi: Path) -> str:
    result = subprocess.run(["msiinfo", "export", str(msi), "Property"], capture_output=True, text=True, check=True)
    return dict(line.split("\t", 1) for line in result.stdout.splitlines())["ProductCode"]


def test_manifest_describes_this_setup_and_msi(manifest, version):
    setup = packaging.DIST / packaging.setup_name(version)
    msi = packaging.DIST / packaging.msi_name(version)
    for kind in KINDS:
        assert manifest[kind]["PackageIdentifier"] == "Trevlin.Trevlin"
        assert manifest[kind]["PackageVersion"] == version
    installer = manifest["installer"]
    nsis, windows_installer = installer["Installers"]
    for entry, download, kind, scope in ((nsis, setup, "nullsoft", "user"), (windows_installer, msi, "msi", "machine")):
        assert entry["InstallerSha256"].lower() == hashlib.sha256(download.read_bytes()).hexdigest()
        assert entry["InstallerUrl"] == f"{packaging.maker_site()}/{download.name}"
        assert (entry["Architecture"], entry["InstallerType"], entry["Scope"]) == ("x64", kind, scope)
    assert nsis["InstallerSwitches"]["Silent"] == "/S"
    assert {"InstallerReturnCode": 2, "ReturnResponse": "packageInUse"} in nsis["ExpectedReturnCodes"]
    # The MSI's own code, which winget matches against the installed programs.
    assert windows_installer["ProductCode"] == msi_product_code(msi)
    assert "InstallerSwitches" not in installer and "InstallerSwitches" not in windows_installer
    assert installer["ReleaseDate"] == time.strftime("%Y-%m-%d", time.gmtime(packaging.source_date_epoch()))
    # The publisher as the setup's version resource and the uninstall entry name it.
    assert manifest["defaultLocale"]["Publisher"] == packaging.maker_site().split("://", 1)[1]
