#!/usr/bin/env python3
"""Download speed of the launcher's HTTP client against curl.

Serves one 28 MB file from Debian's nginx on a free loopback port (a temporary configuration
in a scratch folder), then fetches it alternately with the client program and with curl. The
client program runs one real download job (tools/http_fetch.cpp: the download worker on its
own thread, 2,048-byte body reads written to a temporary file through a 64 KiB window and
renamed when whole) and curl writes its file too, so both sides do the same work; every saved file is checked
for its length. Prints the median wall time of each side, its user + system CPU time per MiB
and its minor page faults (each a trap into the kernel, expensive on virtual machines), and
finally "http ratio: R" (client time / curl time).

With --tls the same over https: a test authority and a certificate for 127.0.0.1 are made with
openssl (tools/make_test_certs.sh), nginx serves https with it, both clients trust that authority
(the client through LAUNCHER_EXTRA_CA_FILE, curl through --cacert) and check the certificate,
and the last line is "https ratio: R".

With --wine LOADER the client is the Windows program (http_fetch.exe) run by that Wine loader,
for information: the times include Wine's own start of a program, measured apart as the fetch
of a 1-byte file, and Wine's socket layer, which is not the product's. The last line is
"windows http ratio: R".

usage: bench_http.py CLIENT_PROGRAM [--runs N] [--size BYTES] [--tls] [--wine LOADER]
"""

import argparse
import os
import shutil
import signal
import socket
import statistics
import subprocess
import sys
import tempfile
import time

from process_end import end_process


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


HERE = os.path.dirname(os.path.abspath(__file__))


def start_nginx(prefix, root, tls=None, connections=64):
    """tls: (certificate, key) to serve https, or None; connections: per worker (Debian's
    stock configuration has 768)."""
    for _ in range(5):
        port = free_port()
        os.makedirs(os.path.join(prefix, "temp"), exist_ok=True)
        conf = os.path.join(prefix, "nginx.conf")
        temp = os.path.join(prefix, "temp")
        ssl = " ssl" if tls else ""
        certificate = ("ssl_certificate %s; ssl_certificate_key %s;" % tls) if tls else ""
        with open(conf, "w") as f:
            f.write(f"""master_process off;
daemon off;
pid {prefix}/nginx.pid;
error_log {prefix}/error.log warn;
events {{ worker_connections {connections}; }}
http {{
  access_log off;
  sendfile on;
  default_type application/octet-stream;
  client_body_temp_path {temp}; proxy_temp_path {temp}; fastcgi_temp_path {temp};
  uwsgi_temp_path {temp}; scgi_temp_path {temp};
  server {{ listen 127.0.0.1:{port}{ssl}; root {root}; {certificate} }}
}}
""")
        process = subprocess.Popen(["/usr/sbin/nginx", "-e", os.path.join(prefix, "error.log"),
                                    "-p", prefix + "/", "-c", conf])
        deadline = time.time() + 10
        while time.time() < deadline and process.poll() is None:
            try:
                socket.create_connection(("127.0.0.1", port), timeout=1).close()
                return process, port
            except OSError:
                time.sleep(0.02)
        if process.poll() is None:
            process.kill()
        process.wait()
    sys.exit("nginx did not start")


class run_facts:
    """Wall seconds, user + system CPU seconds and minor page faults of one run."""

    def __init__(self, wall, cpu, faults):
        self.wall, self.cpu, self.faults = wall, cpu, faults


def timed(command, env=None, output=None, size=None):
    """Runs command once; when output and size are given, the file it saved must have that
    length (a download worker that gives up ends its process with exit code 0)."""
    if output is not None and os.path.exists(output):
        os.remove(output)
    start = time.perf_counter()
    process = subprocess.Popen(command, stdout=subprocess.DEVNULL, env=env)
    _, status, usage = os.wait4(process.pid, 0)
    wall = time.perf_counter() - start
    code = os.waitstatus_to_exitcode(status)
    if code != 0:
        sys.exit("failed (%d): %s" % (code, " ".join(command)))
    if output is not None:
        saved = os.path.getsize(output) if os.path.exists(output) else -1
        if saved != size:
            sys.exit("saved %d bytes instead of %d: %s" % (saved, size, " ".join(command)))
    return run_facts(wall, usage.ru_utime + usage.ru_stime, usage.ru_minflt)


def wine_path(path):
    """The path as a Windows program under Wine sees it (drive Z: is the root)."""
    return "Z:" + path.replace("/", "\\")


def median_of(runs, field):
    return statistics.median(getattr(r, field) for r in runs)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("client")
    parser.add_argument("--runs", type=int, default=7)
    parser.add_argument("--size", type=int, default=28 * 1000 * 1000)
    parser.add_argument("--tls", action="store_true", help="over https")
    parser.add_argument("--wine", metavar="LOADER", help="run the Windows client with this loader")
    args = parser.parse_args()
    if not shutil.which("curl"):
        sys.exit("curl is missing")

    scratch = tempfile.mkdtemp(prefix="bench-http-")
    nginx = None
    try:
        root = os.path.join(scratch, "root")
        os.makedirs(root)
        with open(os.path.join(root, "big.zip"), "wb") as f:
            f.write(os.urandom(args.size))
        with open(os.path.join(root, "one.zip"), "wb") as f:
            f.write(b"1")
        downloads = os.path.join(scratch, "downloads")
        os.makedirs(downloads)
        # ERROR lines of the worker are not reported anywhere.
        client_env = dict(os.environ, LAUNCHER_REPORT_HOST="127.0.0.1:1")
        scheme, curl_options, tls = "http", [], None
        if args.tls:
            certs = os.path.join(scratch, "certs")
            subprocess.run(["bash", os.path.join(HERE, "make_test_certs.sh"), certs], check=True)
            ca = os.path.join(certs, "ca.pem")
            tls = (os.path.join(certs, "good.pem"), os.path.join(certs, "good.key"))
            scheme = "https"
            client_env["LAUNCHER_EXTRA_CA_FILE"] = ca
            curl_options = ["--cacert", ca]
        nginx, port = start_nginx(os.path.join(scratch, "nginx"), root, tls)
        url = "%s://127.0.0.1:%d/big.zip" % (scheme, port)
        client_file = os.path.join(downloads, "client.zip")
        curl_file = os.path.join(downloads, "curl.zip")

        def client_command(address, output):
            if args.wine:
                return [args.wine, args.client, address, wine_path(output)]
            return [args.client, address, output]

        client = client_command(url, client_file)
        curl = ["curl", "-s", "-f", "-o", curl_file] + curl_options + [url]
        # One warm-up of each so that both read the file from the page cache.
        timed(client, client_env, client_file, args.size)
        timed(curl, None, curl_file, args.size)
        client_runs, curl_runs, start_runs = [], [], []
        for _ in range(args.runs):
            client_runs.append(timed(client, client_env, client_file, args.size))
            curl_runs.append(timed(curl, None, curl_file, args.size))
            if args.wine:
                one = os.path.join(downloads, "one.zip")
                start_runs.append(timed(client_command(url.replace("big.zip", "one.zip"), one),
                                        client_env, one, 1))
        mib = args.size / (1024 * 1024)
        client_time = median_of(client_runs, "wall")
        curl_time = median_of(curl_runs, "wall")
        name = "client under Wine" if args.wine else "client"
        print("file: %d bytes from nginx on 127.0.0.1 over %s, saved by both, %d runs each (medians)"
              % (args.size, scheme, args.runs))
        for label, runs in ((name, client_runs), ("curl", curl_runs)):
            wall = median_of(runs, "wall")
            print("%-18s %.3f s  (%.1f MiB/s), CPU (user+system) %.2f ms per MiB, %d minor page faults"
                  % (label + ":", wall, mib / wall, 1000 * median_of(runs, "cpu") / mib,
                     median_of(runs, "faults")))
        if args.wine:
            print("Wine's start of the client with a 1-byte download: %.3f s, %d minor page faults"
                  % (median_of(start_runs, "wall"), median_of(start_runs, "faults")))
            print("client under Wine less that start: %.3f s"
                  % (client_time - median_of(start_runs, "wall")))
        print("machine load (1 min): %.1f on %d CPUs" % (os.getloadavg()[0], os.cpu_count()))
        prefix = "windows " if args.wine else ""
        print("%s%s ratio: %.2f" % (prefix, scheme, client_time / curl_time))
    finally:
        if nginx is not None:
            end_process(nginx, signal.SIGQUIT)
        shutil.rmtree(scratch, ignore_errors=True)


if __name__ == "__main__":
    main()
