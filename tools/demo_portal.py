"""The demo portal's content: generated game packages and the portal page that lists them.

prepare(root) makes root/portal/packages/<name>.<version> (zip files of made-up game data),
and root/portal/index.html and root/portal/play.html from portal/page.html with the file list
of those packages (their MD5 digests included) filled in. prepare(root, release) serves a
release folder made by launcher-publish instead: its packages and the list in its list.txt.

python3 demo_portal.py sample-game DIR writes the same made-up game data as a game folder, the
operator's side of the demo: launcher-publish turns it into a release. play.html is the same page clicking
its own buttons, for unattended runs. Packages are the same on every run (seeded data), so a
launcher folder that already installed them finds nothing to download.
"""
import hashlib
import io
import os
import random
import shutil
import sys
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))

# name.version, then the entries: (name in the package, bytes of data)
PACKAGES = [
    ("data.3", [("data/maps/world.map", 420000), ("data/maps/town.map", 180000)]),
    ("sound.2", [("sound/theme.ogg", 380000), ("sound/click.ogg", 9000)]),
    ("ui.7", [("ui/skin/frame.png", 260000), ("ui/fonts/readme.txt", 0)]),
]

# Download speed of the demo packages (bytes per second): slow enough to watch the bar.
DEMO_RATE = 400000


def package_bytes(name, entries):
    chance = random.Random(name)
    out = io.BytesIO()
    with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED) as z:
        for entry, size in entries:
            data = entry_bytes(name, entry, size, chance)
            z.writestr(zipfile.ZipInfo(entry, date_time=(2024, 1, 1, 12, 0, 0)), data)
    return out.getvalue()


def entry_bytes(name, entry, size, chance):
    if size == 0:
        return ("Demo package %s: %s\n" % (name, entry)).encode()
    return chance.randbytes(size)


def write_sample_game(folder):
    for name, entries in PACKAGES:
        chance = random.Random(name)
        for entry, size in entries:
            path = os.path.join(folder, *entry.split("/"))
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "wb") as f:
                f.write(entry_bytes(name, entry, size, chance))
            # The same time on every run: the release made from it is the same too.
            os.utime(path, (1704110400, 1704110400))


def generated_items(packages):
    items = []
    for name, entries in PACKAGES:
        data = package_bytes(name, entries)
        with open(os.path.join(packages, name), "wb") as f:
            f.write(data)
        items.append("%s|%s" % (hashlib.md5(data).hexdigest().upper(), name))
    return "||".join(items) + "||"


def release_items(packages, release):
    """The packages of a launcher-publish release (with its manifest and signature, which a
    launcher built with the publisher's key fetches beside them) and its list without the base
    address."""
    for name in os.listdir(release):
        if name != "list.txt":
            shutil.copyfile(os.path.join(release, name), os.path.join(packages, name))
    with open(os.path.join(release, "list.txt"), encoding="utf-8") as f:
        text = f.read()
    return text[text.index("||") + 2:]


def prepare(root, release=None):
    portal = os.path.join(root, "portal")
    packages = os.path.join(portal, "packages")
    os.makedirs(packages, exist_ok=True)
    items = release_items(packages, release) if release else generated_items(packages)
    with open(os.path.join(HERE, "portal", "page.html"), encoding="utf-8") as f:
        page = f.read()
    page = page.replace("@PACKAGE_ITEMS@", items)
    page = page.replace("@PACKAGE_PATH@", "/fault/rate=%d/portal/packages/" % DEMO_RATE)
    for name, autoplay in (("index.html", "false"), ("play.html", "true")):
        with open(os.path.join(portal, name), "w", encoding="utf-8") as f:
            f.write(page.replace("@AUTOPLAY@", autoplay))
    open(os.path.join(portal, "events.txt"), "w").close()


if __name__ == "__main__":
    if len(sys.argv) != 3 or sys.argv[1] != "sample-game":
        sys.exit("usage: demo_portal.py sample-game DIR")
    write_sample_game(sys.argv[2])
