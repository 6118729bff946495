#!/usr/bin/python3
"""Submissions off the player's thread, with the real plug-in in the stand-in player under
wine64: a silent server leaves the player's message loop free, slow answers are logged in
the order of the songs, quit plus unload in the middle of an exchange return at once while
the player goes on, and every unload (after quit, without quit, and with a name lookup that
outlasts quit) leaves no module of ours. All but the first run the plug-in's timers 100 times
faster (the stand-in's timescale), so an interval is 100 ms.

Usage: background_test.py STANDIN_PLAYER_EXE PLUGIN_DLL REPORT_XML (inside an X display)."""
import http.server
import os
import subprocess
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "tools", "standin-player"))
sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "support"))
import session  # noqa: E402
from checks import Checks  # noqa: E402
from form_post import read_form  # noqa: E402

STALL_LIMIT_MS = 50
WAITING = "Waiting to be sent: "


class Server(http.server.ThreadingHTTPServer):
    """Answers each post with the posted file name after `delay(n)` seconds (n counts the
    posts from 0); a delay of None never answers and waits for the client to close."""

    def __init__(self, delay):
        super().__init__(("127.0.0.1", 0), Handler)
        self.delay = delay
        self.lock = threading.Lock()
        self.posts = []   # file names, in arrival order
        self.closed = []  # monotonic times at which clients closed unanswered posts
        threading.Thread(target=self.serve_forever, daemon=True).start()

    def url(self):
        return "http://127.0.0.1:{}/test.php".format(self.server_address[1])

    def stop(self):
        self.shutdown()
        self.server_close()


class Handler(http.server.BaseHTTPRequestHandler):
    def do_POST(self):
        names = [value for name, value in read_form(self) if name == "filename"]
        name = names[0].decode("cp1252") if names else "?"
        with self.server.lock:
            number = len(self.server.posts)
            self.server.posts.append(name)
        delay = self.server.delay(number)
        if delay is None:
            self.connection.settimeout(60)
            try:
                while self.connection.recv(1024):
                    pass
            except OSError:
                pass
            self.server.closed.append(time.monotonic())
            self.close_connection = True
            return
        time.sleep(delay)
        self.send_response(200)
        self.send_header("Content-Length", str(len(name)))
        self.end_headers()
        self.wfile.write(name.encode("cp1252"))

    def log_message(self, *_):
        pass


def run(folder, player_exe, plugin_dll, server, script, songs, timeout_ms, seconds, url=None,
        env=None):
    """Runs the stand-in player on `script` against `server` (or `url`); returns it once ended."""
    os.makedirs(os.path.join(folder, "Plugins"))
    music = os.path.join(folder, "Music")
    os.makedirs(music)
    paths = [os.path.join(music, "song{:02}.mp3".format(i)) for i in range(songs)]
    for i, path in enumerate(paths):
        session.write_song(path, 1, "Artist", "Title {}".format(i), "", "", "", "", i)
    session.write_settings(folder, url or server.url(), "pw", 10, timeout_ms, 1)
    player = session.Player(folder, player_exe, plugin_dll, script, paths, env=env)
    player.ended = player.finish(seconds)
    player.texts = [text for _, text, _ in player.lines]
    player.log = [t[len("logline "):] for t in player.texts if t.startswith("logline ")]
    # How many plays waited after each exchange is timing; the answers' lines are not.
    player.waiting = [line for line in player.log if line.startswith(WAITING)]
    player.log = [line for line in player.log if not line.startswith(WAITING)]
    return player


def groups(names):
    return [line for name in names
            for line in ("Code: 200", "Message: HTTP/1.0 200 OK", "Output: " + name)]


def gap_ms(player, occurrence):
    found = [t for t in player.texts if t.startswith("gap longest=")]
    if len(found) < occurrence:
        return None
    return float(found[occurrence - 1].split("=")[1].split()[0])


def ran_through(checks, player):
    checks.expect(player.ended, "stand-in player still running")
    checks.expect("exit" in player.texts and player.process.returncode == 0,
                  "no clean exit (code {}); output:\n{}".format(player.process.returncode,
                                                                 "\n".join(player.texts)))


def main(player_exe, plugin_dll, report):
    checks = Checks("EndToEnd")
    if checks.lacks_display():
        return checks.write(report)

    def scenario(name, answer, script, songs, host=None, env=None):
        with tempfile.TemporaryDirectory(prefix="quillon-bg-") as folder:
            server = Server(answer)
            url = host and "http://{}:{}/test.php".format(host, server.server_address[1])
            player = run(folder, player_exe, plugin_dll, server, script, songs, 10000, 60, url,
                         env)
            server.stop()
        checks.case(name)
        ran_through(checks, player)
        return server, player

    # Real time: the song seen at about 1 s is posted at about 11 s, the server never
    # answers, and the 10 s time-out ends the exchange at about 21 s.
    server, player = scenario("ASilentServerLeavesThePlayersLoopFree", lambda n: None,
                              "at 0 start\nat 3000 gap\nat 10500 gap\nat 19000 gap\nat 26000 log\n"
                              "at 26500 exit\n", 1)
    stall = gap_ms(player, 3)
    print("longest stall while posting to a silent server: {} ms".format(stall))
    checks.expect(stall is not None and stall < STALL_LIMIT_MS,
                  "the loop was held {} ms during the exchange".format(stall))
    checks.expect(server.posts == ["song00.mp3"], "posts {}".format(server.posts))
    checks.expect(player.log == ["Code: -1", "Message: ", "Output: "], "log {}".format(player.log))
    checks.expect(len(player.waiting) == 1 and player.waiting[0].startswith(WAITING + "1 "),
                  "the play was not kept: {}".format(player.waiting))

    server, player = scenario("SlowAnswersAreLoggedInTheOrderOfTheSongs", lambda n: 1.0,
                              "at 0 timescale 100\nat 0 start\nat 2000 select 1\nat 2300 select 2\n"
                              "at 7000 log\nat 7500 exit\n", 3)
    names = ["song00.mp3", "song01.mp3", "song02.mp3"]
    checks.expect(server.posts == names, "posts {}".format(server.posts))
    checks.expect(player.log == groups(names), "log {}".format(player.log))

    server, player = scenario("QuitAndUnloadInTheMiddleOfAnExchangeReturnAtOnce", lambda n: None,
                              "at 0 timescale 100\nat 0 start\nat 3000 quit\nat 3000 unload\n"
                              "at 3500 window\nat 3600 select 1\nat 4000 gap\nat 4500 exit\n", 2)
    unloaded = player.starting("unload ok")
    print("quit at 3000 ms, unload returned at {} ms".format([u[0] for u in unloaded]))
    checks.expect(len(unloaded) == 1 and unloaded[0][0] < 3000 + 2000, "unload {}".format(unloaded))
    checks.expect("window none" in player.texts, "the window outlived the unload")
    checks.expect(server.posts == ["song00.mp3"], "posts {}".format(server.posts))
    started = player.starting("player window")[0][2]
    closed = [(t - started) * 1000 for t in server.closed]
    checks.expect(len(closed) == 1 and closed[0] < 3000 + 2000,
                  "the exchange's connection closed at {} ms".format(closed))

    # Quit before the first submission; the song seen after it is not posted, no thread
    # starts, and the unload leaves nothing of ours.
    server, player = scenario("AfterQuitALateSubmissionStartsNoThread", lambda n: 0,
                              "at 0 timescale 100\nat 0 start\nat 0 quit\nat 300 select 1\n"
                              "at 1500 unload\nat 1600 module\nat 1700 window\nat 2000 gap\n"
                              "at 2500 exit\n", 2)
    checks.expect(server.posts == [], "posts {}".format(server.posts))
    checks.expect("module none" in player.texts and "window none" in player.texts,
                  "left after the unload: {}".format(player.texts[-8:]))

    # No quit: the idle plug-in has no thread of ours, so FreeLibrary unloads it there and then.
    server, player = scenario("AnUnloadWithoutQuitLeavesNoModuleAndNoThread", lambda n: 0,
                              "at 0 timescale 100\nat 0 start\nat 4000 log\nat 4500 unload\n"
                              "at 4600 module\nat 4700 window\nat 5000 gap\nat 5500 exit\n", 1)
    checks.expect(player.log == groups(["song00.mp3"]), "log {}".format(player.log))
    checks.expect("module none" in player.texts and "window none" in player.texts,
                  "left after the unload: {}".format(player.texts[-8:]))

    # No quit, in the middle of an exchange: the worker's thread holds the last reference,
    # so the unload runs on it when the exchange ends and hands the window to the player's
    # thread. The player's loop may be held up to the hand-over's bound, never for good.
    server, player = scenario("AnUnloadWithoutQuitDuringAnExchangeNeverHoldsThePlayer",
                              lambda n: 3.0,
                              "at 0 timescale 100\nat 0 start\nat 2600 unload\nat 2700 module\n"
                              "at 8000 module\nat 8500 gap\nat 9000 exit\n", 1)
    modules = [text for text in player.texts if text.startswith("module ")]
    checks.expect(modules == ["module loaded", "module none"], "modules {}".format(modules))
    stall = gap_ms(player, 1)
    print("longest stall of the player's loop around the late unload: {} ms".format(stall))
    checks.expect(stall is not None and stall < 3000, "the loop was held {} ms".format(stall))

    # A name lookup that outlasts quit's grace keeps the module: quit destroys the window
    # itself, and the module goes when the lookup ends.
    with tempfile.TemporaryDirectory(prefix="quillon-shim-") as shim:
        library = os.path.join(shim, "stalled_lookup.so")
        built = subprocess.run(["cc", "-shared", "-fPIC", "-o", library,
                                os.path.join(os.path.dirname(__file__), "stalled_lookup.c"),
                                "-ldl"], capture_output=True, text=True)
        server, player = scenario(
            "AQuitThatCannotEndALookupDestroysTheWindowItself", lambda n: 0,
            "at 0 timescale 100\nat 0 start\nat 3000 quit\nat 3000 unload\nat 3100 window\n"
            "at 3200 module\nat 14000 module\nat 14500 gap\nat 15000 exit\n", 1,
            host="late.stall.test", env={"LD_PRELOAD": library, "QUILLON_STALL_SECONDS": "6"})
    checks.expect(built.returncode == 0, "the lookup shim: {}".format(built.stderr))
    modules = [text for text in player.texts if text.startswith("module ")]
    checks.expect("window none" in player.texts, "the window outlived quit and unload")
    checks.expect(modules == ["module loaded", "module none"], "modules {}".format(modules))
    checks.expect(server.posts == [], "posts {}".format(server.posts))
    return checks.write(report)


if __name__ == "__main__":
    sys.exit(0 if main(*sys.argv[1:4]) else 1)
