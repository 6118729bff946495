#!/usr/bin/python3
"""Peer check: `quillon post` against PHP's own server and form parser on loopback.

Usage: php_peer_test.py PATH-TO-QUILLON. Prints "N passed, N failed"; exits 1 on a failure."""
import json
import os
import re
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "support"))
from loopback import free_port, wait_until_listening  # noqa: E402

RECEIVER = r"""<?php
if ($_SERVER['REQUEST_URI'] === '/missing.php') { http_response_code(404); echo "<p>no</p>"; exit; }
$seen = isset($_COOKIE['visit']) ? $_COOKIE['visit'] : '';
setcookie('visit', $seen === '' ? 'first' : 'again', 0, '/');
$fields = array();
foreach ($_POST as $name => $value) { $fields[$name] = bin2hex($value); }
echo json_encode(array('fields' => $fields, 'cookie' => $seen,
                       'type' => $_SERVER['CONTENT_TYPE']));
"""

checks = {"passed": 0, "failed": 0}


def check(name, condition, detail=""):
    checks["passed" if condition else "failed"] += 1
    if not condition:
        print(f"FAILED: {name} {detail}")



def post(quillon, *args):
    run = subprocess.run([quillon, "post", *args], capture_output=True, timeout=60)
    return run.returncode, run.stdout.decode("latin-1").split("\n")


def main(quillon):
    with tempfile.TemporaryDirectory() as root:
        with open(os.path.join(root, "receive.php"), "w") as script:
            script.write(RECEIVER)
        port = free_port()
        server = subprocess.Popen(["php", "-S", f"127.0.0.1:{port}", "-t", root],
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            wait_until_listening(port, server)
            base = f"http://127.0.0.1:{port}"
            values = {"artist": "Zoë \"Q\" Artist", "album": "Line one\r\nline two",
                      "title": "Tëst – title", "track": "07", "year": "1999", "genre": "",
                      "comment": "Live at the \"Hall\"", "password": "s3cr€t"}
            args = [base + "/receive.php", "--count", "2", "--timeout", "5000",
                    "--filename", "C:\\Music\\Some Song.mp3"]
            for name, value in values.items():
                args += ["--" + name, value]
            args += ["--played-at", "2026-12-09T07:58:31Z", "--play-id", "0123456789abcdef" * 2]
            code, lines = post(quillon, *args)
            check("exit code of two good posts", code == 0, str(code))
            check("three lines per post", len(lines) == 7 and lines[6] == "", repr(lines))
            for i in (0, 3):
                check("code line", lines[i] == "Code: 200", lines[i])
                check("message line", lines[i + 1] == "Message: HTTP/1.0 200 OK", lines[i + 1])
            answers = [json.loads(lines[i][len("Output: "):]) for i in (2, 5)]
            fields = answers[0]["fields"]
            # The command converts to the ANSI code page, Windows-1252 here.
            expected = {name: value.encode("cp1252").hex() for name, value in values.items()}
            expected["filename"] = "Some Song.mp3".encode("cp1252").hex()
            expected["_charset_"] = b"windows-1252".hex()
            expected["played_at"] = b"2026-12-09T07:58:31Z".hex()
            expected["play_id"] = (b"0123456789abcdef" * 2).hex()
            check("all fields received by PHP's parser", fields == expected,
                  f"{fields} != {expected}")
            check("the play's fields after the ten", list(fields) == [
                "artist", "album", "title", "track", "year", "genre", "comment", "filename",
                "password", "_charset_", "played_at", "play_id"], repr(list(fields)))
            # With --utf8 every alphabet goes whole, and the charset says so.
            unicode_values = {"artist": "\u041a\u0438\u043d\u043e", "title": "\u6771\u4eac\u306e\u591c",
                              "filename": "C:\\M\\Z\u00fcrich \u6771\u4eac.mp3"}
            args = [base + "/receive.php", "--utf8"]
            for name, value in unicode_values.items():
                args += ["--" + name, value]
            code, lines = post(quillon, *args)
            fields = json.loads(lines[2][len("Output: "):])["fields"] if code == 0 else {}
            check("UTF-8 fields and charset", code == 0 and
                  [bytes.fromhex(fields.get(name, "")).decode("utf-8", "replace")
                   for name in ("artist", "title", "filename", "_charset_")] ==
                  [unicode_values["artist"], unicode_values["title"], "Z\u00fcrich \u6771\u4eac.mp3", "UTF-8"],
                  f"{code} {fields}")
            check("content type", answers[0]["type"].startswith(
                "multipart/form-data; boundary=--------"), answers[0]["type"])
            check("no cookie in the first post", answers[0]["cookie"] == "", answers[0]["cookie"])
            check("cookie sent back in the next post", answers[1]["cookie"] == "first",
                  answers[1]["cookie"])

            code, lines = post(quillon, base + "/receive.php", "--count", "2")
            made_up = [bytes.fromhex(json.loads(lines[i][len("Output: "):])["fields"][name]).decode()
                       for i in (2, 5) for name in ("played_at", "play_id")]
            sent_at = time.mktime(time.strptime(made_up[0], "%Y-%m-%dT%H:%M:%SZ"))
            check("played_at made up: now, in UTC",
                  abs(sent_at - time.mktime(time.gmtime())) < 60, made_up[0])
            check("play_id made up: 32 lowercase hex digits, the same on every post",
                  re.fullmatch("[0-9a-f]{32}", made_up[1]) is not None and made_up[1] == made_up[3]
                  and made_up[0] == made_up[2], repr(made_up))

            code, lines = post(quillon, base + "/missing.php")
            check("404 exits 1", code == 1, str(code))
            check("404 lines", lines[:3] == ["Code: 404", "Message: HTTP/1.0 404 Not Found",
                                            "Output: "], repr(lines))
        finally:
            server.terminate()
            server.wait(timeout=10)

        code, lines = post(quillon, f"http://127.0.0.1:{free_port()}/", "--timeout", "2000")
        check("refused exits 1", code == 1, str(code))
        check("refused lines", lines[:3] == ["Code: -1", "Message: ", "Output: "], repr(lines))
        code, lines = post(quillon)
        check("missing URL is a usage error", code == 2, str(code))

    print(f"{checks['passed']} passed, {checks['failed']} failed")
    return 1 if checks["failed"] else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
