#!/usr/bin/env bash
# Runs a Windows program on an X server and a Wine server of its own.
# The gallery moves the real pointer and needs the keyboard focus: on a
# shared screen the windows and input of other test programs (of this build
# or of another build tree) take its clicks and keys, and on a shared Wine
# server they take its foreground window.
# Usage: own_session.sh PREFIX WINEARCH RUNNER PROGRAM [ARGUMENTS...]
# (WINEARCH win32 or win64, the build's flavour; the runner starts the
# flavour's loader).
set -u
prefix=$1
arch=$2
shift 2
mkdir -p "$(dirname "$prefix")"

# One session per prefix at a time. The programs started here do not keep
# the lock (9>&-), so one left running cannot block the next session.
exec 9>"$prefix.lock"
if ! flock -w 900 9; then
  echo "own_session: $prefix is busy" >&2
  exit 1
fi

# Xvfb takes the first free display number and reports it once it is ready.
number=$(mktemp)
Xvfb -displayfd 8 -screen 0 1280x1024x24 -nolisten tcp 8>"$number" 9>&- >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 600); do
  [ -s "$number" ] && break
  kill -0 "$xvfb" 2>/dev/null || break
  sleep 0.1
done
if [ ! -s "$number" ]; then
  echo "own_session: Xvfb did not start" >&2
  kill "$xvfb" 2>/dev/null
  rm -f "$number"
  exit 1
fi
export DISPLAY=:$(head -n 1 "$number") WINEPREFIX=$prefix WINEARCH=$arch WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
rm -f "$number"

finish() {
  wineserver -k 9>&- 2>/dev/null
  wineserver -w 9>&- 2>/dev/null
  kill "$xvfb" 2>/dev/null
  wait "$xvfb" 2>/dev/null
}
trap finish EXIT

# A server left by a session that was killed belongs to a screen that is gone.
wineserver -k 9>&- 2>/dev/null
# A prefix of the other flavour cannot run this one's programs: made anew.
if [ -f "$prefix/system.reg" ] && ! grep -q "^#arch=$arch" "$prefix/system.reg"; then
  rm -rf "$prefix"
fi
if [ ! -f "$prefix/system.reg" ]; then
  "${VOLKG_WINE:-wine}" wineboot -i 9>&- >/dev/null 2>&1
  wineserver -w 9>&-
fi
"$@" 9>&-
status=$?
exit $status
