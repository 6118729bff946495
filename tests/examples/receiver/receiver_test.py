#!/usr/bin/python3
"""Drives the example receiver under PHP's built-in server with posts shaped as the plug-in
sends them (HTTP/1.0, multipart body of ten fields in Windows-1252).

Usage: receiver_test.py RECEIVER_DIR SCENARIO, SCENARIO one of: store, password, page, repeat,
migrate."""
import os
import shutil
import sqlite3
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "support"))
from loopback import free_port, wait_until_listening  # noqa: E402

PASSWORD = "p\u00e4ss \"word\""  # configured in the script as UTF-8, posted as Windows-1252
ASCII_PASSWORD = "plain"



def plugin_body(boundary, fields):
    out = b""
    for name, value in fields:
        out += b"--" + boundary + b"\r\n"
        out += b'Content-Disposition: form-data; name="' + name + b'"\r\n\r\n'
        out += value + b"\r\n"
    return out + b"--" + boundary + b"--\r\n"


def song(artist=b"", album=b"", title=b"", track=b"", year=b"", genre=b"", comment=b"",
         filename=b"", password=PASSWORD.encode("cp1252"), played_at=None, play_id=None):
    fields = [(b"artist", artist), (b"album", album), (b"title", title), (b"track", track),
              (b"year", year), (b"genre", genre), (b"comment", comment),
              (b"filename", filename), (b"comment", comment), (b"password", password)]
    if played_at is not None:
        fields.append((b"played_at", played_at))
    if play_id is not None:
        fields.append((b"play_id", play_id))
    return fields


class Receiver:
    def __init__(self, source_dir, password=PASSWORD):
        self.dir = tempfile.mkdtemp(prefix="quillon-receiver-")
        script = open(os.path.join(source_dir, "test.php"), encoding="utf-8").read()
        configured = script.replace("$password = 'change-me';",
                                    "$password = '" + password.replace("'", "\\'") + "';")
        assert configured != script, "password line not found in test.php"
        with open(os.path.join(self.dir, "test.php"), "w", encoding="utf-8") as out:
            out.write(configured)
        self.port = free_port()
        self.server = subprocess.Popen(
            ["php", "-S", f"127.0.0.1:{self.port}", "-t", self.dir],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL)
        self.url = f"http://127.0.0.1:{self.port}/test.php"

    def __enter__(self):
        try:
            wait_until_listening(self.port, self.server)
        except BaseException:
            self.__exit__()
            raise
        return self

    def __exit__(self, *failure):
        self.server.terminate()
        try:
            self.server.wait(timeout=5)
        except subprocess.TimeoutExpired:
            self.server.kill()
            self.server.wait()
        shutil.rmtree(self.dir, ignore_errors=True)

    def curl(self, *arguments, stdin=None):
        result = subprocess.run(
            ["curl", "--silent", "--show-error", "--max-time", "10", "--output", "-",
             "--write-out", "\n%{http_code}", *arguments, self.url],
            input=stdin, capture_output=True, timeout=20, check=True)
        body, _, code = result.stdout.rpartition(b"\n")
        return int(code), body

    def post(self, fields):
        boundary = b"--------" + time.strftime("%m%d%y%H%M%S").encode() + b"042"
        return self.curl("--http1.0", "-H",
                         "Content-Type: multipart/form-data; boundary=" + boundary.decode(),
                         "--data-binary", "@-", stdin=plugin_body(boundary, fields))

    def get(self):
        return self.curl()

    def rows(self):
        path = os.path.join(self.dir, "plays.sqlite")
        if not os.path.exists(path):
            return []
        with sqlite3.connect(path) as db:
            db.row_factory = sqlite3.Row
            return [dict(row) for row in db.execute("SELECT * FROM plays ORDER BY id")]


def check(condition, message):
    if not condition:
        raise AssertionError(message)


def scenario_store(receiver):
    code, body = receiver.post(song(b"Artist", b"Album", b"Title", b"7", b"1999", b"Rock",
                                    b"Live", b"song.mp3"))
    check((code, body) == (200, b"OK"), f"post answered {code} {body!r}")
    rows = receiver.rows()
    check(len(rows) == 1, f"{len(rows)} rows stored")
    row = rows[0]
    expected = {"artist": "Artist", "album": "Album", "title": "Title", "track": "7",
                "year": "1999", "genre": "Rock", "comment": "Live", "filename": "song.mp3"}
    check({k: row[k] for k in expected} == expected, f"stored {row}")
    check(server_time_now(row), f"time {row['played_at']}")
    check(PASSWORD not in repr(row) and "password" not in row, "password stored")
    # A song without a tag: every field empty but the name; still stored as sent.
    code, body = receiver.post(song(filename=b"/x/y.mp3"))
    check((code, body) == (200, b"OK"), f"second post answered {code} {body!r}")
    check(receiver.rows()[1]["artist"] == "" and receiver.rows()[1]["filename"] == "/x/y.mp3",
          "empty fields")


def scenario_password(receiver):
    for wrong in (b"wrong", b"", PASSWORD.encode("utf-8"), PASSWORD.encode("cp1252") + b" "):
        code, body = receiver.post(song(artist=b"Intruder", password=wrong))
        check(code == 403 and body != b"OK", f"password {wrong!r} answered {code} {body!r}")
    check(receiver.rows() == [], "a play was stored without the password")
    code, body = receiver.post(song(artist=b"Owner"))
    check((code, body) == (200, b"OK"), f"right password answered {code} {body!r}")


def scenario_charset(receiver):
    # The plug-in's own names: UTF-8, code pages iconv knows, one nobody knows, none at all.
    # The password is ASCII here: the same bytes in every one of them.
    cases = [("UTF-8", "\u041a\u0438\u043d\u043e \u6771\u4eac".encode("utf-8"), "\u041a\u0438\u043d\u043e \u6771\u4eac"),
             ("windows-1251", "\u041a\u0438\u043d\u043e".encode("cp1251"), "\u041a\u0438\u043d\u043e"),
             ("CP932", "\u6771\u4eac".encode("cp932"), "\u6771\u4eac"),
             ("CP99999", b"as it came", "as it came"),
             (None, b"Caf\xe9", "Caf\u00e9")]
    for charset, artist, stored in cases:
        fields = song(artist=artist, password=ASCII_PASSWORD.encode())
        if charset is not None:
            fields.append((b"_charset_", charset.encode()))
        code, body = receiver.post(fields)
        check((code, body) == (200, b"OK"), f"{charset}: post answered {code} {body!r}")
        check(receiver.rows()[-1]["artist"] == stored, f"{charset}: stored {receiver.rows()[-1]['artist']!r}")


def scenario_page(receiver):
    code, page = receiver.get()
    check(code == 200 and b"No songs yet" in page, f"empty page {code}")
    receiver.post(song(artist=b"First", title=b"Caf\xe9 \x80 \x93 \x81"))
    receiver.post(song(artist=b"<script>alert(1)</script>", title=b"\"quoted\" & 'single'",
                       comment=b"<b>bold</b>", filename=b"a<b>.mp3"))
    code, page = receiver.get()
    check(code == 200, f"page answered {code}")
    text = page.decode("utf-8")
    check("<script>alert" not in text and "<b>" not in text, "markup from tags reached the page")
    check("&lt;script&gt;alert(1)&lt;/script&gt;" in text, "artist not escaped")
    check("&quot;quoted&quot; &amp; &apos;single&apos;" in text, "quotes not escaped")
    check("Caf\u00e9 \u20ac \u201c \u0081" in text, "Windows-1252 not converted to UTF-8")
    check(text.index("&lt;script&gt;") < text.index("First"), "newest play is not first")


def server_time_now(row):
    return abs(time.mktime(time.strptime(row["played_at"], "%Y-%m-%d %H:%M:%S"))
               - time.mktime(time.gmtime())) < 60


def scenario_repeat(receiver):
    """A play keeps its own time and is stored once per play_id; a repeat is answered OK."""
    first_id, second_id = os.urandom(16).hex().encode(), os.urandom(16).hex().encode()
    posts = [(b"Late", b"2026-12-09T07:58:31Z", first_id),
             (b"Late", b"2026-12-09T07:58:31Z", first_id),
             (b"Early", b"2001-01-02T03:04:05Z", second_id),
             (b"No time", None, None),
             (b"Bad time and id", b"yesterday", b"XYZ")]
    for title, played_at, play_id in posts:
        code, body = receiver.post(song(title=title, played_at=played_at, play_id=play_id))
        check((code, body) == (200, b"OK"), f"{title!r} answered {code} {body!r}")
    rows = receiver.rows()
    check([row["title"] for row in rows] == ["Late", "Early", "No time", "Bad time and id"],
          f"stored {[row['title'] for row in rows]}")
    check(rows[0]["played_at"] == "2026-12-09 07:58:31" and rows[0]["play_id"] == first_id.decode(),
          f"first {rows[0]}")
    check(rows[1]["played_at"] == "2001-01-02 03:04:05", f"second {rows[1]}")
    check(server_time_now(rows[2]) and rows[2]["play_id"] is None, f"third {rows[2]}")
    check(server_time_now(rows[3]) and rows[3]["play_id"] is None, f"fourth {rows[3]}")
    code, page = receiver.get()
    text = page.decode("utf-8")
    check("2026-12-09 07:58:31" in text and "2001-01-02 03:04:05" in text, "own times not listed")
    check(text.index("Late") < text.index("Early"), "list not by the play's own time")


def scenario_migrate(receiver):
    """A database of the earlier script gets play_id and its unique index; old rows stay."""
    with sqlite3.connect(os.path.join(receiver.dir, "plays.sqlite")) as db:
        db.execute("""CREATE TABLE plays (
            id INTEGER PRIMARY KEY AUTOINCREMENT, played_at TEXT NOT NULL,
            artist TEXT NOT NULL, album TEXT NOT NULL, title TEXT NOT NULL,
            track TEXT NOT NULL, year TEXT NOT NULL, genre TEXT NOT NULL,
            comment TEXT NOT NULL, filename TEXT NOT NULL)""")
        db.execute("INSERT INTO plays (played_at, artist, album, title, track, year, genre, "
                   "comment, filename) VALUES ('2020-05-06 07:08:09', 'Old', '', '', '', '', '', "
                   "'', '')")
    db.close()
    play_id = os.urandom(16).hex().encode()
    for _ in range(2):
        code, body = receiver.post(song(artist=b"New", play_id=play_id))
        check((code, body) == (200, b"OK"), f"post answered {code} {body!r}")
    rows = receiver.rows()
    check([(row["artist"], row["play_id"]) for row in rows]
          == [("Old", None), ("New", play_id.decode())], f"stored {rows}")
    check(rows[0]["played_at"] == "2020-05-06 07:08:09", "old row changed")


SCENARIOS = {"store": scenario_store, "password": scenario_password, "charset": scenario_charset,
             "page": scenario_page, "repeat": scenario_repeat, "migrate": scenario_migrate}


def main():
    source_dir, scenario = sys.argv[1], sys.argv[2]
    with Receiver(source_dir, ASCII_PASSWORD if scenario == "charset" else PASSWORD) as receiver:
        SCENARIOS[scenario](receiver)
    print(f"receiver {scenario}: passed")


if __name__ == "__main__":
    main()
