"""How Trevlin.scr starts, depending on its command line."""

import pytest

from conftest import FORM_CLASS, form_windows, ini_for, wait_for_picture
from rig import RigError, write_ini

GENEROUS = 10  # seconds; these are not timing tests


def wait_for_full_screen_form(rig, saver):
    """The form, once it covers the screen. It may show at another size first while it
    is being laid out; what counts is where it settles."""
    screen = rig.screen_rect()
    shown = []

    def settled():
        shown[:] = form_windows(saver.windows())
        return [w for w in shown if w.rect == screen]

    try:
        return rig.wait_for(settled, GENEROUS, what=f"a visible {FORM_CLASS} window covering {screen}")[0]
    except RigError as error:
        raise AssertionError(f"{error}; visible forms: {shown}") from None


@pytest.mark.parametrize("with_media", [True, False], ids=["media", "no-media"])
@pytest.mark.parametrize("arguments", ["/s", " /S ", "/SAVE"])
def test_saver_covers_screen_hides_cursor_and_ends_on_key(rig, media, saver_dir, tmp_path, arguments, with_media):
    media_dir = tmp_path / "media"
    media.put(media_dir, video=with_media, music=with_media)
    write_ini(saver_dir, ini_for(media_dir, sound="1" if with_media else "0"))
    assert rig.cursor_shown()  # so that "hidden" below is the saver's doing
    saver = rig.start_saver(saver_dir, arguments, watch=True)

    wait_for_full_screen_form(rig, saver)
    assert len(form_windows(rig.windows())) == 1
    rig.wait_for(lambda: not rig.cursor_shown(), GENEROUS, what="the cursor to be hidden")
    assert saver.running()
    if with_media:
        # Under Wine a key pressed while the video's window is being placed and takes
        # the keyboard is now and then lost (a second one ends the saver); the key
        # while the graph is still being built is test_robustness's.
        wait_for_picture(rig, tmp_path / "picture.png")

    rig.key("a")
    assert saver.wait(GENEROUS) == 0
    # The window watch saw the form come: the other tests' "no form seen" means something.
    assert form_windows(saver.seen_windows())


@pytest.mark.parametrize("arguments", ["", "-s", "s", "/x"])
def test_other_arguments_end_at_once_without_a_window(rig, saver_dir, arguments):
    saver = rig.start_saver(saver_dir, arguments, watch=True)
    assert saver.wait(GENEROUS) == 0
    assert form_windows(saver.seen_windows()) == []


def test_other_arguments_start_no_com_and_no_thread(rig, saver_dir, tmp_path):
    # Every thread of ours enters a COM apartment first, so COM's trace shows both.
    log = tmp_path / "wine.log"
    saver = rig.start_saver(saver_dir, "/x", wine_debug="+ole", log_path=log)
    assert saver.wait(GENEROUS) == 0
    traced = [line for line in log.read_text(errors="replace").splitlines()
              if "CoInitialize" in line or "CoCreateInstance" in line]
    assert traced == []


@pytest.mark.parametrize("arguments, message", [
    ("/P abc", ("13", "type mismatch")),
    ("/P", ()),
    ("/PX", ()),
])
def test_bad_preview_handle_shows_an_error_and_no_form(rig, saver_dir, arguments, message):
    saver = rig.start_saver(saver_dir, arguments, watch=True)
    box = rig.wait_for(lambda: [w for w in saver.windows() if w.cls == "#32770"], GENEROUS,
                       what="an error message box")[0]
    text = rig.window_text(box).lower()
    for part in message:
        assert part in text

    rig.key("Return")
    assert saver.wait(GENEROUS) == 1
    assert form_windows(saver.seen_windows()) == []
