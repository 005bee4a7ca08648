#!/usr/bin/env python3
"""Serves a built page folder on 127.0.0.1, as a static server configured
for it should: each file goes out as its precompressed copy beside it
(name.br, then name.gz) when the browser accepts that encoding, with
Content-Encoding and, for every file that has such copies,
Vary: Accept-Encoding; otherwise as it is.

    web/serve.py <folder> <port>      port 0: any free one
"""
import email.utils
import http.server
import os
import sys

ENCODINGS = (("br", ".br"), ("gzip", ".gz"))


def accepted_encodings(header):
    """The encodings an Accept-Encoding header allows (q=0 forbids one)."""
    names = set()
    for item in (header or "").split(","):
        name, *params = [part.strip() for part in item.split(";")]
        q = next((p[2:] for p in params if p.startswith("q=")), "1")
        try:
            if float(q) > 0:
                names.add(name.lower())
        except ValueError:
            pass
    return names


class Handler(http.server.SimpleHTTPRequestHandler):
    extensions_map = {**http.server.SimpleHTTPRequestHandler.extensions_map,
                      ".wasm": "application/wasm", ".webmanifest": "application/manifest+json",
                      ".js": "text/javascript"}

    def send_head(self):
        path = self.translate_path(self.path)
        if os.path.isdir(path) and self.path.split("?", 1)[0].endswith("/"):
            path = os.path.join(path, "index.html")
        if not os.path.isfile(path):
            return super().send_head()  # folders' redirects and lists, and 404
        allowed = accepted_encodings(self.headers.get("Accept-Encoding"))
        variants = [(name, path + suffix) for name, suffix in ENCODINGS if os.path.isfile(path + suffix)]
        encoding, body = next(((name, file) for name, file in variants if name in allowed), (None, path))
        modified = int(os.stat(path).st_mtime)
        since = self.headers.get("If-Modified-Since")
        if since and "If-None-Match" not in self.headers:
            try:
                unchanged = email.utils.parsedate_to_datetime(since).timestamp() >= modified
            except (TypeError, ValueError, OverflowError):
                unchanged = False
            if unchanged:
                self.send_response(304)
                if variants:
                    self.send_header("Vary", "Accept-Encoding")
                self.end_headers()
                return None
        f = open(body, "rb")
        self.send_response(200)
        self.send_header("Content-Type", self.guess_type(path))
        if encoding:
            self.send_header("Content-Encoding", encoding)
        if variants:
            self.send_header("Vary", "Accept-Encoding")
        self.send_header("Content-Length", str(os.fstat(f.fileno()).st_size))
        self.send_header("Last-Modified", self.date_time_string(modified))
        self.end_headers()
        return f


def main():
    folder, port = sys.argv[1], int(sys.argv[2])

    class Server(http.server.ThreadingHTTPServer):
        def finish_request(self, request, client_address):
            Handler(request, client_address, self, directory=folder)

    with Server(("127.0.0.1", port), Handler) as server:
        # Port 0 takes any free port: the line says which.
        print(f"Brastor: http://127.0.0.1:{server.server_address[1]}/", flush=True)
        server.serve_forever()


if __name__ == "__main__":
    main()
