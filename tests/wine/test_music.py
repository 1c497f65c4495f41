"""Background music in the saver (/s): Trevlin.wma beside the video, played when sound is
"1", looped, and quieter than the video's soundtrack. Heard on the null sink's monitor: the
music is a 1000 Hz tone, the soundtrack 440 Hz."""

import math
import shutil
import struct
import time
import wave

import pytest

from conftest import form_windows, ini_for
from measure import BLOCK, HEARD, SILENT, levels, longest_silence
from media import MUSIC_NAME, MUSIC_TONE, VIDEO_TONE, make_music
from rig import SAVER_EXE, typical_level, write_ini

GENEROUS = 10  # seconds; these are not timing tests
MUSIC_LENGTH = 3  # seconds: short, so that a recording spans several passes


def typical_music(samples):
    """The music's typical level once the soundtrack is heard (see typical_level)."""
    return typical_level(levels(samples, MUSIC_TONE), levels(samples, VIDEO_TONE), HEARD)


def play_and_record(rig, saver_dir, media_dir, sound, tmp_path, seconds, watch=False):
    """Runs the saver for seconds after its form appears, recording the sink; ends it with
    a key. Returns the recording and the saver (already ended)."""
    write_ini(saver_dir, ini_for(media_dir, sound=sound))
    with rig.record(tmp_path / "sink.raw") as recording:
        saver = rig.start_saver(saver_dir, "/s", watch=watch)
        rig.wait_for(lambda: form_windows(saver.windows()), GENEROUS, what="the saver's form")
        time.sleep(seconds)
    samples = recording.stop()
    assert saver.running(), "the saver ended by itself"
    rig.key("a")
    assert saver.wait(GENEROUS) == 0
    return samples, saver


@pytest.fixture(scope="module")
def short_music(tmp_path_factory):
    return make_music(tmp_path_factory.mktemp("music") / MUSIC_NAME, seconds=MUSIC_LENGTH)


class LoopRun:
    def __init__(self, samples):
        self.music = levels(samples, MUSIC_TONE)
        self.video = levels(samples, VIDEO_TONE)

    def heard(self, which):
        return [i * BLOCK for i, level in enumerate(which) if level > HEARD]


@pytest.fixture(scope="module")
def loop_run(rig, media, short_music, tmp_path_factory):
    work = tmp_path_factory.mktemp("loop")
    saver_dir = work / "saver"
    saver_dir.mkdir()
    shutil.copy2(SAVER_EXE, saver_dir / "Trevlin.scr")
    media_dir = media.put(work / "media", music=False)
    shutil.copy2(short_music, media_dir / MUSIC_NAME)
    samples, _ = play_and_record(rig, saver_dir, media_dir, "1", work, seconds=4 * MUSIC_LENGTH)
    return LoopRun(samples)


def test_music_is_heard(loop_run):
    assert loop_run.heard(loop_run.music), f"no {MUSIC_TONE} Hz at all; levels {loop_run.music}"


def test_music_starts_again_after_its_end(loop_run):
    heard = loop_run.heard(loop_run.music)
    # One pass lasts MUSIC_LENGTH at most; heard for much longer, it must have restarted.
    assert len(heard) * BLOCK > 2 * MUSIC_LENGTH + 1, f"heard for {len(heard) * BLOCK} s; levels {loop_run.music}"
    assert heard[-1] - heard[0] > 2 * MUSIC_LENGTH + 1
    # A restart is a moment's gap; a track that stopped for good is silent to the end.
    silence = longest_silence(loop_run.music)
    assert silence < 1.0, f"silent for {silence} s once heard; levels {loop_run.music}"


def test_music_plays_at_61_of_100_beside_the_full_soundtrack(loop_run):
    # Both files carry their tone at the same amplitude; at 61 of 100 (about -4.3 dB) the
    # music comes out at 0.61 of the soundtrack. Wine's media player control, at -39 dB,
    # would give about 0.01.
    both = [m / v for m, v in zip(loop_run.music, loop_run.video) if m > HEARD and v > HEARD]
    assert both, "music and soundtrack were never heard together"
    ratio = sorted(both)[len(both) // 2]
    assert 0.45 < ratio < 0.8, f"music at {ratio:.2f} of the soundtrack's level"


def make_tight_music(path, seconds):
    """The music tone as PCM, whose length the player reports to the sample; a WMA's
    length moves with its frames. Named like the music, which the player opens by content."""
    frames = round(44100 * seconds)
    with wave.open(str(path), "wb") as out:
        out.setnchannels(2)
        out.setsampwidth(2)
        out.setframerate(44100)
        out.writeframes(b"".join(struct.pack("<hh", v, v) for v in (
            int(16000 * math.sin(2 * math.pi * MUSIC_TONE * i / 44100)) for i in range(frames))))
    return path


def test_music_whose_end_is_a_few_milliseconds_long_still_loops(rig, media, saver_dir, tmp_path):
    # 2.501 s rounds to 3 only from 2.5 s on: the end test holds for 1 ms, which a
    # late timer sleeps past. The track must start again all the same, pass after pass.
    length = 2.501
    media_dir = media.put(tmp_path / "media", music=False)
    make_tight_music(media_dir / MUSIC_NAME, length)
    samples, _ = play_and_record(rig, saver_dir, media_dir, "1", tmp_path, seconds=4 * length + 1)
    heard = [i * BLOCK for i, level in enumerate(levels(samples, MUSIC_TONE)) if level > HEARD]
    assert heard and heard[-1] - heard[0] > 3 * length, f"heard at {heard} s"


def test_missing_music_file_is_no_error(rig, media, saver_dir, tmp_path):
    media_dir = media.put(tmp_path / "media", music=False)
    samples, saver = play_and_record(rig, saver_dir, media_dir, "1", tmp_path, seconds=MUSIC_LENGTH, watch=True)

    assert [w for w in saver.seen_windows() if w.cls == "#32770"] == []
    assert max(levels(samples, VIDEO_TONE)) > HEARD  # the show went on
    assert typical_music(samples) < SILENT
