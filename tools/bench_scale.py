#!/usr/bin/env python3
"""Updates of a real game's size, the launcher against aria2c.

Two updates, each served by Debian's nginx (its stock 768 connections) on loopback: (a) 160
packages of 25.6 MiB (4 GiB), (b) 2,000 packages of 16 KiB; every package a zip of one stored
entry. The launcher side is the headless program whose page is played by a script
(headless_run): start-up, the whole update (download, MD5, extraction), the stand-in game's
start, exit. The reference side is aria2c -j16 fetching the same files, md5sum -c and unzip.
For each update it prints the best wall time of each side, the launcher's peak resident
memory, its most threads and most open connections, and "scale ratio: R" (launcher /
reference).

usage: bench_scale.py HEADLESS_RUN_PROGRAM GAME_PROGRAM [--runs N] [--only a|b]
"""

import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time
import zipfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from bench_http import start_nginx  # noqa: E402
import bench_update  # noqa: E402
from bench_update import md5_of  # noqa: E402
from process_end import end_process  # noqa: E402
import signal  # noqa: E402

UPDATES = {"a": (160, int(25.6 * 2**20)), "b": (2000, 16 * 1024)}


def make_packages(folder, count, size):
    """count zips of one stored entry of `size` random bytes; made once and kept."""
    os.makedirs(folder, exist_ok=True)
    entry = os.urandom(size)
    names = []
    for i in range(count):
        name = f"pack{i}.1"
        path = os.path.join(folder, name)
        if not os.path.exists(path):
            with zipfile.ZipFile(path + ".part", "w", zipfile.ZIP_STORED) as z:
                z.writestr(f"pack{i}/data.bin", entry)
            os.rename(path + ".part", path)
        names.append(name)
    return names


def count_entries(pid):
    """Threads and open sockets of a process now (0, 0 once it has ended)."""
    try:
        threads = len(os.listdir(f"/proc/{pid}/task"))
        sockets = 0
        for fd in os.listdir(f"/proc/{pid}/fd"):
            try:
                sockets += os.readlink(f"/proc/{pid}/fd/{fd}").startswith("socket:")
            except OSError:
                pass
        return threads, sockets
    except OSError:
        return 0, 0


def run_launcher(program, game, file_list, scratch):
    """Seconds to the later of the launcher's end and the game's record, peak resident MiB,
    most threads, most open sockets."""
    most = {"threads": 0, "sockets": 0}

    def watch(pid):
        threads, sockets = count_entries(pid)
        most["threads"] = max(most["threads"], threads)
        most["sockets"] = max(most["sockets"], sockets)

    seconds, peak = bench_update.run_launcher(program, game, file_list, scratch, watch)
    return seconds, peak, most["threads"], most["sockets"]


def run_reference(base_url, names, digests, scratch):
    folder = tempfile.mkdtemp(dir=scratch, prefix="aria2c-")
    with open(os.path.join(folder, "list"), "w") as f:
        f.writelines(f"{base_url}/{n}\n" for n in names)
    with open(os.path.join(folder, "sums"), "w") as f:
        f.writelines(f"{digests[n].lower()}  {n}\n" for n in names)
    script = ("aria2c -q -j16 -x1 --allow-overwrite=true --auto-file-renaming=false "
              "--file-allocation=none -i list && md5sum --quiet -c sums && unzip -o -q 'pack*.1' >/dev/null 2>&1")
    start = time.perf_counter()
    subprocess.run(["bash", "-c", script], cwd=folder, check=True)
    elapsed = time.perf_counter() - start
    shutil.rmtree(folder)
    return elapsed


def bench(label, program, game, work, scratch, runs):
    count, size = UPDATES[label]
    packages = os.path.join(work, f"packages-{label}")
    names = make_packages(packages, count, size)
    digests = {n: md5_of(os.path.join(packages, n)) for n in names}
    nginx, port = start_nginx(os.path.join(scratch, f"nginx-{label}"), packages, connections=768)
    try:
        base = f"http://127.0.0.1:{port}"
        file_list = base + "/" + "".join(f"||{digests[n]}|{n}" for n in names) + "||"
        launcher, reference, peaks, threads, sockets = [], [], [], [], []
        for _ in range(runs):
            t, peak, most_threads, most_sockets = run_launcher(program, game, file_list, scratch)
            launcher.append(t)
            peaks.append(peak)
            threads.append(most_threads)
            sockets.append(most_sockets)
            reference.append(run_reference(base, names, digests, scratch))
        total = count * size / 2**20
        print(f"({label}) {count} packages of {size} bytes, {total:.0f} MiB, best of {runs} runs")
        print(f"({label}) launcher (start-up, update, game start, exit): {min(launcher):.3f} s")
        print(f"({label}) aria2c -j16, md5sum -c, unzip:              {min(reference):.3f} s")
        print(f"({label}) launcher peak rss MiB: {max(peaks):.1f}")
        print(f"({label}) launcher most threads: {max(threads)}, most connections: {max(sockets)}")
        print(f"({label}) scale ratio: {min(launcher) / min(reference):.2f}")
    finally:
        end_process(nginx, signal.SIGQUIT)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("program")
    parser.add_argument("game")
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--only", choices=sorted(UPDATES))
    args = parser.parse_args()
    work = os.environ.get("BENCH_WORK") or tempfile.mkdtemp(prefix="bench-scale-work-")
    scratch = tempfile.mkdtemp(dir=work, prefix="run-")
    try:
        for label in [args.only] if args.only else sorted(UPDATES):
            bench(label, args.program, args.game, work, scratch, args.runs)
    finally:
        shutil.rmtree(scratch, ignore_errors=True)


if __name__ == "__main__":
    main()
