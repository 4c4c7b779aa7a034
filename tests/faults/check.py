#!/usr/bin/env python3
"""The fault-injection test's fixtures and its checker.

  check.py setup ROUND SEED MODE   sources, settings file and manifest of one round
  check.py check ROUND             nothing lost: prints a summary and the problems, exit 1 when there are any
  check.py plant ROUND             plants a loss into a copy of the round and proves check sees it

A source file is safe when it is on disk unchanged, or inside a sound archive outside
it (tested with 7zz, read with zipfile), or, in recycle-bin mode, in the trash with its
info file naming where it was. A file under an archive's name is a sound archive. The
settings file is the old one or a whole new one.
"""
import hashlib
import json
import os
import random
import shutil
import subprocess
import sys
import urllib.parse
import zipfile

PROFILE = "a -tzip -mx=1 -r"


def digest(data):
    return hashlib.sha256(data).hexdigest()


def settings_text(mode):
    return ("[Option]\r\nDelFile=1\r\nDeleteMode=%d\r\nAutoClose=1\r\n7zCommandLine=%s\r\n"
            "; written by the fault-injection test\r\n" % (mode, PROFILE))


def setup(round_dir, seed, mode):
    rnd = random.Random(seed)
    data = os.path.join(round_dir, "data")
    sources = []

    def put(rel, size):
        path = os.path.join(data, rel)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        body = rnd.randbytes(size)
        # A file that begins like a ZIP or 7z archive is only renamed, by
        # design; random bytes may do so now and then (found in a run).
        if body[:2] in (b"PK", b"7z"):
            body = b"x" + body[1:]
        with open(path, "wb") as f:
            f.write(body)
        return digest(body)

    for name in ["report.txt", "with blank.bin", "写真.jpg", "big.dat"]:
        size = 300_000 if name == "big.dat" else rnd.randint(1, 40_000)
        sources.append({"name": name, "folder": False, "files": {name: put(name, size)}})
    for name, inner in [("photos", ["a.jpg", "sub/b.jpg", "sub/deeper/c.txt"]), ("旅行", ["x.txt", "y.txt"])]:
        files = {}
        for rel in inner:
            files[rel] = put(os.path.join(name, rel), rnd.randint(1, 60_000))
        sources.append({"name": name, "folder": True, "files": files})
    old = b"\xff\xfe" + settings_text(mode).encode("utf-16-le")
    os.makedirs(os.path.join(round_dir, "app"), exist_ok=True)
    with open(os.path.join(round_dir, "app", "Morvel.ini"), "wb") as f:
        f.write(old)
    manifest = {"mode": mode, "sources": sources, "old_settings": old.hex()}
    with open(os.path.join(round_dir, "manifest.json"), "w") as f:
        json.dump(manifest, f, ensure_ascii=False)
    print("\n".join(s["name"] for s in sources))


def archive_contents(path):
    """Names and digests of a sound archive; None when it is missing or not sound."""
    if not os.path.isfile(path):
        return None
    if subprocess.run(["7zz", "t", path], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode != 0:
        return None
    try:
        with zipfile.ZipFile(path) as z:
            return {i.filename: digest(z.read(i)) for i in z.infolist() if not i.is_dir()}
    except (zipfile.BadZipFile, OSError):
        return None


def trashed(trash, round_dir, source, rel):
    """The digest of rel of source as the trash holds it, when its info file names the source."""
    files, info = os.path.join(trash, "files"), os.path.join(trash, "info")
    if not os.path.isdir(info):
        return None
    original = os.path.join(round_dir, "data", source["name"])
    for entry in os.listdir(info):
        if not entry.endswith(".trashinfo"):
            continue
        with open(os.path.join(info, entry), encoding="utf-8") as f:
            text = f.read()
        paths = [urllib.parse.unquote(line[5:].strip()) for line in text.splitlines() if line.startswith("Path=")]
        if not paths or os.path.normpath(paths[0]) != os.path.normpath(original):
            continue
        item = os.path.join(files, entry[: -len(".trashinfo")])
        path = item if not source["folder"] else os.path.join(item, rel)
        if os.path.isfile(path):
            with open(path, "rb") as f:
                return digest(f.read())
    return None


def check_settings(round_dir, manifest):
    path = os.path.join(round_dir, "app", "Morvel.ini")
    with open(path, "rb") as f:
        data = f.read()
    if data == bytes.fromhex(manifest["old_settings"]):
        return [], "old"
    # A whole new file: mark, both sections, the old values, the closing empty line.
    if not data.startswith(b"\xff\xfe") or not data.endswith("\r\n\r\n".encode("utf-16-le")):
        return ["settings file neither the old one nor a whole new one (%d bytes)" % len(data)], "broken"
    text = data[2:].decode("utf-16-le", errors="replace")
    lines = set(text.split("\r\n"))
    # The close stores twice, section Main first: the file of either store counts as new,
    # and both hold the old option values.
    want = {"[Main]", "[Option]", "DelFile=1", "AutoClose=1", "DeleteMode=%d" % manifest["mode"],
            "7zCommandLine=" + PROFILE}
    missing = sorted(want - lines) + [key for key in ("X=", "Y=", "W=", "H=", "Dir=")
                                      if not any(line.startswith(key) for line in lines)]
    if missing:
        return ["settings file lacks " + ", ".join(missing)], "broken"
    return [], "new, both sections" if "DestFolderMode=1" in lines else "new, section Main only"


def check(round_dir):
    with open(os.path.join(round_dir, "manifest.json")) as f:
        manifest = json.load(f)
    data = os.path.join(round_dir, "data")
    trash = os.path.join(round_dir, "home", ".local", "share", "Trash")
    problems = []
    outcome = {"intact": 0, "archived": 0, "trashed": 0}
    for source in manifest["sources"]:
        base = os.path.splitext(source["name"])[0] if not source["folder"] else source["name"]
        archive_path = os.path.join(data, base + ".zip")
        archive = archive_contents(archive_path)
        # Whatever the moment of a kill, an archive's name holds a whole tested archive or nothing.
        if archive is None and os.path.exists(archive_path):
            problems.append("%s: a half archive under the archive's name" % archive_path)
        for rel, want in source["files"].items():
            on_disk = os.path.join(data, source["name"], rel) if source["folder"] else os.path.join(data, rel)
            if os.path.isfile(on_disk):
                with open(on_disk, "rb") as f:
                    if digest(f.read()) == want:
                        outcome["intact"] += 1
                        continue
                problems.append("%s: changed on disk" % on_disk)
                continue
            # In recycle-bin mode the trash is looked at first, so that the count shows it.
            if manifest["mode"] == 1 and trashed(trash, round_dir, source, rel) == want:
                outcome["trashed"] += 1
                continue
            if archive is not None and archive.get(rel.replace(os.sep, "/")) == want:
                outcome["archived"] += 1
                continue
            problems.append("%s: lost (not on disk, not in a sound archive%s)"
                            % (on_disk, ", not in the trash" if manifest["mode"] == 1 else ""))
    settings_problems, outcome["settings"] = check_settings(round_dir, manifest)
    return problems + settings_problems, outcome


def plant(round_dir):
    """A copy of the round with one file lost for good and the settings file cut short."""
    planted = round_dir + "-planted"
    shutil.rmtree(planted, ignore_errors=True)
    shutil.copytree(round_dir, planted, symlinks=True)
    with open(os.path.join(planted, "manifest.json")) as f:
        manifest = json.load(f)
    data = os.path.join(planted, "data")
    victim = manifest["sources"][0]
    if os.path.exists(os.path.join(data, victim["name"])):
        os.remove(os.path.join(data, victim["name"]))
    zip_path = os.path.join(data, os.path.splitext(victim["name"])[0] + ".zip")
    if os.path.exists(zip_path):
        with open(zip_path, "r+b") as f:
            f.truncate(os.path.getsize(zip_path) // 2)
    shutil.rmtree(os.path.join(planted, "home"), ignore_errors=True)
    ini = os.path.join(planted, "app", "Morvel.ini")
    with open(ini, "r+b") as f:
        f.truncate(max(os.path.getsize(ini) // 2, 4))
    problems, _ = check(planted)
    shutil.rmtree(planted, ignore_errors=True)
    lost = [p for p in problems if "lost" in p]
    settings = [p for p in problems if "settings" in p]
    if not lost or not settings:
        print("the checker missed a planted fault: %s" % problems)
        return 1
    print("planted faults found by the checker: %s; %s" % (lost[0], settings[0]))
    return 0


def main():
    command = sys.argv[1]
    if command == "setup":
        setup(sys.argv[2], int(sys.argv[3]), int(sys.argv[4]))
        return 0
    if command == "check":
        problems, outcome = check(sys.argv[2])
        print("intact %(intact)d, archived %(archived)d, trashed %(trashed)d, settings file %(settings)s" % outcome)
        for p in problems:
            print("LOST: " + p)
        return 1 if problems else 0
    if command == "plant":
        return plant(sys.argv[2])
    return 2


if __name__ == "__main__":
    sys.exit(main())
