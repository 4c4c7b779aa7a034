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
