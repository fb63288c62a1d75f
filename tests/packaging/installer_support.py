"""Shared by the installer tests: a branded test product, the installer builders of packaging/,
the project's test server, and a record of what failed. Standard library only."""
import os
import signal
import subprocess
import sys
import tempfile
import time

SOURCE = os.path.realpath(os.path.join(os.path.dirname(__file__), "..", ".."))
PACKAGING = os.path.join(SOURCE, "packaging")

# A product whose name needs Unicode and whose publisher holds the installers' escape characters.
NAME = "\u6cfd\u6cd5\u5229\u4e9a Test"  # 泽法利亚 Test
ID = "ZefariaTest"
PUBLISHER = "Test $Publisher & Co"
OEM_INI = "[LIAN_YUN]\r\nid=testop\r\nsub_id=7\r\n"


def project_version():
    with open(os.path.join(SOURCE, "src", "update", "install_records.h"), encoding="utf-8") as f:
        for line in f:
            if "char LAUNCHER_VERSION[]" in line:
                return line.split('"')[1].lstrip("V")
    raise RuntimeError("no LAUNCHER_VERSION")


# The document mode product.ini asks the Windows setup for.
BROWSER_EMULATION = 11001


def write_product(folder):
    """product.ini with its oem.ini in folder; returns the product.ini path."""
    with open(os.path.join(folder, "oem.ini"), "w", newline="") as f:
        f.write(OEM_INI)
    path = os.path.join(folder, "product.ini")
    with open(path, "w", encoding="utf-8") as f:
        f.write("[product]\nname = %s\nid = %s\npublisher = %s\noem_ini = oem.ini\n"
                "browser_emulation = %d\n" % (NAME, ID, PUBLISHER, BROWSER_EMULATION))
    return path


def build(builder, *arguments):
    """Runs packaging/<builder> and returns its output file (the value after --output)."""
    subprocess.run([os.path.join(PACKAGING, builder), *arguments], check=True, timeout=300,
                   stdout=subprocess.DEVNULL)
    return arguments[list(arguments).index("--output") + 1]


def scratch_folder(prefix):
    """A fresh folder for a test's files, under LAUNCHER_TEST_SCRATCH (the build tree's, as CTest
    sets it) so that a run keeps to its own folders; the system's temporary folder otherwise."""
    parent = os.environ.get("LAUNCHER_TEST_SCRATCH") or None
    if parent:
        os.makedirs(parent, exist_ok=True)
    return tempfile.mkdtemp(prefix=prefix, dir=parent)


def wait_until(condition, seconds):
    deadline = time.monotonic() + seconds
    while True:
        if condition():
            return True
        if time.monotonic() > deadline:
            return False
        time.sleep(0.2)


class TestServer:
    """tools/test_server.py on loopback, serving root (with --portal: the demo portal)."""

    def __init__(self, root, *options):
        self.work = scratch_folder("test-server-")
        self.requests = os.path.join(self.work, "requests")
        port_file = os.path.join(self.work, "port")
        self.process = subprocess.Popen(
            [sys.executable, os.path.join(SOURCE, "tools", "test_server.py"), "--root", root,
             "--port", "0", "--port-file", port_file, "--log-dir", self.requests, *options],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        if not wait_until(lambda: os.path.exists(port_file), 15):
            self.stop()
            raise RuntimeError("the test server did not start")
        with open(port_file) as f:
            self.port = int(f.read())

    def request_text(self):
        text = b""
        for name in sorted(os.listdir(self.requests)) if os.path.isdir(self.requests) else []:
            with open(os.path.join(self.requests, name), "rb") as f:
                text += f.read()
        return text.decode("latin-1")

    def stop(self):
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGTERM)
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                self.process.kill()
        subprocess.run(["rm", "-rf", self.work])


class Checks:
    """Records every check; the test fails when one did."""

    def __init__(self):
        self.failed = 0
        self.passed = 0

    def __call__(self, condition, what, detail=""):
        if condition:
            self.passed += 1
            print("ok   " + what)
        else:
            self.failed += 1
            print("FAIL " + what + (": " + str(detail) if detail != "" else ""))
        return condition

    def result(self):
        if self.failed:
            print("%d of %d checks failed" % (self.failed, self.failed + self.passed))
            return 1
        print("all %d checks passed" % self.passed)
        return 0
