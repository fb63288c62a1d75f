#!/usr/bin/env python3
"""A whole update, the launcher's way against a shell pipeline doing the same work.

Five packages of about 20 MB each are served by the project's test server on loopback. The
launcher side is the headless program whose page is played by a script (headless_run): it starts,
receives the file list through the page's updateGame, downloads the five packages in parallel,
checks their MD5, extracts them, starts the stand-in game and exits; its time ends when both
the launcher has ended and the game has written its whole record. The reference side is a
shell pipeline: curl fetching the five files in parallel, md5sum, unzip. Both extract the same
archives into a fresh folder each run. Prints the best wall time of each, then
"update ratio: R" (launcher / pipeline) and "update peak rss MiB: M" (the launcher process).

usage: bench_update.py HEADLESS_RUN_PROGRAM GAME_PROGRAM [--runs N] [--size BYTES]
"""

import argparse
import hashlib
import os
import random
import shutil
import subprocess
import sys
import tempfile
import time
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))


def make_packages(folder, size, count=5):
    """Zip packages of about `size` bytes each: mostly random bytes (stored nearly as they
    are) and a text part that inflating has to expand."""
    names = []
    rng = random.Random(7)
    for i in range(count):
        name = f"pack{i}.{i + 1}"
        path = os.path.join(folder, name)
        if not os.path.exists(path):
            with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
                z.writestr(f"pack{i}/random.bin", rng.randbytes(size * 9 // 10))
                line = f"package {i} line of text with some repetition\n".encode()
                z.writestr(f"pack{i}/text.txt", line * (size // 2 // len(line)))
        names.append(name)
    return names


def md5_of(path):
    with open(path, "rb") as f:
        return hashlib.md5(f.read()).hexdigest().upper()


def start_server(root, scratch):
    port_file = os.path.join(scratch, "port")
    server = subprocess.Popen(
        [sys.executable, os.path.join(HERE, "test_server.py"), "--root", root, "--port", "0",
         "--port-file", port_file],
        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    for _ in range(200):
        if os.path.exists(port_file):
            with open(port_file) as f:
                text = f.read().strip()
            if text:
                return server, int(text)
        time.sleep(0.05)
    server.kill()
    sys.exit("the test server did not start")


def wait_for_record(path, deadline):
    """The time the game's record was complete (it ends with the line "--"), or None when it
    was not complete by the deadline. The game is started by the launcher, which does not wait
    for it, so it may still be writing when the launcher has ended."""
    while True:
        try:
            with open(path, "rb") as f:
                if f.read().endswith(b"--\n"):
                    return time.perf_counter()
        except FileNotFoundError:
            pass
        if time.perf_counter() > deadline:
            return None
        time.sleep(0.001)


def launcher_failure(folder, why):
    logs = sorted(n for n in os.listdir(folder) if n.endswith(".log"))
    tail = ""
    if logs:
        with open(os.path.join(folder, logs[-1]), "rb") as f:
            tail = "\n".join(f.read().decode("utf-8", "replace").splitlines()[-15:])
    sys.exit(f"the launcher's update did not finish: {why}\n{tail}")


def run_launcher(program, game, file_list, scratch, watch=None):
    """Seconds from the launcher's start to the later of its end and the game's complete
    record, and the launcher's peak resident memory in MiB. watch, when given, is called with
    the launcher's process id every 20 ms while it runs."""
    folder = tempfile.mkdtemp(dir=scratch, prefix="launcher-")
    shutil.copy(program, os.path.join(folder, "launcher"))
    shutil.copy(game, os.path.join(folder, "game.exe"))
    record = os.path.join(folder, "game.txt")
    env = dict(os.environ)
    env.update({
        "LAUNCHER_TEST_FILE_LIST": file_list,
        "LAUNCHER_TEST_PARAM": "bench",
        "LAUNCHER_TEST_GAME_ARGUMENT": "bench",
        "LAUNCHER_PORTAL_ADDRESS": "http://127.0.0.1:1/portal.html",
        "LAUNCHER_REPORT_HOST": "127.0.0.1:1",
        "RECORD_INVOCATION_FILE": record,
        "XDG_CONFIG_HOME": os.path.join(folder, "xdg-config"),
        "XDG_DATA_HOME": os.path.join(folder, "xdg-data"),
        "XDG_CACHE_HOME": os.path.join(folder, "xdg-cache"),
        "XDG_STATE_HOME": os.path.join(folder, "xdg-state"),
    })
    start = time.perf_counter()
    child = subprocess.Popen([os.path.join(folder, "launcher")], cwd=folder, env=env,
                             stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    while True:
        pid, status, usage = os.wait4(child.pid, 0 if watch is None else os.WNOHANG)
        if pid != 0:
            break
        watch(child.pid)
        time.sleep(0.02)
    ended = time.perf_counter()
    if os.waitstatus_to_exitcode(status) != 0:
        launcher_failure(folder, f"exit code {os.waitstatus_to_exitcode(status)}")
    recorded = wait_for_record(record, ended + 30)
    if recorded is None:
        launcher_failure(folder, "the game left no complete record within 30 s")
    shutil.rmtree(folder)
    return max(ended, recorded) - start, usage.ru_maxrss / 1024.0


def run_pipeline(base_url, names, scratch):
    folder = tempfile.mkdtemp(dir=scratch, prefix="pipeline-")
    fetch = " ".join(f"curl -s -o {n} {base_url}/{n} &" for n in names)
    script = f"{fetch} wait; md5sum {' '.join(names)} >/dev/null; " + \
             "; ".join(f"unzip -o -q {n}" for n in names)
    start = time.perf_counter()
    subprocess.run(["bash", "-c", script], cwd=folder, check=True)
    elapsed = time.perf_counter() - start
    shutil.rmtree(folder)
    return elapsed


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("program")
    parser.add_argument("game")
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--size", type=int, default=20 * 1000 * 1000)
    args = parser.parse_args()

    scratch = tempfile.mkdtemp(prefix="bench-update-")
    packages = os.path.join(os.environ.get("BENCH_WORK", scratch), "packages")
    os.makedirs(packages, exist_ok=True)
    names = make_packages(packages, args.size)
    server, port = start_server(packages, scratch)
    try:
        base = f"http://127.0.0.1:{port}"
        file_list = base + "/" + "".join(f"||{md5_of(os.path.join(packages, n))}|{n}" for n in names) + "||"
        launcher_times, pipeline_times, peaks = [], [], []
        for _ in range(args.runs):
            t, peak = run_launcher(args.program, args.game, file_list, scratch)
            launcher_times.append(t)
            peaks.append(peak)
            pipeline_times.append(run_pipeline(base, names, scratch))
        total = sum(os.path.getsize(os.path.join(packages, n)) for n in names) / 2**20
        best_launcher, best_pipeline = min(launcher_times), min(pipeline_times)
        print(f"packages: {len(names)}, {total:.1f} MiB in all, best of {args.runs} runs")
        print(f"launcher (start-up, update, game start, exit): {best_launcher:.3f} s")
        print(f"pipeline (curl in parallel, md5sum, unzip):    {best_pipeline:.3f} s")
        print(f"update ratio: {best_launcher / best_pipeline:.2f}")
        print(f"update peak rss MiB: {max(peaks):.1f}")
    finally:
        server.terminate()
        server.wait()
        shutil.rmtree(scratch, ignore_errors=True)


if __name__ == "__main__":
    main()
