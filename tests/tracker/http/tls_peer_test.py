#!/usr/bin/python3
"""Peer check: `quillon post https://...` against Python's ssl server on loopback, with a CA
and certificates that the test makes with openssl.

Usage: tls_peer_test.py native QUILLON
       tls_peer_test.py wine QUILLON.EXE TRUST-ROOT.EXE   (WINEPREFIX set: the CA is trusted
       there alone, through the test-only program, and removed again at the end)
Prints the TLS version of each exchange and "N passed, N failed"; exits 1 on a failure."""
import os
import socket
import ssl
import subprocess
import sys
import tempfile
import threading
import time

checks = {"passed": 0, "failed": 0}
FIELDS = [("artist", "Zoë \"Q\" Artist"), ("album", "Line one\r\nline two"), ("title", "Tëst"),
          ("track", "07"), ("year", "1999"), ("genre", ""), ("comment", "Live \"Hall\""),
          ("filename", "C:\\Music\\Some Song.mp3"), ("password", "s3cr€t")]
# 550 KiB of UTF-8 (which the log shows as it came), sent in many small records that cut
# its characters apart.
LARGE = ("Z\u00fcrich \u6771\u4eac " * 37500).encode("utf-8")


def check(name, condition, detail=""):
    checks["passed" if condition else "failed"] += 1
    if not condition:
        print(f"FAILED: {name} {detail}")


def openssl(*args, cwd):
    subprocess.run(["openssl", *args], cwd=cwd, check=True, capture_output=True)


def make_certificates(work, issuer_port):
    """ca.pem (trusted), leaf certificates for the cases, and their keys. The leaf "via-int"
    comes from an intermediate CA that its server leaves out (via-int.pem holds the leaf
    alone), to be fetched from a URL on `issuer_port`."""
    for name in ("ca", "other-ca"):
        openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", f"{name}.key",
                "-out", f"{name}.pem", "-days", "3", "-subj", f"/CN=Quillon test {name}", cwd=work)
    openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", "leaf.key",
            "-out", "self-signed.pem", "-days", "3", "-subj", "/CN=localhost",
            "-addext", "subjectAltName=DNS:localhost", cwd=work)
    with open(os.path.join(work, "ca.cnf"), "w") as config:
        config.write("[ca]\ndefault_ca=test\n[test]\ndatabase=index.txt\nnew_certs_dir=.\n"
                     "serial=serial\ndefault_md=sha256\npolicy=any\ncopy_extensions=copy\n"
                     "unique_subject=no\n[any]\ncommonName=supplied\n")
    open(os.path.join(work, "index.txt"), "w").close()
    with open(os.path.join(work, "serial"), "w") as serial:
        serial.write("1000\n")
    san = ["-addext", "subjectAltName=DNS:localhost"]
    leaves = {"good": ("ca", "localhost", san, []), "unknown-issuer": ("other-ca", "localhost", san, []),
              "other-name": ("ca", "other.example", ["-addext", "subjectAltName=DNS:other.example"], []),
              "expired": ("ca", "localhost", san, ["-startdate", "20200101000000Z",
                                                   "-enddate", "20200201000000Z"]),
              "common-name-only": ("ca", "localhost", [], []),
              "int": ("ca", "Quillon test intermediate",
                      ["-addext", "basicConstraints=critical,CA:TRUE"], []),
              "via-int": ("int", "localhost", san + [
                  "-addext", f"authorityInfoAccess=caIssuers;URI:http://127.0.0.1:{issuer_port}/int.crt"],
                  [])}
    for leaf, (ca, host, extensions, dates) in leaves.items():
        openssl("req", "-new", "-key", "leaf.key", "-out", f"{leaf}.csr", "-subj", f"/CN={host}",
                *extensions, cwd=work)
        openssl("ca", "-batch", "-config", "ca.cnf", "-cert", f"{ca}.pem",
                "-keyfile", "leaf.key" if ca == "int" else f"{ca}.key",
                "-in", f"{leaf}.csr", "-out", f"{leaf}.pem", "-notext",
                *(dates or ["-days", "2"]), cwd=work)


class Server:
    """One TLS (or plain) listener on 127.0.0.1 that answers each post with `answer(request)`
    and records what arrived and the TLS version. It stops after `seconds`."""

    def __init__(self, certificate, work, answer, tls=True, only=None, trickle=False, seconds=60,
                 suites=None):
        self.answer, self.requests, self.versions, self.trickle = answer, [], [], trickle
        self.context = None
        if tls:
            self.context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
            self.context.load_cert_chain(os.path.join(work, certificate),
                                         os.path.join(work, "leaf.key"))
            if only:
                self.context.minimum_version = self.context.maximum_version = only
            if suites:
                self.context.set_ciphers(suites)
        self.listener = socket.create_server(("127.0.0.1", 0))
        self.listener.settimeout(seconds)
        self.port = self.listener.getsockname()[1]
        self.thread = threading.Thread(target=self.serve, daemon=True)
        self.thread.start()

    def serve(self):
        try:
            while True:
                connection, _ = self.listener.accept()
                connection.settimeout(20)
                try:
                    if self.trickle:
                        connection = Trickle(self.context, connection)
                    elif self.context:
                        connection = self.context.wrap_socket(connection, server_side=True)
                    self.versions.append(connection.version() if self.context else "plain")
                    request = self.read_request(connection)
                    self.requests.append(request)
                    self.answer(connection, request)
                except (OSError, ssl.SSLError):
                    pass
                finally:
                    connection.close()  # no TLS close message: the client ends the body all the same
        except OSError:
            return

    @staticmethod
    def read_request(connection):
        data = b""
        while b"\r\n\r\n" not in data:
            piece = connection.recv(65536)
            if not piece:
                raise OSError("closed in the head")
            data += piece
        head, _, body = data.partition(b"\r\n\r\n")
        length = next(int(line.split(b":")[1]) for line in head.split(b"\r\n")
                      if line.lower().startswith(b"content-length:"))
        while len(body) < length:
            body += connection.recv(65536)
        return head, body

    def close(self):
        self.listener.shutdown(socket.SHUT_RDWR)  # wakes the waiting accept
        self.listener.close()
        self.thread.join(5)


class Trickle:
    """The server's side of TLS over `raw`, sending its bytes (handshake and records) in
    pieces of 5 bytes, each its own TCP segment, so that the client gets records split."""

    def __init__(self, context, raw):
        raw.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        self.raw, self.incoming, self.outgoing = raw, ssl.MemoryBIO(), ssl.MemoryBIO()
        self.tls = context.wrap_bio(self.incoming, self.outgoing, server_side=True)
        self.pump(self.tls.do_handshake)

    def pump(self, step):
        while True:
            try:
                result = step()
                self.flush()
                return result
            except ssl.SSLWantReadError:
                self.flush()
                piece = self.raw.recv(65536)
                if not piece:
                    raise OSError("closed")
                self.incoming.write(piece)

    def flush(self):
        data = self.outgoing.read()
        for at in range(0, len(data), 5):
            self.raw.sendall(data[at:at + 5])
            time.sleep(0.0002)

    def version(self):
        return self.tls.version() + " in pieces of 5 bytes"

    def recv(self, size):
        return self.pump(lambda: self.tls.read(size))

    def sendall(self, data):
        self.pump(lambda: self.tls.write(data))

    def close(self):
        self.raw.close()


def fields_of(head, body):
    """The form's fields in order, values as bytes, split at the head's boundary."""
    boundary = next(line.split(b"boundary=")[1] for line in head.split(b"\r\n")
                    if line.lower().startswith(b"content-type:"))
    fields = []
    for part in body.split(b"--" + boundary)[1:-1]:
        headers, _, value = part[2:].partition(b"\r\n\r\n")
        name = headers.split(b'name="')[1].split(b'"')[0].decode()
        fields.append((name, value[:-2]))
    return fields


def answer_ok(connection, request):
    connection.sendall(b"HTTP/1.1 200 OK\r\nContent-Length: 9\r\nSet-Cookie: plain=p\r\n"
                       b"Set-Cookie: tls=t; Secure\r\nConnection: close\r\n\r\nStored OK")


def answer_large(connection, request):
    connection.sendall(b"HTTP/1.0 200 OK\r\n\r\n")
    for at in range(0, len(LARGE), 200):
        connection.sendall(LARGE[at:at + 200])


def answer_cut_short(close_message):
    def answer(connection, request):
        connection.sendall(b"HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nhello")
        if close_message:
            connection.settimeout(2)  # the client's own close message is not awaited
            connection.unwrap()
    return answer


def silent_listener():
    """A listener that takes connections and never answers; it is closed with the test."""
    listener = socket.create_server(("127.0.0.1", 0))
    held = []

    def hold():
        try:
            while True:
                held.append(listener.accept()[0])
        except OSError:
            return
    threading.Thread(target=hold, daemon=True).start()
    return listener, held


def main(mode, quillon, trust_tool=None):
    command = ["/usr/lib/wine/wine64", quillon] if mode == "wine" else [quillon]
    environment = dict(os.environ)
    issuer, held = silent_listener()
    with tempfile.TemporaryDirectory() as work:
        make_certificates(work, issuer.getsockname()[1])
        if mode == "native":
            environment["SSL_CERT_FILE"] = os.path.join(work, "ca.pem")
        else:
            subprocess.run(["/usr/lib/wine/wine64", trust_tool, "add", os.path.join(work, "ca.pem")],
                           check=True, timeout=120)
        try:
            run_cases(work, command, environment, mode == "wine")
            print(f"connections to the silent issuer URL: {len(held)}")
        finally:
            issuer.close()
            for connection in held:
                connection.close()
            if mode == "wine":
                subprocess.run(["/usr/lib/wine/wine64", trust_tool, "remove",
                                os.path.join(work, "ca.pem")], check=True, timeout=120)
    print(f"{checks['passed']} passed, {checks['failed']} failed")
    return 1 if checks["failed"] else 0


def post(command, environment, url, *args):
    fields = []
    for name, value in FIELDS:
        fields += [f"--{name}", value]
    started = time.monotonic()
    run = subprocess.run([*command, "post", url, "--timeout", "3000", *fields, *args],
                         capture_output=True, env=environment, timeout=120)
    return run, time.monotonic() - started


def post_renegotiated(command, environment, work):
    """A post to `openssl s_server` (TLS 1.2), which is told to renegotiate once the request
    has come, and to answer after that; and what the server said (a second ClientHello shows
    that the new handshake took place)."""
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        port = probe.getsockname()[1]
    server = subprocess.Popen(["openssl", "s_server", "-accept", f"127.0.0.1:{port}", "-tls1_2", "-msg",
                               "-cert", "good.pem", "-key", "leaf.key"], cwd=work,
                              stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    said = []

    def drive():
        for line in server.stdout:
            said.append(line)
            if line.startswith(b"ACCEPT"):
                ready.set()
            if b'name="password"' in line:
                for command_text in (b"r\n", ANSWER_HELLO):
                    server.stdin.write(command_text)
                    server.stdin.flush()
                    time.sleep(1)  # s_server takes a one-letter command only on its own
    ready = threading.Event()
    driver = threading.Thread(target=drive, daemon=True)
    driver.start()
    ready.wait(30)
    run, _ = post(command, environment, f"https://localhost:{port}/in.php")
    server.kill()
    server.wait()
    driver.join(5)
    return run, b"".join(said)


ANSWER_HELLO = b"HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\nhello"


def run_cases(work, command, environment, wine):
    # All ten fields arrive byte for byte, the answer is logged, the Secure cookie comes back
    # over https; over plain http only the other one does.
    for scheme, only, trickle in (("https", None, False), ("https", ssl.TLSVersion.TLSv1_2, False),
                                  ("https", ssl.TLSVersion.TLSv1_3, False), ("https", None, True),
                                  ("http", None, False)):
        if wine and only == ssl.TLSVersion.TLSv1_3:
            print("skipped: TLS 1.3 only: wine's Schannel offers TLS 1.2 at most, and its Windows "
                  "version is one whose Schannel is not asked for TLS 1.3")
            continue
        server = Server("good.pem", work, answer_ok, tls=scheme == "https", only=only,
                        trickle=trickle)
        run, _ = post(command, environment, f"{scheme}://localhost:{server.port}/in.php",
                      "--count", "2")
        server.close()
        scheme += f" ({only.name} only)" if only else ""
        print(f"{scheme}: versions seen by the server: {server.versions}")
        output = run.stdout.decode("latin-1").replace("\r\n", "\n").split("\n")
        check(f"{scheme}: two posts succeed", run.returncode == 0 and output[:3] ==
              ["Code: 200", "Message: HTTP/1.1 200 OK", "Output: Stored OK"], repr((run, output)))
        check(f"{scheme}: both arrived", len(server.requests) == 2, str(len(server.requests)))
        if len(server.requests) < 2:
            continue
        head, body = server.requests[0]
        sent = {name: value.encode("cp1252") for name, value in FIELDS}
        sent["filename"] = b"Some Song.mp3"  # the file's name without its folder
        expected = [(name, sent[name]) for name in ("artist", "album", "title", "track", "year",
                                                    "genre", "comment", "filename", "comment",
                                                    "password")] + [("_charset_", b"windows-1252")]
        # The play's own fields follow; they are checked with PHP's parser.
        check(f"{scheme}: ten fields and the charset byte for byte",
              fields_of(head, body)[:11] == expected,
              repr(fields_of(head, body)))
        cookies = [line for line in server.requests[1][0].split(b"\r\n") if line.startswith(b"Cookie:")]
        want = [b"Cookie: plain=p; tls=t"] if scheme.startswith("https") else [b"Cookie: plain=p"]
        check(f"{scheme}: cookies sent back", cookies == want, repr(cookies))

    # An answer of many small records, up to a close without a TLS close message.
    server = Server("good.pem", work, answer_large)
    run, _ = post(command, environment, f"https://localhost:{server.port}/big")
    server.close()
    # Windows' text-mode output writes CR LF for LF; the body itself holds no CR LF.
    data = run.stdout.replace(b"\r\n", b"\n").split(b"Output: ", 1)[-1].rstrip(b"\n")
    check("large body of many records", run.returncode == 0 and data == LARGE,
          f"{run.returncode} {len(data)} {run.stderr!r}")

    # Certificates that are not accepted, each with its own words.
    for certificate, words in (("unknown-issuer.pem", "Certificate not trusted: unknown issuer"),
                               ("self-signed.pem", "Certificate not trusted: self-signed"),
                               ("other-name.pem", "Certificate is for another name"),
                               ("expired.pem", "Certificate has expired")):
        server = Server(certificate, work, answer_ok)
        run, _ = post(command, environment, f"https://localhost:{server.port}/in.php")
        server.close()
        message = run.stderr.decode("latin-1").strip()
        print(f"{certificate}: {message}")
        check(f"{certificate} refused", run.returncode == 1 and
              message.startswith(f"quillon post: {words} (code ") and not server.requests,
              repr(message))

    # A name in the Common Name alone; a TLS 1.2 suite without forward secrecy (natively; on
    # Windows the system's policy chooses); an intermediate that the server leaves out, named
    # at an issuer URL that never answers: refused within the exchange's bound.
    for certificate, suites, words in (
            ("common-name-only.pem", None, "Certificate is for another name"),
            ("good.pem", "AES128-SHA", "TLS failed"),
            ("via-int.pem", None, "Certificate not trusted: unknown issuer")):
        if wine and suites:
            continue
        server = Server(certificate, work, answer_ok, only=ssl.TLSVersion.TLSv1_2 if suites else None,
                        suites=suites)
        run, seconds = post(command, environment, f"https://localhost:{server.port}/in.php")
        server.close()
        message = run.stderr.decode("latin-1").strip()
        print(f"{certificate} {suites or ''}: {message} ({seconds:.1f} s)")
        check(f"{certificate} {suites or ''} refused", run.returncode == 1 and
              message.startswith(f"quillon post: {words}") and not server.requests and
              seconds < 30, repr(message))

    # A body cut short of its Content-Length, with and without the server's close message:
    # the status stands, the Output line says so and the command fails.
    for close_message in (False, True):
        server = Server("good.pem", work, answer_cut_short(close_message))
        run, _ = post(command, environment, f"https://localhost:{server.port}/in.php")
        server.close()
        output = run.stdout.decode("latin-1").replace("\r\n", "\n").split("\n")
        check(f"body cut short, close message {close_message}", run.returncode == 1 and
              output[:3] == ["Code: 200", "Message: HTTP/1.1 200 OK",
                             "Output: hello (cut short: 5 of 100 bytes)"], repr(run))

    # The server asks for a new handshake after the request; the answer follows it. Wine's
    # Schannel cannot begin one before the server sends more: there the request is declined.
    run, server_said = post_renegotiated(command, environment, work)
    output = run.stdout.decode("latin-1").replace("\r\n", "\n").split("\n")
    check("renegotiation after the request", run.returncode == 0 and
          output[:3] == ["Code: 200", "Message: HTTP/1.0 200 OK", "Output: hello"] and
          server_said.count(b", ClientHello") == (1 if wine else 2), repr((run, server_said[-1000:])))

    # A server that takes the connection and the client's first message, then says nothing.
    stalled = socket.create_server(("127.0.0.1", 0))
    stalled.settimeout(30)
    held = []
    holder = threading.Thread(target=lambda: held.append(stalled.accept()[0]), daemon=True)
    holder.start()
    run, seconds = post(command, environment, f"https://localhost:{stalled.getsockname()[1]}/x")
    holder.join(5)
    for connection in held:
        connection.close()
    stalled.close()
    message = run.stderr.decode("latin-1").strip()
    check("stall in the handshake ends in a read time-out",
          message == "quillon post: Read timed out." and seconds < 15, f"{message!r} {seconds:.1f}s")


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
