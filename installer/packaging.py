"""Trevlin's two downloads, made from a built Trevlin.scr and the media:

- Trevlin-<version>-setup.exe, the installer (NSIS, installer/trevlin.nsi);
- Trevlin-<version>.zip, the same files for those who copy them by hand.

The version is the build's (CMake writes it to build/windows/version.txt), the maker's
address the program's own (src/dialog/links.h). tools/package runs this after
tools/build; the Wine tests call build_setup() to make other versions of the installer.
Standard library only, besides makensis and ImageMagick's convert.
"""

from __future__ import annotations

import re
import shutil
import subprocess
import sys
import tempfile
import zipfile
from pathlib import Path

REPO = Path(__file__).resolve().parents[1]
SCRIPT = REPO / "installer" / "trevlin.nsi"
ICON = REPO / "res" / "trevlin.ico"
VERSION_FILE = REPO / "build" / "windows" / "version.txt"
LINKS_HEADER = REPO / "src" / "dialog" / "links.h"
DIST = REPO / "dist"
WORK = REPO / "build" / "package"

SAVER_NAME = "Trevlin.scr"
MEDIA_NAMES = ("Trevlin.evc", "Trevlin.wma")

# The zip's settings file: there is no install folder to point path at, so it says
# how to fill it in. The saver reads it with the ANSI profile calls: CRLF, no BOM.
HAND_COPY_INI = (
    "; Trevlin's settings. path is the folder that holds Trevlin.evc and Trevlin.wma,\r\n"
    "; with a final backslash, for instance C:\\Media\\Trevlin\\\r\n"
    "[config]\r\n"
    "sound=1\r\n"
    "path=\r\n"
)


class PackagingError(RuntimeError):
    pass


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


def build_setup(version: str, saver: Path, media_dir: Path, out_dir: Path,
                extra_defines: dict[str, object] | None = None) -> Path:
    """Runs makensis; returns out_dir/Trevlin-<version>-setup.exe. Warnings are errors,
    so a script that has gone wrong fails here, not on a user's machine. extra_defines
    are further -D values for the script (tests shorten a wait with them)."""
    site = maker_site()
    out = Path(out_dir) / setup_name(version)
    with tempfile.TemporaryDirectory(prefix="trevlin-setup-") as work:
        stage = Path(work) / "stage"
        stage.mkdir()
        shutil.copy2(saver, stage / SAVER_NAME)
        for media in media_files(media_dir):
            shutil.copy2(media, stage / media.name)
        picture = wizard_picture(Path(work) / "wizard.bmp")
        defines = {
            "VERSION": version,
            "VERSION4": windows_version(version),
            "STAGE": stage,
            "ICON": ICON,
            "WIZARD_BMP": picture,
            "MAKER_SITE": site,
            "MAKER_HOST": re.sub(r"^[a-z]+://", "", site),
            "OUTFILE": out.resolve(),
            **(extra_defines or {}),
        }
        result = subprocess.run(
            ["makensis", "-V2", "-WX", "-NOCD", *(f"-D{k}={v}" for k, v in defines.items()), str(SCRIPT)],
            capture_output=True, text=True, timeout=300)
    if result.returncode != 0 or not out.is_file():
        raise PackagingError(f"makensis failed ({result.returncode}):\n{result.stdout}{result.stderr}")
    return out


def build_zip(version: str, saver: Path, media_dir: Path, out_dir: Path) -> Path:
    out = Path(out_dir) / zip_name(version)
    with zipfile.ZipFile(out, "w", compression=zipfile.ZIP_DEFLATED) as archive:
        archive.write(saver, SAVER_NAME)
        for media in media_files(media_dir):
            archive.write(media, media.name)
        archive.writestr("Trevlin.ini", HAND_COPY_INI)
    return out


def demo_media() -> Path:
    """The generated media the Wine tests and tools/demo use, made once under build/."""
    sys.path.insert(0, str(REPO / "tests" / "wine"))
    from media import MediaCache

    cache = MediaCache(WORK / "demo-media")
    made = [cache.video, cache.music]  # each is made on first use
    return made[0].parent


def main(argv: list[str]) -> int:
    if len(argv) > 1 or (argv and argv[0] in ("-h", "--help")):
        print("usage: tools/package [MEDIA_FOLDER]   (the folder holding Trevlin.evc and Trevlin.wma;"
              " the demo media when none is given)", file=sys.stderr)
        return 2
    try:
        version = built_version()
        saver = DIST / SAVER_NAME
        if not saver.is_file():
            raise PackagingError(f"{saver} is missing: run tools/build first")
        media_dir = Path(argv[0]).resolve() if argv else demo_media()
        media_files(media_dir)
        # A failed run must not leave an older package looking like this one.
        for old in [*DIST.glob("Trevlin-*-setup.exe"), *DIST.glob("Trevlin-*.zip")]:
            old.unlink()
        setup = build_setup(version, saver, media_dir, DIST)
        archive = build_zip(version, saver, media_dir, DIST)
    except PackagingError as error:
        print(f"tools/package: {error}", file=sys.stderr)
        return 1
    print(f"media:   {media_dir}")
    for path in (setup, archive):
        print(f"package: {path} ({path.stat().st_size // 1024} KB)")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
