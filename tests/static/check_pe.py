#!/usr/bin/python3
"""Checks what the host and a user's machine see of a built vokira.dll:
machine type, the exact export names, system-only imports and the version
resource."""
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
VOS_NT_WINDOWS32 = 0x40004


def check(path, machine):
    problems = []
    pe = pefile.PE(path)
    if pe.FILE_HEADER.Machine != MACHINES[machine]:
        problems.append(f"machine {pe.FILE_HEADER.Machine:#x}, expected {machine}")
    if not pe.is_dll():
        problems.append("not a DLL")

    exports = sorted(s.name.decode() for s in pe.DIRECTORY_ENTRY_EXPORT.symbols if s.name)
    if exports != ["load", "request", "unload"]:
        problems.append(f"exports {exports}, expected exactly load, request, unload")

    imports = sorted(e.dll.decode().lower() for e in getattr(pe, "DIRECTORY_ENTRY_IMPORT", []))
    foreign = [d for d in imports if d not in SYSTEM_DLLS]
    if foreign:
        problems.append(f"imports non-system DLLs {foreign}")

    infos = getattr(pe, "VS_FIXEDFILEINFO", None)
    if not infos:
        problems.append("no version resource")
    else:
        fixed = infos[0]
        if (fixed.FileVersionMS, fixed.FileVersionLS) != (0x10000, 3):
            problems.append("file version is not 1.0.0.3")
        if (fixed.ProductVersionMS, fixed.ProductVersionLS) != (0x10000, 3):
            problems.append("product version is not 1.0.0.3")
        if fixed.FileType != VFT_DLL:
            problems.append(f"file type {fixed.FileType}, expected VFT_DLL")
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
        elif tables["041104b0"] != EXPECTED_STRINGS:
            problems.append(f"version strings {tables['041104b0']}")
        if translations != ["0x0411 0x04b0"]:
            problems.append(f"translations {translations}")
    return problems


def main():
    path, machine = sys.argv[1], sys.argv[2]
    problems = check(path, machine)
    for p in problems:
        print(f"{path}: {p}")
    if not problems:
        print(f"{path}: {machine}, exports load/request/unload, system imports only, version 1.0.0.3")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
