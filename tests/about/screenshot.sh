#!/bin/sh
# Takes a screenshot of the About box: ./screenshot.sh BUILD_DIR OUT.png
# Needs DISPLAY; the test holds the box on screen until the picture is taken.
set -eu
build=$1 out=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
MORVEL_ABOUT_SHOT_READY="Z:$tmp/ready" MORVEL_ABOUT_SHOT_DONE="Z:$tmp/done" \
  "$build/wine-run" "$build/tests/about/about_tests.exe" --gtest_filter='*HoldOnScreen*' >"$tmp/log" 2>&1 &
pid=$!
n=0
while [ ! -e "$tmp/ready" ]; do
  n=$((n + 1))
  if [ $n -gt 600 ]; then echo "the About box never showed" >&2; cat "$tmp/log" >&2; exit 1; fi
  sleep 0.1
done
import -window root "$out"
touch "$tmp/done"
wait $pid
cat "$tmp/log"
