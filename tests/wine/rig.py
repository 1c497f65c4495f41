"""The Windows-side test rig: the real Trevlin.scr under Wine on a virtual X display.

One Rig is one session: an Xvfb display, a private PulseAudio daemon with a null sink,
a Wine prefix of its own (a copy of a cached one) and that prefix's wineserver. Savers
are started through probe.exe, which hands the program exactly the command line a test
asks for; wine itself would quote any argument that holds spaces.

Everything the rig starts is ended by process id in Rig.close(), which pytest calls
even when a test fails. Standard library only: tools/demo and bench/ import it too.
"""

from __future__ import annotations

import array
import contextlib
import fcntl
import math
import os
import re
import select
import shutil
import signal
import statistics
import subprocess
import tempfile
import threading
import time
import uuid
from dataclasses import dataclass
from pathlib import Path

REPO = Path(__file__).resolve().parents[2]
# TREVLIN_SCR points the tests at another build (or a stand-in) of the program.
SAVER_EXE = Path(os.environ.get("TREVLIN_SCR", REPO / "dist" / "Trevlin.scr"))
PROBE_EXE = REPO / "build" / "windows" / "tests" / "wine" / "probe.exe"
SCREEN = (1024, 768)
SINK = "nullsink"
RATE = 44100

# Bump when the prefix recipe (_build_prefix and _PREFIX_SETTINGS) changes: every machine
# then builds a new prefix instead of reusing one made the old way.
PREFIX_RECIPE = "3"

# DirectShow: the VMR-7 draws nothing on Xvfb, so the GDI Video Renderer (merit 0x800000)
# must win RenderFile's merit contest in the test prefix.
_FILTER_CATEGORY = "{083863F1-70DE-11D0-BD40-00A0C911CE86}"
_VMR7 = "{6BC1CFFA-8FC1-4261-AC22-CFB4CC38DB50}"
_VMR7_MERIT = 0x00600000
# Wine's DirectShow opens almost any file through the GStreamer parser; with its merit
# below what RenderFile tries, it opens what a stock Windows DirectShow opens (no MP4).
_GSTREAMER_PARSER = "{F9D8D64E-A144-47DC-8EE0-F53498372C29}"

# The http/https "open" command runs C:\trevlin\probe.exe, which each session copies in.
_PREFIX_SETTINGS = r"""REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Managed"="N"

[HKEY_CURRENT_USER\Software\Wine\WineDbg]
"ShowCrashDialog"=dword:00000000

[HKEY_CLASSES_ROOT\http\shell\open\command]
@="\"C:\\trevlin\\probe.exe\" record \"%1\""

[HKEY_CLASSES_ROOT\https\shell\open\command]
@="\"C:\\trevlin\\probe.exe\" record \"%1\""
"""

# The prefix has no Arial, and Wine would draw it in whatever sans font comes first: text
# sized for Arial would wrap and clip where Windows' would not. Liberation Sans (Debian's
# fonts-liberation) has Arial's widths. A font asked for with the Arabic character set (178)
# must cover that set, which Liberation Sans does not; a font substitute cannot change the
# character set (Wine, like Windows, ignores one that tries), so a system link to DejaVu Sans
# lends Liberation Sans that cover instead, and such a request gets it too.
_FONT_SETTINGS = (
    "\n[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\n"
    '"Arial"="Liberation Sans"\n'
    "\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\FontLink\\SystemLink]\n"
    '"Liberation Sans"=hex(7):' + ",".join(f"{b:02x}" for b in b"DejaVuSans.ttf,DejaVu Sans\0\0") + "\n"
)

# Wine's own Marlett, which draws the caption buttons' glyphs (its "r" is the close
# button's cross). Debian's Wine keeps its fonts in fonts-wine's folder, from which
# wineboot installs none: the new prefix's Fonts folder stays empty, and without Marlett
# the buttons show the plain letters. Only Marlett goes in: Wine's Tahoma and MS Sans
# Serif would change how every dialog's text is drawn and measured.
_WINE_MARLETT = Path("/usr/share/wine/fonts/marlett.ttf")

# Files a prefix copy shares with the cache by hard link: Wine's binaries, which nothing
# rewrites. Everything else (registry, win.ini, ...) is copied, since Wine may rewrite
# such files in place and would then change the cached prefix through the link.
_SHARED_SUFFIXES = {".dll", ".exe", ".drv", ".sys", ".nls", ".ocx", ".acm", ".cpl", ".tlb", ".ds",
                    ".com", ".ax", ".msstyles"}

# Every process a session starts carries this in its environment, Wine's helpers too
# (they inherit it from the first Wine program), so all of them can be found by it.
_SESSION_MARKER = "TREVLIN_RIG_SESSION"


class RigError(RuntimeError):
    pass


def winpath(path: Path | str) -> str:
    """The Windows name of a Linux path (Wine maps / to drive Z:)."""
    return "Z:" + str(Path(path).resolve()).replace("/", "\\")


def cache_dir() -> Path:
    base = os.environ.get("XDG_CACHE_HOME") or str(Path.home() / ".cache")
    path = Path(base) / "trevlin"
    path.mkdir(parents=True, exist_ok=True)
    return path


def _pid_alive(pid: int) -> bool:
    try:
        stat = Path(f"/proc/{pid}/stat").read_text()
    except OSError:
        return False
    return stat[stat.rindex(")") + 2] != "Z"  # a zombie is dead, only not yet reaped


def _interrupt(signum, frame) -> None:
    raise KeyboardInterrupt


def _end_process(proc: subprocess.Popen, grace: float = 3.0) -> None:
    if proc.poll() is not None:
        return
    with contextlib.suppress(ProcessLookupError):
        proc.terminate()
    try:
        proc.wait(grace)
    except subprocess.TimeoutExpired:
        with contextlib.suppress(ProcessLookupError):
            proc.kill()
        proc.wait(grace)


def _kill_pid(pid: int) -> None:
    with contextlib.suppress(ProcessLookupError, PermissionError):
        os.kill(pid, signal.SIGKILL)


def _pids_with_env(entry: bytes) -> list[int]:
    """Linux processes whose environment holds entry (b"NAME=value")."""
    found = []
    for name in os.listdir("/proc"):
        if not name.isdigit():
            continue
        try:
            with open(f"/proc/{name}/environ", "rb") as f:
                if entry in f.read().split(b"\0"):
                    found.append(int(name))
        except OSError:
            continue
    return found


def _comm(pid: int) -> str:
    try:
        return Path(f"/proc/{pid}/comm").read_text().strip()
    except OSError:
        return ""


def cpu_seconds(pid: int) -> float:
    """User plus system CPU time a Linux process has used so far."""
    stat = Path(f"/proc/{pid}/stat").read_text()
    fields = stat[stat.rindex(")") + 2:].split()
    # fields[0] is the state (field 3 of stat); utime and stime are fields 14 and 15.
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def cpu_shares(pids: list[int], seconds: float) -> list[float]:
    """Each process's CPU use over the next stretch of seconds, in percent of one core."""
    start = time.monotonic()
    before = [cpu_seconds(pid) for pid in pids]
    time.sleep(seconds)
    elapsed = time.monotonic() - start
    return [(cpu_seconds(pid) - used) / elapsed * 100 for pid, used in zip(pids, before)]


# ---------------------------------------------------------------- windows seen by probe.exe

@dataclass(frozen=True)
class Window:
    hwnd: int
    depth: int
    pid: int
    cls: str
    rect: tuple[int, int, int, int]
    style: int
    exstyle: int
    visible: bool
    parent: int
    owner: int
    text: str

    @staticmethod
    def parse(line: str) -> "Window":
        fields = dict(part.split("=", 1) for part in line.rstrip("\n").split("\t"))
        return Window(
            hwnd=int(fields["hwnd"], 16),
            depth=int(fields["depth"]),
            pid=int(fields["pid"]),
            cls=fields["class"],
            rect=tuple(int(v) for v in fields["rect"].split(",")),
            style=int(fields["style"], 16),
            exstyle=int(fields["exstyle"], 16),
            visible=fields["visible"] == "1",
            parent=int(fields["parent"], 16),
            owner=int(fields["owner"], 16),
            text=fields["text"],
        )


def _parse_windows(output: str) -> list[Window]:
    return [Window.parse(line) for line in output.splitlines() if line.startswith("hwnd=")]


# ---------------------------------------------------------------- sound

def read_samples(path: Path) -> array.array:
    """A parec recording (s16le, interleaved stereo) as one array of samples."""
    samples = array.array("h")
    samples.frombytes(Path(path).read_bytes()[: (Path(path).stat().st_size // 4) * 4])
    return samples


def rms(samples: array.array) -> float:
    """Loudness as root mean square, 1.0 being a full-scale square wave."""
    if not samples:
        return 0.0
    return math.sqrt(sum(s * s for s in samples) / len(samples)) / 32768.0


def typical_level(levels: list[float], show: list[float], heard: float) -> float:
    """The median of a tone's levels over the recording's parts, from the first part in
    which the show's own sound (show) exceeds heard. A sound that should not play is
    judged so: a click where the soundtrack loops, or a stutter under load, spreads a
    moment's energy over every tone."""
    start = next((i for i, level in enumerate(show) if level > heard), 0)
    return statistics.median(levels[start:])


def tone_level(samples: array.array, frequency: float, rate: int = RATE) -> float:
    """The amplitude of one frequency in a stereo recording (Goertzel on the left channel),
    on the same scale as rms(): a full-scale sine of that frequency gives about 0.707."""
    left = samples[0::2]
    n = len(left)
    if n == 0:
        return 0.0
    coefficient = 2.0 * math.cos(2.0 * math.pi * frequency / rate)
    s1 = s2 = 0.0
    for x in left:
        s1, s2 = x + coefficient * s1 - s2, s1
    power = s1 * s1 + s2 * s2 - coefficient * s1 * s2
    return math.sqrt(max(power, 0.0)) * math.sqrt(2.0) / n / 32768.0


class Recording:
    """What the null sink plays, recorded with parec from start() to stop()."""

    def __init__(self, rig: "Rig", path: Path):
        self.path = Path(path)
        self._rig = rig
        self._proc: subprocess.Popen | None = None

    def start(self) -> "Recording":
        out = open(self.path, "wb")
        self._proc = self._rig._spawn(
            ["parec", "-d", f"{SINK}.monitor", "--format=s16le", f"--rate={RATE}", "--channels=2",
             "--latency-msec=50"], stdout=out)
        out.close()
        return self

    def stop(self) -> array.array:
        if self._proc is not None:
            _end_process(self._proc)
            self._proc = None
        return read_samples(self.path)

    def __enter__(self) -> "Recording":
        return self.start()

    def __exit__(self, *exc) -> None:
        self.stop()


# ---------------------------------------------------------------- a running saver

class ProbeFailed(RigError):
    """A probe ended with an exit code other than 0; text is all it printed."""

    def __init__(self, message: str, text: str):
        super().__init__(message)
        self.text = text


class LaunchLost(RigError):
    """The launcher ended, or went silent, without a word of the program it was to start."""


class Saver:
    """One run of a program started by Rig.start_saver (through "probe launch")."""

    def __init__(self, rig: "Rig", launcher: subprocess.Popen, tag: str, exe_name: str):
        self._rig = rig
        self._launcher = launcher
        self._tag = tag
        self._exe_name = exe_name
        self._linux_pid: int | None = None
        self._values: dict[str, str] = {}
        self._seen: list[Window] = []
        self._closed = False  # the launcher's output has ended
        self._changed = threading.Condition()
        threading.Thread(target=self._read, daemon=True).start()
        self.windows_pid = self._value("pid", rig.start_timeout)

    def _read(self) -> None:
        for line in self._launcher.stdout:
            line = line.strip()
            with self._changed:
                if line.startswith("hwnd="):
                    self._seen.append(Window.parse(line))
                elif "=" in line:
                    key, value = line.split("=", 1)
                    self._values[key] = value
                self._changed.notify_all()
        with self._changed:
            self._closed = True
            self._changed.notify_all()

    def _value(self, key: str, timeout: float) -> int:
        with self._changed:
            self._changed.wait_for(lambda: key in self._values or "error" in self._values or self._closed, timeout)
            if "error" in self._values:
                error = f"CreateProcess failed, Windows error {self._values['error']}"
                # ERROR_INTERNAL_ERROR: Wine could not bring the new process up; nothing runs.
                raise LaunchLost(error) if self._values["error"] == "1359" else RigError(error)
            if key not in self._values:
                raise LaunchLost(f"probe launch printed no {key}= within {timeout} s "
                                 f"(launcher exit {self._launcher.poll()})")
            return int(self._values[key], 0)

    @property
    def linux_pid(self) -> int | None:
        """The Linux process running the program (not wine's launcher, not wineserver)."""
        if self._linux_pid is None and self.running():
            prefix = self._exe_name[:15]  # /proc/<pid>/comm keeps 15 characters
            for pid in _pids_with_env(f"TREVLIN_RIG_TAG={self._tag}".encode()):
                if _comm(pid).startswith(prefix):
                    self._linux_pid = pid
                    break
        return self._linux_pid

    def running(self) -> bool:
        return self._launcher.poll() is None

    def wait(self, timeout: float) -> int:
        """The program's exit code (all 32 bits: 0xC0000005 for a crash, say)."""
        try:
            self._launcher.wait(timeout)
        except subprocess.TimeoutExpired:
            raise RigError(f"{self._exe_name} still running after {timeout} s") from None
        return self._value("exit", 5)

    def windows(self, visible_only: bool = True) -> list[Window]:
        """The program's top-level windows now."""
        return [w for w in self._rig.windows(all=not visible_only) if w.pid == self.windows_pid]

    def seen_windows(self) -> list[Window]:
        """With watch=True: every top-level window of any process that came into being
        while the program ran, as it was when first seen."""
        with self._changed:
            return list(self._seen)

    def kill(self) -> None:
        if self.running():
            pid = self.linux_pid
            if pid is not None:
                _kill_pid(pid)
        _end_process(self._launcher, grace=2)


# ---------------------------------------------------------------- the session

class Rig:
    start_timeout = 30.0

    def __init__(self, screen: tuple[int, int] = SCREEN,
                 monitors: list[tuple[int, int, int, int]] | None = None,
                 directshow_mp4: bool = True):
        """monitors: (left, top, width, height) of each monitor laid over the X screen, the
        primary first, with the primary at 0,0 in Wine's coordinates. The X screen is made
        as large as their union; None gives one monitor as large as screen.
        directshow_mp4=False gives the session a DirectShow that opens no MP4, as Windows'."""
        self.monitors = monitors
        self.directshow_mp4 = directshow_mp4
        if monitors:
            screen = (max(x + w for x, y, w, h in monitors) - min(x for x, y, w, h in monitors),
                      max(y + h for x, y, w, h in monitors) - min(y for x, y, w, h in monitors))
        self.screen = screen
        self._procs: list[subprocess.Popen] = []
        self._savers: list[Saver] = []
        self.root: Path | None = None
        self.prefix: Path | None = None
        self.display: str | None = None
        self.env: dict[str, str] = {}
        self._wineserver: subprocess.Popen | None = None
        self._sigterm_installed = False

    # -- start and end

    def __enter__(self) -> "Rig":
        try:
            self.start()
        except BaseException:
            self.close()
            raise
        return self

    def __exit__(self, *exc) -> None:
        self.close()

    def start(self) -> None:
        # A CI time-out sends SIGTERM; turned into KeyboardInterrupt, it lets pytest's
        # fixture teardown (and so close()) run instead of leaving Wine and Xvfb behind.
        if (threading.current_thread() is threading.main_thread()
                and signal.getsignal(signal.SIGTERM) == signal.SIG_DFL):
            signal.signal(signal.SIGTERM, _interrupt)
            self._sigterm_installed = True
        if not PROBE_EXE.exists():
            raise RigError(f"{PROBE_EXE} is missing: run tools/build")
        sessions = cache_dir() / "sessions"
        sessions.mkdir(exist_ok=True)
        _remove_abandoned_sessions(sessions)
        self.root = Path(tempfile.mkdtemp(prefix="s-", dir=sessions))
        (self.root / "owner.pid").write_text(str(os.getpid()))
        home = self.root / "home"
        runtime = self.root / "run"
        home.mkdir()
        runtime.mkdir(mode=0o700)

        env = {k: v for k, v in os.environ.items()
               if k not in ("DISPLAY", "WAYLAND_DISPLAY", "XAUTHORITY", "WINEPREFIX", "WINEARCH",
                            "WINELOADER", "WINESERVER", "PULSE_SERVER", "DBUS_SESSION_BUS_ADDRESS",
                            "LC_ALL", "LANGUAGE")}
        env.update({
            _SESSION_MARKER: str(self.root),
            "HOME": str(home),
            "XDG_RUNTIME_DIR": str(runtime),
            "LANG": "C.UTF-8",  # Wine then takes code page 1252 as the ANSI one
            "WINEDEBUG": "-all",
            "WINEDLLOVERRIDES": "winemenubuilder.exe=d",
            # Nothing here may reach a user's session bus or autostart a daemon.
            "DBUS_SESSION_BUS_ADDRESS": "disabled:",
        })
        self.env = env

        self._start_pulse(runtime)
        self._start_display()
        self.prefix = self.root / "prefix"
        _copy_prefix(_cached_prefix(self.env), self.prefix)
        self.env["WINEPREFIX"] = str(self.prefix)
        if self.monitors:
            self._lay_out_monitors()
        if not self.directshow_mp4:
            _demote_gstreamer_parser(self.prefix / "system.reg")
        self._wineserver = self._spawn(["wineserver", "--foreground", "--persistent"])
        (self.prefix / "drive_c" / "trevlin").mkdir(exist_ok=True)
        shutil.copy2(PROBE_EXE, self.prefix / "drive_c" / "trevlin" / "probe.exe")
        # The first Wine program brings up explorer and the services; let that happen here
        # rather than inside the first test.
        screen = self.screen_rect()
        expected = (0, 0, *self.screen)
        if self.monitors:
            left = min(x for x, y, w, h in self.monitors) - self.monitors[0][0]
            top = min(y for x, y, w, h in self.monitors) - self.monitors[0][1]
            expected = (left, top, left + self.screen[0], top + self.screen[1])
        if screen != expected:
            raise RigError(f"Wine sees the screen as {screen}, expected {expected}")

    def _spawn(self, args: list[str], env: dict[str, str] | None = None, **kwargs) -> subprocess.Popen:
        kwargs.setdefault("stdin", subprocess.DEVNULL)
        proc = subprocess.Popen(args, env=env or self.env, **kwargs)
        self._procs = [p for p in self._procs if p.poll() is None] + [proc]
        return proc

    def _start_display(self) -> None:
        # Xvfb picks a free display number and writes it to the pipe once it accepts
        # clients. The pipe must stay open until the whole line has come: Xvfb gives up
        # ("Cannot write display number") if the reader has gone.
        read_end, write_end = os.pipe()
        number = b""
        try:
            with open(self.root / "xvfb.log", "wb") as log:
                self._spawn(["Xvfb", "-displayfd", str(write_end), "-noreset", "-nolisten", "tcp",
                             "-screen", "0", f"{self.screen[0]}x{self.screen[1]}x24"],
                            pass_fds=(write_end,), stdout=log, stderr=log)
            os.close(write_end)
            write_end = -1
            deadline = time.monotonic() + self.start_timeout
            while not number.endswith(b"\n"):
                ready, _, _ = select.select([read_end], [], [], max(0.0, deadline - time.monotonic()))
                chunk = os.read(read_end, 64) if ready else b""
                if not chunk:
                    break
                number += chunk
        finally:
            os.close(read_end)
            if write_end >= 0:
                os.close(write_end)
        if not number.strip().isdigit():
            raise RigError(f"Xvfb did not report a display number; see {self.root / 'xvfb.log'}")
        self.display = f":{number.strip().decode()}"
        self.env["DISPLAY"] = self.display

    def _lay_out_monitors(self) -> None:
        """RandR monitors over the one X screen, which Wine reports as separate monitors
        once its own RandR path is off (read once, when the wineserver starts)."""
        origin_x = min(x for x, y, w, h in self.monitors)
        origin_y = min(y for x, y, w, h in self.monitors)
        for i, (x, y, w, h) in enumerate(self.monitors):
            # Sizes in millimetres at about 96 dots per inch.
            geometry = f"{w}/{w * 254 // 960}x{h}/{h * 254 // 960}+{x - origin_x}+{y - origin_y}"
            subprocess.run(["xrandr", "--setmonitor", f"M{i}", geometry, "screen" if i == 0 else "none"],
                           env=self.env, check=True, timeout=30, stdout=subprocess.DEVNULL)
        user_reg = self.prefix / "user.reg"
        text = user_reg.read_text(errors="surrogateescape")
        key = "[Software\\\\Wine\\\\X11 Driver]"
        start = text.index(key)
        line_end = text.index("\n", start)
        user_reg.write_text(text[:line_end + 1] + '"UseXRandR"="N"\n' + text[line_end + 1:],
                            errors="surrogateescape")

    def _start_pulse(self, runtime: Path) -> None:
        socket = runtime / "pulse-native"
        # Anonymous access on a socket only this session knows; no cookie, no autospawn.
        (Path(self.env["HOME"]) / "client.conf").write_text("autospawn = no\n")
        self.env["PULSE_CLIENTCONFIG"] = str(Path(self.env["HOME"]) / "client.conf")
        self._spawn(["pulseaudio", "--daemonize=no", "-n", "--exit-idle-time=-1", "--log-target=stderr",
                     "--log-level=error", f"--load=module-null-sink sink_name={SINK}",
                     f"--load=module-native-protocol-unix socket={socket} auth-anonymous=1"],
                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.env["PULSE_SERVER"] = f"unix:{socket}"
        deadline = time.monotonic() + self.start_timeout
        while subprocess.run(["pactl", "info"], env=self.env, stdout=subprocess.DEVNULL,
                             stderr=subprocess.DEVNULL).returncode != 0:
            if time.monotonic() > deadline:
                raise RigError("the private PulseAudio daemon did not come up")
            time.sleep(0.1)
        subprocess.run(["pactl", "set-default-sink", SINK], env=self.env, check=True)

    def end_savers(self) -> None:
        """Kills whatever a test left running."""
        for saver in self._savers:
            saver.kill()
        self._savers.clear()

    def close(self) -> None:
        """Ends everything this rig started, by process id, and removes its files."""
        self.end_savers()
        if self._wineserver is not None and self._wineserver.poll() is None:
            # "wineserver -k" asks this prefix's server (and no other) to end its processes.
            with contextlib.suppress(Exception):
                subprocess.run(["wineserver", "-k"], env=self.env, timeout=10,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        for proc in reversed(self._procs):
            _end_process(proc)
        self._procs.clear()
        if self.root is not None:
            # Wine's own helpers (explorer, services, ...) are no children of ours.
            _kill_session_processes(self.root)
            shutil.rmtree(self.root, ignore_errors=True)
            self.root = None
        if self._sigterm_installed:
            signal.signal(signal.SIGTERM, signal.SIG_DFL)
            self._sigterm_installed = False

    # -- Wine

    @property
    def wineserver_pid(self) -> int:
        return self._wineserver.pid

    def _wine_command(self, probe_args: list[str]) -> list[str]:
        return ["wine", str(PROBE_EXE), *probe_args]

    # Probe commands that only look, or set what they set again: safe to run twice.
    _PROBE_REPEATABLE = {"windows", "children", "cursor", "screen", "setcursor", "foreground", "controls",
                         "focus", "idle", "textsize", "shortcut"}
    # Commands that print a line before they act: one that printed nothing did nothing.
    _PROBE_ANNOUNCED = {"send"}

    def probe(self, *args: str, timeout: float = 30) -> str:
        try:
            return self._probe_once(args, timeout)
        except ProbeFailed as error:
            # Now and then Wine's loader trips over its own bookkeeping as a program exits,
            # after the program did its work, or a Wine program ends with exit code 1
            # before it printed a word. A second run is sound where the first one did
            # nothing, or where doing it twice is the same as once.
            # One that named its error (error=no-window: the window is gone) found it.
            loader = "Inconsistency detected by ld.so" in error.text and "error=" not in error.text
            silent = error.text.strip() == ""
            if not (args[0] in self._PROBE_REPEATABLE and (loader or silent)
                    or args[0] in self._PROBE_ANNOUNCED and silent):
                raise
            return self._probe_once(args, timeout)

    def _probe_once(self, args: tuple[str, ...], timeout: float) -> str:
        # Output goes through a file, not a pipe: Wine helpers that a Wine program starts
        # (services, explorer) inherit its stdout and would hold a pipe open for good.
        with tempfile.TemporaryFile() as out:
            proc = subprocess.Popen(self._wine_command(list(args)), env=self.env, stdin=subprocess.DEVNULL,
                                    stdout=out, stderr=subprocess.STDOUT)
            try:
                code = proc.wait(timeout)
            except subprocess.TimeoutExpired:
                _end_process(proc)
                raise RigError(f"probe {' '.join(args)} still running after {timeout} s") from None
            out.seek(0)
            text = out.read().decode("utf-8", errors="replace").replace("\r\n", "\n")
        if code != 0:
            raise ProbeFailed(f"probe {' '.join(args)} failed ({code}): {text}", text)
        return text

    def windows(self, all: bool = False) -> list[Window]:
        """Top-level windows, visible ones only unless all."""
        return _parse_windows(self.probe("windows", *(["all"] if all else [])))

    def children(self, window: Window | int) -> list[Window]:
        hwnd = window.hwnd if isinstance(window, Window) else window
        return _parse_windows(self.probe("children", hex(hwnd)))

    def window_text(self, window: Window) -> str:
        """A window's text and all its descendants' texts, one a line (a message box's
        title, message and button captions)."""
        return "\n".join([window.text] + [child.text for child in self.children(window)])

    def cursor_shown(self) -> bool:
        return "showing=1" in self.probe("cursor").split("\t")

    def screen_rect(self) -> tuple[int, int, int, int]:
        out = self.probe("screen").strip()
        return tuple(int(v) for v in out.split("=", 1)[1].split(","))

    def start_saver(self, folder: Path, arguments: str, exe_name: str = "Trevlin.scr",
                    watch: bool = False, cwd: Path | None = None, wine_debug: str | None = None,
                    log_path: Path | None = None) -> Saver:
        """Runs folder/exe_name with the command line Windows would give it: the quoted
        program path, then " " and arguments exactly as given (none if arguments is "").
        The working folder is cwd, or else folder. Parks the pointer first (see park_pointer).
        With watch, Saver.seen_windows() reports the windows that came and went; the
        watching costs CPU, so benchmarks leave it off. wine_debug sets WINEDEBUG for this
        run, whose Wine messages then go to log_path."""
        command_line = f'"{winpath(Path(folder) / exe_name)}"' + (f" {arguments}" if arguments else "")
        return self.start_command(command_line, cwd or folder, exe_name, watch, wine_debug=wine_debug,
                                  log_path=log_path)

    def start_command(self, command_line: str, cwd: Path, exe_name: str, watch: bool = False,
                      park: bool = True, wine_debug: str | None = None, log_path: Path | None = None) -> Saver:
        """Runs a Windows command line as it stands (a path on drive C:, say, as an
        installer registered it); exe_name is the program's file name. As start_saver,
        but park=False leaves the pointer alone: parking it counts as a mouse move to a
        saver already running, and enough of them end it."""
        if park:
            self.park_pointer()
        for attempt in (1, 2):
            tag = uuid.uuid4().hex
            env = dict(self.env, TREVLIN_RIG_TAG=tag)
            if wine_debug is not None:
                env["WINEDEBUG"] = wine_debug
            # Wine's own complaints (ALSA finding no MIDI device, say) go to a log, not the
            # test's output.
            with open(log_path or self.root / "wine.log", "ab") as log:
                launcher = self._spawn(self._wine_command(["launch", *(["--watch"] if watch else []),
                                                           command_line]),
                                       env=env, cwd=cwd, stdout=subprocess.PIPE, stderr=log, text=True)
            try:
                saver = Saver(self, launcher, tag, exe_name)
                break
            except LaunchLost:
                # Now and then Wine's loader fails the launcher, or the program it
                # starts, as it starts or ends. Whatever it may have started goes, and
                # it is tried once more.
                for pid in _pids_with_env(f"TREVLIN_RIG_TAG={tag}".encode()):
                    _kill_pid(pid)
                _end_process(launcher, grace=2)
                if attempt == 2:
                    raise
        self._savers.append(saver)
        return saver

    @contextlib.contextmanager
    def file_held(self, path: Path):
        """While inside, a Windows program holds path open without sharing it: other
        programs cannot open it at all."""
        holder = self._spawn(self._wine_command(["hold", winpath(path), "600000"]),
                             stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        try:
            if holder.stdout.readline().strip() != "held":
                raise RigError(f"probe could not hold {path}")
            yield
        finally:
            _end_process(holder)

    def send(self, window: Window | int, message: int, wparam: int = 0, lparam: int = 0) -> tuple[int, bool]:
        """SendMessage to a window from another program: (its reply, whether it replied)."""
        hwnd = window.hwnd if isinstance(window, Window) else window
        reply = self.probe("send", hex(hwnd), str(message), str(wparam), str(lparam)).strip().splitlines()[-1]
        fields = _fields(reply)
        return int(fields["result"]), fields["ok"] == "1"

    def opened_addresses(self) -> list[str]:
        """Addresses ShellExecute opened through the http/https "open" command so far."""
        path = self.prefix / "drive_c" / "trevlin" / "opened.txt"
        return path.read_text(encoding="utf-8").splitlines() if path.exists() else []

    # -- X: pointer, keys, pictures

    def xdotool(self, *args: str) -> None:
        subprocess.run(["xdotool", *args], env=self.env, check=True, timeout=30,
                       stdout=subprocess.DEVNULL)

    def key(self, name: str = "a") -> None:
        self.xdotool("key", name)

    def park_pointer(self, x: int = 0, y: int = 0) -> None:
        """Puts the pointer at (x, y), in Windows' coordinates, for X and for Wine alike.
        Wine's idea of the position can lag behind X's, and falls back to 0,0 when our
        windows go: a window then appearing under a pointer elsewhere counts as a move of
        the difference. X counts from the virtual screen's top-left corner."""
        origin_x, origin_y = self.x_origin()
        self.xdotool("mousemove", str(x - origin_x), str(y - origin_y))
        self.probe("setcursor", str(x), str(y))

    def x_origin(self) -> tuple[int, int]:
        """Where the X screen's 0,0 lies in Windows' coordinates."""
        if not self.monitors:
            return 0, 0
        return (min(m[0] for m in self.monitors) - self.monitors[0][0],
                min(m[1] for m in self.monitors) - self.monitors[0][1])

    def screenshot(self, path: Path) -> Path:
        subprocess.run(["import", "-display", self.display, "-window", "root", str(path)],
                       env=self.env, check=True, timeout=30)
        return Path(path)

    def record(self, path: Path) -> Recording:
        return Recording(self, path)

    # -- waiting

    @staticmethod
    def wait_for(condition, timeout: float, interval: float = 0.2, what: str = "condition"):
        """Polls condition() until it returns something truthy, and returns that."""
        deadline = time.monotonic() + timeout
        while True:
            value = condition()
            if value:
                return value
            if time.monotonic() > deadline:
                raise RigError(f"timed out after {timeout} s waiting for {what}")
            time.sleep(interval)


def wait_pid_exit(pid: int, timeout: float) -> float | None:
    """Blocks until Linux process pid ends; returns time.monotonic() at that moment, or
    None on timeout. Uses a pidfd, so the moment is exact to the scheduler, not a poll."""
    try:
        fd = os.pidfd_open(pid)
    except ProcessLookupError:
        return time.monotonic()
    try:
        ready, _, _ = select.select([fd], [], [], timeout)
        return time.monotonic() if ready else None
    finally:
        os.close(fd)


def mean_rgb(image: Path) -> tuple[float, float, float]:
    """The average colour of a picture, 0..255 per channel."""
    out = subprocess.run(["convert", str(image), "-resize", "1x1!", "-depth", "16",
                          "-format", "%[fx:255*r],%[fx:255*g],%[fx:255*b]", "info:"],
                         capture_output=True, text=True, check=True).stdout
    return tuple(float(v) for v in out.split(","))


def write_ini(folder: Path, text: str | bytes) -> Path:
    """Writes folder/Trevlin.ini. Text is stored as Windows would: CRLF line ends and the
    ANSI code page (1252 under the rig's locale)."""
    data = text if isinstance(text, bytes) else text.replace("\r\n", "\n").replace("\n", "\r\n").encode("cp1252")
    path = Path(folder) / "Trevlin.ini"
    path.write_bytes(data)
    return path


# ---------------------------------------------------------------- the cached prefix

def _wine_version(env: dict[str, str]) -> str:
    out = subprocess.run(["wine", "--version"], env=env, capture_output=True, text=True, check=True).stdout
    return re.sub(r"[^A-Za-z0-9.+-]+", "_", out.strip())


def _cached_prefix(env: dict[str, str]) -> Path:
    """The prefix every session copies, made once per recipe and Wine version."""
    cache = cache_dir()
    final = cache / f"prefix-r{PREFIX_RECIPE}-{_wine_version(env)}"
    if (final / ".complete").exists():
        return final
    with open(cache / "prefix.lock", "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        if (final / ".complete").exists():
            return final
        # Leftovers of a build that was killed; with the lock held, none is running.
        shutil.rmtree(final, ignore_errors=True)
        for stale in cache.glob("prefix-*.building-*"):
            shutil.rmtree(stale, ignore_errors=True)
        building = Path(tempfile.mkdtemp(prefix=final.name + ".building-", dir=cache))
        try:
            _build_prefix(building, dict(env, WINEPREFIX=str(building)))
            (building / ".complete").touch()
            building.rename(final)
        finally:
            shutil.rmtree(building, ignore_errors=True)
    return final


def _build_prefix(prefix: Path, env: dict[str, str]) -> None:
    def run(*args: str) -> None:
        subprocess.run(args, env=env, check=True, timeout=300, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    run("wine", "wineboot", "-i")
    run("wineserver", "-w")
    if not _WINE_MARLETT.is_file():
        raise RigError(f"{_WINE_MARLETT} is missing: run tools/deps (fonts-wine)")
    shutil.copyfile(_WINE_MARLETT, prefix / "drive_c" / "windows" / "Fonts" / "marlett.ttf")
    settings = _PREFIX_SETTINGS + _FONT_SETTINGS + _vmr7_merit_setting(prefix / "system.reg")
    reg = prefix / "drive_c" / "trevlin-settings.reg"
    reg.write_text(settings.replace("\n", "\r\n"), encoding="utf-8")
    run("wine", "regedit", "/S", "C:\\trevlin-settings.reg")
    run("wineserver", "-w")
    reg.unlink()
    if _VMR7.lower() not in (prefix / "system.reg").read_text(errors="replace").lower():
        raise RigError("the VMR-7 filter is not registered in the new prefix")


def _vmr7_merit_setting(system_reg: Path) -> str:
    """A .reg section giving the VMR-7 filter its registered FilterData with a lower merit."""
    section = f"[Software\\\\Classes\\\\CLSID\\\\{_FILTER_CATEGORY}\\\\Instance\\\\{_VMR7}]".lower()
    lines = system_reg.read_text(errors="replace").splitlines()
    start = next(i for i, line in enumerate(lines) if line.lower().startswith(section))
    i = next(j for j in range(start + 1, len(lines)) if lines[j].startswith('"FilterData"=hex:'))
    hex_text = lines[i].split(":", 1)[1]
    while hex_text.endswith("\\"):
        i += 1
        hex_text = hex_text[:-1] + lines[i].strip()
    data = bytearray(int(b, 16) for b in hex_text.split(",") if b)
    # REGFILTER2 version 2: a DWORD version, then the DWORD merit.
    data[4:8] = _VMR7_MERIT.to_bytes(4, "little")
    return (f"\n[HKEY_LOCAL_MACHINE\\Software\\Classes\\CLSID\\{_FILTER_CATEGORY}\\Instance\\{_VMR7}]\n"
            f'"FilterData"=hex:{",".join(f"{b:02x}" for b in data)}\n')


def _demote_gstreamer_parser(system_reg: Path) -> None:
    """Lowers the parser's merit (FilterData bytes 4-7) from 0x800000 to 0x100000, in a
    prefix whose wineserver has not started."""
    section = f"[Software\\\\Classes\\\\CLSID\\\\{_FILTER_CATEGORY}\\\\Instance\\\\{_GSTREAMER_PARSER}]".lower()
    lines = system_reg.read_text(errors="surrogateescape").splitlines(keepends=True)
    start = next(i for i, line in enumerate(lines) if line.lower().startswith(section))
    i = next(j for j in range(start + 1, len(lines)) if lines[j].startswith('"FilterData"=hex:'))
    merit = '"FilterData"=hex:02,00,00,00,00,00,80,00,'
    if not lines[i].startswith(merit):
        raise RigError("the GStreamer parser's FilterData is not as expected")
    lines[i] = '"FilterData"=hex:02,00,00,00,00,00,10,00,' + lines[i][len(merit):]
    system_reg.write_text("".join(lines), errors="surrogateescape")


def _copy_prefix(source: Path, target: Path) -> None:
    def link_or_copy(src: str, dst: str) -> None:
        if Path(src).suffix.lower() in _SHARED_SUFFIXES:
            try:
                os.link(src, dst)
                return
            except OSError:
                pass  # another file system: fall back to a copy
        shutil.copy2(src, dst)

    shutil.copytree(source, target, symlinks=True, copy_function=link_or_copy)
    (target / ".complete").unlink(missing_ok=True)


def _remove_abandoned_sessions(sessions: Path) -> None:
    """Sessions whose owner died without cleaning up (a killed test run)."""
    for session in sessions.iterdir():
        try:
            owner = int((session / "owner.pid").read_text())
        except (OSError, ValueError):
            owner = 0
        if owner and _pid_alive(owner):
            continue
        if not owner and time.time() - session.stat().st_mtime < 60:
            continue  # being created just now
        _kill_session_processes(session)
        shutil.rmtree(session, ignore_errors=True)


def _kill_session_processes(session: Path) -> None:
    """Every process a session started carries the session's marker in its environment,
    Wine's helpers included (they inherit it from the first Wine program)."""
    for pid in _pids_with_env(f"{_SESSION_MARKER}={session}".encode()):
        if pid != os.getpid():
            _kill_pid(pid)


# ---------------------------------------------------------------- controls of a window

def _fields(line: str) -> dict[str, str]:
    return dict(part.split("=", 1) for part in line.rstrip("\n").split("\t"))


def _rect(text: str) -> tuple[int, int, int, int]:
    return tuple(int(v) for v in text.split(","))


@dataclass(frozen=True)
class Control:
    """A child window as "probe controls" reports it."""
    window: Window
    control_id: int
    check: int  # BM_GETCHECK for a button (BST_UNCHECKED 0, CHECKED 1, INDETERMINATE 2); -1 otherwise
    client_rect: tuple[int, int, int, int]  # left, top, right, bottom in the parent's client area

    @property
    def cls(self) -> str:
        return self.window.cls

    @property
    def text(self) -> str:
        return self.window.text

    @property
    def visible(self) -> bool:
        return self.window.visible

    @property
    def position(self) -> tuple[int, int, int, int]:
        """left, top, width, height in the parent's client area."""
        left, top, right, bottom = self.client_rect
        return left, top, right - left, bottom - top


def controls(rig: Rig, window: Window | int) -> tuple[tuple[int, int], list[Control]]:
    """The client size of a window and its direct children, in z-order (the tab order)."""
    hwnd = window.hwnd if isinstance(window, Window) else window
    client = (0, 0)
    found = []
    for line in rig.probe("controls", hex(hwnd)).splitlines():
        if line.startswith("client="):
            client = tuple(int(v) for v in line.split("=", 1)[1].split(","))
        elif line.startswith("hwnd="):
            fields = _fields(line)
            found.append(Control(Window.parse(line), int(fields["id"]), int(fields["check"]),
                                 _rect(fields["crect"])))
    return client, found


def focused_window(rig: Rig, window: Window | int) -> int:
    """The handle of the window that has the keyboard focus in window's thread (0 if none)."""
    hwnd = window.hwnd if isinstance(window, Window) else window
    return int(_fields(rig.probe("focus", hex(hwnd)).strip())["focus"], 16)


def click(rig: Rig, window: Window | Control) -> None:
    """A real left click (X pointer events) at the centre of a window on the screen."""
    left, top, right, bottom = (window.window if isinstance(window, Control) else window).rect
    rig.xdotool("mousemove", str((left + right) // 2), str((top + bottom) // 2), "click", "1")


# ---------------------------------------------------------------- pictures compared

def picture_difference(a: Path, b: Path) -> float:
    """How far two pictures of the same size differ: the mean absolute difference per
    channel, 0..255 (0 for the same picture)."""
    result = subprocess.run(["compare", "-metric", "MAE", str(a), str(b), "null:"],
                            capture_output=True, text=True, timeout=30)
    # compare exits 1 when the pictures merely differ; 2 is a real failure.
    if result.returncode > 1:
        raise RigError(f"compare {a} {b} failed: {result.stderr.strip()}")
    # The figure comes on stderr as "absolute (normalised)".
    return float(result.stderr.split("(", 1)[1].split(")", 1)[0]) * 255


def mean_rgb_outside(image: Path, boxes: list[tuple[int, int, int, int]]) -> tuple[float, float, float]:
    """The average colour of a picture once the boxes (left, top, right, bottom, as window
    rectangles give them) are painted black: the colour of everything but those windows."""
    draw = []
    for left, top, right, bottom in boxes:
        draw += ["-draw", f"rectangle {left},{top} {right - 1},{bottom - 1}"]
    with tempfile.TemporaryDirectory() as work:
        masked = Path(work) / "masked.png"
        subprocess.run(["convert", str(image), "-fill", "black", *draw, str(masked)], check=True, timeout=30)
        return mean_rgb(masked)
