#!/usr/bin/python3
"""Faults that check_nar must catch in an archive, and what the packer must
refuse or keep stable, starting from a good built vokira.nar.

Usage: check_nar_test.py GOOD.nar
"""
import os
import sys
import tempfile
import unittest
import zipfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts"))
import check_nar  # noqa: E402
import pack_nar  # noqa: E402

GOOD = None  # {name: bytes} of the good archive, read in main


def text(name):
    return GOOD[name].decode("cp932").replace("\r\n", "\n")


def edited(name, old, new):
    """The good archive's files with one text file edited (and re-encoded)."""
    source = text(name)
    assert old in source, (name, old)
    return dict(GOOD, **{name: pack_nar.to_shift_jis(source.replace(old, new, 1), name)})


def problems_of(files):
    with tempfile.TemporaryDirectory() as tmp:
        path = os.path.join(tmp, "vokira.nar")
        pack_nar.write_nar(path, files)
        return check_nar.check(path)


class ArchiveFaults(unittest.TestCase):
    def test_good_archive_passes(self):
        self.assertEqual(problems_of(GOOD), [])

    def test_faults_are_reported(self):
        without_config = {k: v for k, v in GOOD.items() if k != "config.exe"}
        cases = [
            # (what, files, a piece of the expected report)
            ("a file missing", without_config, "expected exactly"),
            ("a stray file", dict(GOOD, **{"vokira.exe": b"MZ"}), "expected exactly"),
            ("files in a folder", {"vokira/" + k: v for k, v in GOOD.items()}, "at the top level"),
            ("LF line ends", dict(GOOD, **{"readme.txt": GOOD["readme.txt"].replace(b"\r\n", b"\n")}), "bare LF"),
            ("no line end at the end", dict(GOOD, **{"install.txt": GOOD["install.txt"][:-2]}), "last line"),
            ("left in UTF-8", dict(GOOD, **{"readme.txt": text("readme.txt").replace("\n", "\r\n").encode()}),
             "readme.txt: not Shift_JIS"),
            ("charset not first", edited("install.txt", "charset,Shift_JIS\ntype,plugin", "type,plugin\ncharset,Shift_JIS"),
             "first line"),
            ("another id", edited("descript.txt", check_nar.PLUGIN_ID, "{" + check_nar.PLUGIN_ID + "}"), "id is"),
            ("second change on", edited("descript.txt", "secondchangeinterval,0", "secondchangeinterval,1"),
             "secondchangeinterval is '1'"),
            ("filename missing", edited("descript.txt", "filename,vokira.dll\n", ""), "filename is None"),
            ("craftmanw empty", edited("descript.txt", "craftmanw,vokira プロジェクト", "craftmanw,"), "craftmanw is ''"),
            ("a value begins with %", edited("descript.txt", "craftmanw,", "craftmanw,%"), "begins with '%'"),
            ("a value begins with \\", edited("install.txt", "name,", "name,\\"), "begins with '\\\\'"),
            ("a key twice", edited("install.txt", "type,plugin", "type,plugin\ntype,ghost"), "type given twice"),
            ("a line without comma", edited("install.txt", "type,plugin", "type plugin"), "no comma"),
            ("names differ", edited("install.txt", "name,", "name,x"), "name the plug-in differently"),
            ("refresh without mask", edited("install.txt", "type,plugin", "type,plugin\nrefresh,1"),
             "refresh deletes surpress.dat"),
            ("refresh sparing the marker only",
             edited("install.txt", "type,plugin", "type,plugin\nrefresh,1\nrefreshundeletemask,surpress.dat"),
             "refresh deletes vokira.exe"),
            ("a program as the plug-in", dict(GOOD, **{"vokira.dll": GOOD["config.exe"]}), "vokira.dll: not a DLL"),
            ("the plug-in as the program", dict(GOOD, **{"config.exe": GOOD["vokira.dll"]}), "config.exe: a DLL"),
        ]
        for what, files, expected in cases:
            with self.subTest(what):
                found = problems_of(files)
                self.assertTrue(any(expected in p for p in found), found)

    def test_refresh_sparing_both_kept_files_passes(self):
        for mask in ("surpress.dat:vokira.exe", "SURPRESS.DAT:*.exe", "*"):
            with self.subTest(mask):
                files = edited("install.txt", "type,plugin", f"type,plugin\nrefresh,1\nrefreshundeletemask,{mask}")
                self.assertEqual(problems_of(files), [])


class Packer(unittest.TestCase):
    def test_line_ends_become_cr_lf(self):
        for source in ("a\nb\n", "a\r\nb\r\n", "a\nb"):
            with self.subTest(source=source):
                self.assertEqual(pack_nar.to_shift_jis(source, "t.txt"), b"a\r\nb\r\n")
        self.assertEqual(pack_nar.to_shift_jis("有効\n", "t.txt"), b"\x97\x4c\x8c\xf8\r\n")

    def test_refuses_what_shift_jis_cannot_say(self):
        cases = [
            ("x\n作者 — vokira\n", "t.txt:2: '—' (U+2014)"),
            ("© vokira project\n", "t.txt:1: '©' (U+00A9)"),
            ("\ufeffcharset,Shift_JIS\n", "U+FEFF"),
            ("a\rb\n", "bare CR"),
        ]
        for source, expected in cases:
            with self.subTest(expected):
                with self.assertRaises(pack_nar.PackError) as caught:
                    pack_nar.to_shift_jis(source, "t.txt")
                self.assertIn(expected, str(caught.exception))

    def test_missing_binary_fails_and_leaves_no_archive(self):
        with tempfile.TemporaryDirectory() as tmp:
            with open(os.path.join(tmp, "vokira.dll"), "wb") as f:
                f.write(GOOD["vokira.dll"])
            out = os.path.join(tmp, "out", "vokira.nar")
            self.assertEqual(pack_nar.main(["pack_nar.py", tmp, out]), 1)
            self.assertFalse(os.path.exists(out))

    def test_same_inputs_same_bytes(self):
        with tempfile.TemporaryDirectory() as tmp:
            for name in pack_nar.BINARIES:
                with open(os.path.join(tmp, name), "wb") as f:
                    f.write(GOOD[name])
            first, second = os.path.join(tmp, "1.nar"), os.path.join(tmp, "2.nar")
            pack_nar.write_nar(first, pack_nar.members(tmp))
            pack_nar.write_nar(second, dict(reversed(pack_nar.members(tmp).items())))
            with open(first, "rb") as a, open(second, "rb") as b:
                self.assertEqual(a.read(), b.read())
            with zipfile.ZipFile(first) as nar:
                self.assertEqual(nar.namelist(), check_nar.FILES)
                self.assertEqual({i.date_time for i in nar.infolist()}, {pack_nar.TIMESTAMP})


def main():
    global GOOD
    with zipfile.ZipFile(sys.argv[1]) as nar:
        GOOD = {name: nar.read(name) for name in nar.namelist()}
    unittest.main(argv=sys.argv[:1], verbosity=2)


if __name__ == "__main__":
    main()
