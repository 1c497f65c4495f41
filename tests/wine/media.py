"""Media made with ffmpeg for the saver: a video with a soundtrack, and background music.

The two carry sine tones of different pitch, so a recording of the null sink tells which
of them is playing (rig.tone_level). Each file is made once per directory and reused.
"""

from __future__ import annotations

import random
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


# The packaged demo media must come out the same on every machine: no encoder version or
# creation time in the files, the encoders' exact code paths, and one thread, since an
# encoder's output can depend on how many it uses.
BIT_EXACT = ["-fflags", "+bitexact", "-flags:v", "+bitexact", "-flags:a", "+bitexact", "-threads", "1"]


def _tone(frequency: float, seconds: float) -> list[str]:
    return ["-f", "lavfi", "-i", f"aevalsrc={AMPLITUDE}*sin(2*PI*{frequency}*t):s=44100:d={seconds}"]


def make_video(path: Path, seconds: float = VIDEO_SECONDS) -> Path:
    """An AVI (mpeg4 video, mp3 sound) whose picture changes in every frame: testsrc2's
    moving pattern and a running frame counter."""
    _ffmpeg("-f", "lavfi", "-i", f"testsrc2=size=320x240:rate=25:duration={seconds}",
            *_tone(VIDEO_TONE, seconds),
            "-c:v", "mpeg4", "-q:v", "4", "-pix_fmt", "yuv420p",
            "-c:a", "libmp3lame", "-b:a", "128k", "-ac", "2",
            "-shortest", *BIT_EXACT, "-f", "avi", str(path))
    return Path(path)


def make_mp4(path: Path, seconds: float = VIDEO_SECONDS) -> Path:
    """What cameras and editors make today: H.264 video and AAC sound in MP4, the same
    picture and tone as make_video's."""
    _ffmpeg("-f", "lavfi", "-i", f"testsrc2=size=320x240:rate=25:duration={seconds}",
            *_tone(VIDEO_TONE, seconds),
            "-c:v", "libx264", "-preset", "veryfast", "-pix_fmt", "yuv420p",
            "-c:a", "aac", "-b:a", "128k", "-ac", "2",
            "-shortest", "-movflags", "+faststart", "-f", "mp4", str(path))
    return Path(path)


def make_damaged_mp4(path: Path, mp4: Path) -> Path:
    """An MP4 whose file type box is intact and whose every byte after it is noise."""
    data = bytearray(mp4.read_bytes())
    rng = random.Random(19)
    head = int.from_bytes(data[:4], "big")  # the ftyp box's length
    data[head:] = bytes(rng.getrandbits(8) for _ in range(len(data) - head))
    path.write_bytes(bytes(data))
    return path


def make_music(path: Path, seconds: float = MUSIC_SECONDS) -> Path:
    """A Windows Media Audio (WMA v2) file holding one steady tone."""
    _ffmpeg(*_tone(MUSIC_TONE, seconds), "-c:a", "wmav2", "-b:a", "128k", "-ac", "2",
            *BIT_EXACT, "-f", "asf", str(path))
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


# ---------------------------------------------------------------- other videos

def make_sized_video(path: Path, seconds: float, size: tuple[int, int], rate: int = 25) -> Path:
    """Like make_video, at another picture size and frame rate (the demo's is 640x480)."""
    _ffmpeg("-f", "lavfi", "-i", f"testsrc2=size={size[0]}x{size[1]}:rate={rate}:duration={seconds}",
            *_tone(VIDEO_TONE, seconds),
            "-c:v", "mpeg4", "-q:v", "4", "-pix_fmt", "yuv420p",
            "-c:a", "libmp3lame", "-b:a", "128k", "-ac", "2",
            "-shortest", "-f", "avi", str(path))
    return Path(path)


def _first_chunk_middle(avi: bytes) -> int:
    """The offset halfway into the first data chunk of an AVI's movi list."""
    chunk = avi.index(b"movi") + 4
    size = int.from_bytes(avi[chunk + 4:chunk + 8], "little")
    return chunk + 8 + size // 2


def make_truncated(path: Path, video: Path) -> Path:
    """A download that stopped early: the AVI's headers whole (they still promise the full
    length) and the data cut off inside its first chunk, before any picture. A cut inside
    the headers instead sometimes hangs Wine's RenderFile for good (winegstreamer)."""
    data = Path(video).read_bytes()
    Path(path).write_bytes(data[:_first_chunk_middle(data)])
    return Path(path)


def make_empty(path: Path) -> Path:
    Path(path).write_bytes(b"")
    return Path(path)


def make_garbage(path: Path, size: int = 200_000) -> Path:
    """Bytes that are no media file at all; the same ones on every run."""
    Path(path).write_bytes(random.Random(20240601).randbytes(size))
    return Path(path)


def make_unknown_codec(path: Path, video: Path) -> Path:
    """A sound AVI whose video stream names a codec (FourCC) no decoder knows: the
    soundtrack can play, the picture cannot."""
    data = bytearray(Path(video).read_bytes())
    movi = data.index(b"movi")
    headers = bytes(data[:movi])
    if b"FMP4" not in headers:
        raise RuntimeError(f"{video} holds no FMP4 video stream to rename")
    data[:movi] = headers.replace(b"FMP4", b"QQQQ")
    Path(path).write_bytes(data)
    return Path(path)


BROKEN_VIDEOS = ("missing", "empty", "truncated", "garbage", "unknown-codec")


def put_broken_video(cache: MediaCache, folder: Path, kind: str) -> Path:
    """The music, and in place of the video one of BROKEN_VIDEOS, in folder."""
    folder = cache.put(folder, video=False, music=True)
    makers = {
        "empty": make_empty,
        "truncated": lambda p: make_truncated(p, cache.video),
        "garbage": make_garbage,
        "unknown-codec": lambda p: make_unknown_codec(p, cache.video),
    }
    if kind != "missing":
        shutil.copy2(cache._get(f"broken-{kind}.evc", makers[kind]), folder / VIDEO_NAME)
    return folder


def extract_frame(video: Path, seconds: float, path: Path) -> Path:
    """One picture of a video, at its own size, as a PNG."""
    _ffmpeg("-ss", str(seconds), "-i", str(video), "-frames:v", "1", str(path))
    return Path(path)


# ---------------------------------------------------------------- damaged copies

def damaged(data: bytes, damage: str) -> bytes:
    """A damaged copy of a file's bytes, the same on every run:
    "cut:N" keeps the first N bytes ("cut:N%" that share of them, "cut:-1" all but the last);
    "flip:SEED:COUNT:END" turns COUNT bytes at random places before END ("" for the end of
    the file) into their complement."""
    kind, _, how = damage.partition(":")
    if kind == "cut":
        if how.endswith("%"):
            return data[: len(data) * int(how[:-1]) // 100]
        return data[: int(how)]
    if kind == "flip":
        seed, count, end = how.split(":")
        out = bytearray(data)
        rng = random.Random(int(seed))
        limit = min(int(end), len(out)) if end else len(out)
        for _ in range(int(count)):
            i = rng.randrange(limit)
            out[i] ^= 0xFF
        return bytes(out)
    raise ValueError(f"unknown damage {damage!r}")


# ---------------------------------------------------------------- frames that tell their number

FRAME_RATE = 25


FRAME_BITS = 6  # three in each half of the picture

# A silent video's encoding: AVI (MPEG-4 Part 2) or, for Media Foundation, H.264 in MP4.
_SILENT = {"avi": ["-c:v", "mpeg4", "-q:v", "2", "-pix_fmt", "yuv420p", "-an", "-f", "avi"],
           "mp4": ["-c:v", "libx264", "-preset", "veryfast", "-pix_fmt", "yuv420p", "-an", "-f", "mp4"]}


def make_numbered_video(path: Path, seconds: float = 2 ** FRAME_BITS * 2 / FRAME_RATE,
                        raw: str | None = None, kind: str = "avi") -> Path:
    """A silent video whose every frame tells its number in flat colours: red, green and blue
    for bits 0, 1 and 2 in the top half, for bits 3, 4 and 5 in the bottom half, so that 64
    frames in a row all differ. Its length is a whole number of those 64, so that the
    numbers run on across its loop as they do within it. kind: "avi" (MPEG-4) or "mp4"
    (H.264); raw: an AVI of the frames uncompressed in that ffmpeg pixel format (yuyv422:
    YUY2) instead."""
    codec = ["-c:v", "rawvideo", "-pix_fmt", raw, "-an", "-f", "avi"] if raw else _SILENT[kind]
    bit = "255*mod(floor(N/if(lt(Y,H/2),{},{})),2)"
    _ffmpeg("-f", "lavfi", "-i",
            f"color=c=black:s=320x240:r={FRAME_RATE}:d={seconds},"
            f"geq=r='{bit.format(1, 8)}':g='{bit.format(2, 16)}':b='{bit.format(4, 32)}'",
            *codec, str(path))
    return Path(path)


def make_halves_video(path: Path, kind: str = "avi", seconds: float = 6) -> Path:
    """A silent video whose left half is red and right half blue."""
    _ffmpeg("-f", "lavfi", "-i",
            f"color=c=black:s=320x240:r={FRAME_RATE}:d={seconds},"
            "geq=r='255*lt(X,W/2)':g=0:b='255*gte(X,W/2)'",
            *_SILENT[kind], str(path))
    return Path(path)


def frame_number(top: tuple[float, float, float], bottom: tuple[float, float, float]) -> int:
    """The frame number modulo 2 ** FRAME_BITS that make_numbered_video shows, from the
    colour of a pixel in the top half of the picture and of one in the bottom half."""
    r, g, b, r2, g2, b2 = (1 if channel > 127 else 0 for channel in (*top, *bottom))
    return r | g << 1 | b << 2 | r2 << 3 | g2 << 4 | b2 << 5
