"""Runs the stand-in player under wine from Python: its tests, the end-to-end tests, the demo
and, with 32-bit wine under qemu, the smoke run of the shipped DLL.

A session folder holds the player's program, its Plugins folder with the plug-in (and the
plug-in's settings file), the script, the playlist and the music. Needs /usr/bin/python3 with
mutagen for the tagged files."""
import os
import shutil
import socket
import subprocess
import threading
import time

from mutagen.id3 import COMM, ID3, TALB, TCON, TDRC, TIT2, TPE1, TRCK

WINE64 = shutil.which("wine64") or "/usr/lib/wine/wine64"
# One MPEG-1 layer III frame of silence: 128 kbit/s, 44.1 kHz, 26 ms.
FRAME = b"\xff\xfb\x90\x64" + bytes(413)
FRAMES_PER_SECOND = 38


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def windows_path(path):
    """The name under which wine's programs see a Linux path (the root is drive Z:)."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def write_song(path, seconds, artist, title, album, year, genre, comment, track, encoding=0):
    """A silent MP3 of `seconds` with an ID3v2.3 tag written by mutagen, its texts in
    `encoding` (0 ISO-8859-1, 1 UTF-16)."""
    with open(path, "wb") as out:
        out.write(FRAME * (FRAMES_PER_SECOND * seconds))
    tag = ID3()
    tag.add(TPE1(encoding=encoding, text=artist))
    tag.add(TIT2(encoding=encoding, text=title))
    tag.add(TALB(encoding=encoding, text=album))
    tag.add(TDRC(encoding=encoding, text=year))
    tag.add(TCON(encoding=encoding, text=genre))
    tag.add(COMM(encoding=encoding, lang="eng", desc="", text=comment))
    tag.add(TRCK(encoding=encoding, text=str(track)))
    tag.save(path, v2_version=3)


def write_settings(folder, url, password, interval, timeout, send, utf8=None):
    """The plug-in's settings file, where it looks: Plugins beside the player's program.
    Without `utf8` the file is one from before that key (an upgrade)."""
    text = ("[Settings]\r\nParams={}\r\nUrl={}\r\nInterval={}\r\nTimeout={}\r\nsend={}\r\n"
            .format(password, url, interval, timeout, send))
    if utf8 is not None:
        text += "utf8={}\r\n".format(utf8)
    with open(settings_path(folder), "w", encoding="cp1252", newline="") as out:
        out.write(text)


def settings_path(folder):
    return os.path.join(folder, "Plugins", "gen_quillon.ini")


class Player:
    """The stand-in player running a script; its report lines arrive as (ms, text, wall time)."""

    def __init__(self, folder, player_exe, plugin_dll, script, playlist, wine=WINE64, env=None):
        self.folder = folder
        os.makedirs(os.path.join(folder, "Plugins"), exist_ok=True)
        shutil.copy(player_exe, os.path.join(folder, "standin-player.exe"))
        shutil.copy(plugin_dll, os.path.join(folder, "Plugins", "gen_quillon.dll"))
        with open(os.path.join(folder, "script.txt"), "w", encoding="utf-8", newline="") as out:
            out.write(script)
        with open(os.path.join(folder, "playlist.txt"), "w", encoding="utf-8",
                  newline="") as out:
            out.write("".join(windows_path(p) + "\r\n" for p in playlist))
        self.lines = []
        self.changed = threading.Condition()
        self.process = subprocess.Popen(
            [wine, "standin-player.exe", "script.txt", "playlist.txt"], cwd=folder,
            stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
            env=None if env is None else {**os.environ, **env})
        self.reader = threading.Thread(target=self._read, daemon=True)
        self.reader.start()

    def _read(self):
        # Only the reader closes the output: a close from another thread would wait for the
        # blocked read, which lasts as long as any of wine's processes holds the pipe.
        with self.process.stdout:
            for raw in self.process.stdout:
                text = raw.decode("utf-8", errors="replace").rstrip("\r\n")
                stamp, _, rest = text.partition(" ")
                ms = int(stamp) if stamp.isdigit() else None
                with self.changed:
                    self.lines.append((ms, rest if ms is not None else text, time.monotonic()))
                    self.changed.notify_all()

    def wait_for(self, start, timeout, occurrence=1):
        """The `occurrence`th line that begins with `start`, or None after `timeout` seconds."""
        deadline = time.monotonic() + timeout
        with self.changed:
            while True:
                found = self.starting(start)
                if len(found) >= occurrence:
                    return found[occurrence - 1]
                left = deadline - time.monotonic()
                if left <= 0 or (self.process.poll() is not None and not self.reader.is_alive()):
                    return None
                self.changed.wait(min(left, 0.2))

    def finish(self, timeout):
        """Waits for the player's end (killing it after `timeout` s); True if it ended itself."""
        try:
            self.process.wait(timeout)
            ended = True
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
            ended = False
        self.reader.join(5)
        return ended

    def starting(self, start):
        return [line for line in self.lines if line[1].startswith(start)]
