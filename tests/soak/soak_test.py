#!/usr/bin/python3
"""Soak: the real plug-in in the stand-in player under wine64 makes 2,001 submissions to a
loopback server, the plug-in's timers run 100 times faster (an interval of 10 s becomes
100 ms; the product is unchanged). Every other answer fails, in turn: 404, 302 with a
Location, a close before the status line, a chunked body broken off, and no answer at all
(the time-out). A play whose answer failed stays in the outbox and is sent again. After the
last song the player runs on until the outbox holds no play (or DRAIN_LIMIT_S has passed);
then every play must have been taken exactly once (by its play_id): one not taken is named
as still waiting in the outbox or as lost. Prints the process's handle count, GDI and USER
objects and private bytes at the start, after the first hundred submissions, in the middle
and 3 s after the last song; fails when they grow after the first hundred (beyond what an
exchange in flight holds) or when a submission is not logged. Wine counts no GDI or USER
objects and no private bytes, so the process's anonymous resident memory and open file
descriptors (sockets included) are read from Linux as well.

Usage: soak_test.py STANDIN_PLAYER_EXE PLUGIN_DLL (inside an X display)."""
import os
import socket
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "tools", "standin-player"))
import session  # noqa: E402

SELECTS = 2100       # song changes after the first song: one submission each, as a rule
WANTED = 2000        # submissions at least (a late timer may take two changes as one)
STEP_MS = 200        # between song changes
FIRST_MS = 2000      # the first change
TIMEOUT_MS = 150     # the plug-in's time-out, which the silent answers run into
PRIVATE_GROWTH_LIMIT = 4 << 20  # bytes; the log page's text grows with every submission
# Handles and descriptors that come and go with the moment of the sample: an exchange's thread
# and socket, and the handle of a thread that ended, kept until the next one starts. A leak
# per submission grows by thousands.
IN_FLIGHT_SLACK = 3

# After the last song, the longest wait for the waiting plays: the back-off (30 s, doubling)
# runs in real time and the answers keep failing every other time.
DRAIN_LIMIT_S = 600
DRAINED = "drained"  # the file that lets the player's script go on to its exit

ANSWERS = [
    b"HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nOK",
    b"HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\n\r\nnot here\n",
    b"HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nOK",
    b"HTTP/1.1 302 Found\r\nLocation: /elsewhere\r\nContent-Length: 0\r\n\r\n",
    b"HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nOK",
    b"",  # closed before the status line
    b"HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nOK",
    b"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nHello\r\n",  # broken off
    b"HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nOK",
    None,  # never answers
]
# The answers with which the server has taken the play: a 2xx status line came.
TAKEN = {answer for answer in ANSWERS if answer and answer.split(b" ")[1].startswith(b"2")}


class Server:
    def __init__(self):
        self.listener = socket.create_server(("127.0.0.1", 0), backlog=64)
        self.count = 0
        self.lock = threading.Lock()
        self.taken = {}  # play_id: how often the server answered it with 2xx
        self.tries = {}  # play_id: how often it came
        threading.Thread(target=self.serve, daemon=True).start()

    def serve(self):
        while True:
            try:
                connection, _ = self.listener.accept()
            except OSError:
                return
            answer = ANSWERS[self.count % len(ANSWERS)]
            self.count += 1
            threading.Thread(target=self.answer, args=(connection, answer), daemon=True).start()

    def answer(self, connection, answer):
        with connection:
            connection.settimeout(10)
            try:
                data = b""
                while b"\r\n\r\n" not in data:
                    piece = connection.recv(65536)
                    if not piece:
                        return
                    data += piece
                head, _, body = data.partition(b"\r\n\r\n")
                length = next((int(line.split(b":")[1]) for line in head.split(b"\r\n")
                               if line.lower().startswith(b"content-length:")), 0)
                while len(body) < length:
                    piece = connection.recv(65536)
                    if not piece:
                        return
                    body += piece
                play_id = body.partition(b'name="play_id"\r\n\r\n')[2][:32].decode("ascii")
                with self.lock:
                    self.taken.setdefault(play_id, 0)
                    self.tries[play_id] = self.tries.get(play_id, 0) + 1
                    if answer in TAKEN:
                        self.taken[play_id] += 1
                if answer is None:
                    while connection.recv(65536):
                        pass
                else:
                    connection.sendall(answer)
            except OSError:
                pass


def samples(player, count):
    """The player's first `count` resources reports as they come, each with what Linux says
    of the process at that moment. Only new lines are looked at: there are hundreds a second."""
    figures = []
    seen = 0
    while len(figures) < count:
        time.sleep(0.05)
        with player.changed:
            new = player.lines[seen:]
        seen += len(new)
        for _, text, _ in new:
            if text.startswith("resources "):
                figures.append(linux_figures(player.process.pid, {
                    key: int(value) for key, value in
                    (item.split("=") for item in text.split()[1:])}))
        if player.process.poll() is not None and not player.reader.is_alive():
            break
    return figures


def waiting_plays(path):
    """The play_ids the outbox file holds: added and neither sent nor refused."""
    waiting = set()
    try:
        with open(path, encoding="utf-8", errors="replace") as outbox:
            lines = outbox.read().split("\n")[1:-1]  # not the version line nor a torn one
    except OSError:
        return waiting
    for line in lines:
        kind, _, rest = line.partition("\t")
        play_id = rest.partition("\t")[0]
        if kind == "+":
            waiting.add(play_id)
        elif kind == "-":
            waiting.discard(play_id)
    return waiting


def drain(outbox, player):
    """Waits until the outbox holds no play: each has been taken, or lost, and none is left
    to send. A play is written down before its first try and leaves only when settled."""
    deadline = time.monotonic() + DRAIN_LIMIT_S
    while time.monotonic() < deadline and player.process.poll() is None:
        if not waiting_plays(outbox):
            return True
        time.sleep(0.2)
    return False


def linux_figures(pid, figure):
    try:
        with open("/proc/{}/status".format(pid)) as status:
            fields = dict(row.split(":", 1) for row in status if ":" in row)
        figure["rssanon_kb"] = int(fields["RssAnon"].split()[0])
        figure["fds"] = len(os.listdir("/proc/{}/fd".format(pid)))
    except (OSError, KeyError):
        figure["rssanon_kb"] = figure["fds"] = -1
    return figure


def main(player_exe, plugin_dll):
    if not os.environ.get("DISPLAY"):
        print("no X display: run inside xvfb-run")
        return False
    server = Server()
    url = "http://127.0.0.1:{}/test.php".format(server.listener.getsockname()[1])
    end = FIRST_MS + STEP_MS * SELECTS
    marks = [1500, FIRST_MS + STEP_MS * 100, FIRST_MS + STEP_MS * (SELECTS // 2), end + 3000]
    # Ticks and queries go unreported: hundreds of lines a second would slow the player.
    script = ["at 0 timescale 100", "at 0 start", "at 1600 quiet"]
    script += ["at {} select {}".format(FIRST_MS + STEP_MS * i, i % 2) for i in range(1, SELECTS + 1)]
    script += ["at {} resources".format(mark) for mark in marks]
    script += ["at {} await {}".format(marks[-1], DRAINED), "at {} log".format(marks[-1]),
               "at {} exit".format(marks[-1])]
    script.sort(key=lambda line: int(line.split()[1]))
    with tempfile.TemporaryDirectory(prefix="quillon-soak-") as folder:
        music = os.path.join(folder, "Music")
        os.makedirs(music)
        paths = [os.path.join(music, "song{}.mp3".format(i)) for i in range(2)]
        for i, path in enumerate(paths):
            session.write_song(path, 1, "Soak", "Song {}".format(i), "", "", "", "", i)
        os.makedirs(os.path.join(folder, "Plugins"))
        session.write_settings(folder, url, "pw", 10, TIMEOUT_MS, 1)
        player = session.Player(folder, player_exe, plugin_dll, "\n".join(script) + "\n", paths)
        figures = samples(player, 4)
        outbox = os.path.join(folder, "Plugins", "gen_quillon.outbox")
        waited, started = len(waiting_plays(outbox)), time.monotonic()
        drained = drain(outbox, player)
        print("after the last song: {} plays waited; the player ran on {:.0f} s".format(
            waited, time.monotonic() - started))
        open(os.path.join(folder, DRAINED), "w").close()
        ended = player.finish(120)
        left = waiting_plays(outbox)
    server.listener.close()

    if not ended or len(figures) != 4:
        print("FAILED: the player did not run the whole script")
        return False
    for name, figure in zip(("start", "after 100", "middle", "end"), figures):
        print("{:>9}: handles={handles} gdi={gdi} user={user} private={private} "
              "rss-anon={rssanon_kb} KiB fds={fds}".format(name, **figure))
    # A play's first try logs its three lines, each later try one line.
    logged = sum(1 for _, text, _ in player.lines
                 if text.startswith(("logline Code: ", "logline Try ")))
    dropped = sum(1 for _, text, _ in player.lines if text.startswith("logline Not sent"))
    plays = len(server.taken)
    twice = sum(1 for count in server.taken.values() if count > 1)
    never = sum(1 for count in server.taken.values() if count == 0)
    print("submissions: {} received by the server, {} logged, {} dropped".format(
        server.count, logged, dropped))
    print("plays: {} sent, {} stored once, {} stored twice, {} never stored".format(
        plays, plays - twice - never, twice, never))
    ok = True
    if plays < WANTED or logged != server.count or dropped != 0:
        print("FAILED: want at least {} plays, each try logged".format(WANTED))
        ok = False
    lost = sum(1 for play_id, count in server.taken.items() if count == 0 and play_id not in left)
    print("at the end: {} plays waiting in the outbox, {} lost".format(len(left), lost))
    if not drained:
        print("FAILED: plays still waiting {} s after the last song".format(DRAIN_LIMIT_S))
        ok = False
    if twice or never or left:
        print("FAILED: every play must be stored exactly once")
        for play_id, count in server.taken.items():
            if count != 1:
                print("  {}: taken {} times, tried {} times, {}".format(
                    play_id or "(no play_id)", count, server.tries[play_id],
                    "waiting in the outbox" if play_id in left else "not in the outbox"))
        for play_id in left - server.taken.keys():
            print("  {}: waiting in the outbox, never tried".format(play_id))
        ok = False
    after100, last = figures[1], figures[3]
    for key in ("handles", "gdi", "user", "fds"):
        if last[key] > after100[key] + (IN_FLIGHT_SLACK if key in ("handles", "fds") else 0):
            print("FAILED: {} grew from {} to {}".format(key, after100[key], last[key]))
            ok = False
    for key, scale in (("private", 1), ("rssanon_kb", 1024)):
        if (last[key] - after100[key]) * scale > PRIVATE_GROWTH_LIMIT:
            print("FAILED: {} grew by {}".format(key, last[key] - after100[key]))
            ok = False
    return ok


if __name__ == "__main__":
    sys.exit(0 if main(*sys.argv[1:3]) else 1)
