#!/usr/bin/env python3
"""launcher.exe as Windows reads it before it runs a line of it: the PE headers and the
application manifest among its resources.

    program_image_test.py path/to/launcher.exe

A GUI program (no console window opens with it), large-address-aware, with a manifest that
asks for the player's own rights (asInvoker), names the systems up to Windows 10/11, brings
Common Controls 6 and keeps the program DPI-unaware. Standard library only.
"""
import struct
import sys
import xml.etree.ElementTree as ElementTree

IMAGE_SUBSYSTEM_WINDOWS_GUI = 2
IMAGE_FILE_LARGE_ADDRESS_AWARE = 0x20
RT_MANIFEST = 24
CREATEPROCESS_MANIFEST_RESOURCE_ID = 1
RESOURCE_TABLE = 2  # index among the optional header's data directories

ASM_V1 = "{urn:schemas-microsoft-com:asm.v1}"
ASM_V3 = "{urn:schemas-microsoft-com:asm.v3}"
COMPATIBILITY = "{urn:schemas-microsoft-com:compatibility.v1}"
WINDOWS_SETTINGS_2005 = "{http://schemas.microsoft.com/SMI/2005/WindowsSettings}"
WINDOWS_SETTINGS_2016 = "{http://schemas.microsoft.com/SMI/2016/WindowsSettings}"

SUPPORTED_OS = {
    "{e2011457-1546-43c5-a5fe-008deee3d3f0}": "Windows Vista",
    "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}": "Windows 7",
    "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}": "Windows 8",
    "{1f676c76-80e1-4239-95bb-83d0f6d0da78}": "Windows 8.1",
    "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}": "Windows 10 and 11",
}


class Image:
    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise ValueError("not an MZ executable")
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("no PE signature")
        coff = pe + 4
        (self.machine, sections, _, _, _, optional_size,
         self.characteristics) = struct.unpack_from("<HHIIIHH", data, coff)
        optional = coff + 20
        magic = struct.unpack_from("<H", data, optional)[0]
        if magic not in (0x10B, 0x20B):
            raise ValueError("unknown optional header 0x%x" % magic)
        self.subsystem = struct.unpack_from("<H", data, optional + 68)[0]
        directories = optional + (96 if magic == 0x10B else 112)
        self.resource_rva, self.resource_size = struct.unpack_from(
            "<II", data, directories + 8 * RESOURCE_TABLE)
        self.sections = []
        table = optional + optional_size
        for i in range(sections):
            _, virtual_size, rva, raw_size, raw_offset = struct.unpack_from(
                "<8sIIII", data, table + 40 * i)
            self.sections.append((rva, max(virtual_size, raw_size), raw_offset))

    def offset(self, rva):
        for start, size, raw in self.sections:
            if start <= rva < start + size:
                return raw + rva - start
        raise ValueError("address 0x%x lies in no section" % rva)

    def resource(self, type_id, name_id):
        """The bytes of resource type_id/name_id in its first language, or None."""
        if not self.resource_rva:
            return None
        base = self.offset(self.resource_rva)

        def entries(directory):
            named, numbered = struct.unpack_from("<HH", self.data, base + directory + 12)
            first = base + directory + 16
            for i in range(named + numbered):
                name, target = struct.unpack_from("<II", self.data, first + 8 * i)
                yield name, target

        def child(directory, wanted):
            for name, target in entries(directory):
                if not name & 0x80000000 and name == wanted:
                    return target
            return None

        by_type = child(0, type_id)
        if by_type is None or not by_type & 0x80000000:
            return None
        by_name = child(by_type & 0x7FFFFFFF, name_id)
        if by_name is None or not by_name & 0x80000000:
            return None
        languages = list(entries(by_name & 0x7FFFFFFF))
        if not languages or languages[0][1] & 0x80000000:
            return None
        rva, size = struct.unpack_from("<II", self.data, base + languages[0][1])
        start = self.offset(rva)
        return self.data[start:start + size]


def manifest_faults(text):
    faults = []
    root = ElementTree.fromstring(text)
    if root.tag != ASM_V1 + "assembly":
        return ["the manifest's root is %s, not an assembly" % root.tag]

    levels = root.findall(".//%srequestedExecutionLevel" % ASM_V3)
    if [(e.get("level"), e.get("uiAccess")) for e in levels] != [("asInvoker", "false")]:
        faults.append("execution level is not exactly asInvoker without uiAccess: %s"
                      % [e.attrib for e in levels])

    supported = {e.get("Id", "").lower() for e in root.iter(COMPATIBILITY + "supportedOS")}
    for guid, system in SUPPORTED_OS.items():
        if guid not in supported:
            faults.append("no supportedOS entry for %s" % system)

    controls = [e for e in root.iter(ASM_V1 + "assemblyIdentity")
                if e.get("name") == "Microsoft.Windows.Common-Controls"]
    if not any(e.get("version") == "6.0.0.0" and e.get("type") == "win32"
               and e.get("publicKeyToken") == "6595b64144ccf1df" for e in controls):
        faults.append("no dependency on Common Controls 6.0.0.0")

    dpi_aware = [e.text.strip().lower() for e in root.iter(WINDOWS_SETTINGS_2005 + "dpiAware")]
    if any(value != "false" for value in dpi_aware):
        faults.append("the program declares itself DPI-aware: %s" % dpi_aware)
    if list(root.iter(WINDOWS_SETTINGS_2016 + "dpiAwareness")):
        faults.append("the program declares a DPI awareness")
    return faults


def main(path):
    with open(path, "rb") as f:
        image = Image(f.read())
    faults = []
    if image.subsystem != IMAGE_SUBSYSTEM_WINDOWS_GUI:
        faults.append("subsystem %d, not the Windows GUI (2): a console window opens with it"
                      % image.subsystem)
    if not image.characteristics & IMAGE_FILE_LARGE_ADDRESS_AWARE:
        faults.append("not large-address-aware (characteristics 0x%04x)" % image.characteristics)
    manifest = image.resource(RT_MANIFEST, CREATEPROCESS_MANIFEST_RESOURCE_ID)
    if manifest is None:
        faults.append("no application manifest (RT_MANIFEST resource 1)")
    else:
        faults.extend(manifest_faults(manifest))
    for fault in faults:
        print("FAIL: %s: %s" % (path, fault))
    print("%s: machine 0x%04x, subsystem %d, characteristics 0x%04x, manifest %s"
          % (path, image.machine, image.subsystem, image.characteristics,
             "%d bytes" % len(manifest) if manifest is not None else "missing"))
    return 1 if faults else 0


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    sys.exit(main(sys.argv[1]))
