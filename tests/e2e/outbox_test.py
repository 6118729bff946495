#!/usr/bin/python3
"""No play lost, with the real plug-in in the stand-in player under wine64: a site that is
down for three songs gets all three once it is up, each with its own time; plays from before
a restart of the player arrive; an answer lost on the way back sends the play again with the
same play_id; 503 with Retry-After holds the next try back, a new song in the meantime
included; a password corrected with Apply sends the waiting plays. The plug-in's timers run 100 times faster (an interval is 100 ms);
the waits between tries are real time.

Usage: outbox_test.py STANDIN_PLAYER_EXE PLUGIN_DLL REPORT_XML (inside an X display)."""
import calendar
import http.server
import os
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "tools", "standin-player"))
sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "support"))
import session  # noqa: E402
from checks import Checks  # noqa: E402
from form_post import read_form  # noqa: E402


class Site(http.server.ThreadingHTTPServer):
    """Keeps each post's fields with its arrival time; `respond(n, fields)` gives the n-th
    post's answer as (status, [headers]), or None to close without answering."""

    def __init__(self, port, respond):
        super().__init__(("127.0.0.1", port), Handler)
        self.respond = respond
        self.lock = threading.Lock()
        self.posts = []  # (arrival in seconds since 1970, {field: text})
        threading.Thread(target=self.serve_forever, daemon=True).start()

    def names(self):
        return [fields.get("filename") for _, fields in self.posts]

    def stop(self):
        self.shutdown()
        self.server_close()


class Handler(http.server.BaseHTTPRequestHandler):
    def do_POST(self):
        fields = {name: value.decode("cp1252") for name, value in read_form(self)}
        with self.server.lock:
            number = len(self.server.posts)
            self.server.posts.append((time.time(), fields))
        answer = self.server.respond(number, fields)
        if answer is None:
            self.close_connection = True
            return
        status, headers = answer
        self.send_response(status)
        for header in headers + ["Content-Length: 2"]:
            self.send_header(*header.split(": ", 1))
        self.end_headers()
        self.wfile.write(b"OK")

    def log_message(self, *_):
        pass


def ok(number, fields):
    return 200, []


def play_time(fields):
    return calendar.timegm(time.strptime(fields["played_at"], "%Y-%m-%dT%H:%M:%SZ"))


class Session:
    def __init__(self, folder, player_exe, plugin_dll, songs, password="pw"):
        self.folder, self.player_exe, self.plugin_dll = folder, player_exe, plugin_dll
        os.makedirs(os.path.join(folder, "Plugins"), exist_ok=True)
        music = os.path.join(folder, "Music")
        os.makedirs(music, exist_ok=True)
        self.paths = [os.path.join(music, "song{:02}.mp3".format(i)) for i in range(songs)]
        for i, path in enumerate(self.paths):
            session.write_song(path, 1, "Artist", "Title {}".format(i), "", "", "", "", i)
        self.port = session.free_port()
        session.write_settings(folder, "http://127.0.0.1:{}/test.php".format(self.port), password,
                               10, 5000, 1)

    def run(self, script, seconds=60, site_up_at=None, respond=ok):
        """Runs the player; the site listens from `site_up_at` seconds (None: from the start,
        False: never). Returns (player, site)."""
        site = []
        opened = threading.Event()

        def open_site():
            site.append(Site(self.port, respond))
            opened.set()

        if site_up_at is None:
            open_site()
        elif site_up_at is not False:
            threading.Timer(site_up_at, open_site).start()
        player = session.Player(self.folder, self.player_exe, self.plugin_dll, script, self.paths)
        player.ended = player.finish(seconds)
        player.texts = [text for _, text, _ in player.lines]
        player.log = [t[len("logline "):] for t in player.texts if t.startswith("logline ")]
        if site_up_at is not False:
            opened.wait(5)
        if site:
            site[0].stop()
        return player, site[0] if site else None


def main(player_exe, plugin_dll, report):
    checks = Checks("Outbox")
    if checks.lacks_display():
        return checks.write(report)
    names = ["song{:02}.mp3".format(i) for i in range(4)]

    def ran(player, site):
        checks.expect(player.ended and player.process.returncode == 0,
                      "no clean exit; output:\n{}".format("\n".join(player.texts)))
        checks.expect(site is not None, "the site never listened")
        return site is not None

    with tempfile.TemporaryDirectory(prefix="quillon-outbox-") as folder:
        checks.case("ASiteDownForThreeSongsGetsThemOnceInOrderWithTheirOwnTimes")
        # Songs at 0, 2 and 4 s are refused; the site is up at 6 s, the fourth song at 7 s
        # tries again at once.
        player, site = Session(folder, player_exe, plugin_dll, 4).run(
            "at 0 timescale 100\nat 0 start\nat 2000 select 1\nat 4000 select 2\n"
            "at 7000 select 3\nat 9000 log\nat 9500 exit\n", site_up_at=6)
        if ran(player, site):
            checks.expect(site.names() == names, "posts {}".format(site.names()))
            ids = [fields["play_id"] for _, fields in site.posts]
            checks.expect(len(set(ids)) == len(ids), "play ids {}".format(ids))
            for arrival, fields in site.posts:
                print("e2e figure: {} played_at {} arrived {} ({:.1f} s later)".format(
                    fields["filename"], fields["played_at"],
                    time.strftime("%H:%M:%S", time.gmtime(arrival)), arrival - play_time(fields)))
            times = [play_time(fields) for _, fields in site.posts]
            gaps = [b - a for a, b in zip(times, times[1:4])]
            checks.expect(all(1 <= gap <= 3 for gap in gaps[:2]), "played_at gaps {}".format(gaps))
            checks.expect(all(arrival - play_time(fields) >= 2.5
                              for arrival, fields in site.posts[:2]),
                          "a waiting play carried the time of its sending")
            checks.expect(any(line.startswith("Waiting to be sent: ") for line in player.log),
                          "log {}".format(player.log))

    with tempfile.TemporaryDirectory(prefix="quillon-outbox-") as folder:
        checks.case("PlaysFromBeforeARestartArrive")
        sessions = Session(folder, player_exe, plugin_dll, 3)
        first, _ = sessions.run("at 0 timescale 100\nat 0 start\nat 2000 select 1\n"
                                "at 3500 exit\n", site_up_at=False)
        checks.expect(first.ended, "first run did not end")
        # The player starts on the third song; the first two wait in the outbox.
        player, site = sessions.run("at 0 timescale 100\nat 0 select 2\nat 0 start\n"
                                    "at 3000 exit\n")
        if ran(player, site):
            checks.expect(site.names() == names[:3], "posts {}".format(site.names()))

    with tempfile.TemporaryDirectory(prefix="quillon-outbox-") as folder:
        checks.case("AnAnswerLostOnTheWayBackSendsThePlayAgainWithItsId")
        player, site = Session(folder, player_exe, plugin_dll, 2).run(
            "at 0 timescale 100\nat 0 start\nat 2000 select 1\nat 4000 log\nat 4500 exit\n",
            respond=lambda number, fields: None if number == 0 else (200, []))
        if ran(player, site):
            checks.expect(site.names() == [names[0], names[0], names[1]],
                          "posts {}".format(site.names()))
            ids = [fields.get("play_id") for _, fields in site.posts]
            checks.expect(len(ids) == 3 and ids[0] == ids[1] != ids[2], "ids {}".format(ids))

    with tempfile.TemporaryDirectory(prefix="quillon-outbox-") as folder:
        checks.case("RetryAfterHoldsTheNextTryBack")
        # The first post (within 2.5 s of the start) loses its answer; the song at 3.5 s
        # tries again at once and gets 503 with Retry-After: 2; the song at 4.5 s comes
        # within those 2 s and must not try early, the one at 7 s tries at once.
        player, site = Session(folder, player_exe, plugin_dll, 4).run(
            "at 0 timescale 100\nat 0 start\nat 3500 select 1\nat 4500 select 2\n"
            "at 7000 select 3\nat 9000 log\nat 9500 exit\n",
            respond=lambda number, fields: {0: None, 1: (503, ["Retry-After: 2"])}.get(
                number, (200, [])))
        if ran(player, site):
            checks.expect(site.names() == [names[0]] * 3 + names[1:],
                          "posts {}".format(site.names()))
            if len(site.posts) >= 3:
                wait = site.posts[2][0] - site.posts[1][0]
                print("e2e figure: Retry-After 2, next try {:.2f} s later".format(wait))
                checks.expect(wait >= 2.0, "the next try came {:.2f} s later".format(wait))

    with tempfile.TemporaryDirectory(prefix="quillon-outbox-") as folder:
        checks.case("APasswordCorrectedWithApplySendsTheWaitingPlays")
        player, site = Session(folder, player_exe, plugin_dll, 2, password="wrong").run(
            "at 0 timescale 100\nat 0 start\nat 300 config\nat 2500 select 1\n"
            "at 3500 tab Configuration\nat 3700 focus Password:\nat 3800 key 35\n"
            "at 3900 key 8\nat 4000 key 8\nat 4100 key 8\nat 4200 key 8\nat 4300 key 8\n"
            "at 4400 type right\nat 4600 click Apply\nat 6000 log\nat 6500 exit\n",
            respond=lambda number, fields: (200, []) if fields.get("password") == "right"
            else (403, []))
        if ran(player, site):
            taken = [fields["filename"] for _, fields in site.posts
                     if fields.get("password") == "right"]
            checks.expect(taken == names[:2], "taken {} of {}".format(taken, site.names()))
    return checks.write(report)


if __name__ == "__main__":
    sys.exit(0 if main(*sys.argv[1:4]) else 1)
