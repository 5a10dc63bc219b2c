#!/usr/bin/python3
"""Checks a built vokira.nar as SSP and a user's Japanese Windows meet it: the
exact file list at the top level, every text file in Shift_JIS with CR LF line
ends, the keys and values of install.txt and descript.txt, and the two i686
binaries (machine type, exports, imports, resources) through check_pe.

Usage: check_nar.py ARCHIVE.nar
"""
import fnmatch
import os
import sys
import tempfile
import zipfile

import check_pe

FILES = ["config.exe", "descript.txt", "install.txt", "readme.txt", "vokira.dll"]
TEXTS = ["descript.txt", "install.txt", "readme.txt"]
# The plug-in's identity to the host: chosen once and never to change.
PLUGIN_ID = "28C976B1-6DEF-431A-AA63-8AEBFC24432A"
ANY = None  # any value but the empty one
REQUIRED = {
    "install.txt": {"charset": "Shift_JIS", "type": "plugin", "name": ANY, "directory": "vokira"},
    "descript.txt": {
        "charset": "Shift_JIS",
        "name": ANY,
        "id": PLUGIN_ID,
        "filename": "vokira.dll",
        "type": "plugin",
        "craftman": "vokira project",
        "craftmanw": ANY,
        "readme": "readme.txt",
        # The plug-in does nothing on OnSecondChange.
        "secondchangeinterval": "0",
    },
}
# Files in the plug-in folder that the archive does not carry, so an update
# must not delete them: the user's on/off marker and the recognizer.
KEPT_ON_UPDATE = ("surpress.dat", "vokira.exe")


def text_lines(name, data):
    """(lines, problems): the text split at CR LF, which must end every line."""
    problems = []
    for part in data.split(b"\r\n"):  # no Shift_JIS trail byte is CR or LF
        if b"\n" in part or b"\r" in part:
            problems.append(f"{name}: a bare LF or CR line end")
            break
    if not data.endswith(b"\r\n"):
        problems.append(f"{name}: the last line has no CR LF")
    try:
        text = data.decode("cp932")
    except UnicodeDecodeError as e:
        return [], problems + [f"{name}: not Shift_JIS at byte {e.start}"]
    return text.split("\r\n")[:-1], problems


def fields(name, lines):
    """(key -> value, problems) of a `key,value` file, split at the first comma."""
    found, problems = {}, []
    if lines[:1] != ["charset,Shift_JIS"]:
        problems.append(f"{name}: first line {lines[:1]}, expected charset,Shift_JIS")
    for number, line in enumerate(lines, 1):
        key, comma, value = line.partition(",")
        if not comma:
            problems.append(f"{name}:{number}: no comma in {line!r}")
            continue
        if key in found:
            problems.append(f"{name}:{number}: {key} given twice")
        if value[:1] in ("\\", "%"):
            # The host drops such values.
            problems.append(f"{name}:{number}: {key} value begins with {value[0]!r}")
        found.setdefault(key, value)
    for key, expected in REQUIRED[name].items():
        value = found.get(key)
        if value is None or value == "" or expected not in (ANY, value):
            problems.append(f"{name}: {key} is {value!r}, expected {expected or 'a value'!r}")
    return found, problems


def refresh_problems(install):
    """A refresh empties the plug-in folder on update except for the files its
    mask names (patterns separated by colons)."""
    if install.get("refresh", "0") == "0":
        return []
    masks = [m.lower() for m in install.get("refreshundeletemask", "").split(":") if m]
    return [
        f"install.txt: refresh deletes {kept}: refreshundeletemask does not spare it"
        for kept in KEPT_ON_UPDATE
        if not any(fnmatch.fnmatchcase(kept, m) for m in masks)
    ]


def binary_problems(nar):
    with tempfile.TemporaryDirectory() as tmp:
        problems = []
        for name, check in (("vokira.dll", check_pe.check), ("config.exe", check_pe.check_config)):
            path = nar.extract(name, tmp)
            problems += [f"{name}: {p}" for p in check(path, "i386")]
        return problems


def check(path):
    with zipfile.ZipFile(path) as nar:
        names = nar.namelist()
        if sorted(names) != FILES:
            return [f"files {names}, expected exactly {FILES} at the top level"]
        bad = nar.testzip()
        if bad:
            return [f"{bad}: damaged in the archive"]
        problems, parsed = [], {}
        for name in TEXTS:
            lines, found = text_lines(name, nar.read(name))
            problems += found
            if lines and name in REQUIRED:
                parsed[name], found = fields(name, lines)
                problems += found
        if "install.txt" in parsed:
            problems += refresh_problems(parsed["install.txt"])
            if "descript.txt" in parsed and parsed["install.txt"].get("name") != parsed["descript.txt"].get("name"):
                problems.append("install.txt and descript.txt name the plug-in differently")
        return problems + binary_problems(nar)


def main():
    if len(sys.argv) != 2:
        print(__doc__.strip().splitlines()[-1], file=sys.stderr)
        return 2
    problems = check(sys.argv[1])
    for p in problems:
        print(f"{sys.argv[1]}: {p}")
    if not problems:
        print(f"{sys.argv[1]}: {', '.join(FILES)}; Shift_JIS texts with CR LF; i386 binaries as built")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
