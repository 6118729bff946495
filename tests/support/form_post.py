"""Reads the multipart/form-data body of a post, as the loopback sites of the tests see it,
and starts such a site."""
import email.parser
import http.server
import threading


def read_form(handler):
    """The posted fields of `handler` (a BaseHTTPRequestHandler in do_POST) in their order, as
    [(name, value bytes)]; a body of over 1 MiB is read only that far."""
    length = int(handler.headers.get("Content-Length", "0"))
    body = handler.rfile.read(min(length, 1 << 20))
    head = "Content-Type: {}\r\n\r\n".format(handler.headers.get("Content-Type", ""))
    message = email.parser.BytesParser().parsebytes(head.encode("latin-1") + body)
    if not message.is_multipart():
        return []
    return [(part.get_param("name", header="content-disposition"), part.get_payload(decode=True))
            for part in message.get_payload()]


def serve_on_loopback(handler_class):
    """Starts a threading HTTP server with `handler_class` on a free loopback port; returns it
    and the URL of its /test.php."""
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler_class)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server, "http://127.0.0.1:{}/test.php".format(server.server_address[1])
