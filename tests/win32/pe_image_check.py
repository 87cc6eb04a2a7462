#!/usr/bin/env python3
"""Checks a Windows program as a file, without starting it.

    pe_image_check.py PROGRAM.exe --architecture x86|amd64 [--dll-dir DIR]...

The program must be a GUI program for the processor named (machine i386 with
a 32-bit optional header, or AMD64 with a 64-bit one), carry the manifest
resource (type 24, id 1) whose assembly identity names the same processor,
and import only functions that the system's libraries export: a program that
imports a function its system lacks does not start at all. The libraries are
the export tables of the Wine system DLLs for that processor (from the
Debian packages libwine and wine32/wine64, listed with dpkg), read as files;
--dll-dir names other folders instead. Imports loaded when first called
(delay-load) are checked too. Every imported function is listed.
"""

import argparse
import os
import struct
import subprocess
import sys
import xml.etree.ElementTree as ET

MACHINES = {"x86": (0x014C, 0x10B), "amd64": (0x8664, 0x20B)}
# The folders of Wine's PE libraries, by processor, and the packages that hold them.
WINE_DLL_FOLDERS = {"x86": "i386-windows", "amd64": "x86_64-windows"}
WINE_PACKAGES = {"x86": ["libwine:i386", "wine32:i386"], "amd64": ["libwine:amd64", "wine64"]}
SUBSYSTEM_GUI = 2
RT_MANIFEST = 24
CREATEPROCESS_MANIFEST_RESOURCE_ID = 1
ASM_V1 = "{urn:schemas-microsoft-com:asm.v1}"


class ImageError(Exception):
    pass


class PeImage:
    def __init__(self, path):
        self.path = path
        with open(path, "rb") as f:
            self.data = f.read()
        d = self.data
        if d[:2] != b"MZ":
            raise ImageError(f"{path}: no MZ header")
        pe = self.u32(0x3C)
        if d[pe:pe + 4] != b"PE\0\0":
            raise ImageError(f"{path}: no PE signature")
        coff = pe + 4
        self.machine, sections, _, _, _, optional_size, _ = struct.unpack_from("<HHIIIHH", d, coff)
        opt = coff + 20
        self.magic = self.u16(opt)
        if self.magic == 0x10B:
            self.image_base = self.u32(opt + 28)
            dirs_count, dirs = self.u32(opt + 92), opt + 96
        elif self.magic == 0x20B:
            self.image_base = struct.unpack_from("<Q", d, opt + 24)[0]
            dirs_count, dirs = self.u32(opt + 108), opt + 112
        else:
            raise ImageError(f"{path}: unknown optional header magic {self.magic:#x}")
        self.subsystem = self.u16(opt + 68)
        self.directories = [struct.unpack_from("<II", d, dirs + 8 * i) for i in range(dirs_count)]
        self.sections = []
        at = opt + optional_size
        for i in range(sections):
            _, vsize, va, raw_size, raw_at = struct.unpack_from("<8sIIII", d, at + 40 * i)
            self.sections.append((va, max(vsize, raw_size), raw_at, raw_size))

    def u16(self, at):
        return struct.unpack_from("<H", self.data, at)[0]

    def u32(self, at):
        return struct.unpack_from("<I", self.data, at)[0]

    def offset(self, rva):
        for va, size, raw_at, raw_size in self.sections:
            if va <= rva < va + size:
                if rva - va >= raw_size:
                    raise ImageError(f"{self.path}: RVA {rva:#x} lies in no file data")
                return raw_at + rva - va
        raise ImageError(f"{self.path}: RVA {rva:#x} lies in no section")

    def cstring(self, rva):
        at = self.offset(rva)
        return self.data[at:self.data.index(b"\0", at)].decode("ascii")

    def directory(self, index):
        return self.directories[index] if index < len(self.directories) else (0, 0)

    def thunks(self, rva):
        """The names (or '#ordinal') of an import name table."""
        wide = self.magic == 0x20B
        size, flag = (8, 1 << 63) if wide else (4, 1 << 31)
        names, at = [], self.offset(rva)
        while True:
            value = struct.unpack_from("<Q" if wide else "<I", self.data, at)[0]
            if value == 0:
                return names
            names.append(f"#{value & 0xFFFF}" if value & flag else self.cstring((value & 0x7FFFFFFF) + 2))
            at += size

    def imports(self):
        """{library: [function, ...]}, the load-time and the delay-load imports."""
        found = {}
        rva, size = self.directory(1)
        if rva:
            at = self.offset(rva)
            while True:
                lookup, _, _, name, first = struct.unpack_from("<IIIII", self.data, at)
                if name == 0:
                    break
                found.setdefault(self.cstring(name), []).extend(self.thunks(lookup or first))
                at += 20
        rva, size = self.directory(13)
        if rva:
            at = self.offset(rva)
            while True:
                attributes, name, _, _, names = struct.unpack_from("<IIIII", self.data, at)
                if name == 0:
                    break
                # Old descriptors hold addresses, not RVAs.
                base = 0 if attributes & 1 else self.image_base
                found.setdefault(self.cstring(name - base), []).extend(self.thunks(names - base))
                at += 32
        return found

    def exports(self):
        """The exported names and '#ordinal's."""
        rva, _ = self.directory(0)
        if not rva:
            return set()
        at = self.offset(rva)
        base, functions, names, _, name_table = struct.unpack_from("<IIIII", self.data, at + 16)
        exported = {f"#{base + i}" for i in range(functions)}
        name_table = self.offset(name_table)
        for i in range(names):
            exported.add(self.cstring(self.u32(name_table + 4 * i)))
        return exported

    def resource(self, *path):
        """The bytes of the first resource under path (type, id, ...)."""
        root_rva, _ = self.directory(2)
        if not root_rva:
            return None
        root = self.offset(root_rva)
        entry_at = root
        for wanted in list(path) + [None]:
            named, ids = struct.unpack_from("<HH", self.data, entry_at + 12)
            entries = [struct.unpack_from("<II", self.data, entry_at + 16 + 8 * i)
                       for i in range(named + ids)]
            chosen = [e for e in entries if wanted is None or e[0] == wanted]
            if not chosen:
                return None
            target = chosen[0][1]
            if target & 0x80000000:
                entry_at = root + (target & 0x7FFFFFFF)
            else:
                data_rva, size = struct.unpack_from("<II", self.data, root + target)
                at = self.offset(data_rva)
                return self.data[at:at + size]
        return None


def wine_libraries(architecture):
    """{lower-case file name: path} of Wine's system libraries for the processor."""
    folder = WINE_DLL_FOLDERS[architecture]
    listed = subprocess.run(["dpkg", "-L"] + WINE_PACKAGES[architecture], capture_output=True,
                            text=True, check=False).stdout.splitlines()
    return {os.path.basename(p).lower(): p for p in listed
            if os.path.basename(os.path.dirname(p)) == folder and os.path.isfile(p)}


def folder_libraries(folders):
    return {name.lower(): os.path.join(f, name) for f in folders for name in os.listdir(f)}


def check(path, architecture, libraries):
    """The faults found, as lines; prints the imports."""
    faults = []
    image = PeImage(path)
    machine, magic = MACHINES[architecture]
    if image.machine != machine:
        faults.append(f"machine {image.machine:#06x}, not {machine:#06x} ({architecture})")
    if image.magic != magic:
        faults.append(f"optional header magic {image.magic:#x}, not {magic:#x}")
    if image.subsystem != SUBSYSTEM_GUI:
        faults.append(f"subsystem {image.subsystem}, not {SUBSYSTEM_GUI} (GUI)")

    manifest = image.resource(RT_MANIFEST, CREATEPROCESS_MANIFEST_RESOURCE_ID)
    if manifest is None:
        faults.append("no manifest resource (type 24, id 1)")
    else:
        identity = ET.fromstring(manifest).find(ASM_V1 + "assemblyIdentity")
        declared = identity.get("processorArchitecture") if identity is not None else None
        if declared != architecture:
            faults.append(f"the manifest declares processorArchitecture {declared!r}, not {architecture!r}")

    if not libraries:
        faults.append("no system libraries to check the imports against")
        return faults
    exports = {}
    for library, functions in sorted(image.imports().items(), key=lambda i: i[0].lower()):
        print(f"{library}: {' '.join(sorted(set(functions)))}")
        file = libraries.get(library.lower())
        if file is None:
            faults.append(f"{library} is not a system library")
            continue
        if file not in exports:
            dll = PeImage(file)
            if dll.machine != machine:
                faults.append(f"{file} is for machine {dll.machine:#06x}, not {machine:#06x}")
            exports[file] = dll.exports()
        for function in functions:
            if function not in exports[file]:
                faults.append(f"{library} exports no {function}")
    return faults


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("program")
    parser.add_argument("--architecture", choices=sorted(MACHINES), required=True)
    parser.add_argument("--dll-dir", action="append", default=[],
                        help="a folder of system libraries (instead of Wine's)")
    args = parser.parse_args()
    libraries = (folder_libraries(args.dll_dir) if args.dll_dir
                 else wine_libraries(args.architecture))
    try:
        faults = check(args.program, args.architecture, libraries)
    except (ImageError, OSError, ET.ParseError, struct.error, ValueError) as e:
        faults = [str(e)]
    for fault in faults:
        print(f"pe-image-check: {args.program}: {fault}", file=sys.stderr)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
