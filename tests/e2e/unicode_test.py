#!/usr/bin/python3
"""Every alphabet, end to end, with the real plug-in in the stand-in player under wine64: a
file named in two alphabets whose tag holds a Cyrillic artist and a Japanese title is shown
whole in the window (read back with GetWindowTextW) and posted in UTF-8 with its file name and
`_charset_`; an album typed in Cyrillic is written so that mutagen reads it; and with the
check box off the ten values go in the code page, byte for byte as before.

Usage: unicode_test.py STANDIN_PLAYER_EXE PLUGIN_DLL REPORT_XML (inside an X display)."""
import http.server
import os
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "tools", "standin-player"))
sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "support"))
import session  # noqa: E402
from checks import Checks  # noqa: E402
from form_post import read_form, serve_on_loopback  # noqa: E402
from mutagen.id3 import ID3  # noqa: E402

FILE = "Z\u00fcrich \u6771\u4eac.mp3"
ARTIST = "\u041a\u0438\u043d\u043e"                # Кино
TITLE = "\u6771\u4eac\u306e\u591c"                 # 東京の夜
ALBUM = "\u0413\u0440\u0443\u043f\u043f\u0430"     # Группа, typed into the window
PASSWORD = "pw\u00e9"
# The window shows the song, then after the post the album is typed and written.
SCRIPT = """\
at 0 start
at 500 config
at 2500 fields
at 12500 log
at 12700 focus Album:
at 12900 key 35
at 13100 type {album}
at 13400 fields
at 13600 click Write
at 14500 exit
""".format(album=ALBUM)
# The second run, with the check box off: the post only.
SCRIPT_CODE_PAGE = "at 0 start\nat 12500 log\nat 13000 exit\n"


class Posts(http.server.BaseHTTPRequestHandler):
    received = []  # [(name, value bytes)] per post

    def do_POST(self):
        Posts.received.append(read_form(self))
        self.send_response(200)
        self.end_headers()
        self.wfile.write(b"OK")

    def log_message(self, *_):
        pass


def sent(texts, encode):
    """The eleven fields as the plug-in sends them, each text through `encode`."""
    artist, title, album, name = texts
    values = [("artist", artist), ("album", album), ("title", title), ("track", "1"),
              ("year", "2020"), ("genre", "Pop"), ("comment", ""), ("filename", name),
              ("comment", ""), ("password", PASSWORD)]
    return [(field, encode(value)) for field, value in values]


def shown_fields(player):
    fields = {}
    for _, text, _ in player.lines:
        if text.startswith("field "):
            label, _, value = text[len("field \""):].partition("\" \"")
            fields.setdefault(label, []).append(value[:-1])
    return fields


def run(folder, player_exe, plugin_dll, script, url, utf8, path):
    session.write_settings(folder, url, PASSWORD, 10, 3000, 1, utf8)
    Posts.received.clear()
    player = session.Player(folder, player_exe, plugin_dll, script, [path])
    ended = player.finish(60)
    return player, ended, list(Posts.received)


def main(player_exe, plugin_dll, report):
    checks = Checks("EveryAlphabet")
    if checks.lacks_display():
        return checks.write(report)
    server, url = serve_on_loopback(Posts)
    with tempfile.TemporaryDirectory(prefix="quillon-unicode-") as folder:
        music = os.path.join(folder, "Music")
        os.makedirs(music)
        os.makedirs(os.path.join(folder, "Plugins"))
        path = os.path.join(music, FILE)
        session.write_song(path, 1, ARTIST, TITLE, "", "2020", "Pop", "", 1, encoding=1)

        player, ended, posts = run(folder, player_exe, plugin_dll, SCRIPT, url, 1, path)
        lines = [text for _, text, _ in player.lines]
        checks.case("PlayerRunsTheScript")
        checks.expect(ended and "exit" in lines, "player did not run to its end:\n" + "\n".join(lines))

        checks.case("WindowShowsEveryAlphabet")
        shown = shown_fields(player)
        for label, value in (("Artist:", ARTIST), ("Title:", TITLE),
                             ("Filename:", session.windows_path(path))):
            checks.expect(shown.get(label, [None])[0] == value,
                          "{} shows {!r}, want {!r}".format(label, shown.get(label), value))
        checks.expect(shown.get("Album:", [None, None])[-1] == ALBUM,
                      "typed album shows {!r}".format(shown.get("Album:")))

        checks.case("PostedAsUtf8WithTheCharset")
        want = sent((ARTIST, TITLE, "", FILE), lambda text: text.encode("utf-8")) + \
            [("_charset_", b"UTF-8")]
        # The play's own time and id follow; the outbox test checks them.
        checks.expect(len(posts) == 1 and posts[0][:11] == want, "posts {!r}".format(posts))

        checks.case("TypedAlbumIsWrittenSoThatMutagenReadsIt")
        tag = ID3(path)
        checks.expect(str(tag.get("TALB")) == ALBUM, "album {!r}".format(tag.get("TALB")))
        checks.expect(str(tag.get("TPE1")) == ARTIST and str(tag.get("TIT2")) == TITLE,
                      "artist {!r}, title {!r}".format(tag.get("TPE1"), tag.get("TIT2")))

        _, ended, posts = run(folder, player_exe, plugin_dll, SCRIPT_CODE_PAGE, url, 0, path)
        checks.case("CheckBoxOffSendsTheCodePageByteForByte")
        # What the plug-in always sent: the code page's bytes, "?" for what it lacks.
        want = sent((ARTIST, TITLE, ALBUM, FILE), lambda text: text.encode("cp1252", "replace")) + \
            [("_charset_", b"windows-1252")]
        checks.expect(ended and len(posts) == 1 and posts[0][:11] == want, "posts {!r}".format(posts))
    server.shutdown()
    server.server_close()
    return checks.write(report)


if __name__ == "__main__":
    sys.exit(0 if main(*sys.argv[1:4]) else 1)
