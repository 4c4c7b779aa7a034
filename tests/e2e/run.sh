#!/usr/bin/env bash
# Morvel.exe and 7-ZIP32.DLL in a folder of their own, a command-line batch over
# a file, a folder with and without its top folder, a ZIP, a 7z and a missing
# path; the archives are read back with unzip and Python's zipfile, the log is
# read from the window, the settings file is checked after the close.
set -euo pipefail
build=$1 work=$2
rm -rf "$work"; mkdir -p "$work/app" "$work/data/photos/sub" "$work/data/photos/empty" "$work/data/写真"
cp "$build/app/Morvel.exe" "$build/archiver/7-ZIP32.DLL" "$work/app/"
winpath() { local p; p=$(realpath -s "$1"); echo "Z:${p//\//\\}"; }
fail() { echo "FAIL: $*"; exit 1; }

d=$work/data
echo "report" >"$d/report.txt"
echo a >"$d/photos/a.txt"; echo b >"$d/photos/sub/b.txt"; echo h >"$d/photos/.hidden"
echo k >"$d/写真/旅行.txt"
(cd "$d" && echo z >z.txt && 7zz a -tzip old.zip z.txt >/dev/null && 7zz a -t7z box.7z z.txt >/dev/null && rm z.txt)

run() {  # arguments for Morvel; prints the log lines
  "$build/wine-run" "$build/headless/morvel-headless.exe" --timeout 120 "$@" >"$work/log.txt" 2>/dev/null </dev/null ||
    echo "driver: exit $? ($(tr -d '\r' <"$work/log.txt" | tail -1))"
  cat "$work/log.txt"
}

# 1: without the top folder (the default settings).
run --shot "$(winpath "$work")\\main.bmp" "$(winpath "$work/app/Morvel.exe")" /n "$(winpath "$d/report.txt")" \
  "$(winpath "$d/photos")" "$(winpath "$d/old.zip")" "$(winpath "$d/box.7z")" "$(winpath "$d/missing.txt")" \
  "$(winpath "$d/写真")"
expected=$'[FileOK] report.txt\n[DirectoryOK] photos\n[RenameOK] old.zip\n[RenameOK] box.7z\n[DirectoryOK] 写真'
[ "$(tr -d '\r' <"$work/log.txt")" = "$expected" ] || fail "log lines: $(cat "$work/log.txt")"
unzip -tq "$d/report.zip" >/dev/null || fail "report.zip does not test"
unzip -tq "$d/photos.zip" >/dev/null || fail "photos.zip does not test"
[ -f "$d/box.zip" ] && [ ! -f "$d/box.7z" ] || fail "box.7z was not renamed"
python3 - "$d" <<'PY' || fail "archive contents"
import sys, zipfile
d = sys.argv[1]
names = lambda p: sorted(zipfile.ZipFile(p).namelist())
assert names(d + "/report.zip") == ["report.txt"], names(d + "/report.zip")
assert names(d + "/photos.zip") == [".hidden", "a.txt", "empty/", "sub/", "sub/b.txt"], names(d + "/photos.zip")
z = zipfile.ZipFile(d + "/写真.zip")
assert z.namelist() == ["旅行.txt"], z.namelist()
assert z.infolist()[0].flag_bits & 0x800, "UTF-8 flag missing"
assert z.read("旅行.txt") == b"k\n"
PY
# The close wrote the settings file: UTF-16LE with its byte-order mark, both sections.
ini=$work/app/Morvel.ini
[ "$(head -c2 "$ini" | od -An -tx1 | tr -d ' ')" = fffe ] || fail "settings file has no byte-order mark"
iconv -f UTF-16 -t UTF-8 "$ini" | tr -d '\r' | grep -qx '7zCommandLine=a -tzip -mx=9 -mfb=64 -mpass=4 -r' || fail "settings file"

# 2: with the top folder, chosen in the settings file.
rm -f "$d/photos.zip"
printf '\xff\xfe' >"$ini.new"
printf '[Option]\r\nTopFolderCompress=1\r\n' | iconv -f UTF-8 -t UTF-16LE >>"$ini.new"
mv "$ini.new" "$ini"
run "$(winpath "$work/app/Morvel.exe")" /n "$(winpath "$d/photos")"
[ "$(tr -d '\r' <"$work/log.txt")" = "[DirectoryOK] photos" ] || fail "log: $(cat "$work/log.txt")"
python3 - "$d" <<'PY' || fail "top folder archive"
import sys, zipfile
n = sorted(zipfile.ZipFile(sys.argv[1] + "/photos.zip").namelist())
assert n == ["photos/.hidden", "photos/a.txt", "photos/empty/", "photos/sub/", "photos/sub/b.txt"], n
PY

# 3: a job that fails: its line, then the library's reason, and exit status 1.
# A socket is an item Windows programs cannot read: the engine leaves it out and warns.
mkdir -p "$d/links"; echo x >"$d/links/ok.txt"
python3 -c 'import socket, sys; socket.socket(socket.AF_UNIX).bind(sys.argv[1])' "$d/links/unreadable-socket"
code=0
"$build/wine-run" "$build/headless/morvel-headless.exe" --timeout 120 "$(winpath "$work/app/Morvel.exe")" /n \
  "$(winpath "$d/links")" >"$work/log.txt" 2>/dev/null </dev/null || code=$?
log=$(tr -d '\r' <"$work/log.txt")
[ "$code" = 1 ] || fail "exit status $code after a failed job: $log"
[ "$(echo "$log" | head -1)" = "[DirectoryNG] links" ] || fail "log: $log"
echo "$log" | grep -qx '\[reasons\]' || fail "no reasons printed: $log"
echo "$log" | grep -q 'links.zip' || fail "the reason does not name the archive: $log"
echo "$log" | grep -q 'unreadable-socket' || fail "the reason does not name the item: $log"
[ -f "$d/links/ok.txt" ] || fail "the source of a failed job was touched"

# A picture of the main window after the batch, for a person to look at.
if [ -f "$work/main.bmp" ] && command -v convert >/dev/null; then convert "$work/main.bmp" "$work/main.png"; fi
echo "end to end: ok"
