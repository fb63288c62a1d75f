#!/usr/bin/env python3
"""Writes the seed inputs of every harness into fuzz/corpus/<harness>/seed-*: one example of each
case the parsers know (the same ones the tests use), a response captured from nginx on loopback
and packages made by Debian's zip. Run once by hand when a harness's input changes; the seeds are committed."""
import os
import shutil
import socket
import struct
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.abspath(__file__))


def utf16(text):
    return text.encode("utf-16-le")


def write(harness, name, data):
    folder = os.path.join(ROOT, "corpus", harness)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "seed-" + name), "wb") as out:
        out.write(data if isinstance(data, bytes) else data.encode())


def url_request():
    for i, url in enumerate([
            "http://host/a/b.zip", "http://host", "http://host:8080/x", "https://host/x",
            "ftp://host/x", "http:/host/x", "http://127.0.0.1:18080/packages/res.12?1234",
            "http://host/My Games/a.zip", "http://host:65536/x", "http://[::1]/x"]):
        write("url_request", str(i), url)


def nginx_answers():
    """A plain and a ranged answer of nginx, as they arrive on the wire."""
    work = tempfile.mkdtemp(prefix="seed-nginx-")
    try:
        with socket.socket() as probe:
            probe.bind(("127.0.0.1", 0))
            port = probe.getsockname()[1]
        os.makedirs(os.path.join(work, "root", "dir"))
        with open(os.path.join(work, "root", "dir", "a.zip"), "wb") as out:
            out.write(b"PK\x05\x06" + bytes(18))
        config = os.path.join(work, "nginx.conf")
        with open(config, "w") as out:
            out.write(f"""daemon off; pid {work}/nginx.pid; error_log {work}/error.log;
events {{}} http {{ access_log off; client_body_temp_path {work}; proxy_temp_path {work};
fastcgi_temp_path {work}; uwsgi_temp_path {work}; scgi_temp_path {work};
server {{ listen 127.0.0.1:{port}; root {work}/root; }} }}""")
        server = subprocess.Popen(["nginx", "-c", config, "-p", work], stderr=subprocess.DEVNULL)
        try:
            answers = []
            for request in [b"GET /dir/a.zip HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n",
                            b"GET /dir/a.zip HTTP/1.1\r\nHost: 127.0.0.1\r\nRange: bytes=4-\r\n"
                            b"Connection: close\r\n\r\n",
                            b"GET /missing HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n"]:
                for _ in range(50):
                    try:
                        with socket.create_connection(("127.0.0.1", port), timeout=2) as s:
                            s.sendall(request)
                            s.shutdown(socket.SHUT_WR)
                            data = b""
                            while chunk := s.recv(65536):
                                data += chunk
                            answers.append(data)
                            break
                    except OSError:
                        time.sleep(0.1)
            return answers
        finally:
            server.terminate()
            server.wait()
    finally:
        shutil.rmtree(work)


def http_response():
    examples = [
        b"HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhello",
        b"HTTP/1.1 200 OK\r\nContent-Length: 1 000\r\n\r\n" + b"x" * 40,
        b"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n1a\r\n" + b"a" * 26 + b"\r\n0\r\n\r\n",
        b"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5;name=value\r\nhello\r\n0\r\n\r\n",
        b"ICY 200 OK\r\n\r\n",
        b"HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: Basic realm=\"r\"\r\nContent-Length: 0\r\n\r\n",
        b"HTTP/1.1 302 Found\r\nLocation: http://host/b.zip\r\n\r\n",
        b"HTTP/1.0 200 OK\r\nConnection: close\r\n\r\nuntil the peer closes",
        b"HTTP/1.1 206 Partial Content\r\nContent-length: 3\r\nContent-Length : 9\r\n\r\nabc",
    ]
    for i, answer in enumerate(examples):
        write("http_response", str(i), answer)
    for i, answer in enumerate(nginx_answers()):
        write("http_response", "nginx-" + str(i), answer)


def http_auth():
    basic, digest = b"\x00", b"\x01"
    challenges = [
        (basic, b"WWW-Authenticate: Basic realm=\"launcher\""),
        (digest, b"WWW-Authenticate: Digest realm=\"launcher\", qop=\"auth\", "
                 b"nonce=\"dcd98b7102dd2f0e8b11d0f600bfb0c093\", opaque=\"5ccc069c403ebaf9f0171e9517f40e41\""),
        (digest, b"WWW-Authenticate: Digest realm=\"r\", nonce=\"n\""),
        (digest, b"WWW-Authenticate: Digest realm=\"r\", qop=auth, nonce=n, algorithm=SHA-256"),
        (digest, b"WWW-Authenticate: Digest realm=\"r\", qop=\"auth-int\", nonce=\"n\", algorithm=MD5-sess"),
        (digest, b"WWW-Authenticate: Negotiate\r\nWWW-Authenticate: Digest realm=\"r\", qop=\"auth\", nonce=\"n\""),
        (basic, b"Proxy-Authenticate: Basic realm=\"proxy\""),
    ]
    for i, (scheme, challenge) in enumerate(challenges):
        status = b"407 Proxy Authentication Required" if challenge.startswith(b"Proxy") else b"401 Unauthorized"
        write("http_auth", str(i), scheme + b"HTTP/1.1 " + status + b"\r\n" + challenge +
              b"\r\nContent-Length: 4\r\n\r\ndeny")


def package_list():
    digest = "9E107D9D372BB6826BD81D3542A419D6"
    for i, text in enumerate([
            "B||D1|res.12||D2|ui.7||", "B||D1|res.12", "abc|res.12",
            "http://127.0.0.1:18080/packages/||" + digest.lower() + "|res.12||" + digest + "|ui.7||",
            "http://h/|x||D|a.b.7||D|readme||D||||D|../x.1||"]):
        write("package_list", str(i), utf16(text))


def dlist():
    for i, (marker, text) in enumerate([
            (1, "||12|res||7|ui||"), (0, "||"), (1, "abc||12|res||"), (1, "|res||12|res"),
            (0, "||beta|res||"), (1, "||12|res||11|ui||13|res||")]):
        write("dlist", str(i), bytes([marker]) + utf16(text))


def profile():
    for i, (marker, text) in enumerate([
            (1, b"[LIAN_YUN]\nid=abc\nsub_id=s=7\n"), (0, b""),
            (0, b"\xef\xbb\xbf[lian_yun]\r\nID = \"quoted value\" \r\nsub_id=\r\n"),
            (1, b"; comment\n[other]\nid=x\n[LIAN_YUN\nid=\xe5\xbe\xae\xe7\xab\xaf"),
            (0, b"[LIAN_YUN]\nsub_id\n[LIAN_YUN]\nid='single'\n")]):
        write("profile", str(i), bytes([marker]) + text)


def launch_link():
    for i, text in enumerate([
            "\"qzzefa://a/b/1234\"", "QZZEFA://a/b/1234", "qzzefa://a/b/1234/", "qzzefa:///a/b/1234",
            "qzzefa://a//b/1234", "qzzefa://a/b", "a/b/1234", "\"qzzefa://a/b/1234",
            "\"/opt/launcher/launcher\" \"qzzefa://first/second/-17\""]):
        write("launch_link", str(i), utf16(text))


def hand_over():
    def message(dw_data, text, count=None):
        body = utf16(text)
        return struct.pack("<II", dw_data, len(body) if count is None else count) + body
    command = "\"/opt/launcher/launcher\" \"qzzefa://first/second/1234\""
    for i, data in enumerate([message(5000, command), message(4999, command),
                              message(5000, "qzzefa://a/b/1", 29), message(5000, "", 0),
                              message(5000, "qzzefa://a/b", 100)[:30]]):
        write("hand_over", str(i), data)


def zip_extract():
    work = tempfile.mkdtemp(prefix="seed-zip-")
    try:
        def run(*args):
            subprocess.run(args, cwd=work, check=True, stdout=subprocess.DEVNULL)
        os.makedirs(os.path.join(work, "data", "x", "y"))
        with open(os.path.join(work, "data", "a.txt"), "w") as out:
            out.write("package text " * 8)
        with open(os.path.join(work, "data", "x", "y", "z.bin"), "wb") as out:
            out.write(bytes(range(64)))
        with open(os.path.join(work, "game.exe"), "w") as out:
            out.write("#!/bin/sh\n")
        os.chmod(os.path.join(work, "game.exe"), 0o755)
        os.utime(os.path.join(work, "data", "a.txt"), (1700000000, 1600000000))
        run("zip", "-q", "-r", "folders.zip", "data")
        run("zip", "-q", "-D", "-0", "stored.zip", "data/x/y/z.bin", "game.exe")
        run("zip", "-q", "-X", "-9", "deflated.zip", "data/a.txt")
        for name in ["folders.zip", "stored.zip", "deflated.zip"]:
            with open(os.path.join(work, name), "rb") as archive:
                write("zip_extract", name[:-4], archive.read())
        write("zip_extract", "empty", b"PK\x05\x06" + bytes(18))
    finally:
        shutil.rmtree(work)


def text_convert():
    for i, text in enumerate(["微端启动 V7.0 \U0001F600", "解压文件:C:\\游戏\\res.12", "beta-ä1"]):
        write("text_convert", "utf8-" + str(i), text.encode())
        write("text_convert", "utf16-" + str(i), utf16(text))


if __name__ == "__main__":
    for make in [url_request, http_response, http_auth, package_list, dlist, profile, launch_link,
                 hand_over, zip_extract, text_convert]:
        make()
    sys.exit(0)
