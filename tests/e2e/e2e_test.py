#!/usr/bin/python3
"""The real plug-in in the stand-in player under wine64, end to end: a playlist of tagged
files is followed, each song reaches a loopback web server one interval after the change, the
log page holds the answers, Apply writes the settings file, and Write Tags driven through the
window rewrites the file between the pause and the play command, keeping its picture and its
track total.

Usage: e2e_test.py STANDIN_PLAYER_EXE PLUGIN_DLL REPORT_XML (inside an X display)."""
import http.server
import os
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "tools", "standin-player"))
sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "support"))
import session  # noqa: E402
from checks import Checks  # noqa: E402
from form_post import read_form, serve_on_loopback  # noqa: E402
from mutagen.id3 import APIC, ID3, TRCK  # noqa: E402

INTERVAL_MS = 10000
PASSWORD = "s3cret"
SONGS = [  # artist, title, album, year, genre, comment, track
    ("Ann Artist", "First Song", "Album One", "2001", "Rock", "one", 1),
    ("Bob Band", "Second Song", "Album Two", "2002", "Jazz", "two", 2),
    ("Cy Choir", "Third Song", "Album Three", "2003", "Folk", "three", 3),
]
SCRIPT = """\
at 0 start
at 500 config
at 4000 select 1
at 5500 fields
at 13000 select 2
at 14500 fields
at 26000 log
at 26500 focus Artist:
at 26700 key 35
at 27000 type !
at 27500 fields
at 28000 click Write
at 28300 tab Configuration
at 28500 focus Password:
at 28700 key 35
at 29000 type X
at 29500 click Apply
at 30000 exit
"""


class Posts(http.server.BaseHTTPRequestHandler):
    received = []  # (monotonic time, path, [(name, value bytes)])

    def do_POST(self):
        Posts.received.append((time.monotonic(), self.path, read_form(self)))
        self.send_response(200)
        self.send_header("Content-Type", "text/plain")
        self.end_headers()
        self.wfile.write(b"OK")

    def log_message(self, *_):
        pass


def expected_fields(song, path):
    artist, title, album, year, genre, comment, track = song
    return [("artist", artist), ("album", album), ("title", title), ("track", str(track)),
            ("year", year), ("genre", genre), ("comment", comment),
            ("filename", os.path.basename(path)), ("comment", comment),
            ("password", PASSWORD), ("_charset_", "windows-1252")]


def decoded(fields):
    return [(name, value.decode("cp1252")) for name, value in fields]


def field_lines(player, after_ms):
    """The first `fields` report after the given time, as {label: text}."""
    shown = {}
    start = None
    for ms, text, _ in player.lines:
        if text.startswith("field ") and ms >= after_ms and (start is None or ms == start):
            start = ms
            label, _, value = text[len("field \""):].partition("\" \"")
            shown[label] = value[:-1]
        elif start is not None and ms != start:
            break
    return shown


def first_seen(player, entry):
    for ms, text, _ in player.lines:
        if text.startswith("query IPC_GETPLAYLISTFILEW {} ".format(entry)):
            return ms
    return None


def main(player_exe, plugin_dll, report):
    checks = Checks("EndToEnd")
    if checks.lacks_display():
        return checks.write(report)
    server, url = serve_on_loopback(Posts)
    with tempfile.TemporaryDirectory(prefix="quillon-e2e-") as folder:
        music = os.path.join(folder, "Music")
        os.makedirs(music)
        paths = [os.path.join(music, "song{}.mp3".format(i + 1)) for i in range(len(SONGS))]
        for path, song in zip(paths, SONGS):
            session.write_song(path, 1, *song)
        picture = bytes(range(256)) * 40
        kept = ID3(paths[2])
        kept.add(APIC(encoding=0, mime="image/png", type=3, desc="cover", data=picture))
        kept.add(TRCK(encoding=0, text="3/12"))
        kept.save(paths[2], v2_version=3)
        os.makedirs(os.path.join(folder, "Plugins"))
        session.write_settings(folder, url, PASSWORD, INTERVAL_MS // 1000, 3000, 1)
        original = open(paths[2], "rb").read()
        player = session.Player(folder, player_exe, plugin_dll, SCRIPT, paths)
        ended = player.finish(90)
        settings = open(session.settings_path(folder), "rb").read().decode("cp1252")
        rewritten = open(paths[2], "rb").read()
        tag = ID3(paths[2])
        server.shutdown()
        server.server_close()
        lines = [text for _, text, _ in player.lines]

        checks.case("PlayerRunsTheScript")
        checks.expect(ended, "stand-in player still running after 90 s")
        checks.expect("exit" in lines, "no exit line; output:\n" + "\n".join(lines))
        checks.expect(any(t.startswith("config done") for t in lines), "window not shown")

        checks.case("WindowShowsEachNewSong")
        seen = [first_seen(player, entry) for entry in range(3)]
        checks.expect(None not in seen, "an entry was never asked for: {}".format(seen))
        for at, song, path in ((5500, SONGS[1], paths[1]), (14500, SONGS[2], paths[2])):
            shown = field_lines(player, at)
            artist, title, album, year, genre, comment, track = song
            want = {"Artist:": artist, "Title:": title, "Album:": album, "Year:": year,
                    "Genre:": genre, "Comment:": comment, "Track: #": str(track),
                    "Filename:": session.windows_path(path)}
            for label, value in want.items():
                checks.expect(shown.get(label) == value, "at {} ms {} shows {!r}, want {!r}"
                              .format(at, label, shown.get(label), value))

        checks.case("EachChangeIsPostedOneIntervalLater")
        posts = Posts.received
        checks.expect(len(posts) == 2, "{} posts, want 2 (song 2, song 3)".format(len(posts)))
        if len(posts) == 2 and None not in seen:
            for (arrived, path, fields), song, song_path in zip(posts, SONGS[1:], paths[1:]):
                checks.expect(path == "/test.php", "posted to " + path)
                checks.expect(decoded(fields)[:11] == expected_fields(song, song_path),
                              "fields {}".format(decoded(fields)))
                checks.expect([name for name, _ in fields[11:]] == ["played_at", "play_id"],
                              "the play's fields {}".format(decoded(fields)[11:]))
            # Song 1 arms the timer; song 2 comes before it expires and is what is sent.
            started = player.starting("player window")[0][2]
            for (arrived, _, _), armed in zip(posts, (seen[0], seen[2])):
                late = (arrived - started) * 1000 - (armed + INTERVAL_MS)
                checks.expect(-300 < late < 1500, "post {:.0f} ms off one interval after the "
                              "change seen at {} ms".format(late, armed))

        checks.case("LogPageHoldsTheThreeLinesOfEachAnswer")
        log = [t[len("logline "):] for t in lines if t.startswith("logline ")]
        want = ["Code: 200", "Message: HTTP/1.0 200 OK", "Output: OK"] * 2
        checks.expect(log == want, "log {}".format(log))

        checks.case("WriteTagsRewritesTheFileBetweenPauseAndPlay")
        shown = field_lines(player, 27500)
        checks.expect(shown.get("Artist:") == "Cy Choir!",
                      "artist field {!r} after typing".format(shown.get("Artist:")))
        order = [t for t in lines if t.startswith(("command ", "file 2 ", "click \"Write"))]
        before = "file 2 " + fingerprint(original)
        after = "file 2 " + fingerprint(rewritten)
        checks.expect(order == ["click \"Write\"", "command 40046 WINAMP_BUTTON3 lParam=0",
                                before, "command 40045 WINAMP_BUTTON2 lParam=0", after,
                                "click \"Write\" done"],
                      "write sequence {} (file before {}, after {})".format(order, before, after))
        checks.expect(str(tag.get("TPE1")) == "Cy Choir!", "file's artist {}"
                      .format(tag.get("TPE1")))
        checks.expect(str(tag.get("TIT2")) == "Third Song", "file's title {}"
                      .format(tag.get("TIT2")))
        checks.expect(rewritten.endswith(original[-1000:]), "audio data changed")
        checks.expect([p.data for p in tag.getall("APIC")] == [picture], "picture not kept")
        checks.expect(str(tag.get("TRCK")) == "3/12", "file's track {}".format(tag.get("TRCK")))

        checks.case("ApplyWritesTheSettingsBesideThePlayer")
        checks.expect("click \"Apply\" done" in lines, "Apply not clicked: {}".format(
            [t for t in lines if t.startswith("click")]))
        want = ["[Settings]", "Params={}X".format(PASSWORD), "Url=" + url, "Interval=10",
                "Timeout=3000", "send=1", "utf8=0"]
        written = [line.strip() for line in settings.splitlines() if line.strip()]
        checks.expect(written == want, "settings file {!r}".format(settings))
    return checks.write(report)


def fingerprint(data):
    value = 14695981039346656037
    for byte in data[:64 * 1024]:
        value = ((value ^ byte) * 1099511628211) & 0xFFFFFFFFFFFFFFFF
    return "{:016x} size={}".format(value, len(data))


if __name__ == "__main__":
    sys.exit(0 if main(*sys.argv[1:4]) else 1)
