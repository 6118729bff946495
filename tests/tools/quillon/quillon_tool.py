#!/usr/bin/python3
"""The `quillon` tool's contract: the JSON of `read`, the options of `write`, exit codes and
usage errors. Usage: quillon_tool.py PATH_TO_QUILLON. Prints every check; exits 1 on failure."""
import json
import os
import subprocess
import sys
import tempfile

QUILLON = sys.argv[1]
KEYS = ["TagPresent", "MajorVersion", "TotalSize", "Title", "Artist", "Album", "TrackNumber",
        "TrackText", "Year", "Genre", "Comment", "Composer", "EncodedBy", "RightsNotice",
        "Language", "UserUrl", "AudioSizeText"]
failures = 0


def check(name, condition, detail=""):
    global failures
    if condition:
        print(f"ok    {name}")
    else:
        failures += 1
        print(f"FAIL  {name} {detail}")


def run(*args):
    result = subprocess.run([QUILLON, *args], capture_output=True, timeout=30)
    return result.returncode, result.stdout.decode("utf-8"), result.stderr.decode("utf-8")


def frame(frame_id, content):
    return frame_id + len(content).to_bytes(4, "big") + b"\x00\x00" + content


def tag(*frames, padding=0):
    body = b"".join(frames) + bytes(padding)
    size = len(body)
    return b"ID3\x03\x00\x00" + bytes([(size >> 21) & 0x7F, (size >> 14) & 0x7F,
                                       (size >> 7) & 0x7F, size & 0x7F]) + body


def put(directory, name, content):
    path = os.path.join(directory, name)
    with open(path, "wb") as f:
        f.write(content)
    return path


def read_bytes(path):
    with open(path, "rb") as f:
        return f.read()


def check_read_output(directory):
    path = put(directory, "a.mp3", tag(frame(b"TIT2", b"\x00Say \"hi\" \\ a\x00b\x01"),
                                       frame(b"TPE1", b"\x00Caf\xe9 \x80"),
                                       frame(b"TRCK", b"\x002/9")) + b"audio")
    code, out, err = run("read", path)
    check("read: exit 0", code == 0, err)
    check("read: one line of output", out.count("\n") == 1 and out.endswith("\n"), repr(out))
    fields = json.loads(out, object_pairs_hook=lambda pairs: pairs)
    check("read: exactly the keys, in order", [k for k, _ in fields] == KEYS, repr(fields))
    fields = dict(fields)
    check("read: booleans and numbers as JSON values",
          fields["TagPresent"] is True and fields["MajorVersion"] == 3 and fields["TrackNumber"] == 2
          and isinstance(fields["TotalSize"], int), repr(fields))
    check("read: escapes and zero bytes", fields["Title"] == "Say \"hi\" \\ a\u0000b", repr(fields["Title"]))
    check("read: zero byte written as \\u0000", "\\u0000" in out, out)
    check("read: code page bytes become Unicode", fields["Artist"] == "Caf\u00e9 \u20ac", repr(fields["Artist"]))
    check("read: track text as stored", fields["TrackText"] == "2/9")

    code, out, _ = run("read", put(directory, "plain.mp3", b"no tag in this file"))
    fields = json.loads(out)
    check("read: untagged file", code == 0 and fields["TagPresent"] is False and fields["TotalSize"] == 0)


def check_read_failures(directory):
    missing = os.path.join(directory, "missing.mp3")
    code, out, err = run("read", missing)
    check("read missing: exit 1, one line naming the file",
          code == 1 and out == "" and missing in err and err.count("\n") == 1, repr(err))
    short = put(directory, "short.mp3", b"ID3")
    code, _, err = run("read", short)
    check("read short file: exit 1, says why", code == 1 and short in err and "too short" in err, repr(err))
    code, _, err = run("read", directory)
    check("read directory: exit 1, says why", code == 1 and "not a regular file" in err, repr(err))


def check_write(directory):
    path = put(directory, "w.mp3", tag(frame(b"TCOM", b"\x00Composer"), frame(b"TIT2", b"\x00Old"),
                                       padding=300) + b"AUDIO")
    length_before = os.path.getsize(path)
    code, _, err = run("write", path, "--title", "  New \u00e9 \u0416 ", "--track", "-1",
                       "--genre", "Pop", "--comment", "c")
    check("write: exit 0", code == 0, err)
    raw = read_bytes(path)
    check("write: a title beyond the code page goes in UTF-16 whole",
          b"\x01\xff\xfe" + "New \u00e9 \u0416".encode("utf-16-le") in raw, repr(raw[:80]))
    check("write: in place keeps the length", len(raw) == length_before and raw.endswith(b"AUDIO"))
    fields = json.loads(run("read", path)[1])
    check("write: given fields set, others kept",
          fields["Title"] == "New \u00e9 \u0416" and fields["TrackNumber"] == 65535 and fields["Genre"] == "Pop"
          and fields["Comment"] == "c" and fields["Composer"] == "Composer", repr(fields))

    code, _, _ = run("write", path, "--artist", "Only artist")
    fields = json.loads(run("read", path)[1])
    check("write: options not given leave fields as read",
          code == 0 and fields["Title"] == "New \u00e9 \u0416" and fields["Artist"] == "Only artist", repr(fields))

    code, _, _ = run("write", path, "--track", "70000")
    check("write: track keeps low 16 bits", json.loads(run("read", path)[1])["TrackNumber"] == 4464)

    missing = os.path.join(directory, "missing.mp3")
    code, out, err = run("write", missing, "--title", "x")
    check("write missing file: exit 1, one line naming the file and why",
          code == 1 and f"Tag not written: {missing} does not exist." in err and err.count("\n") == 1
          and not os.path.exists(missing), repr(err))
    code, _, err = run("write", directory, "--title", "x")
    check("write directory: exit 1, says why", code == 1 and "is not a regular file" in err, repr(err))
    short = put(directory, "tiny.mp3", b"123")
    code, _, err = run("write", short, "--title", "x")
    check("write file shorter than a header: exit 1, says why, unchanged",
          code == 1 and "too short to hold a tag" in err and read_bytes(short) == b"123", repr(err))


def check_usage(directory):
    path = put(directory, "u.mp3", tag(frame(b"TIT2", b"\x00Keep")) + b"audio")
    before = read_bytes(path)
    code, out, err = run("--help")
    check("--help: exit 0, usage on stdout naming both commands",
          code == 0 and "read FILE" in out and "write FILE" in out and err == "", repr(out))
    for args, what in ((), "no arguments"), (("frobnicate",), "unknown command"), \
            (("read",), "read without file"), (("read", path, path), "read with two files"), \
            (("write",), "write without file"), (("write", "--title", "x"), "write with option first"), \
            (("write", path, "--track", "x"), "track not a number"), \
            (("write", path, "--track", "1.5"), "track not whole"), \
            (("write", path, "--track", "99999999999"), "track out of range"), \
            (("write", path, "--title"), "option without value"), \
            (("write", path, "--colour", "red"), "unknown option"):
        code, out, err = run(*args)
        check(f"usage error, {what}: exit 2, usage on stderr",
              code == 2 and out == "" and "usage" in err, f"{code} {err!r}")
    check("usage errors left the file alone", read_bytes(path) == before)


def main():
    with tempfile.TemporaryDirectory(prefix="quillon-tool-") as directory:
        for test in (check_read_output, check_read_failures, check_write, check_usage):
            try:
                test(directory)
            except Exception as error:
                global failures
                failures += 1
                print(f"FAIL  {test.__name__}: {error!r}")
    print(f"{failures} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
