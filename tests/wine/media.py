"""Media made with ffmpeg for the saver: a video with a soundtrack, and background music.

The two carry sine tones of different pitch, so a recording of the null sink tells which
of them is playing (rig.tone_level). Each file is made once per directory and reused.
"""

from __future__ import annotations

import shutil
import subprocess
from pathlib import Path

VIDEO_NAME = "Trevlin.evc"
MUSIC_NAME = "Trevlin.wma"

VIDEO_SECONDS = 4
VIDEO_TONE = 440.0  # Hz, the video's soundtrack
MUSIC_SECONDS = 6
MUSIC_TONE = 1000.0  # Hz, the background music; no harmonic of VIDEO_TONE
AMPLITUDE = 0.5


def _ffmpeg(*args: str) -> None:
    subprocess.run(["ffmpeg", "-nostdin", "-hide_banner", "-loglevel", "error", "-y", *args],
                   check=True, timeout=120)


def _tone(frequency: float, seconds: float) -> list[str]:
    return ["-f", "lavfi", "-i", f"aevalsrc={AMPLITUDE}*sin(2*PI*{frequency}*t):s=44100:d={seconds}"]


def make_video(path: Path, seconds: float = VIDEO_SECONDS) -> Path:
    """An AVI (mpeg4 video, mp3 sound) whose picture changes in every frame: testsrc2's
    moving pattern and a running frame counter."""
    _ffmpeg("-f", "lavfi", "-i", f"testsrc2=size=320x240:rate=25:duration={seconds}",
            *_tone(VIDEO_TONE, seconds),
            "-c:v", "mpeg4", "-q:v", "4", "-pix_fmt", "yuv420p",
            "-c:a", "libmp3lame", "-b:a", "128k", "-ac", "2",
            "-shortest", "-f", "avi", str(path))
    return Path(path)


def make_music(path: Path, seconds: float = MUSIC_SECONDS) -> Path:
    """A Windows Media Audio (WMA v2) file holding one steady tone."""
    _ffmpeg(*_tone(MUSIC_TONE, seconds), "-c:a", "wmav2", "-b:a", "128k", "-ac", "2",
            "-f", "asf", str(path))
    return Path(path)


class MediaCache:
    """Makes each file once (per test run) and puts copies where a test wants them."""

    def __init__(self, directory: Path):
        self.directory = Path(directory)
        self.directory.mkdir(parents=True, exist_ok=True)

    def _get(self, name: str, make) -> Path:
        path = self.directory / name
        if not path.exists():
            partial = path.with_name(path.name + ".part")
            make(partial)
            partial.rename(path)
        return path

    @property
    def video(self) -> Path:
        return self._get(VIDEO_NAME, make_video)

    @property
    def music(self) -> Path:
        return self._get(MUSIC_NAME, make_music)

    def put(self, folder: Path, video: bool = True, music: bool = True) -> Path:
        """Copies the chosen media into folder under the names the saver looks for."""
        folder = Path(folder)
        folder.mkdir(parents=True, exist_ok=True)
        if video:
            shutil.copy2(self.video, folder / VIDEO_NAME)
        if music:
            shutil.copy2(self.music, folder / MUSIC_NAME)
        return folder
