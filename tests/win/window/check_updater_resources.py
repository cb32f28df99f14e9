#!/usr/bin/env python3
"""Reads updater.exe's resources straight from the PE file, on the build
machine, so that both builds (x86_64 and i686) are checked whatever Windows
programs the machine can run: the application manifest (RT_MANIFEST 1) must
parse as XML and state asInvoker, the five supported-OS ids, no common
controls 6 dependency and the DPI awareness; the icon group MAINICON must
hold a 16 x 16 and a 32 x 32 image.

    check_updater_resources.py UPDATER_EXE [i386|amd64]
"""
import struct
import sys
import xml.etree.ElementTree as ET

RT_ICON, RT_GROUP_ICON, RT_MANIFEST = 3, 14, 24
MACHINES = {"i386": 0x14C, "amd64": 0x8664}
SUPPORTED_OS = {
    "{e2011457-1546-43c5-a5fe-008deee3d3f0}",  # Vista
    "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",  # 7
    "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",  # 8
    "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",  # 8.1
    "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",  # 10 and 11
}
ASM_V1 = "{urn:schemas-microsoft-com:asm.v1}"
ASM_V3 = "{urn:schemas-microsoft-com:asm.v3}"
COMPAT = "{urn:schemas-microsoft-com:compatibility.v1}"
WS_2005 = "{http://schemas.microsoft.com/SMI/2005/WindowsSettings}"
WS_2016 = "{http://schemas.microsoft.com/SMI/2016/WindowsSettings}"


class PeResources:
    def __init__(self, data):
        self.data = data
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("not a PE file")
        self.machine, sections = struct.unpack_from("<HH", data, pe + 4)
        optional_size = struct.unpack_from("<H", data, pe + 20)[0]
        optional = pe + 24
        magic = struct.unpack_from("<H", data, optional)[0]
        directories = optional + (96 if magic == 0x10B else 112)
        self.root_rva = struct.unpack_from("<I", data, directories + 2 * 8)[0]
        self.sections = []
        table = optional + optional_size
        for i in range(sections):
            vsize, vaddr, rawsize, rawptr = struct.unpack_from("<IIII", data, table + 40 * i + 8)
            self.sections.append((vaddr, max(vsize, rawsize), rawptr))
        if not self.root_rva:
            raise ValueError("no resources")
        self.root = self.offset(self.root_rva)

    def offset(self, rva):
        for vaddr, size, rawptr in self.sections:
            if vaddr <= rva < vaddr + size:
                return rva - vaddr + rawptr
        raise ValueError("address %#x is in no section" % rva)

    def entries(self, directory):
        named, ids = struct.unpack_from("<HH", self.data, directory + 12)
        for i in range(named + ids):
            name, target = struct.unpack_from("<II", self.data, directory + 16 + 8 * i)
            if name & 0x80000000:
                at = self.root + (name & 0x7FFFFFFF)
                length = struct.unpack_from("<H", self.data, at)[0]
                name = self.data[at + 2:at + 2 + 2 * length].decode("utf-16-le")
            yield name, target

    def find(self, rtype, rname):
        """The bytes of the first language of resource (rtype, rname), or None."""
        level = self.root
        for wanted in (rtype, rname):
            for name, target in self.entries(level):
                if name == wanted and target & 0x80000000:
                    level = self.root + (target & 0x7FFFFFFF)
                    break
            else:
                return None
        for _, target in self.entries(level):
            rva, size = struct.unpack_from("<II", self.data, self.root + target)
            start = self.offset(rva)
            return self.data[start:start + size]
        return None


def check_manifest(res, problems):
    raw = res.find(RT_MANIFEST, 1)
    if raw is None:
        problems.append("no RT_MANIFEST 1")
        return
    try:
        root = ET.fromstring(raw)
    except ET.ParseError as e:
        problems.append("the manifest is not well-formed XML: %s" % e)
        return
    if root.tag != ASM_V1 + "assembly":
        problems.append("root element is %s" % root.tag)
    levels = [e.get("level") for e in root.iter(ASM_V3 + "requestedExecutionLevel")]
    if levels != ["asInvoker"]:
        problems.append("requestedExecutionLevel: %s" % levels)
    ids = [e.get("Id") for e in root.iter(COMPAT + "supportedOS")]
    if sorted(ids) != sorted(SUPPORTED_OS):
        problems.append("supportedOS ids: %s" % ids)
    dependencies = [e for e in root.iter() if e.tag.endswith("dependency") or e.tag.endswith("dependentAssembly")]
    if dependencies or b"Common-Controls" in raw:
        problems.append("the manifest asks for another assembly (common controls?)")
    aware = [e.text for e in root.iter(WS_2005 + "dpiAware")]
    awareness = [e.text for e in root.iter(WS_2016 + "dpiAwareness")]
    if aware != ["false"] or awareness != ["unaware"]:
        problems.append("DPI awareness: dpiAware %s, dpiAwareness %s" % (aware, awareness))


def check_icon(res, problems):
    group = res.find(RT_GROUP_ICON, "MAINICON")
    if group is None:
        problems.append("no icon group MAINICON")
        return
    count = struct.unpack_from("<H", group, 4)[0]
    sizes = []
    for i in range(count):
        width, height, _, _, _, bits, size, icon_id = struct.unpack_from("<BBBBHHIH", group, 6 + 14 * i)
        image = res.find(RT_ICON, icon_id)
        if image is None or len(image) != size:
            problems.append("icon image %d missing or cut" % icon_id)
            continue
        header_width, header_height = struct.unpack_from("<ii", image, 4)
        if (header_width, header_height) != (width, 2 * height):
            problems.append("icon image %d is %dx%d inside" % (icon_id, header_width, header_height // 2))
        sizes.append((width, height, bits))
    if sorted(sizes) != [(16, 16, 32), (32, 32, 32)]:
        problems.append("icon sizes: %s" % sizes)


def main():
    if len(sys.argv) not in (2, 3):
        print(__doc__, file=sys.stderr)
        return 2
    with open(sys.argv[1], "rb") as f:
        res = PeResources(f.read())
    problems = []
    if len(sys.argv) == 3 and res.machine != MACHINES[sys.argv[2]]:
        problems.append("machine %#x is not %s" % (res.machine, sys.argv[2]))
    check_manifest(res, problems)
    check_icon(res, problems)
    for p in problems:
        print("%s: %s" % (sys.argv[1], p), file=sys.stderr)
    if not problems:
        print("%s: manifest and icon as intended" % sys.argv[1])
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
