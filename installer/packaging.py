"""Trevlin's two downloads, made from a built Trevlin.scr and the media:

- Trevlin-<version>-setup.exe, the installer (NSIS, installer/trevlin.nsi);
- Trevlin-<version>.zip, the same files for those who copy them by hand;
- Trevlin-<version>-x64.msi, for managed machines (wixl, installer/trevlin.wxs);

and beside them SHA256SUMS (both downloads, as sha256sum -c reads it) and winget/, the
Windows Package Manager's manifest of the setup.

Two clean builds of one commit give the same bytes: every time stored comes from the
commit (SOURCE_DATE_EPOCH, or else the commit's own date), and nothing depends on the
machine's clock, time zone or umask. With --sign, osslsigncode signs the program before
it is packed, the uninstaller as makensis writes it, and the setup; signed builds carry
the time of signing, so only unsigned ones are the same twice.

The version is the build's (CMake writes it to build/windows/version.txt), the maker's
address the program's own (src/dialog/links.h). tools/package runs this after
tools/build; the Wine tests call build_setup() to make other versions of the installer.
Standard library only, besides makensis, wixl, msibuild, faketime, osslsigncode, git and
ImageMagick's convert.
"""

from __future__ import annotations

import argparse
import hashlib
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import uuid
import zipfile
from dataclasses import dataclass
from pathlib import Path

REPO = Path(__file__).resolve().parents[1]
SCRIPT = REPO / "installer" / "trevlin.nsi"
MSI_SOURCE = REPO / "installer" / "trevlin.wxs"
POLICY_SOURCES = REPO / "installer" / "policy"
ICON = REPO / "res" / "trevlin.ico"
VERSION_FILE = REPO / "build" / "windows" / "version.txt"
LINKS_HEADER = REPO / "src" / "dialog" / "links.h"
DIST = REPO / "dist"
WORK = REPO / "build" / "package"

SAVER_NAME = "Trevlin.scr"
MEDIA_NAMES = ("Trevlin.evc", "Trevlin.wma")

# The zip's settings file: there is no install folder to point path at, so it says
# how to fill it in. UTF-16LE with a byte-order mark, so that the profile calls keep
# every character of a folder name the ANSI code page cannot hold; CRLF line ends.
HAND_COPY_INI = (
    "; Trevlin's settings. path is the folder that holds Trevlin.evc and Trevlin.wma,\r\n"
    "; with a final backslash, for instance C:\\Media\\Trevlin\\\r\n"
    "[config]\r\n"
    "sound=1\r\n"
    "path=\r\n"
).encode("utf-16-le")
INI_BOM = b"\xff\xfe"

# The MSI's settings file. wixl writes no IniFile table, so the file is made here, for the
# one folder the MSI installs into.
MSI_FOLDER = "C:\\Program Files\\Trevlin"
MSI_INI = (
    "; Trevlin's settings for every user of this machine. Policies under\r\n"
    "; HKLM\\Software\\Policies\\Trevlin (Sound, Monitors) come before these.\r\n"
    "[config]\r\n"
    "sound=1\r\n"
    f"path={MSI_FOLDER}\\\r\n"
).encode("utf-16-le")
# The MSI's codes. The upgrade code is Trevlin's for good (installer/trevlin.wxs); the
# product code is made from the version, so that every build of one version has the same,
# and the package code from what the package holds.
MSI_NAMESPACE = uuid.UUID("0d5b8f5e-4a3c-4f0e-9b1e-6c2a7d3e9f41")

# The package manifest: the identifier, and the licence as users are told it.
WINGET_ID = "Trevlin.Trevlin"
WINGET_MANIFEST_VERSION = "1.10.0"
LICENSE = "Freeware"
DESCRIPTION = "A full-screen video screen saver"
# The setup's exit code when Trevlin is running and it gave up waiting (NSIS: aborted).
EXIT_IN_USE = 2


class PackagingError(RuntimeError):
    pass


def source_date_epoch() -> int:
    """The time every stored time stamp takes: SOURCE_DATE_EPOCH when set, else the
    commit's date."""
    given = os.environ.get("SOURCE_DATE_EPOCH", "").strip()
    if given:
        if not given.isdigit():
            raise PackagingError(f"SOURCE_DATE_EPOCH holds {given!r}, not a number of seconds")
        return int(given)
    result = subprocess.run(["git", "-C", str(REPO), "log", "-1", "--format=%ct"],
                            capture_output=True, text=True)
    if result.returncode != 0 or not result.stdout.strip().isdigit():
        raise PackagingError("no commit to date the package by: set SOURCE_DATE_EPOCH "
                             f"(git said: {result.stderr.strip()})")
    return int(result.stdout.strip())


def built_version() -> str:
    try:
        version = VERSION_FILE.read_text().strip()
    except OSError:
        raise PackagingError(f"{VERSION_FILE} is missing: run tools/build first") from None
    if not re.fullmatch(r"\d+(\.\d+){0,3}", version):
        raise PackagingError(f"{VERSION_FILE} holds {version!r}, not a version number")
    return version


def windows_version(version: str) -> str:
    """Four numbers, as version resources want them: "1.0" gives "1.0.0.0"."""
    parts = version.split(".")
    return ".".join(parts + ["0"] * (4 - len(parts)))


def maker_site() -> str:
    """The maker's address as the settings dialog shows it (no final "/")."""
    found = re.search(r'kMakerSite\s*=\s*L"([^"]+)"', LINKS_HEADER.read_text(encoding="utf-8"))
    if not found:
        raise PackagingError(f"no kMakerSite address found in {LINKS_HEADER}")
    return found.group(1).rstrip("/")


def setup_name(version: str) -> str:
    return f"Trevlin-{version}-setup.exe"


def zip_name(version: str) -> str:
    return f"Trevlin-{version}.zip"


def msi_name(version: str) -> str:
    return f"Trevlin-{version}-x64.msi"


def msi_product_code(version: str) -> str:
    return "{" + str(uuid.uuid5(MSI_NAMESPACE, f"Trevlin product {version}")).upper() + "}"


def media_files(media_dir: Path) -> list[Path]:
    files = [Path(media_dir) / name for name in MEDIA_NAMES]
    missing = [f.name for f in files if not f.is_file()]
    if missing:
        raise PackagingError(f"{media_dir} has no {' and no '.join(missing)}")
    return files


def wizard_picture(path: Path) -> Path:
    """The welcome and finish pages' picture (164x314, 24-bit BMP), drawn like the
    preview picture: a film frame with a play mark."""
    holes = []
    for top in range(10, 314, 24):
        holes += ["-draw", f"rectangle 5,{top} 11,{top + 10}", "-draw", f"rectangle 152,{top} 158,{top + 10}"]
    subprocess.run(
        ["convert", "-size", "164x314", "gradient:#101850-#5a2a7a",
         "-fill", "#000000", "-draw", "rectangle 0,0 16,313", "-draw", "rectangle 147,0 163,313",
         "-fill", "#c0c0c0", *holes,
         "-fill", "#ffd400", "-draw", "polygon 62,127 62,187 110,157",
         "-type", "TrueColor", f"BMP3:{path}"],
        check=True, timeout=60)
    return Path(path)


def stage_file(source: Path, target: Path, epoch: int) -> Path:
    """A copy whose time (which NSIS stores) is the commit's, whenever it was made."""
    shutil.copyfile(source, target)
    os.chmod(target, 0o644)
    os.utime(target, (epoch, epoch))
    return target


# ---------------------------------------------------------------- signing

@dataclass(frozen=True)
class Signer:
    """A code-signing certificate (a PKCS#12 file). Its password is read from
    TREVLIN_SIGN_PASSWORD (empty when unset) at each signature, and reaches osslsigncode
    on its standard input, never on a command line; TREVLIN_SIGN_TIMESTAMP_URL, when
    set, names a time-stamp server (without one, signing works offline)."""
    certificate: Path

    def finalize_command(self) -> str:
        """The command makensis runs on the file it wrote ("%1"): this script, which
        signs it where it is."""
        return f'"{sys.executable}" "{Path(__file__).resolve()}" --sign-file "{self.certificate}" "%1"'


def sign_file(path: Path, certificate: Path) -> None:
    """Signs path in place (osslsigncode writes a new file, which then replaces it)."""
    path = Path(path)
    signed = path.with_name(path.name + ".signed")
    command = ["osslsigncode", "sign", "-pkcs12", str(certificate), "-readpass", "/dev/stdin",
               "-h", "sha256", "-n", "Trevlin", "-i", maker_site() + "/"]
    server = os.environ.get("TREVLIN_SIGN_TIMESTAMP_URL", "").strip()
    if server:
        command += ["-ts", server]
    signed.unlink(missing_ok=True)
    try:
        result = subprocess.run([*command, "-in", str(path), "-out", str(signed)],
                                # One line: osslsigncode takes none at all for an error.
                                input=os.environ.get("TREVLIN_SIGN_PASSWORD", "") + "\n",
                                capture_output=True, text=True, timeout=300)
    except FileNotFoundError:
        raise PackagingError("osslsigncode is missing: run tools/deps") from None
    if result.returncode != 0 or not signed.is_file():
        signed.unlink(missing_ok=True)
        raise PackagingError(f"osslsigncode could not sign {path.name} ({result.returncode}):\n"
                             f"{result.stdout}{result.stderr}")
    os.replace(signed, path)


# ---------------------------------------------------------------- the downloads

def build_setup(version: str, saver: Path, media_dir: Path, out_dir: Path,
                extra_defines: dict[str, object] | None = None, signer: Signer | None = None,
                epoch: int | None = None) -> Path:
    """Runs makensis; returns out_dir/Trevlin-<version>-setup.exe. Warnings are errors,
    so a script that has gone wrong fails here, not on a user's machine. extra_defines
    are further -D values for the script (tests shorten a wait with them). With a
    signer, the uninstaller and the setup are signed as makensis writes them (saver is
    packed as it is: sign it first)."""
    site = maker_site()
    epoch = source_date_epoch() if epoch is None else epoch
    out = Path(out_dir) / setup_name(version)
    with tempfile.TemporaryDirectory(prefix="trevlin-setup-") as work:
        stage = Path(work) / "stage"
        stage.mkdir()
        stage_file(saver, stage / SAVER_NAME, epoch)
        for media in media_files(media_dir):
            stage_file(media, stage / media.name, epoch)
        picture = wizard_picture(Path(work) / "wizard.bmp")
        os.utime(picture, (epoch, epoch))  # NSIS stores it with its time, as the files
        defines = {
            "VERSION": version,
            "VERSION4": windows_version(version),
            "STAGE": stage,
            "ICON": ICON,
            "WIZARD_BMP": picture,
            "MAKER_SITE": site,
            "MAKER_HOST": re.sub(r"^[a-z]+://", "", site),
            "OUTFILE": out.resolve(),
            **({"SIGN": signer.finalize_command()} if signer else {}),
            **(extra_defines or {}),
        }
        result = subprocess.run(
            ["makensis", "-V2", "-WX", "-NOCD", *(f"-D{k}={v}" for k, v in defines.items()), str(SCRIPT)],
            capture_output=True, text=True, timeout=300)
    if result.returncode != 0 or not out.is_file():
        raise PackagingError(f"makensis failed ({result.returncode}):\n{result.stdout}{result.stderr}")
    return out


def build_zip(version: str, saver: Path, media_dir: Path, out_dir: Path, epoch: int | None = None) -> Path:
    """The same files as the setup, in a fixed order, each dated by the commit (in UTC:
    zip times have no zone) and readable by all, whatever the umask."""
    epoch = source_date_epoch() if epoch is None else epoch
    stamp = time.gmtime(max(epoch, 315532800))[:6]  # zip times start in 1980
    entries = [(SAVER_NAME, Path(saver).read_bytes())]
    entries += [(media.name, media.read_bytes()) for media in media_files(media_dir)]
    entries.append(("Trevlin.ini", INI_BOM + HAND_COPY_INI))
    out = Path(out_dir) / zip_name(version)
    with zipfile.ZipFile(out, "w") as archive:
        for name, data in entries:
            entry = zipfile.ZipInfo(name, date_time=stamp)
            entry.create_system = 3  # Unix, whose permission bits follow
            entry.external_attr = 0o100644 << 16
            entry.compress_type = zipfile.ZIP_DEFLATED
            archive.writestr(entry, data)
    return out


def build_msi(version: str, saver: Path, media_dir: Path, out_dir: Path, epoch: int | None = None) -> Path:
    """Runs wixl; returns out_dir/Trevlin-<version>-x64.msi. wixl stores the clock's time
    and a random package code in the summary information, so it runs at the commit's time
    and msibuild then sets the summary with a package code made from the package's
    content. Two things wixl cannot say are set in its tables afterwards: the settings
    file is never overwritten (an upgrade keeps what an administrator changed), and the
    older version is removed only after the newer one is in (their shared components,
    the settings file among them, stay)."""
    epoch = source_date_epoch() if epoch is None else epoch
    site = maker_site()
    out = Path(out_dir) / msi_name(version)
    out.unlink(missing_ok=True)
    at = time.strftime("%Y-%m-%d %H:%M:%S", time.gmtime(epoch))
    frozen = {**os.environ, "TZ": "UTC", "NO_FAKE_STAT": "1"}
    with tempfile.TemporaryDirectory(prefix="trevlin-msi-") as work:
        stage = Path(work)
        stage_file(saver, stage / SAVER_NAME, epoch)
        for media in media_files(media_dir):
            stage_file(media, stage / media.name, epoch)
        (stage / "Trevlin.ini").write_bytes(INI_BOM + MSI_INI)
        os.chmod(stage / "Trevlin.ini", 0o644)
        os.utime(stage / "Trevlin.ini", (epoch, epoch))
        shutil.copyfile(MSI_SOURCE, stage / MSI_SOURCE.name)
        content = hashlib.sha256(b"".join((stage / n).read_bytes() for n in sorted(os.listdir(stage))))
        package_code = "{" + str(uuid.uuid5(MSI_NAMESPACE, "Trevlin package " + content.hexdigest())).upper() + "}"
        defines = {"Version": version, "ProductCode": msi_product_code(version).strip("{}"),
                   "Publisher": re.sub(r"^[a-z]+://", "", site), "Site": site}
        steps = [
            ["wixl", "-a", "x64", *(a for k, v in defines.items() for a in ("-D", f"{k}={v}")), "-o", str(out.resolve()),
             MSI_SOURCE.name],
            ["msibuild", str(out.resolve()),
             "-q", "UPDATE Component SET Attributes = 384 WHERE Component = 'Settings'",  # 64-bit, never overwrite
             "-q", "UPDATE InstallExecuteSequence SET Sequence = 6650 WHERE Action = 'RemoveExistingProducts'"],
            ["msibuild", str(out.resolve()), "-s", f"Trevlin {version}", defines["Publisher"], "x64;1033",
             package_code],
        ]
        for step in steps:
            # -f takes the time as it stands: without it faketime reads the time through the
            # clock of a faketime already around it (the release check's second build).
            try:
                result = subprocess.run(["faketime", "-f", at, *step], cwd=stage, env=frozen, capture_output=True,
                                        text=True, timeout=300)
            except FileNotFoundError:
                raise PackagingError("faketime is missing: run tools/deps") from None
            if result.returncode != 0 or not out.is_file():
                out.unlink(missing_ok=True)
                raise PackagingError(f"{step[0]} failed ({result.returncode}); is it installed (tools/deps)?\n"
                                     f"{result.stdout}{result.stderr}")
    return out


def copy_policy_templates(out_dir: Path) -> list[Path]:
    """The administrative templates of Trevlin's policies, as Group Policy takes them:
    policy/Trevlin.admx and policy/en-US/Trevlin.adml."""
    out = Path(out_dir) / "policy"
    shutil.rmtree(out, ignore_errors=True)
    copied = []
    for source in sorted(POLICY_SOURCES.rglob("*.adm[lx]")):
        target = out / source.relative_to(POLICY_SOURCES)
        target.parent.mkdir(parents=True, exist_ok=True)
        shutil.copyfile(source, target)
        os.chmod(target, 0o644)
        copied.append(target)
    return copied


def write_checksums(paths: list[Path], out: Path) -> Path:
    """SHA256SUMS as sha256sum writes it, for sha256sum -c in the same folder."""
    lines = [f"{sha256(path)}  {Path(path).name}\n" for path in paths]
    Path(out).write_text("".join(lines), encoding="ascii", newline="\n")
    return Path(out)


def sha256(path: Path) -> str:
    return hashlib.sha256(Path(path).read_bytes()).hexdigest()


# ---------------------------------------------------------------- the package manifest

def _yaml(fields: list[tuple[str, object]], indent: str = "") -> str:
    """YAML for the manifest's simple shapes. Every text is a double-quoted scalar (JSON
    quoting is valid YAML), so that no reader takes "1.0" for a number or a date for a
    date object."""
    lines = []
    for key, value in fields:
        if isinstance(value, list):
            lines.append(f"{indent}{key}:")
            for item in value:
                if isinstance(item, list):  # a list of mappings
                    body = _yaml(item, indent + "  ")
                    lines.append(f"{indent}- " + body[len(indent) + 2:].rstrip("\n"))
                else:
                    lines.append(f"{indent}- {json.dumps(item)}")
        elif isinstance(value, dict):
            lines.append(f"{indent}{key}:")
            lines.append(_yaml(list(value.items()), indent + "  ").rstrip("\n"))
        else:
            lines.append(f"{indent}{key}: {json.dumps(value)}")
    return "\n".join(lines) + "\n"


def write_winget_manifest(version: str, setup: Path, msi: Path, out_dir: Path, download_base: str,
                          epoch: int | None = None) -> list[Path]:
    """The Windows Package Manager's multi-file manifest of the setup and the MSI: the
    version file, the default locale (en-US) and the installer file. The MSI is of type
    "msi": "wix" means one the WiX toolset made, which wixl is not."""
    epoch = source_date_epoch() if epoch is None else epoch
    site = maker_site()
    publisher = re.sub(r"^[a-z]+://", "", site)  # as the setup's version resource has it
    base = download_base.rstrip("/")
    head = [("PackageIdentifier", WINGET_ID), ("PackageVersion", version)]
    tail = [("ManifestVersion", WINGET_MANIFEST_VERSION)]
    files = {
        f"{WINGET_ID}.yaml": ("version", head + [
            ("DefaultLocale", "en-US"),
            ("ManifestType", "version")] + tail),
        f"{WINGET_ID}.locale.en-US.yaml": ("defaultLocale", head + [
            ("PackageLocale", "en-US"),
            ("Publisher", publisher),
            ("PublisherUrl", site + "/"),
            ("PackageName", "Trevlin"),
            ("PackageUrl", site + "/"),
            ("License", LICENSE),
            ("Copyright", f"Copyright (C) {publisher}"),
            ("ShortDescription", DESCRIPTION),
            ("Moniker", "trevlin"),
            ("Tags", ["screensaver", "video"]),
            ("ManifestType", "defaultLocale")] + tail),
        f"{WINGET_ID}.installer.yaml": ("installer", head + [
            ("InstallModes", ["interactive", "silent", "silentWithProgress"]),
            ("UpgradeBehavior", "install"),
            ("ReleaseDate", time.strftime("%Y-%m-%d", time.gmtime(epoch))),
            ("Installers", [
                [("Architecture", "x64"),
                 ("InstallerType", "nullsoft"),
                 ("Scope", "user"),
                 ("InstallerUrl", f"{base}/{setup_name(version)}"),
                 ("InstallerSha256", sha256(setup).upper()),
                 ("InstallerSwitches", {"Silent": "/S", "SilentWithProgress": "/S"}),
                 ("ExpectedReturnCodes", [[("InstallerReturnCode", EXIT_IN_USE),
                                           ("ReturnResponse", "packageInUse")]]),
                 ("AppsAndFeaturesEntries", [[("DisplayName", "Trevlin"), ("Publisher", publisher),
                                              ("DisplayVersion", version)]])],
                [("Architecture", "x64"),
                 ("InstallerType", "msi"),
                 ("Scope", "machine"),
                 ("InstallerUrl", f"{base}/{msi_name(version)}"),
                 ("InstallerSha256", sha256(msi).upper()),
                 ("ProductCode", msi_product_code(version)),
                 ("AppsAndFeaturesEntries", [[("DisplayName", "Trevlin"), ("Publisher", publisher),
                                              ("DisplayVersion", version),
                                              ("ProductCode", msi_product_code(version))]])]]),
            ("ManifestType", "installer")] + tail),
    }
    out_dir = Path(out_dir)
    shutil.rmtree(out_dir, ignore_errors=True)
    out_dir.mkdir(parents=True)
    written = []
    for name, (kind, fields) in files.items():
        schema = f"# yaml-language-server: $schema=https://aka.ms/winget-manifest.{kind}.{WINGET_MANIFEST_VERSION}.schema.json\n"
        path = out_dir / name
        path.write_text(f"# Made by tools/package\n{schema}\n{_yaml(fields)}", encoding="utf-8", newline="\n")
        written.append(path)
    return written


def demo_media() -> Path:
    """The generated media the Wine tests and tools/demo use, made afresh under build/
    (a second or two), so that files an older recipe made are never packed."""
    sys.path.insert(0, str(REPO / "tests" / "wine"))
    from media import MediaCache

    folder = WORK / "demo-media"
    shutil.rmtree(folder, ignore_errors=True)
    cache = MediaCache(folder)
    made = [cache.video, cache.music]  # each is made on first use
    return made[0].parent


def make_release(media_dir: Path, out_dir: Path, signer: Signer | None = None,
                 download_base: str | None = None) -> list[Path]:
    """Everything tools/package leaves: the setup, the zip, the MSI, policy/, SHA256SUMS
    and winget/."""
    version = built_version()
    epoch = source_date_epoch()
    saver = DIST / SAVER_NAME
    if not saver.is_file():
        raise PackagingError(f"{saver} is missing: run tools/build first")
    media_files(media_dir)
    out_dir = Path(out_dir)
    out_dir.mkdir(parents=True, exist_ok=True)
    # A failed run must not leave an older package looking like this one.
    for old in [*out_dir.glob("Trevlin-*-setup.exe"), *out_dir.glob("Trevlin-*.zip"), *out_dir.glob("Trevlin-*.msi"),
                out_dir / "SHA256SUMS"]:
        old.unlink(missing_ok=True)
    shutil.rmtree(out_dir / "winget", ignore_errors=True)
    if signer:
        signed = WORK / "signed"
        signed.mkdir(parents=True, exist_ok=True)
        saver = stage_file(saver, signed / SAVER_NAME, epoch)
        sign_file(saver, signer.certificate)
    setup = build_setup(version, saver, media_dir, out_dir, signer=signer, epoch=epoch)
    archive = build_zip(version, saver, media_dir, out_dir, epoch=epoch)
    msi = build_msi(version, saver, media_dir, out_dir, epoch=epoch)
    if signer:
        sign_file(msi, signer.certificate)
    policy = copy_policy_templates(out_dir)
    sums = write_checksums([setup, archive, msi], out_dir / "SHA256SUMS")
    manifest = write_winget_manifest(version, setup, msi, out_dir / "winget", download_base or maker_site(), epoch)
    return [setup, archive, msi, *policy, sums, *manifest]


def main(argv: list[str]) -> int:
    if argv[:1] == ["--sign-file"]:
        # makensis's !finalize and !uninstfinalize: sign the file it has just written.
        if len(argv) != 3:
            print("usage: packaging.py --sign-file CERT.pfx FILE", file=sys.stderr)
            return 2
        try:
            sign_file(Path(argv[2]), Path(argv[1]))
        except PackagingError as error:
            print(f"tools/package: {error}", file=sys.stderr)
            return 1
        return 0
    parser = argparse.ArgumentParser(prog="tools/package", description=(
        "Makes dist/Trevlin-<version>-setup.exe, dist/Trevlin-<version>.zip, dist/Trevlin-<version>-x64.msi, "
        "the policy templates in dist/policy/, dist/SHA256SUMS and the package manifest in dist/winget/ "
        "from dist/Trevlin.scr (run tools/build first)."))
    parser.add_argument("media", nargs="?", metavar="MEDIA_FOLDER",
                        help="the folder holding Trevlin.evc and Trevlin.wma (the demo media when none is given)")
    parser.add_argument("--sign", metavar="CERT.pfx", type=Path,
                        help="sign the program, the uninstaller, the setup and the MSI with this certificate "
                             "(password: TREVLIN_SIGN_PASSWORD; time-stamp server: TREVLIN_SIGN_TIMESTAMP_URL)")
    parser.add_argument("--download-base", metavar="URL",
                        help="the address the setup is downloaded from, without its file name "
                             "(the maker's site by default); the manifest's InstallerUrl")
    args = parser.parse_args(argv)
    try:
        signer = None
        if args.sign:
            if not args.sign.is_file():
                raise PackagingError(f"no certificate at {args.sign}")
            signer = Signer(args.sign.resolve())
        media_dir = Path(args.media).resolve() if args.media else demo_media()
        made = make_release(media_dir, DIST, signer, args.download_base)
    except PackagingError as error:
        print(f"tools/package: {error}", file=sys.stderr)
        return 1
    print(f"media:   {media_dir}")
    for path in made:
        print(f"package: {path} ({path.stat().st_size // 1024} KB)")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
