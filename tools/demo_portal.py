"""The demo portal's content: generated game packages and the portal page that lists them.

prepare(root) makes root/portal/packages/<name>.<version> (zip files of made-up game data),
and root/portal/index.html and root/portal/play.html from portal/page.html with the file list
of those packages (their MD5 digests included) filled in. play.html is the same page clicking
its own buttons, for unattended runs. Packages are the same on every run (seeded data), so a
launcher folder that already installed them finds nothing to download.
"""
import hashlib
import io
import os
import random
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
            if size == 0:
                data = ("Demo package %s: %s\n" % (name, entry)).encode()
            else:
                data = chance.randbytes(size)
            z.writestr(zipfile.ZipInfo(entry, date_time=(2024, 1, 1, 12, 0, 0)), data)
    return out.getvalue()


def prepare(root):
    portal = os.path.join(root, "portal")
    packages = os.path.join(portal, "packages")
    os.makedirs(packages, exist_ok=True)
    items = []
    for name, entries in PACKAGES:
        data = package_bytes(name, entries)
        with open(os.path.join(packages, name), "wb") as f:
            f.write(data)
        items.append("%s|%s" % (hashlib.md5(data).hexdigest().upper(), name))
    with open(os.path.join(HERE, "portal", "page.html"), encoding="utf-8") as f:
        page = f.read()
    page = page.replace("@PACKAGE_ITEMS@", "||".join(items) + "||")
    page = page.replace("@PACKAGE_PATH@", "/fault/rate=%d/portal/packages/" % DEMO_RATE)
    for name, autoplay in (("index.html", "false"), ("play.html", "true")):
        with open(os.path.join(portal, name), "w", encoding="utf-8") as f:
            f.write(page.replace("@AUTOPLAY@", autoplay))
    open(os.path.join(portal, "events.txt"), "w").close()
