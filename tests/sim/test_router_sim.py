"""Checks the router simulator the other tests lean on.

Run: /usr/bin/python3 tests/sim/test_router_sim.py
"""

import base64
import hashlib
import os
import re
import shutil
import signal
import socket
import ssl
import subprocess
import sys
import tempfile
import time
import unittest
import zlib

from cryptography import x509
from cryptography.x509.oid import NameOID

SIM = os.path.join(os.path.dirname(os.path.abspath(__file__)), "router_sim.py")
BODY = b"2024/01/01 00:00:00 boot\r\n2024/01/01 00:00:01 WAN up\r\n" * 20


def start_sim(directory, *extra):
    """Starts the simulator; returns (process, {"http": port, ...})."""
    ready = os.path.join(directory, "ready")
    proc = subprocess.Popen(
        [sys.executable, SIM, "--dir", directory, "--ready-file", ready, *extra],
        stderr=subprocess.PIPE,
    )
    deadline = time.monotonic() + 20
    while not os.path.exists(ready):
        if proc.poll() is not None or time.monotonic() > deadline:
            proc.kill()
            raise RuntimeError("simulator did not start: %r" % proc.stderr.read())
        time.sleep(0.02)
    with open(ready) as f:
        text = f.read()
    ports = dict(line.split("=") for line in text.splitlines())
    return proc, text, {k: int(v) for k, v in ports.items()}


class Response:
    def __init__(self, raw):
        head, _, self.body = raw.partition(b"\r\n\r\n")
        lines = head.decode("latin-1").split("\r\n")
        self.status_line = lines[0]
        self.version, code, self.reason = (lines[0].split(" ", 2) + [""])[:3]
        self.status = int(code)
        self.headers = [tuple(h.split(": ", 1)) for h in lines[1:]]

    def header(self, name):
        values = self.all(name)
        return values[0] if values else None

    def all(self, name):
        return [v for k, v in self.headers if k.lower() == name.lower()]


def exchange(port, raw_request, tls=False, timeout=10):
    """Sends raw bytes, reads until the server closes, returns the bytes."""
    sock = socket.create_connection(("127.0.0.1", port), timeout=timeout)
    if tls:
        sock = unverified_context().wrap_socket(sock)
    with sock:
        sock.sendall(raw_request)
        chunks = []
        while True:
            data = sock.recv(65536)
            if not data:
                return b"".join(chunks)
            chunks.append(data)


def get(port, path, headers=(), tls=False, method="GET"):
    lines = ["%s %s HTTP/1.0" % (method, path), "Host: 127.0.0.1:%d" % port]
    lines += ["%s: %s" % h for h in headers]
    raw = ("\r\n".join(lines) + "\r\n\r\n").encode("latin-1")
    return Response(exchange(port, raw, tls))


def unverified_context():
    ctx = ssl.SSLContext(ssl.PROTOCOL_TLS_CLIENT)
    ctx.check_hostname = False
    ctx.verify_mode = ssl.CERT_NONE
    return ctx


def basic(user, password):
    return ("Authorization", "Basic " + base64.b64encode(
        ("%s:%s" % (user, password)).encode()).decode())


def md5(text):
    return hashlib.md5(text.encode()).hexdigest()


def digest_header(challenge, user, password, uri, qop="auth", method="GET",
                  realm="Aterm", nonce=None):
    params = dict(re.findall(r'(\w+)="?([^",]*)"?', challenge))
    nonce = nonce or params["nonce"]
    ha1 = md5("%s:%s:%s" % (user, realm, password))
    ha2 = md5("%s:%s" % (method, uri))
    fields = 'username="%s", realm="%s", nonce="%s", uri="%s"' % (user, realm, nonce, uri)
    if qop:
        nc, cnonce = "00000001", "0a4f113b"
        response = md5(":".join([ha1, nonce, nc, cnonce, qop, ha2]))
        fields += ', qop=%s, nc=%s, cnonce="%s"' % (qop, nc, cnonce)
    else:
        response = md5("%s:%s:%s" % (ha1, nonce, ha2))
    return ("Authorization", 'Digest %s, response="%s"' % (fields, response))


class RouterSimTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dir = tempfile.mkdtemp(prefix="router-sim-test.")
        os.makedirs(os.path.join(cls.dir, "bodies"))
        with open(os.path.join(cls.dir, "bodies", "system.log"), "wb") as f:
            f.write(BODY)
        cls.proc, cls.ready_text, ports = start_sim(
            cls.dir, "--tls-port", "0", "--tls-expired-port", "0")
        cls.port, cls.tls_port, cls.expired_port = (
            ports["http"], ports["tls"], ports["tls_expired"])

    @classmethod
    def tearDownClass(cls):
        cls.proc.send_signal(signal.SIGTERM)
        cls.proc.wait(10)
        cls.proc.stderr.close()
        shutil.rmtree(cls.dir)

    def last_record(self):
        with open(os.path.join(self.dir, "requests.log"), encoding="ascii") as f:
            return f.read().splitlines()[-1].split("\t")

    def test_ready_file_names_each_listener_once(self):
        self.assertRegex(self.ready_text, r"\Ahttp=\d+\ntls=\d+\ntls_expired=\d+\n\Z")

    def test_plain_answers(self):
        cases = [
            # path, status line, body (None: not checked), content type
            ("/system.log", "HTTP/1.0 200 OK", BODY, "text/plain"),
            ("/system.log?a=1&b=%2B", "HTTP/1.0 200 OK", BODY, "text/plain"),
            ("/sys%74em.log", "HTTP/1.0 200 OK", BODY, "text/plain"),
            ("/missing.log", "HTTP/1.0 404 Not Found", None, "text/html"),
            ("/status=404/system.log", "HTTP/1.0 404 Not Found", BODY, "text/plain"),
            ("/status=500/missing.log", "HTTP/1.0 500 Internal Server Error", b"", "text/plain"),
            ("/status=599/system.log", "HTTP/1.0 599 Unknown", BODY, "text/plain"),
            ("/http11/system.log", "HTTP/1.1 200 OK", BODY, "text/plain"),
            ("/nosuchoption/system.log", "HTTP/1.0 404 Not Found", None, "text/html"),
            ("/status=abc/system.log", "HTTP/1.0 404 Not Found", None, "text/html"),
            ("/..%2Fbodies%2Fsystem.log", "HTTP/1.0 404 Not Found", None, "text/html"),
            ("/.system.log", "HTTP/1.0 404 Not Found", None, "text/html"),
            ("/", "HTTP/1.0 404 Not Found", None, "text/html"),
        ]
        for path, status_line, body, ctype in cases:
            with self.subTest(path=path):
                r = get(self.port, path)
                self.assertEqual(r.status_line, status_line)
                self.assertEqual(r.header("Content-Type"), ctype)
                self.assertEqual(int(r.header("Content-Length")), len(r.body))
                if body is not None:
                    self.assertEqual(r.body, body)
                if r.status == 404 and body is None:
                    self.assertIn(b"404 Not Found", r.body)
                if r.version == "HTTP/1.1":
                    self.assertEqual(r.header("Connection"), "close")

    def test_head_sends_no_body(self):
        r = get(self.port, "/system.log", method="HEAD")
        self.assertEqual((r.status, r.body), (200, b""))
        self.assertEqual(int(r.header("Content-Length")), len(BODY))

    def test_basic_auth(self):
        path = "/basic=admin:p%40ss/system.log"
        cases = [
            ("no credentials", [], 401),
            ("wrong password", [basic("admin", "pass")], 401),
            ("wrong user", [basic("root", "p@ss")], 401),
            ("digest instead", [("Authorization", 'Digest username="admin"')], 401),
            ("right", [basic("admin", "p@ss")], 200),
        ]
        for label, headers, status in cases:
            with self.subTest(label):
                r = get(self.port, path, headers)
                self.assertEqual(r.status, status)
                if status == 401:
                    self.assertEqual(r.reason, "Unauthorized")
                    self.assertEqual(r.all("WWW-Authenticate"), ['Basic realm="Aterm"'])
                    self.assertIn(b"<html>", r.body)
                else:
                    self.assertEqual(r.body, BODY)

    def test_digest_auth(self):
        path = "/digest=admin:secret/system.log"
        challenge = get(self.port, path)
        self.assertEqual(challenge.status, 401)
        header = challenge.header("WWW-Authenticate")
        self.assertRegex(header, r'^Digest realm="Aterm", nonce="[0-9a-f]{16,}", qop="auth"')
        cases = [
            ("qop=auth", dict(), 200),
            ("old form without qop", dict(qop=None), 200),
            ("qop not offered", dict(qop="auth-int"), 401),
            ("wrong password", dict(password="Secret"), 401),
            ("wrong user", dict(user="root"), 401),
            ("other uri", dict(uri="/system.log"), 401),
            ("other method in hash", dict(method="POST"), 401),
            ("other realm", dict(realm="x"), 401),
            ("nonce never issued", dict(nonce="0123456789abcdef0123456789abcdef"), 401),
        ]
        for label, change, status in cases:
            with self.subTest(label):
                args = dict(user="admin", password="secret", uri=path)
                args.update(change)
                r = get(self.port, path, [digest_header(header, **args)])
                self.assertEqual(r.status, status)
                if status == 200:
                    self.assertEqual(r.body, BODY)
                else:
                    self.assertTrue(r.header("WWW-Authenticate").startswith("Digest "))

    def test_gzip_is_one_member_with_fixed_header(self):
        r = get(self.port, "/gzip/system.log")
        self.assertEqual(r.status, 200)
        self.assertIsNone(r.header("Content-Encoding"))
        self.assertEqual(int(r.header("Content-Length")), len(r.body))
        self.assertEqual(r.body[:10], bytes.fromhex("1F 8B 08 00 00 00 00 00 00 FF"))
        inflate = zlib.decompressobj(wbits=31)  # checks CRC32 and ISIZE too
        self.assertEqual(inflate.decompress(r.body), BODY)
        self.assertTrue(inflate.eof)
        self.assertEqual(inflate.unused_data, b"")
        self.assertLess(len(r.body), len(BODY))  # really compressed

    def test_cut_sends_fewer_bytes_than_announced(self):
        r = get(self.port, "/cut=17/system.log")
        self.assertEqual(int(r.header("Content-Length")), len(BODY))
        self.assertEqual(r.body, BODY[:17])

    def test_huge_streams_without_length(self):
        r = get(self.port, "/huge=1/ignored")
        self.assertEqual(r.status, 200)
        self.assertIsNone(r.header("Content-Length"))
        self.assertEqual(len(r.body), 1024 * 1024)
        lines = r.body.split(b"\r\n")
        self.assertEqual(lines[0], b"2024/01/01 00:00:00 line 000000")
        self.assertEqual(lines[31774], b"2024/01/01 00:00:00 line 031774")
        for line in lines[:-1]:
            self.assertRegex(line, rb"^2024/01/01 00:00:00 line \d{6}$")

    def test_redirect_drops_its_own_segment(self):
        cases = [
            ("/redirect/status=418/system.log?x=1", None,
             "http://127.0.0.1:%d/status=418/system.log?x=1" % self.port),
            ("/gzip/redirect/system.log", "router.invalid:8080",
             "http://router.invalid:8080/gzip/system.log"),
        ]
        for path, host, location in cases:
            with self.subTest(path):
                raw = "GET %s HTTP/1.0\r\n" % path
                raw += "Host: %s\r\n\r\n" % host if host else "\r\n"
                r = Response(exchange(self.port, raw.encode()))
                self.assertEqual(r.status_line, "HTTP/1.0 302 Found")
                self.assertEqual(r.header("Location"), location)

    def test_stall_holds_the_body_without_blocking_others(self):
        sock = socket.create_connection(("127.0.0.1", self.port), timeout=1)
        with sock:
            sock.sendall(b"GET /stall/system.log HTTP/1.0\r\n\r\n")
            got = b""
            with self.assertRaises(socket.timeout):
                while True:
                    data = sock.recv(65536)
                    self.assertTrue(data, "connection closed before the stall ended")
                    got += data
            r = Response(got)
            self.assertEqual(r.status, 200)
            self.assertEqual(int(r.header("Content-Length")), len(BODY))
            self.assertTrue(0 < len(r.body) < len(BODY))
            self.assertEqual(get(self.port, "/system.log").body, BODY)

    def test_tls(self):
        r = get(self.tls_port, "/basic=u:p/system.log", [basic("u", "p")], tls=True)
        self.assertEqual((r.status, r.body), (200, BODY))
        self.assertEqual(self.last_record()[4:], ["u", "p", "tls", "200"])

        cases = [(self.tls_port, False), (self.expired_port, True)]
        for port, expired in cases:
            with self.subTest(port=port, expired=expired):
                with socket.create_connection(("127.0.0.1", port), timeout=5) as raw:
                    with unverified_context().wrap_socket(raw) as conn:
                        der = conn.getpeercert(binary_form=True)
                cert = x509.load_der_x509_certificate(der)
                cn = cert.subject.get_attributes_for_oid(NameOID.COMMON_NAME)[0].value
                self.assertEqual(cn, "router.invalid")
                self.assertEqual(cert.issuer, cert.subject)
                if expired:
                    self.assertEqual(cert.not_valid_after.year, 2020)
                else:
                    self.assertGreater(cert.not_valid_after.year, time.gmtime().tm_year)
                # A client that checks certificates must refuse it.
                with socket.create_connection(("127.0.0.1", port), timeout=5) as raw:
                    with self.assertRaises(ssl.SSLCertVerificationError):
                        ssl.create_default_context().wrap_socket(raw, server_hostname="127.0.0.1")

    def test_records(self):
        cases = [
            ("bytes from 0x7F up and backslash",
             b"GET /system.log?q=\xe9\x80%2B\\ HTTP/1.0\r\nUser-Agent: Vem\x7flo/1.0\r\n\r\n",
             ["GET /system.log?q=\\xe9\\x80%2B\\\\ HTTP/1.0", "HTTP/1.0", "Vem\\x7flo/1.0",
              "none", "", "", "plain", "200"]),
            ("tab in request line is a bad request",
             b"GET /a\tb HTTP/1.1\r\n\r\n",
             ["GET /a\\tb HTTP/1.1", "HTTP/1.1", "", "none", "", "", "plain", "400"]),
            ("bare LF ends the line, CR inside is escaped",
             b"GET /x\ry.log HTTP/1.0\n\n",
             ["GET /x\\ry.log HTTP/1.0", "HTTP/1.0", "", "none", "", "", "plain", "400"]),
            ("other control bytes",
             b"GET /x\x01\x08.log HTTP/1.0\r\n\r\n",
             ["GET /x\\x01\\x08.log HTTP/1.0", "HTTP/1.0", "", "none", "", "", "plain", "404"]),
            ("basic credentials are decoded",
             b"GET /basic=a:b/system.log HTTP/1.0\r\nAuthorization: Basic "
             + base64.b64encode(b"ad\tmin:p\xe4ss") + b"\r\n\r\n",
             ["GET /basic=a:b/system.log HTTP/1.0", "HTTP/1.0", "", "Basic",
              "ad\\tmin", "p\\xe4ss", "plain", "401"]),
            ("digest user, no password",
             b"GET /digest=a:b/system.log HTTP/1.0\r\nAuthorization: Digest username=\"a\","
             b" realm=\"Aterm\", nonce=\"x\", uri=\"/\", response=\"0\"\r\n\r\n",
             ["GET /digest=a:b/system.log HTTP/1.0", "HTTP/1.0", "", "Digest",
              "a", "", "plain", "401"]),
            ("other scheme is kept as given",
             b"GET /system.log HTTP/1.0\r\nAuthorization: Bearer abc\r\n\r\n",
             ["GET /system.log HTTP/1.0", "HTTP/1.0", "", "Bearer", "", "", "plain", "200"]),
            ("unknown method",
             b"PUT /system.log HTTP/1.0\r\n\r\n",
             ["PUT /system.log HTTP/1.0", "HTTP/1.0", "", "none", "", "", "plain", "501"]),
        ]
        for label, raw, fields in cases:
            with self.subTest(label):
                status = Response(exchange(self.port, raw)).status
                self.assertEqual(str(status), fields[-1])
                self.assertEqual(self.last_record(), fields)


class LifecycleTest(unittest.TestCase):
    def test_signals_end_it_cleanly(self):
        for sig in (signal.SIGTERM, signal.SIGINT):
            with self.subTest(signal=sig.name), tempfile.TemporaryDirectory() as d:
                proc, text, ports = start_sim(d)
                try:
                    self.assertRegex(text, r"\Ahttp=\d+\n\Z")
                    with socket.create_connection(("127.0.0.1", ports["http"])) as stalled:
                        stalled.sendall(b"GET /stall/status=200/none HTTP/1.0\r\n\r\n")
                        stalled.recv(100)
                        proc.send_signal(sig)
                        self.assertEqual(proc.wait(5), 0)
                finally:
                    proc.kill()
                    proc.stderr.close()


if __name__ == "__main__":
    unittest.main()
