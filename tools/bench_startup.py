#!/usr/bin/env python3
"""Start-up of the Linux launcher against the web engine alone.

On a virtual X screen of its own (Xvfb), the launcher (in a scratch launcher folder, its portal
address pointing at this script's server) and a minimal WebKitGTK program (one window, one web
view, tools/plain_web_view.cpp) show the same portal page, alternately, in the same run. The page
is the demo portal's (tools/demo_portal.py) with one addition: on its load event it reports to
the server, so the server sees the document complete without polling anything. Each run counts
from the moment the program is started to that report (the page's request is shown too); the
program is then ended. Prints the median of each side and "startup ratio: R" (launcher /
web engine alone), then the peak memory (proportional set size, so shared pages are counted
once) of each program and its web processes together, sampled in separate runs.

Every program gets a home and XDG folders of its own under the scratch folder, kept over the
runs so that both start with the web engine's caches in the same state (one warm-up run each).

usage: bench_startup.py LAUNCHER_PROGRAM PLAIN_WEB_VIEW_PROGRAM [--runs N]
"""

import argparse
import http.server
import os
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import demo_portal  # noqa: E402
from process_end import end_process  # noqa: E402

# Sent by the page when its load event fires: the document is complete.
COMPLETE_REPORT = """<script>
window.addEventListener("load", function () {
  var report = new XMLHttpRequest();
  report.open("GET", "/startup/complete", true);
  report.send(null);
});
</script>
</body>"""

WAIT_SECONDS = 30


class portal_server(http.server.ThreadingHTTPServer):
    """Serves the page and notes when it was asked for and when it reported its load."""

    daemon_threads = True

    def __init__(self, page):
        super().__init__(("127.0.0.1", 0), portal_handler)
        self.page = page
        self.lock = threading.Condition()
        self.requested = None
        self.completed = None

    def reset(self):
        with self.lock:
            self.requested = self.completed = None

    def note(self, field):
        with self.lock:
            if getattr(self, field) is None:
                setattr(self, field, time.perf_counter())
            self.lock.notify_all()

    def wait_complete(self, timeout):
        with self.lock:
            self.lock.wait_for(lambda: self.completed is not None, timeout)
            return self.requested, self.completed


class portal_handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def answer(self, body, kind="text/plain"):
        self.send_response(200)
        self.send_header("Content-Type", kind)
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Cache-Control", "no-store")
        self.end_headers()
        self.wfile.write(body)

    def do_GET(self):
        path = self.path.split("?", 1)[0]
        if path == "/portal/index.html":
            self.server.note("requested")
            self.answer(self.server.page, "text/html; charset=utf-8")
        elif path == "/startup/complete":
            self.server.note("completed")
            self.answer(b"")
        else:  # the page's own records of its calls, error reports, a favicon
            self.answer(b"")

    def do_POST(self):
        length = int(self.headers.get("Content-Length") or 0)
        self.rfile.read(length)
        self.answer(b"")


def start_xvfb():
    read_end, write_end = os.pipe()
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1920x1080x24",
                             "-nolisten", "tcp"], pass_fds=(write_end,),
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write_end)
    with os.fdopen(read_end) as f:
        display = f.readline().strip()
    if not display:
        xvfb.kill()
        sys.exit("Xvfb did not start")
    return xvfb, ":" + display


def descendants(pid):
    """The process ids below pid, from /proc."""
    children = {}
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open("/proc/%s/stat" % entry) as f:
                fields = f.read().rsplit(")", 1)[1].split()
            children.setdefault(int(fields[1]), []).append(int(entry))
        except (OSError, IndexError):
            continue
    found, todo = [], [pid]
    while todo:
        for child in children.get(todo.pop(), []):
            found.append(child)
            todo.append(child)
    return found


def proportional_kib(pid):
    try:
        with open("/proc/%d/smaps_rollup" % pid) as f:
            for line in f:
                if line.startswith("Pss:"):
                    return int(line.split()[1])
    except OSError:
        pass
    return 0


class program:
    """One side of the comparison: how to start it in its own home."""

    def __init__(self, name, command, home, cwd, env):
        self.name, self.command, self.home, self.cwd = name, command, home, cwd
        self.env = dict(env, HOME=home, XDG_CONFIG_HOME=os.path.join(home, "config"),
                        XDG_DATA_HOME=os.path.join(home, "data"),
                        XDG_CACHE_HOME=os.path.join(home, "cache"),
                        XDG_STATE_HOME=os.path.join(home, "state"))
        os.makedirs(home, exist_ok=True)

    def run(self, server, sample_memory=False):
        """Seconds to the page's request and to its report of the complete document, and the
        peak proportional memory in KiB of the program and its descendants (when sampled)."""
        server.reset()
        start = time.perf_counter()
        process = subprocess.Popen(self.command, cwd=self.cwd, env=self.env,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        peak = 0
        try:
            if sample_memory:
                deadline = start + WAIT_SECONDS
                settled = None
                while time.perf_counter() < deadline and process.poll() is None:
                    tree = [process.pid] + descendants(process.pid)
                    peak = max(peak, sum(proportional_kib(p) for p in tree))
                    _, completed = server.wait_complete(0.02)
                    if completed is not None and settled is None:
                        settled = time.perf_counter() + 0.5  # what the shown page holds
                    if settled is not None and time.perf_counter() > settled:
                        break
            requested, completed = server.wait_complete(WAIT_SECONDS)
            if completed is None:
                sys.exit("%s: the page did not report its load within %d s"
                         % (self.name, WAIT_SECONDS))
            return requested - start, completed - start, peak
        finally:
            stop(process)


def stop(process):
    """Ends the program and, should they outlive it, the web processes it started."""
    tree = descendants(process.pid)
    end_process(process)
    deadline = time.perf_counter() + 5
    for pid in tree:
        while time.perf_counter() < deadline:
            try:
                os.kill(pid, 0)
            except ProcessLookupError:
                break
            time.sleep(0.01)
        else:
            try:
                os.kill(pid, signal.SIGKILL)
            except ProcessLookupError:
                pass


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("launcher")
    parser.add_argument("plain")
    parser.add_argument("--runs", type=int, default=7)
    args = parser.parse_args()
    args.launcher, args.plain = os.path.abspath(args.launcher), os.path.abspath(args.plain)

    scratch = tempfile.mkdtemp(prefix="bench-startup-")
    xvfb = None
    server = None
    try:
        portal_root = os.path.join(scratch, "portal-root")
        demo_portal.prepare(portal_root)
        with open(os.path.join(portal_root, "portal", "index.html"), encoding="utf-8") as f:
            page = f.read().replace("</body>", COMPLETE_REPORT, 1).encode("utf-8")
        server = portal_server(page)
        threading.Thread(target=server.serve_forever, daemon=True).start()
        address = "http://127.0.0.1:%d/portal/index.html" % server.server_address[1]

        xvfb, display = start_xvfb()
        env = dict(os.environ, DISPLAY=display, LANG=os.environ.get("LANG", "C.UTF-8"))
        env.pop("WAYLAND_DISPLAY", None)
        folder = os.path.join(scratch, "launcher")
        os.makedirs(folder)
        shutil.copy(args.launcher, os.path.join(folder, "launcher"))
        launcher_env = dict(env, LAUNCHER_PORTAL_ADDRESS=address,
                            LAUNCHER_REPORT_HOST="127.0.0.1:%d" % server.server_address[1])
        sides = [
            program("launcher", [os.path.join(folder, "launcher")],
                    os.path.join(scratch, "home-launcher"), folder, launcher_env),
            program("web engine alone", [args.plain, address],
                    os.path.join(scratch, "home-plain"), scratch, env),
        ]
        for side in sides:
            side.run(server)  # warm-up: caches and folders of the web engine exist afterwards
        times = {side.name: [] for side in sides}
        for _ in range(args.runs):
            for side in sides:
                times[side.name].append(side.run(server)[:2])
        peaks = {side.name: side.run(server, sample_memory=True)[2] for side in sides}

        print("from process start under Xvfb, %d runs each (medians): page requested, "
              "document complete" % args.runs)
        for side in sides:
            requested = statistics.median(t[0] for t in times[side.name])
            completed = statistics.median(t[1] for t in times[side.name])
            print("%-17s %.3f s  %.3f s" % (side.name + ":", requested, completed))
        for side in sides:
            print("%s peak memory with its web processes: %.1f MiB"
                  % (side.name, peaks[side.name] / 1024.0))
        print("machine load (1 min): %.1f on %d CPUs" % (os.getloadavg()[0], os.cpu_count()))
        launcher = statistics.median(t[1] for t in times["launcher"])
        plain = statistics.median(t[1] for t in times["web engine alone"])
        print("startup ratio: %.2f" % (launcher / plain))
    finally:
        if server is not None:
            server.shutdown()
        if xvfb is not None:
            xvfb.terminate()
            xvfb.wait()
        shutil.rmtree(scratch, ignore_errors=True)


if __name__ == "__main__":
    main()
