#!/usr/bin/env python3
"""Test and demo server of the launcher: serves files and misbehaves on request.

Start:
    python3 tools/test_server.py --root DIR [--port 0] [--host 127.0.0.1]
                                 [--port-file F] [--log-dir D] [--tls CERT KEY]
                                 [--tls-only-version 1.1|1.2|1.3] [--ask-client-certificate CA]

--port 0 picks a free port; the chosen port is printed as "listening on 127.0.0.1:PORT" and,
with --port-file, written to F (atomically, so a reader never sees half a number).
With --tls CERT KEY the same port also speaks https: a connection whose first byte starts a TLS
handshake is served over TLS with that certificate (PEM) and key, any other as plain HTTP, so
the plain error reports and http/https redirects reach the same server. --tls-only-version
speaks that TLS version and no other; --ask-client-certificate asks the client for a
certificate issued by CA (PEM) and goes on without one. Every fault below
works over TLS too; a connection the server cuts ends without a TLS close-notify.
With --log-dir, the exact bytes of every request (request line, headers and body as received)
are written to D/000001.http, D/000002.http, ... in the order the requests arrived, before the
server answers them.

URL scheme
----------
/<path>                   the file DIR/<path> with Content-Length; 404 when it is missing.
/fault/<steps>/<path>     the same file, served with faults. <steps> is one or more attempts
                          separated by "+"; each attempt is a comma-separated list of options.
                          The n-th request for the same /fault/<steps>/<path> (query ignored)
                          uses the n-th attempt; the last attempt repeats. Examples:
                            /fault/cut=700+full/a.bin   first request cut after 700 body bytes,
                                                        every later one the whole file
                            /fault/nolength/a.bin       every response without Content-Length
                            /fault/full+status=404/a.bin  404 from the second request on
/auth/<options>/<path>    the same as /fault/, for readability of authentication tests.
/_counts                  text "path count" lines: requests seen per fault path.

With --portal the server is also the demo portal (tools/demo_portal.py): at start-up it makes
DIR/portal/ with the portal page (index.html; play.html plays it by itself) and generated
packages, or with --release RELEASE the packages and list of a folder launcher-publish made;
and it answers
/portal/event?line=TEXT   200; TEXT (the page's record of a call, fields separated by tabs)
                          is appended as one line to DIR/portal/events.txt.
/record_error.php         200 for the launcher's error reports (any method).

Options of one attempt:
  full              serve normally (the default of an empty attempt)
  cut=N             announce the whole length, send N body bytes, then close
  stall=N           announce the whole length, send N body bytes, then keep the connection
                    open and silent (until the client goes or the server stops)
  silent            read the request and never answer (keeps the connection open)
  nolength          no Content-Length; the body ends when the server closes
  length=N          announce N as Content-Length whatever the file's size
  spacedlength      write the Content-Length digits with a space after the first one
  chunked           Transfer-Encoding: chunked
  chunk=N           chunk size for chunked (default 4096)
  chunkext          add ";name=value" extensions to every chunk-size line
  continue[=N]      send "HTTP/1.1 100 Continue" and an empty line before the response; with N,
                    N such interim responses, 100 ms apart
  status=N          answer with status N and a short text body instead of the file
  bigheaders=N      add an X-Padding header whose value is N bytes
  icy               the status line is "ICY 200 OK" (not HTTP)
  garble=N          announce the whole length, send N body bytes, then put bytes that no
                    session sent (an application-data record of zeros) on the connection
                    itself, and close: over TLS the client's session breaks mid-body
  reset             read the request, then close with a TCP reset
  reset=N           send the headers and N body bytes, then close with a TCP reset
  drip=MS           send the body one byte every MS milliseconds
  rate=N            send the body at about N bytes per second (in pieces every 50 ms)
  delay=MS          wait MS milliseconds before answering
  close             send "Connection: close" and close after the response
  raw               send the file's bytes verbatim as the whole response, then close
  auth=basic:USER:PASS    demand Basic authentication (401 + WWW-Authenticate first); a wrong
                          Authorization gets 403
  auth=digest:USER:PASS   the same with Digest (RFC 2617), checked with hashlib
  algorithm=A       Digest challenge algorithm (MD5 when absent; MD5-sess and others allowed)
  qop=Q             Digest challenge qop (default "auth"); qop=none leaves it out
  opaque=O          Digest challenge opaque value
  realm=R           challenge realm (default "launcher")
  proxy             challenge as a proxy: 407 with Proxy-Authenticate, Proxy-Authorization

Connections are kept open between requests (HTTP/1.1) unless an option ends them, the
request asks for "Connection: close", or the response has no length.
"""

import argparse
import hashlib
import os
import secrets
import socket
import socketserver
import ssl
import struct
import sys
import threading
import time
import urllib.parse
import warnings

MAX_REQUEST_HEAD = 64 * 1024


class Attempt:
    """The options of one attempt, parsed from "cut=700,nolength"."""

    def __init__(self, text):
        self.options = {}
        for item in filter(None, text.split(",")):
            name, _, value = item.partition("=")
            self.options[name] = value

    def has(self, name):
        return name in self.options

    def number(self, name, default=0):
        value = self.options.get(name, "")
        return int(value) if value else default

    def text(self, name, default=""):
        return self.options.get(name, default)


class Request:
    def __init__(self, raw_head, body):
        self.raw = raw_head + body
        self.body = body
        head = raw_head.decode("latin-1")
        lines = head.split("\r\n")
        parts = lines[0].split(" ")
        self.method = parts[0] if parts else ""
        self.target = parts[1] if len(parts) > 1 else "/"
        self.version = parts[2] if len(parts) > 2 else ""
        self.headers = []
        for line in lines[1:]:
            if not line:
                continue
            name, _, value = line.partition(":")
            self.headers.append((name.strip().lower(), value.strip()))
        self.path = urllib.parse.urlsplit(self.target).path
        self.query = urllib.parse.urlsplit(self.target).query

    def header(self, name):
        for key, value in self.headers:
            if key == name:
                return value
        return None


class State:
    """Shared by every connection: attempt counters, the request log, digest nonces."""

    def __init__(self, root, log_dir, portal=False):
        self.root = os.path.realpath(root)
        self.log_dir = log_dir
        self.portal = portal
        self.lock = threading.Lock()
        self.counts = {}
        self.logged = 0
        self.nonces = set()
        self.stopping = threading.Event()

    def next_attempt(self, key):
        with self.lock:
            n = self.counts.get(key, 0)
            self.counts[key] = n + 1
            return n

    def log_request(self, raw):
        if not self.log_dir:
            return
        with self.lock:
            self.logged += 1
            name = os.path.join(self.log_dir, "%06d.http" % self.logged)
            with open(name + ".part", "wb") as f:
                f.write(raw)
            os.replace(name + ".part", name)

    def record_event(self, request):
        query = urllib.parse.parse_qs(request.query, keep_blank_values=True)
        line = query.get("line", [""])[0].replace("\n", " ")
        with self.lock:
            with open(os.path.join(self.root, "portal", "events.txt"), "a", encoding="utf-8") as f:
                f.write(line + "\n")

    def new_nonce(self):
        nonce = secrets.token_hex(16)
        with self.lock:
            self.nonces.add(nonce)
        return nonce

    def known_nonce(self, nonce):
        with self.lock:
            return nonce in self.nonces

    def file_bytes(self, relative):
        path = os.path.realpath(os.path.join(self.root, urllib.parse.unquote(relative).lstrip("/")))
        if not (path == self.root or path.startswith(self.root + os.sep)) or not os.path.isfile(path):
            return None
        with open(path, "rb") as f:
            return f.read()


class ConnectionEnds(Exception):
    pass


TLS_HANDSHAKE_RECORD = 0x16
TLS_VERSIONS = {"1.1": ssl.TLSVersion.TLSv1_1, "1.2": ssl.TLSVersion.TLSv1_2,
                "1.3": ssl.TLSVersion.TLSv1_3}


class Handler(socketserver.BaseRequestHandler):
    state = None  # set by main()
    tls = None  # an ssl.SSLContext with --tls

    def setup(self):
        self.pending = b""
        self.secure = None

    def finish(self):
        if self.secure is not None:
            self.secure.close()

    def start_tls(self):
        """Wraps the connection when it opens with a TLS handshake; False when that fails."""
        first = self.request.recv(1, socket.MSG_PEEK)
        if not first or first[0] != TLS_HANDSHAKE_RECORD:
            return True
        try:
            self.secure = self.tls.wrap_socket(self.request, server_side=True)
        except (ssl.SSLError, OSError):
            return False  # the client refused the certificate, or went away
        self.request = self.secure
        return True

    def handle(self):
        try:
            if self.tls is not None and not self.start_tls():
                return
            while not self.state.stopping.is_set():
                request = self.read_request()
                if request is None:
                    return
                self.state.log_request(request.raw)
                if not self.answer(request):
                    return
        except (ConnectionEnds, OSError):
            return

    # -- reading ---------------------------------------------------------------------------

    def receive(self):
        data = self.request.recv(65536)
        if not data:
            raise ConnectionEnds()
        return data

    def read_request(self):
        while b"\r\n\r\n" not in self.pending:
            if len(self.pending) > MAX_REQUEST_HEAD:
                return None
            try:
                self.pending += self.receive()
            except ConnectionEnds:
                if self.pending:
                    self.state.log_request(self.pending)
                return None
        end = self.pending.index(b"\r\n\r\n") + 4
        head, self.pending = self.pending[:end], self.pending[end:]
        probe = Request(head, b"")
        length = int(probe.header("content-length") or 0)
        while len(self.pending) < length:
            self.pending += self.receive()
        body, self.pending = self.pending[:length], self.pending[length:]
        return Request(head, body)

    # -- answering -------------------------------------------------------------------------

    def send(self, data):
        self.request.sendall(data)

    def answer(self, request):
        """Answers one request; returns whether the connection may carry another one."""
        path = request.path
        if path == "/_counts":
            with self.state.lock:
                text = "".join("%s %d\n" % item for item in sorted(self.state.counts.items()))
            return self.simple(200, text.encode(), request)
        if self.state.portal and path == "/portal/event":
            self.state.record_event(request)
            return self.simple(200, b"ok\n", request)
        if self.state.portal and path == "/record_error.php":
            return self.simple(200, b"ok\n", request)
        if path.startswith("/fault/") or path.startswith("/auth/"):
            _, prefix, steps, rest = path.split("/", 3) if path.count("/") >= 3 else ("", "", "", "")
            if not rest:
                return self.simple(404, b"not found\n", request)
            attempts = [Attempt(s) for s in steps.split("+")]
            n = self.state.next_attempt("/%s/%s/%s" % (prefix, steps, rest))
            attempt = attempts[min(n, len(attempts) - 1)]
            return self.serve(request, attempt, "/" + rest)
        return self.serve(request, Attempt(""), path)

    def simple(self, status, body, request, extra=b""):
        close = (request.header("connection") or "").lower() == "close"
        head = b"HTTP/1.1 %d %s\r\nContent-Type: text/plain\r\nContent-Length: %d\r\n" % (
            status, reason(status), len(body))
        if close:
            head += b"Connection: close\r\n"
        self.send(head + extra + b"\r\n" + body)
        return not close

    def serve(self, request, attempt, file_path):
        if attempt.has("delay"):
            time.sleep(attempt.number("delay") / 1000.0)
        if attempt.has("silent"):
            self.state.stopping.wait(120)
            return False
        if attempt.has("reset") and not attempt.text("reset"):
            self.reset()
            return False
        if attempt.has("auth"):
            verdict = self.check_auth(request, attempt)
            if verdict is not None:
                return verdict
        if attempt.has("status"):
            status = attempt.number("status")
            return self.simple(status, b"status %d\n" % status, request)
        body = self.state.file_bytes(file_path)
        if body is None:
            return self.simple(404, b"not found\n", request)
        if attempt.has("raw"):
            self.send(body)
            return False
        return self.send_file(request, attempt, body)

    def send_file(self, request, attempt, body):
        if attempt.has("continue"):
            for i in range(attempt.number("continue", 1)):
                if i:
                    time.sleep(0.1)
                self.send(b"HTTP/1.1 100 Continue\r\n\r\n")
        status_line = b"ICY 200 OK\r\n" if attempt.has("icy") else b"HTTP/1.1 200 OK\r\n"
        head = status_line + b"Content-Type: " + content_type(request.path) + b"\r\n"
        chunked = attempt.has("chunked")
        no_length = attempt.has("nolength")
        if chunked:
            head += b"Transfer-Encoding: chunked\r\n"
        elif not no_length:
            digits = str(attempt.number("length", len(body)) if attempt.has("length") else len(body))
            if attempt.has("spacedlength") and len(digits) > 1:
                digits = digits[0] + " " + digits[1:]
            head += b"Content-Length: " + digits.encode() + b"\r\n"
        if attempt.has("bigheaders"):
            head += b"X-Padding: " + b"p" * attempt.number("bigheaders") + b"\r\n"
        close = (no_length or attempt.has("close")
                 or (request.header("connection") or "").lower() == "close")
        if close:
            head += b"Connection: close\r\n"
        self.send(head + b"\r\n")

        if attempt.has("garble"):
            self.send(body[:attempt.number("garble")])
            socket.socket.sendall(self.request, b"\x17\x03\x03\x00\x40" + b"\x00" * 64)
            return False
        if attempt.has("cut") or attempt.has("stall") or attempt.text("reset"):
            limit = attempt.number("cut") if attempt.has("cut") else (
                attempt.number("stall") if attempt.has("stall") else attempt.number("reset"))
            self.send(body[:limit])
            if attempt.has("stall"):
                self.state.stopping.wait(120)
            elif attempt.text("reset"):
                self.reset()
            return False
        if chunked:
            size = attempt.number("chunk", 4096) or 4096
            for start in range(0, len(body), size):
                piece = body[start:start + size]
                line = b"%x" % len(piece)
                if attempt.has("chunkext"):
                    line += b";name=value"
                self.send(line + b"\r\n" + piece + b"\r\n")
            self.send(b"0" + (b";last=1" if attempt.has("chunkext") else b"") + b"\r\n\r\n")
        elif attempt.has("rate"):
            piece = max(1, attempt.number("rate") // 20)
            for start in range(0, len(body), piece):
                self.send(body[start:start + piece])
                time.sleep(0.05)
        elif attempt.has("drip"):
            pause = attempt.number("drip") / 1000.0
            for i in range(len(body)):
                self.send(body[i:i + 1])
                time.sleep(pause)
        else:
            self.send(body)
        return not close

    def reset(self):
        self.request.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
        self.request.close()

    # -- authentication --------------------------------------------------------------------

    def check_auth(self, request, attempt):
        """None when the request is authorised; otherwise answers it and returns the verdict."""
        scheme, _, credentials = attempt.text("auth").partition(":")
        user, _, password = credentials.partition(":")
        proxy = attempt.has("proxy")
        realm = attempt.text("realm", "launcher")
        given = request.header("proxy-authorization" if proxy else "authorization")
        challenge_status = 407 if proxy else 401
        challenge_name = b"Proxy-Authenticate" if proxy else b"WWW-Authenticate"
        if given is None:
            if scheme == "basic":
                challenge = 'Basic realm="%s"' % realm
            else:
                challenge = 'Digest realm="%s"' % realm
                qop = attempt.text("qop", "auth")
                if qop != "none":
                    challenge += ', qop="%s"' % qop
                challenge += ', nonce="%s"' % self.state.new_nonce()
                if attempt.has("algorithm"):
                    challenge += ", algorithm=%s" % attempt.text("algorithm")
                if attempt.has("opaque"):
                    challenge += ', opaque="%s"' % attempt.text("opaque")
            return self.simple(challenge_status, b"authorisation required\n", request,
                               challenge_name + b": " + challenge.encode() + b"\r\n")
        if scheme == "basic":
            ok = basic_matches(given, user, password)
        else:
            ok = self.digest_matches(given, request, user, password, realm)
        if ok:
            return None
        return self.simple(403, b"wrong credentials\n", request)

    def digest_matches(self, given, request, user, password, realm):
        if not given.startswith("Digest "):
            return False
        fields = parse_digest_fields(given[len("Digest "):])
        needed = ("username", "realm", "nonce", "uri", "response", "qop", "nc", "cnonce")
        if any(name not in fields for name in needed):
            return False
        if (fields["username"] != user or fields["realm"] != realm
                or not self.state.known_nonce(fields["nonce"]) or fields["uri"] != request.target):
            return False
        algorithm = fields.get("algorithm", "MD5")
        md5 = lambda text: hashlib.md5(text.encode("latin-1")).hexdigest()
        ha1 = md5("%s:%s:%s" % (user, realm, password))
        if algorithm.lower() == "md5-sess":
            ha1 = md5("%s:%s:%s" % (ha1, fields["nonce"], fields["cnonce"]))
        ha2 = md5("%s:%s" % (request.method, fields["uri"]))
        expected = md5(":".join((ha1, fields["nonce"], fields["nc"], fields["cnonce"],
                                 fields["qop"], ha2)))
        return fields["response"] == expected


def basic_matches(given, user, password):
    import base64
    if not given.startswith("Basic "):
        return False
    try:
        decoded = base64.b64decode(given[len("Basic "):].strip(), validate=True).decode("latin-1")
    except ValueError:
        return False
    return decoded == "%s:%s" % (user, password)


def parse_digest_fields(text):
    """name=value and name="value" pairs separated by commas."""
    fields = {}
    i = 0
    while i < len(text):
        while i < len(text) and text[i] in " ,":
            i += 1
        eq = text.find("=", i)
        if eq < 0:
            break
        name = text[i:eq].strip().lower()
        i = eq + 1
        if i < len(text) and text[i] == '"':
            end = text.find('"', i + 1)
            end = len(text) if end < 0 else end
            fields[name] = text[i + 1:end]
            i = end + 1
        else:
            end = text.find(",", i)
            end = len(text) if end < 0 else end
            fields[name] = text[i:end].strip()
            i = end
    return fields


# Pages and their parts get their own types so that a browser shows them; everything else is
# data to save.
PAGE_TYPES = {".html": b"text/html; charset=utf-8", ".js": b"text/javascript; charset=utf-8",
              ".css": b"text/css; charset=utf-8", ".png": b"image/png"}


def content_type(path):
    return PAGE_TYPES.get(os.path.splitext(path)[1].lower(), b"application/octet-stream")


def reason(status):
    return {200: b"OK", 401: b"Unauthorized", 403: b"Forbidden", 404: b"Not Found",
            407: b"Proxy Authentication Required", 500: b"Internal Server Error"}.get(
                status, b"Status")


class Server(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True
    request_queue_size = 64


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--root", required=True)
    parser.add_argument("--host", default="127.0.0.1")
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--port-file")
    parser.add_argument("--log-dir")
    parser.add_argument("--portal", action="store_true",
                        help="also be the demo portal: make DIR/portal/ and answer its calls")
    parser.add_argument("--release", metavar="RELEASE",
                        help="with --portal: serve this launcher-publish release folder")
    parser.add_argument("--tls", nargs=2, metavar=("CERT", "KEY"),
                        help="also serve https on the same port with this certificate and key")
    parser.add_argument("--tls-only-version", choices=sorted(TLS_VERSIONS))
    parser.add_argument("--ask-client-certificate", metavar="CA")
    args = parser.parse_args()
    if args.tls:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(args.tls[0], args.tls[1])
        if args.tls_only_version:
            version = TLS_VERSIONS[args.tls_only_version]
            # The old versions' ciphers sit below the system's default security level.
            context.set_ciphers("DEFAULT:@SECLEVEL=0")
            with warnings.catch_warnings():
                warnings.simplefilter("ignore", DeprecationWarning)  # asked for on purpose
                context.minimum_version = context.maximum_version = version
        if args.ask_client_certificate:
            context.load_verify_locations(args.ask_client_certificate)
            context.verify_mode = ssl.CERT_OPTIONAL
        Handler.tls = context
    if args.log_dir:
        os.makedirs(args.log_dir, exist_ok=True)
    if args.portal:
        import demo_portal
        demo_portal.prepare(args.root, args.release)
    Handler.state = State(args.root, args.log_dir, args.portal)
    server = Server((args.host, args.port), Handler)
    port = server.server_address[1]
    if args.port_file:
        with open(args.port_file + ".part", "w") as f:
            f.write("%d\n" % port)
        os.replace(args.port_file + ".part", args.port_file)
    print("listening on %s:%d" % (args.host, port), flush=True)
    try:
        server.serve_forever(poll_interval=0.1)
    except KeyboardInterrupt:
        pass
    finally:
        Handler.state.stopping.set()


if __name__ == "__main__":
    import signal
    signal.signal(signal.SIGTERM, lambda *_: os._exit(0))
    sys.exit(main())
