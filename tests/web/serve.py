#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""A static server for the web build, on 127.0.0.1 only.

Serves one folder with the headers the site is meant to live under: the content security policy
that allows no inline script, no eval and nothing from elsewhere, application/wasm for the
program, and no caching, so a rebuilt site is what the next page load gets.

    serve.py FOLDER [PORT]   PORT 0 (the default) takes any free one; prints the address
The checks import it and call start(folder), which returns (server, address); start(folder,
withheld=[names]) answers 404 for those files. The server's `host` dict plays what real hosts do,
and may be changed while it serves:
    withheld          names answered with 404
    redirect_index    a request of index.html is sent on to ./ (301), which serves it (the query kept)
    encode_gz         .gz files are sent with Content-Encoding: gzip, as if packed on the way
and lists what was asked of it, whoever asked (the page, its worker or its service worker):
    requested         the names of the files asked for, in order
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

    def send_head(self):
        host = self.server.host
        path = self.path.split("?", 1)[0]
        name = path.rsplit("/", 1)[-1]
        host["requested"].append(name)
        # The checks withhold a file to see what the page says when it does not arrive.
        if name in host["withheld"]:
            self.send_error(404)
            return None
        if name == "index.html" and host["redirect_index"]:
            self.send_response(301)
            query = self.path.split("?", 1)[1] if "?" in self.path else ""
            self.send_header("Location", "./" + ("?" + query if query else ""))
            self.send_header("Content-Length", "0")
            self.end_headers()
            return None
        self.packed = name.endswith(".gz") and host["encode_gz"]
        return super().send_head()

    def send_header(self, keyword, value):
        # The file's own type stays; the encoding says it is packed for the way only.
        if getattr(self, "packed", False) and keyword == "Content-type":
            super().send_header("Content-Encoding", "gzip")
            value = "application/octet-stream"
        super().send_header(keyword, value)

    def end_headers(self):
        self.send_header("Content-Security-Policy", POLICY)
        self.send_header("Cache-Control", "no-store")
        self.send_header("X-Content-Type-Options", "nosniff")
        super().end_headers()

    def log_message(self, *args):  # quiet: the checks print what matters
        pass


def start(folder, port=0, withheld=(), redirect_index=False, encode_gz=False):
    handler = functools.partial(Handler, directory=folder)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", port), handler)
    server.host = {"withheld": tuple(withheld), "redirect_index": redirect_index, "encode_gz": encode_gz,
                   "requested": []}
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
