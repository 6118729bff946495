"""Loopback helpers shared by the tests that start a local server (php -S)."""
import socket
import time


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def wait_until_listening(port, server, seconds=10):
    """Waits until `server` (a Popen) accepts on 127.0.0.1:`port`; raises if it ends or never does."""
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if server.poll() is not None:
            raise RuntimeError("the server ended at once")
        try:
            with socket.create_connection(("127.0.0.1", port), timeout=1):
                return
        except OSError:
            time.sleep(0.05)
    raise RuntimeError("the server does not listen")
