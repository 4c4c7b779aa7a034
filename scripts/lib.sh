# Shared by the scripts: build folders, the Windows architecture Wine can run here, a private display.
# shellcheck shell=bash
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
jobs=$(nproc 2>/dev/null || echo 2)

# Morvel ships as a 32-bit program. Some kernels refuse to execute 32-bit code;
# there 32-bit programs run through qemu-user (scripts/emu32/enter), which
# MORVEL_EMULATE_I386=1 also forces. Ask only after setup: the 32-bit loader
# comes with Wine's packages.
host_runs_32bit() { [ -z "${MORVEL_EMULATE_I386:-}" ] && /lib/ld-linux.so.2 --version >/dev/null 2>&1; }
i386_runner=("$root/scripts/emu32/enter")  # the prefix for 32-bit commands where they need one
run_i386() { if host_runs_32bit; then "$@"; else "${i386_runner[@]}" "$@"; fi; }

configure_and_build() {  # folder [cmake args...]
  local dir=$1; shift
  # Always configure: folders that appeared since the last run must join the build.
  cmake -S "$root" -B "$dir" "$@" >"$dir.configure.log" 2>&1 || { cat "$dir.configure.log"; return 1; }
  cmake --build "$dir" -j "$jobs" >"$dir.build.log" 2>&1 || { grep -E 'error|Error' "$dir.build.log" | head -40; return 1; }
}

build_windows() {  # arch
  mkdir -p "$root/build"
  configure_and_build "$root/build/win-$1" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-$1.cmake"
}

xvfb_pid=
start_display() {  # a private Xvfb when there is no display; the server picks a free number
  [ -n "${DISPLAY:-}" ] && return 0
  local fifo; fifo=$(mktemp -u); mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
  xvfb_pid=$!
  local num; read -r -t 20 num <"$fifo" || true; rm -f "$fifo"
  [ -n "$num" ] || { echo "Xvfb did not start" >&2; return 1; }
  export DISPLAY=":$num"
}
stop_display() { [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null; xvfb_pid=; }

shell_quote() { printf "'%s'" "${1//\'/\'\\\'\'}"; }  # one word for sh, whatever it holds

wine_run_for_prefix() {  # build folder, prefix, output: that build's wine-run, for another prefix
  line="export WINEPREFIX=$(shell_quote "$2")" \
    awk '/^export WINEPREFIX=/ { print ENVIRON["line"]; next } { print }' "$1/wine-run" >"$3.new"
  chmod 755 "$3.new"; mv "$3.new" "$3"
}

# apt-get or apt-cache against a package list of its own, kept in a cache folder:
# the machine's sources, lists and package state stay as they are, and apt
# still checks what it fetches against the archive's signed index.
#   private_apt NAME SOURCES apt-get|apt-cache ARGS...
# SOURCES is a deb822 text; "update" is run when its list is older than a day.
cache_root=${XDG_CACHE_HOME:-$HOME/.cache}/morvel
private_apt() {
  local name=$1 sources=$2 tool=$3; shift 3
  local d="$cache_root/apt-$name"
  mkdir -p "$d/sources.list.d" "$d/lists/partial" "$d/cache/archives/partial"
  local list="$d/sources.list.d/$name.sources"
  [ -f "$list" ] && [ "$(cat "$list")" = "$sources" ] || { printf '%s\n' "$sources" >"$list"; rm -f "$d/updated"; }
  local opts=(-o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts="$d/sources.list.d"
    -o Dir::State::Lists="$d/lists" -o Dir::Cache="$d/cache" -o Dir::State::status=/dev/null
    -o APT::Sandbox::User=root -o Debug::NoLocking=1)
  if [ -z "$(find "$d/updated" -mmin -1440 2>/dev/null)" ]; then
    apt-get "${opts[@]}" -qq update >"$d/update.log" 2>&1 || { cat "$d/update.log" >&2; return 1; }
    touch "$d/updated"
  fi
  "$tool" "${opts[@]}" "$@"
}

# The machine's own Debian entries (the archive and its security archive) as
# deb822 stanzas of the given type and, when given, another suite.
#   debian_sources deb|deb-src [SUITE]
debian_sources() {
  local type=$1 suite=${2:-}
  python3 - "$type" "$suite" <<'PY'
import glob, re, sys
kind, suite = sys.argv[1], sys.argv[2]
out = []
for f in sorted(glob.glob('/etc/apt/sources.list.d/*.sources')) + ['/etc/apt/sources.list']:
    try: text = open(f).read()
    except OSError: continue
    if f.endswith('.list'):
        for line in text.splitlines():
            m = re.match(r'\s*deb\s+(\[[^]]*\]\s+)?(\S+)\s+(\S+)\s+(.*)', line)
            if m and 'debian-archive-keyring' in (m.group(1) or 'debian-archive-keyring'):
                out.append({'URIs': m.group(2), 'Suites': m.group(3), 'Components': m.group(4)})
        continue
    for stanza in re.split(r'\n\s*\n', text):
        fields = {}
        for line in stanza.splitlines():
            if line.startswith('#') or ':' not in line: continue
            k, v = line.split(':', 1); fields[k.strip()] = v.strip()
        if 'deb' in fields.get('Types', '').split() and 'debian-archive-keyring' in fields.get('Signed-By', ''):
            out.append(fields)
for e in out:
    suites = e['Suites'].split()
    if suite:
        if '-security' in e['URIs']: continue
        suites = [suite]
    print(f"Types: {kind}\nURIs: {e['URIs']}\nSuites: {' '.join(suites)}\nComponents: main\n"
          f"Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg\n")
    if suite: break
PY
}
