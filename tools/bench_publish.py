"""Benchmark of launcher-publish on a generated game of about 1 GiB.

usage: bench_publish.py LAUNCHER_PUBLISH [--files N] [--bytes B] [--package-size BYTES]

The game: about 4,000 files from 1 KB to 20 MB in 40 folders (half text-like, half data that
does not compress) and a game program at the top, the same on every run (seeded). Prints
  publish ratio: R        launcher-publish build against `zip -r` at the same level (6), one
                          process, over the same tree (wall time)
and two updates against release 1, each as the bytes a player downloads (the packages whose
name changed) against the compressed size of the changed files:
  (A) 3 % of the files changed inside two folders, plus the game program;
  (B) 1 % of the files changed at random.
Work goes to BENCH_WORK (default build/bench-publish), removed at the start of a run.
"""
import argparse
import json
import os
import random
import shutil
import subprocess
import sys
import time
import zlib

FOLDERS = 40
SMALLEST, LARGEST = 1000, 20 * 1000 * 1000
PROGRAM = "game.exe"
PROGRAM_BYTES = 6 * 1000 * 1000


def sizes_for(total, count, chance):
    """count sizes from SMALLEST to LARGEST, most of them small, adding up to about total."""
    draws = [chance.random() for _ in range(count)]
    low, high = 1.0, 30.0
    for _ in range(60):  # the exponent that gives the total
        power = (low + high) / 2
        made = sum(SMALLEST * (LARGEST / SMALLEST) ** (u ** power) for u in draws)
        low, high = (power, high) if made > total else (low, power)
    return [int(SMALLEST * (LARGEST / SMALLEST) ** (u ** power)) for u in draws]


class Content:
    """Text-like bytes (slices of a long text of random words) and bytes that do not compress."""

    def __init__(self, chance):
        words = ["".join(chance.choice("abcdefghijklmnopqrstuvwxyz") for _ in range(chance.randint(2, 9)))
                 for _ in range(5000)]
        self.text = (" ".join(chance.choice(words) for _ in range(900000))).encode()
        self.chance = chance

    def make(self, size, textual):
        if not textual:
            return self.chance.randbytes(size)
        out = bytearray()
        while len(out) < size:
            start = self.chance.randrange(len(self.text) - 65536)
            out += self.text[start:start + min(65536, size - len(out))]
        return bytes(out)


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)
    os.utime(path, (1704110400, 1704110400))


def make_game(game, files, total, chance, content):
    layout = {}
    for index, size in enumerate(sizes_for(total - PROGRAM_BYTES, files, chance)):
        folder = "folder%02d" % (index % FOLDERS)
        path = "%s/file%04d.%s" % (folder, index, "txt" if index % 2 else "bin")
        layout[path] = size
        write(os.path.join(game, path), content.make(size, index % 2 == 1))
    layout[PROGRAM] = PROGRAM_BYTES
    write(os.path.join(game, PROGRAM), content.make(PROGRAM_BYTES, False))
    return layout


def timed(command):
    start = time.monotonic()
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL)
    return time.monotonic() - start


def packages(release):
    with open(os.path.join(release, "release.json")) as f:
        return {p["name"]: p["size"] for p in json.load(f)["packages"]}


def update(name, publish, work, game, layout, changed, content, limit):
    """Changes the files, publishes against release 1, puts the files back; prints the line."""
    saved = {}
    compressed = 0
    for path in changed:
        with open(os.path.join(game, path), "rb") as f:
            saved[path] = f.read()
        data = content.make(layout[path], path.endswith(".txt"))
        compressed += len(zlib.compress(data, 6))
        write(os.path.join(game, path), data)
    release = os.path.join(work, "release-" + name)
    subprocess.run([publish, "build", game, release, "--previous", os.path.join(work, "release-1"),
                    "--package-size", str(limit)],
                   check=True, stdout=subprocess.DEVNULL)
    for path, data in saved.items():
        write(os.path.join(game, path), data)
    before, after = packages(os.path.join(work, "release-1")), packages(release)
    fetched = {n: s for n, s in after.items() if n not in before}
    downloaded = sum(fetched.values())
    print("update %s: %d files changed, compressed %d bytes; players download %d bytes in %d "
          "packages: %.2f times the changed files; 2 times plus two packages would be %d bytes"
          % (name, len(changed), compressed, downloaded, len(fetched), downloaded / compressed,
             2 * compressed + 2 * limit))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("publish")
    parser.add_argument("--files", type=int, default=4000)
    parser.add_argument("--bytes", type=int, default=1 << 30)
    parser.add_argument("--package-size", type=int, default=8 * 1024 * 1024)  # the default
    args = parser.parse_args()
    work = os.environ.get("BENCH_WORK", os.path.join(os.path.dirname(__file__), "..", "build", "bench-publish"))
    shutil.rmtree(work, ignore_errors=True)
    game = os.path.join(work, "game")
    chance = random.Random(29)
    content = Content(chance)
    layout = make_game(game, args.files, args.bytes, chance, content)
    print("game: %d files, %d bytes in %d folders" % (len(layout), sum(layout.values()), FOLDERS))

    reference = timed(["sh", "-c", 'cd "$0" && zip -q -r -6 "$1" .', game, os.path.join(work, "reference.zip")])
    published = timed([args.publish, "build", game, os.path.join(work, "release-1"),
                       "--package-size", str(args.package_size)])
    count = len(packages(os.path.join(work, "release-1")))
    print("zip -r: %.1f s; launcher-publish: %.1f s, %d packages on %d cores"
          % (reference, published, count, os.cpu_count()))
    print("publish ratio: %.2f" % (published / reference))

    paths = sorted(p for p in layout if p != PROGRAM)
    two_folders = [p for p in paths if p.startswith(("folder03/", "folder17/"))]
    share = max(1, round(0.03 * len(layout)))
    update("A", args.publish, work, game, layout,
           chance.sample(two_folders, min(share, len(two_folders))) + [PROGRAM], content, args.package_size)
    update("B", args.publish, work, game, layout, chance.sample(paths, max(1, round(0.01 * len(layout)))),
           content, args.package_size)
    return 0


if __name__ == "__main__":
    sys.exit(main())
