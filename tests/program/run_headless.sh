#!/usr/bin/env bash
# scripts/run without a display: it starts an X screen of its own, saves a
# screenshot, says where, and ends (it used to wait for that X server).
# Usage: run_headless.sh BUILD_DIR
set -u
build=$1
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
# A display number nobody uses, so scripts/run starts the server itself.
for n in $(seq 240 299); do
  [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] || break
done
out=$(mktemp)
rm -f "$build/screenshot.png"
env -u DISPLAY VOLKG_BUILD_DIR="$build" VOLKG_DISPLAY=":$n" VOLKG_SCREENSHOT_DELAY=3 \
  timeout 600 bash "$root/scripts/run" >"$out" 2>&1 </dev/null
status=$?
# The X server that scripts/run left for the next run.
[ -s "/tmp/.X$n-lock" ] && kill "$(tr -d ' ' <"/tmp/.X$n-lock")" 2>/dev/null
fail=0
if [ "$status" -ne 0 ]; then echo "scripts/run ended with $status (124: it never ended)"; fail=1; fi
grep -q "screenshot: $build/screenshot.png" "$out" || { echo "scripts/run did not say where the screenshot is"; fail=1; }
[ -s "$build/screenshot.png" ] || { echo "no screenshot at $build/screenshot.png"; fail=1; }
[ "$fail" -eq 0 ] || tail -20 "$out"
rm -f "$out"
exit $fail
