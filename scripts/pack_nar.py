#!/usr/bin/python3
"""Packs vokira.nar, the archive an SSP user drops on the host to install the
plug-in: the texts of package/, written in UTF-8 and turned into Shift_JIS
with CR LF here, beside vokira.dll and config.exe, all at the top level.

install.txt has no `refresh` line on purpose: a refresh empties the plug-in
folder before an update, and that folder also holds files the archive does
not carry: the user's on/off marker surpress.dat and the recognizer vokira.exe
with its data. Without it an update only overwrites the archive's own files.

Usage: pack_nar.py BIN_DIR OUT.nar
"""
import os
import sys
import zipfile

PACKAGE_DIR = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "package")
TEXTS = ("install.txt", "descript.txt", "readme.txt")
BINARIES = ("vokira.dll", "config.exe")
# Fixed, so the same inputs always give the same archive bytes.
TIMESTAMP = (2025, 1, 1, 0, 0, 0)


class PackError(Exception):
    pass


def to_shift_jis(text, name):
    """UTF-8 source text (LF or CR LF line ends) as Shift_JIS bytes with CR LF
    after every line, the last one included."""
    text = text.replace("\r\n", "\n")
    if "\r" in text:
        raise PackError(f"{name}: a bare CR")
    lines = text.split("\n")
    if lines[-1] == "":
        lines.pop()
    out = []
    for number, line in enumerate(lines, 1):
        try:
            out.append(line.encode("cp932") + b"\r\n")
        except UnicodeEncodeError as e:
            bad = line[e.start]
            raise PackError(f"{name}:{number}: {bad!r} (U+{ord(bad):04X}) has no Shift_JIS form") from None
    return b"".join(out)


def members(bin_dir):
    """{archive name: bytes} of everything the archive holds."""
    found = {}
    for name in TEXTS:
        with open(os.path.join(PACKAGE_DIR, name), encoding="utf-8", newline="") as f:
            found[name] = to_shift_jis(f.read(), name)
    for name in BINARIES:
        path = os.path.join(bin_dir, name)
        if not os.path.isfile(path):
            raise PackError(f"{path} is missing: build it first (bash scripts/build.sh win32)")
        with open(path, "rb") as f:
            found[name] = f.read()
    return found


def write_nar(out, files):
    """Writes under a temporary name first: a failed pack never leaves a
    half-written archive under the name `out`."""
    os.makedirs(os.path.dirname(os.path.abspath(out)), exist_ok=True)
    partial = out + ".partial"
    with zipfile.ZipFile(partial, "w") as nar:
        for name in sorted(files):
            info = zipfile.ZipInfo(name, date_time=TIMESTAMP)
            info.compress_type = zipfile.ZIP_DEFLATED
            info.create_system = 0  # MS-DOS attributes, as Windows tools write them
            info.external_attr = 0x20  # "archive", a plain file
            nar.writestr(info, files[name], compresslevel=9)
    os.replace(partial, out)


def main(argv):
    if len(argv) != 3:
        print(__doc__.strip().splitlines()[-1], file=sys.stderr)
        return 2
    try:
        write_nar(argv[2], members(argv[1]))
    except PackError as e:
        print(f"pack_nar: {e}", file=sys.stderr)
        return 1
    print(f"packed {argv[2]}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
