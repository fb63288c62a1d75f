#!/usr/bin/env python3
"""The Windows setup program and its uninstaller as a player runs them, under the Wine session
of the Windows tier (WINEPREFIX, LAUNCHER_WINE and DISPLAY come from scripts/lib/wine.sh).

    windows_setup_test.py --target x86-unicode|amd64-unicode path/to/launcher.exe

The setup runs silently into the prefix's default folder; the launcher started through its
Start-menu shortcut writes its log beside itself and registers its protocol; the silent
uninstaller, run while that launcher still runs, ends it and leaves no file, key or shortcut of
the product behind. The test must run alone (RUN_SERIAL): other tests of the prefix start
launchers that register the same protocol and settings.
"""
import argparse
import ntpath
import os
import re
import shutil
import subprocess
import sys
import tempfile

import installer_support as support

WINE = os.environ.get("LAUNCHER_WINE", "wine")
UNINSTALL_KEY = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + support.ID
PROTOCOL_KEYS = ["HKCR\\qzzefa", "HKCU\\Software\\Classes\\qzzefa",
                 "HKLM\\Software\\Classes\\qzzefa",
                 "HKCU\\SOFTWARE\\Microsoft\\Internet Explorer\\ProtocolExecute\\qzzefa",
                 "HKLM\\SOFTWARE\\Microsoft\\Internet Explorer\\ProtocolExecute\\qzzefa"]
POLICIES = ["%s\\SOFTWARE\\Microsoft\\Internet Explorer\\Low Rights\\ElevationPolicy" % root
            for root in ["HKCU", "HKLM"]]
EMULATION = ("HKCU\\SOFTWARE\\Microsoft\\Internet Explorer\\Main\\FeatureControl\\"
             "FEATURE_BROWSER_EMULATION")


def wine(*arguments, environment=None, timeout=120, encoding="gbk"):
    """Exit code and output of a Windows program; Windows programs write the ANSI code page,
    936 in the test session. Programs that keep running after it ends get no pipe: the call
    would wait for them."""
    detached = arguments[0] == "start" or arguments[0].endswith("uninstall.exe")
    result = subprocess.run([WINE, *arguments], timeout=timeout, env=environment,
                            stdin=subprocess.DEVNULL,
                            stdout=subprocess.DEVNULL if detached else subprocess.PIPE,
                            stderr=subprocess.DEVNULL if detached else subprocess.STDOUT)
    return result.returncode, (result.stdout or b"").decode(encoding, "replace")


def registry(key):
    """The values of a key ({name: data}, the default value as ""), or None without the key."""
    status, text = wine("reg", "query", key)
    if status != 0:
        return None
    values = {}
    for line in text.splitlines():
        match = re.match(r"^    (.*?)    (REG_\w+)    ?(.*)$", line)
        if match:
            name = "" if match.group(1).startswith("(") else match.group(1)
            values[name] = match.group(3)
    return values


def policies_of(folder):
    """The browser's elevation policies that name a launcher in folder."""
    text = "".join(wine("reg", "query", root, "/s")[1] for root in POLICIES)
    found, key = [], None
    for line in text.splitlines():
        if line.startswith("HKEY_"):
            key = line
        elif re.match(r"^    AppPath    REG_SZ    (.*)$", line) and \
                line.split("REG_SZ", 1)[1].strip().lower() == folder.lower():
            found.append(key)
    return found


def unix_path(windows_path):
    return wine("winepath", "-u", windows_path, encoding="utf-8")[1].strip()


def host_processes(program):
    """Host ids of the Wine processes that run program (a Windows path)."""
    found = []
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open("/proc/%s/cmdline" % pid, "rb") as f:
                command = f.read().decode("utf-8", "replace")
        except OSError:
            continue
        if command.lower().startswith(program.lower()):
            found.append(int(pid))
    return found


def running(pid):
    try:
        with open("/proc/%d/stat" % pid) as f:
            return f.read().split(") ")[-1][0] != "Z"
    except OSError:
        return False


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--target", required=True)
    parser.add_argument("launcher")
    args = parser.parse_args()
    if not os.environ.get("WINEPREFIX"):
        sys.exit("no Wine session: run under the Windows tier of scripts/test")
    check = support.Checks()
    environment = dict(os.environ)
    # Wine would copy the shortcuts into the host's menus; the test leaves those alone.
    environment["WINEDLLOVERRIDES"] = environment.get("WINEDLLOVERRIDES", "") + \
        ";winemenubuilder.exe=d"

    folders = wine("cmd", "/c", "echo %LOCALAPPDATA%^|%APPDATA%^|%USERPROFILE%^|%TEMP%")[1]
    local, roaming, profile, temp = folders.strip().split("|")
    install = ntpath.join(local, "Programs", support.ID)
    program = ntpath.join(install, "launcher.exe")
    shortcuts = [ntpath.join(roaming, "Microsoft\\Windows\\Start Menu\\Programs",
                             support.NAME + ".lnk"),
                 ntpath.join(profile, "Desktop", support.NAME + ".lnk")]
    settings = ntpath.join(roaming, "QzLauncherZEFA")
    unix = {path: unix_path(path) for path in [install, *shortcuts, settings, temp]}
    prefix = os.path.realpath(os.environ["WINEPREFIX"])
    desktop = os.path.realpath(os.path.dirname(unix[shortcuts[1]]))
    if not desktop.startswith(prefix + os.sep):
        sys.exit("the prefix's Desktop leads to %s, outside the prefix: the setup's shortcut "
                 "would land there (scripts/lib/wine.sh keeps the prefix's folders inside it)"
                 % desktop)

    def leftovers():
        found = [path for path in unix.values() if path != unix[temp] and os.path.exists(path)]
        found += [key for key in [UNINSTALL_KEY, *PROTOCOL_KEYS] if registry(key) is not None]
        if "launcher.exe" in (registry(EMULATION) or {}):
            found.append(EMULATION)
        return found + policies_of(install)

    def clean():
        for pid in host_processes(program):
            os.kill(pid, 9)
        for path in [unix[install], unix[settings]]:
            shutil.rmtree(path, ignore_errors=True)
        for path in unix.values():
            if os.path.isfile(path):
                os.remove(path)
        for key in [UNINSTALL_KEY, *PROTOCOL_KEYS, *policies_of(install)]:
            wine("reg", "delete", key, "/f")
        wine("reg", "delete", EMULATION, "/v", "launcher.exe", "/f")

    clean()
    temp_before = set(os.listdir(unix[temp]))
    server_root = tempfile.mkdtemp()
    os.makedirs(os.path.join(server_root, "portal"))
    with open(os.path.join(server_root, "portal", "index.html"), "w") as f:
        f.write("<html><body>portal</body></html>")
    server = support.TestServer(server_root)
    launchers = []
    try:
        with tempfile.TemporaryDirectory() as work:
            setup = support.build("build-setup.sh", "--launcher", args.launcher, "--target",
                                  args.target, "--product", support.write_product(work),
                                  "--output", os.path.join(work, "setup.exe"))
            status, output = wine(setup, "/S", environment=environment, timeout=180)
        check(status == 0, "the silent setup succeeds", "exit %d %s" % (status, output))

        with open(args.launcher, "rb") as f, open(os.path.join(unix[install], "launcher.exe"),
                                                  "rb") as g:
            check(f.read() == g.read(), "launcher.exe is installed into %s" % install)
        with open(os.path.join(unix[install], "oem.ini"), newline="") as f:
            check(f.read() == support.OEM_INI, "the operator's oem.ini is installed beside it")
        for name in ["launcher.ico", "uninstall.exe"]:
            check(os.path.isfile(os.path.join(unix[install], name)), name + " is installed")
        for shortcut in shortcuts:
            check(os.path.isfile(unix[shortcut]), "shortcut " + shortcut)
        entry = registry(UNINSTALL_KEY) or {}
        expected = {"DisplayName": support.NAME, "Publisher": support.PUBLISHER,
                    "DisplayVersion": support.project_version(), "InstallLocation": install,
                    "UninstallString": '"%s\\uninstall.exe"' % install,
                    "DisplayIcon": install + "\\launcher.ico"}
        check(all(entry.get(k) == v for k, v in expected.items()),
              "the uninstall entry names the product", entry)
        check(int(entry.get("EstimatedSize", "0"), 0) > 0, "the uninstall entry has a size", entry)
        emulation = (registry(EMULATION) or {}).get("launcher.exe", "")
        check(emulation and int(emulation, 0) == support.BROWSER_EMULATION,
              "the setup sets the browser's document mode product.ini names", emulation)

        # The player starts the launcher through the Start-menu shortcut.
        environment.update(
            LAUNCHER_PORTAL_ADDRESS="http://127.0.0.1:%d/portal/index.html" % server.port,
            LAUNCHER_REPORT_HOST="127.0.0.1:1")
        wine("start", "/unix", unix[shortcuts[0]], environment=environment)
        log = os.path.join(unix[install], "zefa_wd_run.log.1")

        def log_text():
            try:
                with open(log, "rb") as f:
                    return f.read().decode("gbk", "replace")
            except OSError:
                return ""
        check(support.wait_until(lambda: "\u65e5\u5fd7\u521d\u59cb\u5316\u5b8c\u6210" in log_text(),
                                 60),  # 日志初始化完成
              "the installed launcher writes its log beside itself", log_text())
        check("ly=testop" in server.request_text() or
              support.wait_until(lambda: "ly=testop" in server.request_text(), 30),
              "the launcher asks the portal as the installed oem.ini says")
        command = '"%s" "%%1"' % program
        check(support.wait_until(
            lambda: (registry("HKCU\\Software\\Classes\\qzzefa\\shell\\open\\command")
                     or {}).get("") == command, 30),
            "the launcher registers its protocol for the player")
        launchers = host_processes(program)
        check(len(launchers) > 0, "the launcher runs")
        check(os.path.isdir(unix[settings]) and policies_of(install),
              "the launcher keeps its settings and the browser's policy for it")

        # Uninstalled while it runs. The uninstaller hands over to a copy of itself and ends at
        # once; the copy removes the uninstall entry last. The log stays readable here after
        # the install folder has gone.
        kept_log = open(log, "rb")
        status, output = wine(ntpath.join(install, "uninstall.exe"), "/S",
                              environment=environment)
        check(status == 0, "the silent uninstaller starts", "exit %d %s" % (status, output))
        check(support.wait_until(lambda: registry(UNINSTALL_KEY) is None, 120),
              "the uninstaller finishes")
        check(support.wait_until(lambda: not any(map(running, launchers)), 30),
              "the uninstaller ended the running launcher")
        kept_log.seek(0)
        last_words = kept_log.read().decode("gbk", "replace")
        kept_log.close()
        check("\u7a0b\u5e8f\u51c6\u5907\u9000\u51fa" in last_words,  # 程序准备退出
              "asked to close, the launcher ended through its exit path", last_words[-400:])
        check(leftovers() == [], "nothing of the product is left", leftovers())
        check(support.wait_until(lambda: set(os.listdir(unix[temp])) == temp_before, 30),
              "the uninstaller's copy removed itself from %TEMP%",
              set(os.listdir(unix[temp])) - temp_before)
    finally:
        clean()
        server.stop()
        shutil.rmtree(server_root, ignore_errors=True)
    return check.result()


if __name__ == "__main__":
    sys.exit(main())
