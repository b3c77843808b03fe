#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
# Licensed under the GNU General Public License version 3 or any later version.
# A CardDAV server on loopback that behaves as a hostile or broken one would, one mode at
# a time, for the sync's tests. It serves the address book /book/ on 127.0.0.1 and keeps
# a second listener on 127.0.0.2 (another origin) that only records what reaches it.
# Every request is logged, one line each: "<host:port> <verb> <path> <auth>", and the
# bodies of REPORT requests after it, on lines of their own starting with a tab.
#
#   hostile_server.py PORT OTHER_PORT MODE LOG
import re
import sys
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

port, other_port, mode, log_path = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3], sys.argv[4]
other = "http://127.0.0.2:%d" % other_port
lock = threading.Lock()
stored = {}  # href -> card, what was PUT
etags = {}


def card(uid, name, extra=""):
    return ("BEGIN:VCARD\r\nVERSION:3.0\r\nUID:%s\r\nFN:%s\r\nN:%s;;;;\r\n%sEND:VCARD\r\n" % (uid, name, name, extra))


# The cards of each mode: href as listed -> card (None: listed, never served).
listed = {
    "foreign-hrefs": {
        "/book/good.vcf": card("good", "Good"),
        other + "/third/x.vcf": card("third", "Third"),
        "/book/../other/stolen.vcf": card("stolen", "Stolen"),
        "/elsewhere/x.vcf": card("elsewhere", "Elsewhere"),
        "file:///etc/passwd": card("passwd", "Passwd"),
    },
    "encoded-hrefs": {
        "/book/a%23b.vcf": card("hash", "Hash"),
        "/book/q%3Fx.vcf": card("question", "Question"),
        "/book/s%2Fl.vcf": card("slash", "Slash"),
        "/book/p%2525.vcf": card("percent", "Percent"),
        "/book/sp%20ace.vcf": card("space", "Space"),
        "/book/plain.vcf": card("plain", "Plain"),
    },
    "malformed": {
        "/book/good.vcf": card("good", "Good"),
        "/book/bad1.vcf": "BEGIN:VCARD\r\nVERSION:3.0\r\nthis is no property\r\nEND:VCARD\r\n",
        "/book/bad2.vcf": "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:bad2\r\nFN:Bad\r\n",
    },
    "duplicate-uid": {
        "/book/dup-a.vcf": card("same", "Older", "REV:20260101T000000Z\r\n"),
        "/book/dup-b.vcf": card("same", "Newer", "REV:20260601T000000Z\r\n"),
    },
    "slow-listing": {"/book/good.vcf": card("good", "Good")},
    "slow-cards": {"/book/good.vcf": card("good", "Good")},
    "huge-card": {
        "/book/good.vcf": card("good", "Good"),
        "/book/big.vcf": None,  # 100 MB
    },
    "many": {"/book/p%03d.vcf" % n: card("p%03d" % n, "Person %03d" % n) for n in range(450)},
}.get(mode, {})

SLOW = 2.0  # seconds of silence before a slow answer
HUGE_CARD = 100 << 20
HUGE_ANSWER = 2 << 30


def log(line):
    with lock, open(log_path, "a") as f:
        f.write(line + "\n")


def multistatus(responses, token=True):
    return ('<?xml version="1.0" encoding="utf-8"?><d:multistatus xmlns:d="DAV:" '
            'xmlns:c="urn:ietf:params:xml:ns:carddav">' + "".join(responses) +
            ("<d:sync-token>http://t/1</d:sync-token>" if token else "") + "</d:multistatus>")


def escape(text):
    return text.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;").replace("\r", "&#13;")


def propstat(href, etag, data=None):
    prop = '<d:getetag>"%s"</d:getetag>' % etag
    if data is not None:
        prop += "<c:address-data>%s</c:address-data>" % escape(data)
    return ("<d:response><d:href>%s</d:href><d:propstat><d:prop>%s</d:prop>"
            "<d:status>HTTP/1.1 200 OK</d:status></d:propstat></d:response>" % (escape(href), prop))


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def body(self):
        return self.rfile.read(int(self.headers.get("Content-Length") or 0)).decode("utf-8", "replace")

    def send(self, code, body=b"", headers=()):
        if isinstance(body, str):
            body = body.encode()
        self.send_response(code)
        for name, value in headers:
            self.send_header(name, value)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def stream(self, head, filler, tail, total):
        """An answer of about total bytes, without a length, written until the client goes."""
        self.send_response(207)
        self.send_header("Content-Type", "application/xml")
        self.send_header("Connection", "close")
        self.end_headers()
        self.close_connection = True
        try:
            self.wfile.write(head.encode())
            chunk = (filler * (65536 // len(filler) + 1)).encode()[:65536]
            sent = 0
            while sent < total:
                self.wfile.write(chunk)
                sent += len(chunk)
            self.wfile.write(tail.encode())
        except (BrokenPipeError, ConnectionResetError):
            pass

    def handle_any(self):
        host = "%s:%d" % self.server.server_address
        body = self.body() if self.command in ("REPORT", "PROPFIND", "PUT") else ""
        log("%s %s %s %s" % (host, self.command, self.path, "auth" if self.headers.get("Authorization") else "-"))
        if self.command == "REPORT":
            log("\t" + body.replace("\n", " "))
        if self.server.server_address[0] != "127.0.0.1":
            return self.send(404)
        if mode == "redirect-host":
            return self.send(307, headers=[("Location", other + self.path)])
        if mode == "redirect-file":
            return self.send(307, headers=[("Location", "file:///etc/passwd")])
        if mode == "redirect-put" and self.command in ("PUT", "DELETE"):
            return self.send(307, headers=[("Location", other + self.path)])
        if self.command == "PUT":
            with lock:
                stored[self.path] = body
                etags[self.path] = etags.get(self.path, 0) + 1
            return self.send(201, headers=[("ETag", '"p%d"' % etags[self.path])])
        if self.command == "DELETE":
            with lock:
                stored.pop(self.path, None)
            return self.send(204)
        if self.command not in ("REPORT", "PROPFIND"):
            return self.send(405)
        # A listing of the whole book, or the cards asked for, comes after a long silence.
        listing = "sync-collection" in body or (self.command == "PROPFIND" and self.headers.get("Depth") == "1")
        if (mode == "slow-listing" and listing) or (mode == "slow-cards" and "addressbook-multiget" in body):
            time.sleep(SLOW)
        if mode == "huge-answer":
            return self.stream(multistatus([], token=False)[:-len("</d:multistatus>")],
                               "<d:response><d:href>/book/x.vcf</d:href></d:response>", "</d:multistatus>",
                               HUGE_ANSWER)
        if mode == "deep":
            depth = 2000000
            return self.send(207, multistatus([]).replace("</d:multistatus>", "<d:x>" * depth + "</d:x>" * depth +
                                                          "</d:multistatus>"))
        if mode == "trickle":
            self.send_response(207)
            self.send_header("Content-Length", "100000")
            self.end_headers()
            try:
                for byte in multistatus([]).encode():
                    self.wfile.write(bytes([byte]))
                    self.wfile.flush()
                    time.sleep(1)
            except (BrokenPipeError, ConnectionResetError):
                pass
            return
        if "addressbook-multiget" in body:
            wanted = [h.replace("&amp;", "&") for h in re.findall(r"<d:href>(.*?)</d:href>", body)]
            if mode == "huge-card" and "/book/big.vcf" in wanted:
                head = multistatus([propstat(h, 1, listed[h]) for h in wanted if h in listed and listed[h]],
                                   token=False)[:-len("</d:multistatus>")]
                return self.stream(head + '<d:response><d:href>/book/big.vcf</d:href><d:propstat><d:prop>'
                                   '<d:getetag>"1"</d:getetag><c:address-data>BEGIN:VCARD&#13;\nNOTE:',
                                   "x", "</c:address-data></d:prop><d:status>HTTP/1.1 200 OK</d:status>"
                                   "</d:propstat></d:response></d:multistatus>", HUGE_CARD)
            responses = []
            for href in wanted:
                data = listed.get(href) or stored.get(href)
                if data is None:
                    responses.append("<d:response><d:href>%s</d:href><d:status>HTTP/1.1 404 Not Found"
                                     "</d:status></d:response>" % escape(href))
                else:
                    responses.append(propstat(href, etags.get(href, 1), data))
            return self.send(207, multistatus(responses, token=False))
        with lock:
            everything = dict(listed)
            everything.update(stored)
        return self.send(207, multistatus([propstat(href, etags.get(href, 1)) for href in everything]))

    def do_GET(self):
        if mode.startswith("redirect"):
            return self.handle_any()
        if mode == "huge-card" and self.path == "/book/big.vcf":
            log("127.0.0.1:%d GET %s" % (port, self.path))
            self.send_response(200)
            self.send_header("Connection", "close")
            self.end_headers()
            self.close_connection = True
            try:
                for _ in range(HUGE_CARD // 65536):
                    self.wfile.write(b"x" * 65536)
            except (BrokenPipeError, ConnectionResetError):
                pass
            return
        path = self.path
        data = listed.get(path) or stored.get(path)
        log("%s:%d GET %s" % (self.server.server_address[0], self.server.server_address[1], path))
        if data is None or self.server.server_address[0] != "127.0.0.1":
            return self.send(404)
        self.send(200, data, [("ETag", '"%d"' % etags.get(path, 1))])

    do_REPORT = do_PROPFIND = do_PUT = do_DELETE = handle_any


servers = [ThreadingHTTPServer(("127.0.0.1", port), Handler), ThreadingHTTPServer(("127.0.0.2", other_port), Handler)]
for server in servers:
    server.daemon_threads = True
    threading.Thread(target=server.serve_forever, daemon=True).start()
log("ready")
threading.Event().wait()
