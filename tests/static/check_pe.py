#!/usr/bin/python3
"""Checks what the host and a user's machine see of a built vokira.dll or
config.exe: machine type, the exact export names (the DLL), the GUI subsystem
and resources (the program), system-only imports and the version resource."""
import os
import struct
import sys

import pefile

MACHINES = {"i386": 0x14C, "amd64": 0x8664}
# DLLs every Windows has; anything else (libstdc++-6.dll, libgcc_s_*.dll,
# libwinpthread-1.dll) would be missing on a user's machine.
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "shell32.dll", "gdi32.dll", "advapi32.dll", "msvcrt.dll"}

EXPECTED_STRINGS = {
    "Comments": "Vokira - Julius wrapper plugin for SSP",
    "CompanyName": "vokira project",
    "FileDescription": "vokira c3",
    "FileVersion": "1, 0, 0, 3",
    "InternalName": "vokira",
    "LegalCopyright": "",
    "LegalTrademarks": "",
    "OriginalFilename": "vokira.dll",
    "PrivateBuild": "",
    "ProductName": "vokira c3",
    "ProductVersion": "1, 0, 0, 3",
    "SpecialBuild": "",
}
VFT_DLL = 2
VFT_APP = 1
VOS_NT_WINDOWS32 = 0x40004

CONFIG_STRINGS = {
    "Comments": "Vokira(config) - Julius wrapper plugin for SSP",
    "CompanyName": "vokira project",
    "FileDescription": "vokira(config) c0",
    "FileVersion": "1, 0, 0, 0",
    "InternalName": "configexe",
    "LegalCopyright": "",
    "LegalTrademarks": "",
    "OriginalFilename": "config.exe",
    "PrivateBuild": "",
    "ProductName": "vokira(config) c0",
    "ProductVersion": "1, 0, 0, 0",
    "SpecialBuild": "",
}
SUBSYSTEM_WINDOWS_GUI = 2
RT_ICON, RT_GROUP_ICON, RT_VERSION = 3, 14, 16
LANG_JAPANESE = 0x0411


def version_problems(pe, version, file_type, strings):
    """The fixed version info and the one Japanese string table: `version` is
    (most, least) significant dword of both file and product version."""
    problems = []
    infos = getattr(pe, "VS_FIXEDFILEINFO", None)
    if not infos:
        return ["no version resource"]
    fixed = infos[0]
    if (fixed.FileVersionMS, fixed.FileVersionLS) != version:
        problems.append(f"file version {fixed.FileVersionMS:#x} {fixed.FileVersionLS:#x}")
    if (fixed.ProductVersionMS, fixed.ProductVersionLS) != version:
        problems.append(f"product version {fixed.ProductVersionMS:#x} {fixed.ProductVersionLS:#x}")
    if fixed.FileType != file_type:
        problems.append(f"file type {fixed.FileType}, expected {file_type}")
    if fixed.FileOS != VOS_NT_WINDOWS32:
        problems.append(f"file OS {fixed.FileOS:#x}, expected VOS_NT_WINDOWS32")
    tables, translations = {}, []
    for info in pe.FileInfo[0]:
        if info.Key == b"StringFileInfo":
            for table in info.StringTable:
                tables[table.LangID.decode()] = {k.decode(): v.decode() for k, v in table.entries.items()}
        elif info.Key == b"VarFileInfo":
            translations += [v for var in info.Var for v in var.entry.values()]
    if list(tables) != ["041104b0"]:
        problems.append(f"string tables {list(tables)}, expected only 041104b0")
    elif tables["041104b0"] != strings:
        problems.append(f"version strings {tables['041104b0']}")
    if translations != ["0x0411 0x04b0"]:
        problems.append(f"translations {translations}")
    return problems


def check(path, machine):
    problems = []
    pe = pefile.PE(path)
    if pe.FILE_HEADER.Machine != MACHINES[machine]:
        problems.append(f"machine {pe.FILE_HEADER.Machine:#x}, expected {machine}")
    if not pe.is_dll():
        problems.append("not a DLL")

    table = getattr(pe, "DIRECTORY_ENTRY_EXPORT", None)  # absent when nothing is exported
    exports = sorted(s.name.decode() for s in table.symbols if s.name) if table else []
    if exports != ["load", "request", "unload"]:
        problems.append(f"exports {exports}, expected exactly load, request, unload")

    problems += import_problems(pe)
    problems += version_problems(pe, (0x10000, 3), VFT_DLL, EXPECTED_STRINGS)
    return problems


def import_problems(pe):
    imports = sorted(e.dll.decode().lower() for e in getattr(pe, "DIRECTORY_ENTRY_IMPORT", []))
    foreign = [d for d in imports if d not in SYSTEM_DLLS]
    return [f"imports non-system DLLs {foreign}"] if foreign else []


def resource_entries(pe):
    """{type id: [(name or id, language id, data bytes)]}"""
    found = {}
    for kind in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        for entry in kind.directory.entries:
            name = str(entry.name) if entry.name is not None else entry.id
            for lang in entry.directory.entries:
                data = pe.get_data(lang.data.struct.OffsetToData, lang.data.struct.Size)
                found.setdefault(kind.id, []).append((name, lang.id, data))
    return found


def icon_problems(resources):
    groups = resources.get(RT_GROUP_ICON, [])
    if [(name, lang) for name, lang, _ in groups] != [("IDI_VOKIRA", LANG_JAPANESE)]:
        return [f"icon groups {[(n, hex(l)) for n, l, _ in groups]}, expected IDI_VOKIRA in 0x0411"]
    data = groups[0][2]
    _, _, count = struct.unpack_from("<HHH", data)
    images = {name: image for name, _, image in resources.get(RT_ICON, [])}
    seen = []
    for i in range(count):
        width, height, colours, _, _, bits, _, ident = struct.unpack_from("<BBBBHHIH", data, 6 + 14 * i)
        header_bits = struct.unpack_from("<H", images.get(ident, bytes(16)), 14)[0]
        seen.append((width, height, colours, bits, header_bits))
    expected = [(32, 32, 16, 4, 4), (16, 16, 16, 4, 4)]
    if sorted(seen) != sorted(expected):
        return [f"icon images (width, height, colours, bits, bits in bitmap) {seen}, expected {expected}"]
    return []


def check_config(path, machine):
    problems = []
    pe = pefile.PE(path)
    if pe.FILE_HEADER.Machine != MACHINES[machine]:
        problems.append(f"machine {pe.FILE_HEADER.Machine:#x}, expected {machine}")
    if pe.is_dll():
        problems.append("a DLL, expected a program")
    if pe.OPTIONAL_HEADER.Subsystem != SUBSYSTEM_WINDOWS_GUI:
        problems.append(f"subsystem {pe.OPTIONAL_HEADER.Subsystem}, expected the GUI subsystem")
    problems += import_problems(pe)
    resources = resource_entries(pe)
    # No manifest, menu, dialog, string table or accelerators: only these.
    if sorted(resources) != [RT_ICON, RT_GROUP_ICON, RT_VERSION]:
        problems.append(f"resource types {sorted(resources)}, expected only icons and the version")
    problems += icon_problems(resources)
    problems += version_problems(pe, (0x10000, 0), VFT_APP, CONFIG_STRINGS)
    return problems


def main():
    path, machine = sys.argv[1], sys.argv[2]
    is_config = os.path.basename(path).lower() == "config.exe"
    problems = check_config(path, machine) if is_config else check(path, machine)
    for p in problems:
        print(f"{path}: {p}")
    if not problems and is_config:
        print(f"{path}: {machine}, GUI, system imports only, icon IDI_VOKIRA 32+16 in 16 colours, version 1.0.0.0")
    elif not problems:
        print(f"{path}: {machine}, exports load/request/unload, system imports only, version 1.0.0.3")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
