"""A home router's web server, as far as Vemlo's tests need one.

Usage:
    router_sim.py --dir DIR [--port N] [--tls-port N] [--tls-expired-port N]
                  [--ready-file F] [--exit-with-parent]

Listens on 127.0.0.1 only. HTTP on --port (0 = any free port); with
--tls-port, HTTPS with a self-signed certificate for CN "router.invalid"
(so neither the name 127.0.0.1 nor the issuer is trusted, as on a real
router); with --tls-expired-port, HTTPS with a like certificate that expired
in 2020. Certificates are made once into DIR/tls/. When listening, the actual
ports are written to the ready file as "http=P\\ntls=P\\ntls_expired=P\\n"
(enabled ones only), atomically.

Routes: /<opt>/<opt>/.../<name>[?query]
    <name> (last segment, percent-decoded) is the file DIR/bodies/<name>;
    no such file, or a name with "/" or "..", or starting with ".", is a 404.
    The query is ignored; an unknown or malformed option is a 404. Answers are
    HTTP/1.0, text/plain with Content-Length, and the connection is closed.
    Options may be combined in any order:
      basic=USER:PASS    needs HTTP Basic auth with these credentials, else 401
      digest=USER:PASS   needs HTTP Digest auth (MD5, qop=auth or none, with a
                         nonce this server issued), else 401; with both kinds
                         (or several), any one of them lets the request in
      status=NNN         answers NNN with the body file (empty if none, and
                         always for 1xx, 204 and 304)
      gzip               body as one gzip member with the header bytes
                         1F 8B 08 00 00 00 00 00 00 FF, and no
                         Content-Encoding (the router sends it so)
      cut=N              full Content-Length, only N bytes, then close
      http11             status line HTTP/1.1 (still "Connection: close")
      redirect           302 to the same URL without this segment
      huge=M             M MiB of log lines without Content-Length (the last
                         line may be cut at the M MiB mark); ignores the
                         body file and gzip/cut/stall
      stall              headers and a few body bytes, then 30 s of silence

Every request is recorded as one line of DIR/requests.log with TAB-separated
fields: request line, its HTTP version, User-Agent, auth scheme (none, Basic,
Digest or the raw word), user, password (Basic only), tls|plain, status.
In each field \\ \\t \\r \\n are escaped so, and other bytes below 0x20 or from
0x7F up as \\xNN (lowercase hex).
"""

import argparse
import base64
import binascii
import datetime
import hashlib
import http
import http.server
import itertools
import os
import secrets
import signal
import socketserver
import ssl
import struct
import sys
import threading
import urllib.parse
import urllib.request
import zlib

REALM = "Aterm"
GZIP_HEADER = bytes([0x1F, 0x8B, 0x08, 0, 0, 0, 0, 0, 0, 0xFF])
STALL_SECONDS = 30
FLAG_OPTIONS = {"gzip", "http11", "redirect", "stall"}
CREDENTIAL_OPTIONS = {"basic", "digest"}
NUMBER_OPTIONS = {"status", "cut", "huge"}
NO_BODY_STATUSES = {204, 304}


def escape(text):
    """Makes one requests.log field: printable ASCII stays, the rest is escaped."""
    try:
        data = text.encode("latin-1")  # what came off the wire, byte for byte
    except UnicodeEncodeError:
        data = text.encode("utf-8")
    out = []
    for byte in data:
        c = chr(byte)
        if c == "\\":
            out.append("\\\\")
        elif c == "\t":
            out.append("\\t")
        elif c == "\r":
            out.append("\\r")
        elif c == "\n":
            out.append("\\n")
        elif byte < 0x20 or byte >= 0x7F:
            out.append("\\x%02x" % byte)
        else:
            out.append(c)
    return "".join(out)


def gzip_member(data):
    """One gzip member with the fixed header the router's firmware writes."""
    comp = zlib.compressobj(9, zlib.DEFLATED, -15)
    raw = comp.compress(data) + comp.flush()
    return GZIP_HEADER + raw + struct.pack("<II", zlib.crc32(data), len(data) & 0xFFFFFFFF)


def huge_chunks(mebibytes):
    """Log-like lines in pieces of about 64 KiB, cut at exactly `mebibytes` MiB."""
    left = mebibytes * 1024 * 1024
    numbers = itertools.count()
    while left > 0:
        lines = [b"2024/01/01 00:00:00 line %06d\r\n" % (next(numbers) % 1000000)
                 for _ in range(2048)]
        chunk = b"".join(lines)[:left]
        left -= len(chunk)
        yield chunk


def body_name_ok(name):
    """Only plain file names inside bodies/ may be served."""
    return bool(name) and not (
        "/" in name or ".." in name or name.startswith(".") or "\0" in name
    )


def md5_hex(text):
    return hashlib.md5(text.encode("latin-1", "replace")).hexdigest()


def make_certificate(cert_path, key_path, not_before, not_after):
    """A self-signed RSA certificate for router.invalid, as routers ship."""
    from cryptography import x509
    from cryptography.hazmat.primitives import hashes, serialization
    from cryptography.hazmat.primitives.asymmetric import rsa
    from cryptography.x509.oid import NameOID

    key = rsa.generate_private_key(public_exponent=65537, key_size=2048)
    name = x509.Name([x509.NameAttribute(NameOID.COMMON_NAME, "router.invalid")])
    cert = (
        x509.CertificateBuilder()
        .subject_name(name)
        .issuer_name(name)
        .public_key(key.public_key())
        .serial_number(x509.random_serial_number())
        .not_valid_before(not_before)
        .not_valid_after(not_after)
        .add_extension(
            x509.SubjectAlternativeName([x509.DNSName("router.invalid")]),
            critical=False,
        )
        .sign(key, hashes.SHA256())
    )
    with open(key_path + ".tmp", "wb") as f:
        f.write(
            key.private_bytes(
                serialization.Encoding.PEM,
                serialization.PrivateFormat.TraditionalOpenSSL,
                serialization.NoEncryption(),
            )
        )
    with open(cert_path + ".tmp", "wb") as f:
        f.write(cert.public_bytes(serialization.Encoding.PEM))
    os.replace(key_path + ".tmp", key_path)
    os.replace(cert_path + ".tmp", cert_path)


def tls_context(directory, expired):
    tls_dir = os.path.join(directory, "tls")
    os.makedirs(tls_dir, exist_ok=True)
    stem = "expired" if expired else "router"
    cert_path = os.path.join(tls_dir, stem + ".pem")
    key_path = os.path.join(tls_dir, stem + ".key")
    if not (os.path.exists(cert_path) and os.path.exists(key_path)):
        utc = datetime.timezone.utc
        if expired:
            start = datetime.datetime(2019, 1, 1, tzinfo=utc)
            end = datetime.datetime(2020, 1, 1, tzinfo=utc)
        else:
            start = datetime.datetime.now(utc) - datetime.timedelta(days=1)
            end = start + datetime.timedelta(days=3650)
        make_certificate(cert_path, key_path, start, end)
    ctx = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    ctx.load_cert_chain(cert_path, key_path)
    return ctx


class Handler(http.server.BaseHTTPRequestHandler):
    def version_string(self):
        return "Aterm-sim/1.0"

    def log_message(self, *args):
        pass  # requests.log is the record; stderr stays for real trouble

    def log_request(self, code="-", size="-"):
        self.server.record(self, int(code) if isinstance(code, int) else 0)

    def do_HEAD(self):
        self.answer(send_body=False)

    def do_GET(self):
        self.answer(send_body=True)

    # -- request pieces ------------------------------------------------------

    def auth_fields(self):
        """(scheme, user, password) as given in the Authorization header."""
        value = self.headers.get("Authorization") if hasattr(self, "headers") else None
        if value is None:
            return "none", "", ""
        scheme, _, rest = value.strip().partition(" ")
        if scheme.lower() == "basic":
            try:
                decoded = base64.b64decode(rest.strip(), validate=True).decode("latin-1")
            except (binascii.Error, ValueError):
                return "Basic", "", ""
            user, _, password = decoded.partition(":")
            return "Basic", user, password
        if scheme.lower() == "digest":
            return "Digest", self.digest_params(rest).get("username", ""), ""
        return scheme, "", ""

    @staticmethod
    def digest_params(text):
        try:
            return urllib.request.parse_keqv_list(urllib.request.parse_http_list(text))
        except ValueError:  # an item without "="
            return {}

    def basic_ok(self, user, password):
        scheme, got_user, got_password = self.auth_fields()
        return scheme == "Basic" and (got_user, got_password) == (user, password)

    def digest_ok(self, user, password):
        value = self.headers.get("Authorization", "")
        scheme, _, rest = value.strip().partition(" ")
        if scheme.lower() != "digest":
            return False
        p = self.digest_params(rest)
        if p.get("username") != user or p.get("realm") != REALM:
            return False
        if p.get("nonce") not in self.server.nonces:
            return False
        if p.get("algorithm", "MD5").upper() != "MD5":
            return False
        uri = p.get("uri", "")
        if uri not in (self.path, self.path.split("?", 1)[0]):
            return False
        ha1 = md5_hex("%s:%s:%s" % (user, REALM, password))
        ha2 = md5_hex("%s:%s" % (self.command, uri))
        qop = p.get("qop")
        if qop is None:
            expected = md5_hex("%s:%s:%s" % (ha1, p["nonce"], ha2))
        elif qop == "auth" and "nc" in p and "cnonce" in p:
            expected = md5_hex(
                ":".join([ha1, p["nonce"], p["nc"], p["cnonce"], qop, ha2])
            )
        else:
            return False
        return secrets.compare_digest(expected, p.get("response", "").lower())

    @staticmethod
    def parse_options(segments):
        """Dict of the option segments, or None when one is not understood."""
        options = {}
        for seg in segments:
            name, eq, value = urllib.parse.unquote(seg).partition("=")
            if name in FLAG_OPTIONS and not eq:
                options[name] = True
            elif name in CREDENTIAL_OPTIONS and eq:
                options.setdefault(name, []).append(value)
            elif name in NUMBER_OPTIONS and value.isdigit():
                options[name] = int(value)
            else:
                return None
        if not 100 <= options.get("status", 200) <= 999:
            return None
        return options

    # -- answers -------------------------------------------------------------

    def send_simple(self, code, html, extra_headers=(), send_body=True):
        body = html.encode("ascii")
        self.send_response(code, self.reason(code))
        self.send_header("Content-Type", "text/html")
        self.send_header("Content-Length", str(len(body)))
        for name, value in extra_headers:
            self.send_header(name, value)
        self.finish_headers()
        if send_body:
            self.wfile.write(body)

    @staticmethod
    def reason(code):
        try:
            return http.HTTPStatus(code).phrase
        except ValueError:
            return "Unknown"

    def finish_headers(self):
        if self.protocol_version == "HTTP/1.1":
            self.send_header("Connection", "close")
        self.close_connection = True
        self.end_headers()

    def not_found(self, send_body):
        page = "<html><body><h1>404 Not Found</h1></body></html>\n"
        self.send_simple(404, page, send_body=send_body)

    def answer(self, send_body):
        target = self.path
        if target.lower().startswith(("http://", "https://")):  # absolute form
            target = "/" + target.split("://", 1)[1].partition("/")[2]
        path, _, query = target.partition("?")
        segments = path.split("/")[1:]
        options = self.parse_options(segments[:-1]) if segments else None
        name = urllib.parse.unquote(segments[-1]) if segments else ""
        if options is None or not body_name_ok(name):
            return self.not_found(send_body)
        if options.get("http11"):
            self.protocol_version = "HTTP/1.1"

        if not self.authorized(options, send_body):
            return

        if options.get("redirect"):
            kept = [s for s in segments if urllib.parse.unquote(s) != "redirect"]
            scheme = "https" if self.server.tls else "http"
            host = self.headers.get("Host") or "127.0.0.1:%d" % self.server.server_port
            location = "%s://%s/%s" % (scheme, host, "/".join(kept))
            if query:
                location += "?" + query
            page = '<html><body><a href="%s">moved</a></body></html>\n' % location
            return self.send_simple(302, page, [("Location", location)], send_body)

        if "huge" in options:
            return self.send_huge(options["huge"], send_body)

        body_path = os.path.join(self.server.directory, "bodies", name)
        try:
            with open(body_path, "rb") as f:
                body = f.read()
        except OSError:
            if "status" not in options:
                return self.not_found(send_body)
            body = b""
        code = options.get("status", 200)
        if code in NO_BODY_STATUSES or 100 <= code < 200:
            body = b""
        elif options.get("gzip"):
            body = gzip_member(body)

        self.send_response(code, self.reason(code))
        self.send_header("Content-Type", "text/plain")
        self.send_header("Content-Length", str(len(body)))
        self.finish_headers()
        if not send_body:
            return
        if options.get("stall"):
            self.wfile.write(body[: min(8, max(len(body) - 1, 0))])
            self.wfile.flush()
            self.server.stopping.wait(STALL_SECONDS)
        elif "cut" in options:
            self.wfile.write(body[: options["cut"]])
        else:
            self.wfile.write(body)

    def authorized(self, options, send_body):
        basic = options.get("basic", [])
        digest = options.get("digest", [])
        if not basic and not digest:
            return True
        for cred in basic:
            if self.basic_ok(*cred.partition(":")[::2]):
                return True
        for cred in digest:
            if self.digest_ok(*cred.partition(":")[::2]):
                return True
        challenges = []
        if digest:
            nonce = secrets.token_hex(16)
            self.server.nonces.add(nonce)
            challenges.append(
                ("WWW-Authenticate",
                 'Digest realm="%s", nonce="%s", qop="auth", algorithm=MD5' % (REALM, nonce))
            )
        if basic:
            challenges.append(("WWW-Authenticate", 'Basic realm="%s"' % REALM))
        page = "<html><body><h1>401 Unauthorized</h1></body></html>\n"
        self.send_simple(401, page, challenges, send_body)
        return False

    def send_huge(self, mebibytes, send_body):
        self.send_response(200)
        self.send_header("Content-Type", "text/plain")
        self.finish_headers()
        if send_body:
            for chunk in huge_chunks(mebibytes):
                if self.server.stopping.is_set():
                    break
                self.wfile.write(chunk)


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    block_on_close = False

    def __init__(self, port, directory, tls, log, stopping, nonces):
        self.directory = directory
        self.tls = tls
        self.log = log
        self.stopping = stopping
        self.nonces = nonces
        super().__init__(("127.0.0.1", port), Handler)

    def finish_request(self, request, client_address):
        # The handshake runs here, in the connection's own thread, so one
        # client that never finishes it cannot block the others.
        if self.tls is None:
            return super().finish_request(request, client_address)
        request.settimeout(10)
        try:
            conn = self.tls.wrap_socket(request, server_side=True)
        except (ssl.SSLError, OSError):
            return  # the client refused our certificate, or went away
        try:
            conn.settimeout(None)
            super().finish_request(conn, client_address)
        finally:
            try:
                conn.settimeout(2)
                conn.unwrap()  # close_notify: marks a body without length as complete
            except (ssl.SSLError, OSError, ValueError):
                pass
            conn.close()

    def handle_error(self, request, client_address):
        # Clients that hang up early (cut, huge, stall, time-outs) are normal.
        if not isinstance(sys.exc_info()[1], (ConnectionError, ssl.SSLError, TimeoutError)):
            super().handle_error(request, client_address)

    def record(self, handler, status):
        raw = getattr(handler, "raw_requestline", b"") or b""
        line = raw.decode("latin-1")
        if line.endswith("\n"):
            line = line[:-1]
        if line.endswith("\r"):
            line = line[:-1]
        words = line.split()
        version = words[-1] if len(words) >= 3 else ""
        headers = getattr(handler, "headers", None)
        agent = headers.get("User-Agent", "") if headers is not None else ""
        scheme, user, password = (
            handler.auth_fields() if headers is not None else ("none", "", "")
        )
        if scheme == "Digest":
            password = ""
        fields = [line, version, agent, scheme, user, password,
                  "tls" if self.tls else "plain", str(status)]
        self.log.write("\t".join(escape(f) for f in fields) + "\n")


class RequestLog:
    def __init__(self, path):
        self.lock = threading.Lock()
        self.file = open(path, "a", encoding="latin-1", newline="")

    def write(self, line):
        with self.lock:
            self.file.write(line)
            self.file.flush()


def main():
    ap = argparse.ArgumentParser(description="router simulator for Vemlo's tests")
    ap.add_argument("--dir", required=True)
    ap.add_argument("--port", type=int, default=0)
    ap.add_argument("--tls-port", type=int)
    ap.add_argument("--tls-expired-port", type=int)
    ap.add_argument("--ready-file")
    ap.add_argument("--exit-with-parent", action="store_true",
                    help="stop when the starting process goes away, even if it was killed")
    args = ap.parse_args()
    parent = os.getppid()

    directory = os.path.abspath(args.dir)
    os.makedirs(os.path.join(directory, "bodies"), exist_ok=True)
    log = RequestLog(os.path.join(directory, "requests.log"))
    stopping = threading.Event()
    nonces = set()

    servers = [("http", Server(args.port, directory, None, log, stopping, nonces))]
    if args.tls_port is not None:
        ctx = tls_context(directory, expired=False)
        servers.append(("tls", Server(args.tls_port, directory, ctx, log, stopping, nonces)))
    if args.tls_expired_port is not None:
        ctx = tls_context(directory, expired=True)
        servers.append(
            ("tls_expired",
             Server(args.tls_expired_port, directory, ctx, log, stopping, nonces))
        )

    def stop(signum, frame):
        stopping.set()

    signal.signal(signal.SIGTERM, stop)
    signal.signal(signal.SIGINT, stop)

    threads = [threading.Thread(target=s.serve_forever, daemon=True) for _, s in servers]
    for t in threads:
        t.start()

    if args.ready_file:
        text = "".join("%s=%d\n" % (name, s.server_port) for name, s in servers)
        tmp = args.ready_file + ".tmp"
        with open(tmp, "w") as f:
            f.write(text)
        os.replace(tmp, args.ready_file)

    while not stopping.wait(0.2):
        if args.exit_with_parent and os.getppid() != parent:
            break
    for _, s in servers:
        s.shutdown()
        s.server_close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
