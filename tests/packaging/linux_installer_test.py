#!/usr/bin/env python3
"""The Linux installer (.run) and its uninstaller as a player runs them, in a home of their own
on the tier's X display.

    linux_installer_test.py path/to/launcher

The installer refuses a system that lacks the launcher's libraries, naming the Debian packages
to install; run non-interactively it installs into ~/.local/share/<id> with a menu entry and
icons; the installed launcher runs the demo portal's update to its end (the page plays itself);
the uninstaller, run while a launcher still runs, ends it and leaves the home as it was before
the install, the player's own mimeapps.list byte for byte.
"""
import os
import subprocess
import sys

import installer_support as support

# A player's own settings, with a last line that has no line end.
MIMEAPPS = b"[Default Applications]\ntext/html=browser.desktop\r\n\n[Added Associations]\nx=y.desktop"


def snapshot(home):
    """Every file with its bytes, every folder, below home."""
    found = {}
    for folder, folders, files in os.walk(home):
        for name in folders:
            found[os.path.relpath(os.path.join(folder, name), home) + "/"] = None
        for name in files:
            with open(os.path.join(folder, name), "rb") as f:
                found[os.path.relpath(os.path.join(folder, name), home)] = f.read()
    return found


def main():
    launcher = os.path.realpath(sys.argv[1])
    check = support.Checks()
    work = support.scratch_folder("linux-installer-")
    home = os.path.join(work, "home")
    os.makedirs(os.path.join(home, ".config"))
    with open(os.path.join(home, ".config", "mimeapps.list"), "wb") as f:
        f.write(MIMEAPPS)
    before = snapshot(home)
    environment = {k: v for k, v in os.environ.items() if not k.startswith("XDG_")}
    # GSETTINGS_BACKEND: GTK's settings store (dconf) is the desktop's, not the launcher's.
    # MESA_SHADER_CACHE_DIR: without XDG_CACHE_HOME, Mesa (the launcher's GL and its web
    # process) puts its shader cache into the home of the account's passwd entry, not $HOME:
    # that is the real home of whoever runs the tests.
    environment.update(HOME=home, GSETTINGS_BACKEND="memory",
                       MESA_SHADER_CACHE_DIR=os.path.join(work, "mesa-shader-cache"))
    folder = os.path.join(home, ".local", "share", support.ID)
    server = support.TestServer(os.path.join(work, "portal"), "--portal")
    running = None
    try:
        installer = support.build("build-run.sh", "--launcher", launcher,
                                  "--product", support.write_product(work),
                                  "--output", os.path.join(work, "installer.run"))
        install = [installer, "--nox11", "--quiet", "--", "--unattended"]

        # A system without WebKitGTK, as ldd reports it.
        fake = os.path.join(work, "fake-ldd")
        os.makedirs(fake)
        with open(os.path.join(fake, "ldd"), "w") as f:
            f.write("#!/bin/sh\nprintf '\\tlibwebkit2gtk-4.1.so.0 => not found\\n'\n")
        os.chmod(os.path.join(fake, "ldd"), 0o755)
        without = dict(environment, PATH=fake + os.pathsep + environment["PATH"])
        result = subprocess.run(install, env=without, capture_output=True, text=True, timeout=120)
        check(result.returncode != 0 and "apt-get install libwebkit2gtk-4.1-0" in result.stderr,
              "a system without the launcher's libraries is told which packages to install",
              result.stdout + result.stderr)
        check({k for k, v in snapshot(home).items() if v is not None} ==
              {k for k, v in before.items() if v is not None},
              "and gets nothing installed", sorted(set(snapshot(home)) - set(before)))

        result = subprocess.run(install, env=environment, capture_output=True, text=True,
                                timeout=120)
        check(result.returncode == 0, "the installer runs without questions",
              result.stdout + result.stderr)
        program = os.path.join(folder, "launcher")
        check(os.access(program, os.X_OK), "the launcher is installed into " + folder)
        with open(os.path.join(folder, "oem.ini"), newline="") as f:
            check(f.read() == support.OEM_INI, "the operator's oem.ini is installed beside it")
        data = os.path.join(home, ".local", "share")
        with open(os.path.join(data, "applications", support.ID + ".desktop")) as f:
            entry = f.read()
        check("\nName=%s\n" % support.NAME in entry and
              '\nExec="%s"\n' % program in entry and "\nIcon=%s\n" % support.ID in entry,
              "the menu entry starts the launcher with its icon", entry)
        icons = ["icons/hicolor/%dx%d/apps/%s.png" % (n, n, support.ID) for n in (16, 32, 48)]
        check(all(os.path.isfile(os.path.join(data, icon)) for icon in icons),
              "the icons are in the player's hicolor theme")

        # The installed launcher, started from elsewhere, updates the game from the portal.
        portal = "http://127.0.0.1:%d/portal/" % server.port
        player = dict(environment, LAUNCHER_REPORT_HOST="127.0.0.1:%d" % server.port)
        result = subprocess.run([program], cwd=work, capture_output=True, text=True, timeout=120,
                                env=dict(player, LAUNCHER_PORTAL_ADDRESS=portal + "play.html"))
        with open(os.path.join(work, "portal", "portal", "events.txt")) as f:
            events = f.read()
        check(result.returncode == 0 and "onGetDownloadProcess\t5\t" in events and
              "click\tstart" in events, "the installed launcher runs the portal's update to its end",
              events + result.stdout + result.stderr)
        check(os.path.isfile(os.path.join(folder, "data", "maps", "world.map")),
              "the game files are unpacked into the install folder")
        check("ly=testop" in server.request_text(), "the portal is asked as oem.ini says")
        check(os.path.isfile(os.path.join(data, "applications", "qzzefa-launcher.desktop")),
              "the launcher registered its protocol")

        # A launcher still runs when the player uninstalls.
        running = subprocess.Popen([program], cwd=work, env=dict(
            player, LAUNCHER_PORTAL_ADDRESS=portal + "index.html"),
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        check(support.wait_until(lambda: "loaded\t/portal/index.html" in open(
            os.path.join(work, "portal", "portal", "events.txt")).read(), 60),
              "a second launcher shows the portal's page")
        check(running.poll() is None, "and still runs when the player uninstalls")
        result = subprocess.run([os.path.join(folder, "uninstall"), "--unattended"],
                                env=environment, capture_output=True, text=True, timeout=120)
        check(result.returncode == 0, "the uninstaller runs without questions",
              result.stdout + result.stderr)
        try:
            running.wait(30)
        except subprocess.TimeoutExpired:
            pass
        check(running.poll() is not None, "the uninstaller ended the running launcher")
        after = snapshot(home)
        # The player's standard folders may stay, empty.
        allowed = {".local/", ".local/share/", ".cache/"}
        check({k: v for k, v in after.items() if k not in allowed} == before,
              "the home is as it was before the install",
              sorted(set(after) ^ set(before)) or after.get(".config/mimeapps.list"))
    finally:
        if running and running.poll() is None:
            running.kill()
        server.stop()
        subprocess.run(["rm", "-rf", work])
    return check.result()


if __name__ == "__main__":
    sys.exit(main())
