#!/usr/bin/python3
"""A plug-in driven through the stand-in player as the player drives it: the export, the
callbacks, the window's life and the polling, seen from the player's side; for the fixture
plug-in, gen_quillon.dll and a file that is no DLL at all. Each scenario is one run of the
player; the same scenarios serve the 32-bit smoke run (scripts/smoke-win32).

Usage: standin_player_test.py PLAYER_EXE REPORT_XML [--fixture DLL] [--plugin DLL]
           [--wine WINE] [--slow N] [--only SCENARIO] [--bits N]   (inside an X display)"""
import argparse
import os
import re
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "..", "tools", "standin-player"))
sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "support"))
import session  # noqa: E402
from checks import Checks  # noqa: E402

DESCRIPTION = '"Quillon Song Tracker Plugin (gen_quillon.dll)"'
PAUSE = "command 40046 WINAMP_BUTTON3 lParam=0"
PLAY = "command 40045 WINAMP_BUTTON2 lParam=0"
SONGS = [("first song.mp3", None), ("second song.mp3", None)]  # (name, content or absent)


def starting(texts, prefix):
    return [text for text in texts if text.startswith(prefix)]


def field(line, name):
    """The value of "name=value" in a report line; a quoted value keeps its blanks."""
    found = re.search(r' {}=("[^"]*"|\S*)'.format(name), line)
    return found.group(1) if found else None


def every_second(c, times, what):
    gaps = [later - earlier for earlier, later in zip(times, times[1:])]
    c.expect(all(900 <= gap <= 1500 for gap in gaps), "{} {} ms apart".format(what, gaps))


def ticks_of(c, run, window):
    ticks = [(ms, text) for ms, text in run.lines if text.startswith("tick ")]
    c.expect(all(field(text, "window") == field(window, "handle") for _, text in ticks),
             "a tick of another window than {}".format(window))
    return [ms for ms, _ in ticks]


# The export hands out one record, filled in by the player; the window is there, hidden, as
# soon as the library is loaded; config shows it, close hides it, quit leaves it polling and
# unload destroys it. It is never rebuilt and keeps its frame.
LIFE = """\
at 0 load
at 0 window
at 0 export
at 0 fill
at 0 init
at 0 export
at 0 init
at 400 config
at 600 window
at 700 close
at 900 window
at 1000 config
at 1200 window
at 1300 config
at 1400 window
at 1500 quit
at 4400 window
at 4500 unload
at 4600 window
at 4700 exit
"""
FRAME = {"topmost": "1", "client": "333x321", "maximizebox": "0", "minimizebox": "1",
         "sysmenu": "1", "thickframe": "0", "toplevel": "1", "thread": "player"}


def check_life(c, run):
    texts = run.texts
    exports, fills = starting(texts, "export "), starting(texts, "fill ")
    if not c.expect(len(exports) == 2 and len(fills) == 1,
                    "exports {}, fills {}".format(exports, fills)):
        return
    for name in ("record", "version", "description", "init", "config", "quit"):
        c.expect(field(exports[0], name) == field(exports[1], name), "the record's " + name)
    c.expect(field(exports[0], "version") == "16", exports[0])
    c.expect(run.kind != "real" or field(exports[0], "description") == DESCRIPTION, exports[0])
    # The last two fields are the player's: null until it fills them in.
    for name in ("hwndParent", "hDllInstance"):
        c.expect(int(field(exports[0], name), 16) == 0, name + " before the fill")
        c.expect(field(exports[1], name) == field(fills[0], name), name + " after the fill")
    c.expect(len(starting(texts, "init -> 0")) == 2, "init not twice 0")
    c.expect(len(starting(texts, "unload ok")) == 1, "no unload")
    windows = starting(texts, "window ")
    if not c.expect(len(windows) == 7, "window reports {}".format(windows)):
        return
    c.expect(texts.index(windows[0]) < texts.index(exports[0]), "no window before the export")
    for window, visible in zip(windows, "010111"):
        facts = dict(FRAME, visible=visible, handle=field(windows[0], "handle"),
                     owner=field(windows[0], "owner"))
        c.expect(all(field(window, name) == value for name, value in facts.items()),
                 "want {} in {}".format(facts, window))
    c.expect(all(field(windows[shown], "foreground") == "1" for shown in (1, 3, 4)),
             "a shown window not in the foreground")
    c.expect(windows[6] == "window none", "the window outlived the unload: " + windows[6])
    # (Under wine without a window manager, hiding a shown window stalls the thread for up to
    # two seconds: hence the long gap before the unload.)
    if "quit done" in texts and "unload ok" in texts:
        between = texts[texts.index("quit done"):texts.index("unload ok")]
        c.expect(starting(between, "tick "), "no tick between quit and unload")


# Only the poll timer runs, from the player's message loop; a poll asks the position, then
# that entry's file, and nothing else. The fixture polls as the track monitor does.
def check_polls(c, run):
    windows = starting(run.texts, "window ")
    if not c.expect(len(windows) == 2 and "window none" not in windows,
                    "window reports {}".format(windows)):
        return
    c.expect(all(field(w, "visible") == "0" and field(w, "handle") == field(windows[0], "handle")
                 for w in windows), "the window shown or rebuilt: {}".format(windows))
    ticks = ticks_of(c, run, windows[0])
    c.expect(4 <= len(ticks) <= 5, "{} ticks in 4.8 s".format(len(ticks)))
    every_second(c, ticks, "ticks")
    if run.kind != "fixture":
        return
    texts = run.texts
    c.expect(not starting(texts, "query unknown"), "an unknown query")
    answers = [texts[i + 1] for i, text in enumerate(texts[:-1])
               if text.startswith("query IPC_GETLISTPOS")]
    c.expect(len(answers) >= 4 and
             answers[0] == 'query IPC_GETPLAYLISTFILE 0 -> "{}"'.format(run.playlist[0]) and
             answers[-1] == 'query IPC_GETPLAYLISTFILE 1 -> "{}"'.format(run.playlist[1]),
             "answers {}".format(answers))
    every_second(c, [ms for ms, text in run.lines if text.startswith("query IPC_GETLISTPOS")],
                 "polls")


# At process exit the library is told so and leaves its window to the system: the process
# ends cleanly, neither hanging nor crashing in the plug-in.
def check_exit_process(c, run):
    c.expect(len(starting(run.texts, "exitprocess")) == 1, "no exitprocess")
    c.expect(not starting(run.texts, "unload"), "unloaded before the exit")


# Every command is recorded in order, each followed by the current file's fingerprint, so a
# test sees whether a file changed between two commands. The fixture's config sends pause
# and play.
def check_commands(c, run):
    c.expect(starting(run.texts, "command ") == [PAUSE, PLAY] * 2,
             "commands {}".format(starting(run.texts, "command ")))
    files = starting(run.texts, "file ")
    c.expect(len(files) == 4 and files[0] == files[1] and files[0].startswith("file 0 ") and
             " size=70000" in files[0] and files[2:] == ["file 1 unreadable"] * 2,
             "files {}".format(files))


# A plug-in file that is not a DLL fails to load like a damaged download would; the player
# says so, skips what needs the plug-in, refuses a bad step and goes on.
def check_broken(c, run):
    for start, count in (("load failed", 1), ("config skipped", 1), ("init ", 0),
                         ("select needs an entry number", 1)):
        c.expect(len(starting(run.texts, start)) == count, "{} lines \"{}\", want {}".format(
            len(starting(run.texts, start)), start, count))


# The window driven as a user drives it: fields found by their labels, text typed into the
# focused one, buttons by their captions (a disabled one is not clicked), tabs by their
# captions, the log page. Typed characters must keep their order: an edit whose own text is
# set back onto it after each character has its caret put back to the start.
LABELS = ["Artist:", "Title:", "Album:", "Year:", "Genre:", "Comment:", "Track: #",
          "Filename:", "URL:", "Password:", "Timeout:", "Interval:"]


def check_user(c, run):
    texts = run.texts
    typed = next((i for i, text in enumerate(texts) if text.startswith("type ")), len(texts))
    labels = [text.split('"')[1] for text in starting(texts[:typed], 'field "')]
    c.expect(all(labels.count(label) == 1 for label in LABELS), "labels {}".format(labels))
    c.expect(starting(texts, 'field "Album:"') ==
             ['field "Album:" ""', 'field "Album:" "Typed!"'],
             "album {}".format(starting(texts, 'field "Album:"')))
    for line in ('focus "Album:" ok', 'focus "Nowhere:" none', 'click "Nothing" none',
                 'click "Write" disabled', 'tab "Nowhere" none', 'tab "Log" clicked',
                 "log lines=0"):
        c.expect(texts.count(line) == 1, "no line " + line)


SCENARIOS = [  # name, the plug-ins it runs, script, check, playlist
    ("LifeFromLoadToUnload", ("fixture", "real"), LIFE, check_life, SONGS),
    ("HiddenWindowPollsEverySecond", ("fixture", "real"),
     "at 0 start\nat 300 window\nat 2500 next\nat 4700 window\nat 4800 exit\n", check_polls,
     SONGS),
    ("ProcessExitWithThePluginLoaded", ("fixture", "real"),
     "at 0 start\nat 100 config\nat 1200 exitprocess\n", check_exit_process, SONGS),
    ("RecordsEachCommandWithTheCurrentFile", ("fixture",),
     "at 0 start\nat 100 config\nat 200 select 1\nat 300 config\nat 500 exit\n",
     check_commands, [("song.mp3", b"x" * 70000), ("missing.mp3", None)]),
    ("ReportsABrokenPluginAndBadSteps", ("broken",),
     "at 0 start\nat 0 config\nat 0 select two\nat 50 exit\n", check_broken, SONGS),
    ("DrivesThePluginWindowAsAUser", ("real",),
     "at 0 start\nat 100 config\nat 200 fields\nat 300 focus Album:\nat 400 type Typed!\n"
     "at 600 fields\nat 700 focus Nowhere:\nat 700 click Nothing\nat 700 click Write\n"
     "at 700 tab Nowhere\nat 700 tab Log\nat 800 log\nat 900 exit\n", check_user, SONGS),
]


class Run:
    """One run of the player in a folder of its own, ended or killed after 60 s (stretched)."""

    def __init__(self, args, kind, plugin, script, songs, folder):
        music = os.path.join(folder, "Music")
        os.makedirs(music)
        paths = [os.path.join(music, name) for name, _ in songs]
        for path, (_, content) in zip(paths, songs):
            if content is not None:
                with open(path, "wb") as out:
                    out.write(content)
        script = re.sub(r"^at (\d+)", lambda at: "at {}".format(int(at.group(1)) * args.slow),
                        script, flags=re.M)
        player = session.Player(os.path.join(folder, "player"), args.player, plugin, script,
                                paths, args.wine)
        self.ended = player.finish(60 * args.slow)
        self.code = player.process.returncode
        self.kind = kind
        self.lines = [(ms, text) for ms, text, _ in player.lines]
        self.texts = [text for _, text in self.lines]
        self.playlist = [session.windows_path(path) for path in paths]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("player")
    parser.add_argument("report")
    parser.add_argument("--fixture", help="the fixture plug-in")
    parser.add_argument("--plugin", help="gen_quillon.dll")
    parser.add_argument("--wine", default=session.WINE64)
    parser.add_argument("--slow", type=int, default=1, help="stretches scripts and waits")
    parser.add_argument("--only", help="the one scenario to run")
    parser.add_argument("--bits", type=int, help="the player's pointer size to expect")
    args = parser.parse_args()
    checks = Checks("StandinPlayer")
    if checks.lacks_display():
        return checks.write(args.report)
    with tempfile.TemporaryDirectory(prefix="quillon-standin-") as folder:
        plugins = {"fixture": args.fixture, "real": args.plugin,
                   "broken": os.path.join(folder, "not-a-dll.dll")}
        with open(plugins["broken"], "wb") as out:
            out.write(b"MZ\0\0")
        for name, kinds, script, check, songs in SCENARIOS:
            for kind in kinds:
                if (args.only and name != args.only) or not plugins[kind]:
                    continue
                run = Run(args, kind, plugins[kind], script, songs,
                          tempfile.mkdtemp(dir=folder))
                checks.case("{}/{}".format(name, kind))
                checks.expect(run.ended, "the player did not reach its exit")
                checks.expect(run.code == 0, "the player ended with code {}".format(run.code))
                starts = starting(run.texts, "player ")
                checks.expect(not args.bits or (len(starts) == 1 and
                                                field(starts[0], "bits") == str(args.bits)),
                              "want a {}-bit player: {}".format(args.bits, starts))
                check(checks, run)
                print("{} {}/{}".format("FAILED" if checks.current[1] else "ok", name, kind),
                      flush=True)
                if checks.current[1]:
                    print("\n".join("  {} {}".format(ms, text) for ms, text in run.lines))
    return checks.write(args.report)


if __name__ == "__main__":
    sys.exit(0 if main() else 1)
