"""Trevlin.ini as the saver reads it: what sound and path do, and files a user (or an
older version) may leave behind that must not stop the saver from starting."""

import time

import pytest

from conftest import form_windows, ini_for
from media import MUSIC_TONE
from rig import RATE, mean_rgb, tone_level, winpath, write_ini

GENEROUS = 10  # seconds; these are not timing tests
HEARD = 0.02   # tone level; the generated music plays at about 0.1 to 0.35
PLAYING = 3    # seconds to let the show run before looking and listening


@pytest.mark.parametrize("folder_name, sound", [
    ("media", "1"),
    ("media", "0"),
    # é is one byte in the ANSI code page (1252): the path must be read in it, not as UTF-8.
    ("Vidéos", "1"),
])
def test_saver_plays_from_path_and_sound_switches_music(rig, media, saver_dir, tmp_path, folder_name, sound):
    media_dir = media.put(tmp_path / folder_name)
    write_ini(saver_dir, ini_for(media_dir, sound=sound))
    with rig.record(tmp_path / "sink.raw") as recording:
        saver = rig.start_saver(saver_dir, "/s")
        rig.wait_for(lambda: form_windows(saver.windows()), GENEROUS, what="the saver's form")
        time.sleep(PLAYING)
        picture = mean_rgb(rig.screenshot(tmp_path / "screen.png"))
    samples = recording.stop()
    music = tone_level(samples, MUSIC_TONE)
    # The music starts once the video's graph is built, which on a busy machine takes a
    # good part of the recording: heard is judged by its last second alone.
    last_second = tone_level(samples[-2 * RATE:], MUSIC_TONE)

    assert max(picture) > 40, f"the screen stays dark ({picture}): the video at {media_dir} was not shown"
    if sound == "1":
        assert last_second > HEARD
    else:
        assert music < HEARD / 10
    rig.key("a")
    assert saver.wait(GENEROUS) == 0


def long_path(media_dir):
    return f"[config]\nsound=0\npath=Z:\\{'x' * 300}\\\n"


def stray_line(media_dir):
    # What a value holding a line break would leave if it were written unchanged.
    return f"[config]\nsound=1\npath={winpath(media_dir)}\\\nrest of the value\n"


def lf_line_ends(media_dir):
    return f"[config]\nsound=1\npath={winpath(media_dir)}\\\n".encode("cp1252")


@pytest.mark.parametrize("make_ini", [long_path, stray_line, lf_line_ends, None],
                         ids=["path-300-characters", "stray-line", "lf-line-ends", "no-file"])
def test_odd_settings_files_do_not_stop_the_saver(rig, media, saver_dir, tmp_path, make_ini):
    media_dir = media.put(tmp_path / "media")
    ini = saver_dir / "Trevlin.ini"
    if make_ini:
        write_ini(saver_dir, make_ini(media_dir))
    before = ini.read_bytes() if make_ini else None

    saver = rig.start_saver(saver_dir, "/s")
    screen = rig.screen_rect()
    rig.wait_for(lambda: [w for w in form_windows(saver.windows()) if w.rect == screen], GENEROUS,
                 what="the saver's form covering the screen")
    rig.key("a")
    assert saver.wait(GENEROUS) == 0

    # Running the saver never writes its settings.
    assert (ini.read_bytes() if ini.exists() else None) == before
