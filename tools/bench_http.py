#!/usr/bin/env python3
"""Download speed of the launcher's HTTP client against curl.

Serves one 28 MB file from Debian's nginx on a free loopback port (a temporary configuration
in a scratch folder), then fetches it alternately with the client program (as a download worker
does: 2,048-byte reads) and with curl. Prints the median wall time of each, the client's user
+ system CPU time per MiB, and finally "http ratio: R" (client time / curl time).

With --tls the same over https: a test authority and a certificate for 127.0.0.1 are made with
openssl (tools/make_test_certs.sh), nginx serves https with it, both clients trust that authority
(the client through LAUNCHER_EXTRA_CA_FILE, curl through --cacert) and check the certificate,
and the last line is "https ratio: R".

usage: bench_http.py CLIENT_PROGRAM [--runs N] [--size BYTES] [--tls]
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


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


HERE = os.path.dirname(os.path.abspath(__file__))


def start_nginx(prefix, root, tls=None):
    """tls: (certificate, key) to serve https, or None."""
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
events {{ worker_connections 64; }}
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


def timed(command, env=None):
    """Wall seconds and user+system CPU seconds of one run of command."""
    start = time.perf_counter()
    process = subprocess.Popen(command, stdout=subprocess.DEVNULL, env=env)
    _, status, usage = os.wait4(process.pid, 0)
    wall = time.perf_counter() - start
    process.returncode = os.waitstatus_to_exitcode(status)
    if process.returncode != 0:
        sys.exit("failed (%d): %s" % (process.returncode, " ".join(command)))
    return wall, usage.ru_utime + usage.ru_stime


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("client")
    parser.add_argument("--runs", type=int, default=7)
    parser.add_argument("--size", type=int, default=28 * 1000 * 1000)
    parser.add_argument("--tls", action="store_true", help="over https")
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
        scheme, client_env, curl_options, tls = "http", None, [], None
        if args.tls:
            certs = os.path.join(scratch, "certs")
            subprocess.run(["bash", os.path.join(HERE, "make_test_certs.sh"), certs], check=True)
            ca = os.path.join(certs, "ca.pem")
            tls = (os.path.join(certs, "good.pem"), os.path.join(certs, "good.key"))
            scheme = "https"
            client_env = dict(os.environ, LAUNCHER_EXTRA_CA_FILE=ca)
            curl_options = ["--cacert", ca]
        nginx, port = start_nginx(os.path.join(scratch, "nginx"), root, tls)
        url = "%s://127.0.0.1:%d/big.zip" % (scheme, port)
        client_command = [args.client, url]
        curl_command = ["curl", "-s", "-f", "-o", "/dev/null"] + curl_options + [url]
        # One warm-up of each so that both read the file from the page cache.
        timed(client_command, client_env)
        timed(curl_command)
        client_wall, client_cpu, curl_wall, curl_cpu = [], [], [], []
        for _ in range(args.runs):
            wall, cpu = timed(client_command, client_env)
            client_wall.append(wall)
            client_cpu.append(cpu)
            wall, cpu = timed(curl_command)
            curl_wall.append(wall)
            curl_cpu.append(cpu)
        mib = args.size / (1024 * 1024)
        client_time = statistics.median(client_wall)
        curl_time = statistics.median(curl_wall)
        print("file: %d bytes from nginx on 127.0.0.1 over %s, %d runs each (medians)"
              % (args.size, scheme, args.runs))
        print("client (2,048-byte reads): %.3f s  (%.1f MiB/s)" % (client_time, mib / client_time))
        print("curl:                      %.3f s  (%.1f MiB/s)" % (curl_time, mib / curl_time))
        print("client CPU (user+system): %.2f ms per MiB" % (1000 * statistics.median(client_cpu) / mib))
        print("curl CPU (user+system):   %.2f ms per MiB" % (1000 * statistics.median(curl_cpu) / mib))
        print("machine load (1 min): %.1f on %d CPUs" % (os.getloadavg()[0], os.cpu_count()))
        print("%s ratio: %.2f" % (scheme, client_time / curl_time))
    finally:
        if nginx is not None:
            nginx.send_signal(signal.SIGQUIT)
            try:
                nginx.wait(timeout=5)
            except subprocess.TimeoutExpired:
                nginx.kill()
                nginx.wait()
        shutil.rmtree(scratch, ignore_errors=True)


if __name__ == "__main__":
    main()
