#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""A static server for the web build, on 127.0.0.1 only.

Serves one folder with the headers the site is meant to live under: the content security policy
that allows no inline script, no eval and nothing from elsewhere, application/wasm for the
program, and no caching, so a rebuilt site is what the next page load gets.

    serve.py FOLDER [PORT]   PORT 0 (the default) takes any free one; prints the address
The checks import it and call start(folder), which returns (server, address); start(folder,
withheld=[names]) answers 404 for those files.
"""
import functools
import http.server
import sys
import threading

POLICY = "default-src 'self'; script-src 'self' 'wasm-unsafe-eval'"


class Handler(http.server.SimpleHTTPRequestHandler):
    extensions_map = {
        **http.server.SimpleHTTPRequestHandler.extensions_map,
        ".wasm": "application/wasm",
        ".js": "text/javascript",
        ".data": "application/octet-stream",
        ".gz": "application/gzip",
        ".webmanifest": "application/manifest+json",
    }

    def __init__(self, *args, withheld=(), **kwargs):
        self.withheld = withheld
        super().__init__(*args, **kwargs)

    def send_head(self):
        # The checks withhold a file to see what the page says when it does not arrive.
        if self.path.split("?", 1)[0].rsplit("/", 1)[-1] in self.withheld:
            self.send_error(404)
            return None
        return super().send_head()

    def end_headers(self):
        self.send_header("Content-Security-Policy", POLICY)
        self.send_header("Cache-Control", "no-store")
        self.send_header("X-Content-Type-Options", "nosniff")
        super().end_headers()

    def log_message(self, *args):  # quiet: the checks print what matters
        pass


def start(folder, port=0, withheld=()):
    handler = functools.partial(Handler, directory=folder, withheld=tuple(withheld))
    server = http.server.ThreadingHTTPServer(("127.0.0.1", port), handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server, "http://127.0.0.1:%d/" % server.server_address[1]


def main():
    if len(sys.argv) not in (2, 3):
        sys.exit("usage: serve.py FOLDER [PORT]")
    server, address = start(sys.argv[1], int(sys.argv[2]) if len(sys.argv) == 3 else 0)
    print("Talvenor is served at %sindex.html (Ctrl+C ends it)" % address, flush=True)
    try:
        threading.Event().wait()
    except KeyboardInterrupt:
        server.shutdown()


if __name__ == "__main__":
    main()
