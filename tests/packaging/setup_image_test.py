#!/usr/bin/env python3
"""The Windows setup program as Windows reads it before it runs: built around launcher.exe by
packaging/build-setup.sh, it is a GUI program of the launcher's machine whose manifest asks for
the player's own rights (asInvoker), so it installs without an administrator's consent.

    setup_image_test.py --target x86-unicode|amd64-unicode path/to/launcher.exe
"""
import argparse
import os
import sys
import tempfile
import xml.etree.ElementTree as ElementTree

import installer_support as support

sys.path.insert(0, os.path.join(support.SOURCE, "tests", "launcher", "win32"))
from program_image_test import ASM_V3, CREATEPROCESS_MANIFEST_RESOURCE_ID, IMAGE_SUBSYSTEM_WINDOWS_GUI, RT_MANIFEST, Image  # noqa: E402

MACHINES = {"x86-unicode": 0x14C, "amd64-unicode": 0x8664}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--target", choices=MACHINES, required=True)
    parser.add_argument("launcher")
    args = parser.parse_args()
    check = support.Checks()
    with open(args.launcher, "rb") as f:
        launcher_machine = Image(f.read()).machine
    with tempfile.TemporaryDirectory() as work:
        setup = support.build("build-setup.sh", "--launcher", args.launcher, "--target",
                              args.target, "--product", support.write_product(work),
                              "--output", os.path.join(work, "setup.exe"))
        with open(setup, "rb") as f:
            image = Image(f.read())
    check(image.machine == MACHINES[args.target] == launcher_machine,
          "the setup runs on the launcher's machine",
          "setup 0x%04x, launcher 0x%04x" % (image.machine, launcher_machine))
    check(image.subsystem == IMAGE_SUBSYSTEM_WINDOWS_GUI, "the setup is a GUI program",
          "subsystem %d" % image.subsystem)
    manifest = image.resource(RT_MANIFEST, CREATEPROCESS_MANIFEST_RESOURCE_ID)
    levels = []
    if manifest is not None:
        root = ElementTree.fromstring(manifest)
        levels = [e.get("level") for e in root.iter(ASM_V3 + "requestedExecutionLevel")]
    check(levels == ["asInvoker"], "the setup asks for no administrator rights", levels)
    return check.result()


if __name__ == "__main__":
    sys.exit(main())
