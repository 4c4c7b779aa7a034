#!/usr/bin/env python3
"""Reads an archive back with tools nobody on this project wrote and prints
one fact per line, names hex-encoded (UTF-8) so that any name survives:

  tool <name> <exit code>         unzip -t (zip only), 7zz t
  zipfile <F|D> <hex> <utf8 flag>  every entry as Python's zipfile sees it (zip only)
  zipfile-test <ok|bad>            ZipFile.testzip()
  7zz <F|D> <hex>                  every entry as 7zz l -slt lists it
"""
import re
import struct
import subprocess
import sys
import zipfile


def run(args):
    return subprocess.run(args, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL)


def unzip_test(path):
    """unzip -t's exit code. Info-ZIP's unzip 6.0 reads the local name of an
    entry made on Windows in the OEM code page even when its UTF-8 flag is set,
    and warns (exit 1) that it differs from the central one; when that is its
    only complaint, the names are compared here byte for byte instead."""
    result = run(["unzip", "-t", path])
    if result.returncode != 1:
        return result.returncode
    text = result.stdout.decode("utf-8", "replace")
    complaints = [l for l in text.splitlines()
                  if not re.match(r'\s*testing: .* OK$', l) and not l.startswith("Archive:")
                  and 'mismatching "local" filename' not in l and 'continuing with "central" filename' not in l
                  and not l.startswith("At least one warning-error")]
    if complaints:
        return 1
    data = open(path, "rb").read()
    with zipfile.ZipFile(path) as z:
        for info in z.infolist():
            local = data[info.header_offset:info.header_offset + 30]
            n, extra = struct.unpack("<HH", local[26:30])
            flags = struct.unpack("<H", local[6:8])[0]
            name = data[info.header_offset + 30:info.header_offset + 30 + n]
            if flags & 0x800 != info.flag_bits & 0x800 or name != info.orig_filename.encode(
                    "utf-8" if info.flag_bits & 0x800 else "cp437"):
                return 1
    return 0


def main(path):
    is_zip = zipfile.is_zipfile(path)
    if is_zip:
        print("tool unzip-t", unzip_test(path))
        with zipfile.ZipFile(path) as z:
            for info in z.infolist():
                name = info.filename
                kind = "D" if name.endswith("/") else "F"
                name = name.rstrip("/")
                print("zipfile", kind, name.encode("utf-8", "surrogateescape").hex(), 1 if info.flag_bits & 0x800 else 0)
            print("zipfile-test", "ok" if z.testzip() is None else "bad")
    print("tool 7zz-t", run(["7zz", "t", "-sccUTF-8", "--", path]).returncode)
    listing = run(["7zz", "l", "-slt", "-sccUTF-8", "--", path]).stdout.decode("utf-8", "surrogateescape")
    # Entries follow the "----------" line; each starts with "Path = ".
    body = listing.split("\n----------\n", 1)
    entry = None
    for line in (body[1] if len(body) > 1 else "").split("\n"):
        if line.startswith("Path = "):
            entry = line[len("Path = "):]
        elif line.startswith("Attributes = ") and entry is not None:
            attributes = line[len("Attributes = "):].split()
            kind = "D" if attributes and "D" in attributes[0] else "F"
            print("7zz", kind, entry.encode("utf-8", "surrogateescape").hex())
            entry = None


if __name__ == "__main__":
    main(sys.argv[1])
