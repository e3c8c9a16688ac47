#!/usr/bin/env bash
# Runs a Windows executable under Wine for CTest and the run scripts.
# The Wine prefix lives in the build folder that holds the executable and is
# created on first use; a virtual X display is started when none is set.
# TARVEL_WINEPREFIX names another prefix (made the same way) for a test that
# needs one of its own.
set -euo pipefail

# --start-server BUILD_DIR: prepare the prefix and leave a persistent server
# running (scripts/test.sh ends it). Otherwise: EXE [ARGS...].
start_server=""
if [ "${1:-}" = --start-server ]; then
  start_server=1
  exe=$2/CMakeCache.txt
  set -- "$exe"
fi
exe=$1
shift

build=$(cd "$(dirname "$exe")" && pwd)
while [ "$build" != / ] && [ ! -f "$build/CMakeCache.txt" ]; do build=$(dirname "$build"); done
[ -f "$build/CMakeCache.txt" ] || build=$(cd "$(dirname "$exe")" && pwd)

wine=$(command -v wine64 || true)
[ -n "$wine" ] || wine=/usr/lib/wine/wine64
wineserver=$(command -v wineserver || true)
[ -n "$wineserver" ] || wineserver=/usr/lib/wine/wineserver

export WINEPREFIX="${TARVEL_WINEPREFIX:-$build/wineprefix}"
prefix_lock="$build/.wineprefix.lock"
[ -z "${TARVEL_WINEPREFIX:-}" ] || prefix_lock="$TARVEL_WINEPREFIX.lock"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

# One virtual display per build folder, shared by every test that runs in it.
virtual_display=""
if [ -z "${DISPLAY:-}" ]; then
  virtual_display=1
  exec 8>"$build/.xvfb.lock"
  flock 8
  num=""
  [ -f "$build/.xvfb.display" ] && num=$(cat "$build/.xvfb.display")
  # A display whose server has gone (its socket may stay behind) is replaced.
  alive=""
  [ -f "$build/.xvfb.pid" ] && kill -0 "$(cat "$build/.xvfb.pid")" 2>/dev/null && alive=1
  if [ -z "$num" ] || [ -z "$alive" ] || ! [ -e "/tmp/.X11-unix/X$num" ]; then
    num=$(( 90 + RANDOM % 400 ))
    while [ -e "/tmp/.X11-unix/X$num" ] || [ -e "/tmp/.X$num-lock" ]; do num=$((num + 1)); done
    setsid Xvfb ":$num" -screen 0 1280x1024x24 -nolisten tcp </dev/null >/dev/null 2>&1 8>&- &
    echo $! >"$build/.xvfb.pid"
    echo "$num" >"$build/.xvfb.display"
    for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X$num" ] && break; sleep 0.05; done
  fi
  flock -u 8
  export DISPLAY=":$num"
fi

# The prefix is made once; parallel tests wait for it behind a lock.
exec 9>"$prefix_lock"
flock 9
if [ ! -f "$WINEPREFIX/.tarvel-ready" ]; then
  "$wine" wineboot -i </dev/null >/dev/null 2>&1 || true
  "$wineserver" -w || true
  touch "$WINEPREFIX/.tarvel-ready"
fi
# Wine links the user's desktop to the home folder, so every prefix would
# write the program's Log.txt to one place and test runs of two build
# folders would read each other's lines. Each prefix keeps its own desktop.
for desktop in "$WINEPREFIX"/drive_c/users/*/Desktop; do
  if [ -L "$desktop" ]; then rm -f "$desktop" && mkdir -p "$desktop"; fi
done
flock -u 9

# On the virtual display no window manager runs, and Wine waits two seconds
# whenever a managed window hides, for the manager's word that never comes:
# most of a window test's time went on those waits. The prefix's windows are
# left unmanaged there, and managed again on a real display.
window_management() {
  local mark=$WINEPREFIX/.tarvel-unmanaged key='HKCU\Software\Wine\X11 Driver'
  if [ -n "$virtual_display" ] && [ ! -f "$mark" ]; then
    "$wine" reg add "$key" /v Managed /d N /f </dev/null >/dev/null 2>&1 8>&- 9>&- && touch "$mark"
  elif [ -z "$virtual_display" ] && [ -f "$mark" ]; then
    "$wine" reg delete "$key" /v Managed /f </dev/null >/dev/null 2>&1 8>&- 9>&- && rm -f "$mark"
  fi
  return 0
}

if [ -n "$start_server" ]; then
  # One server (and Wine's own service processes) for a whole test run: a
  # server that exits on its idle timeout just as the next test connects
  # makes that test fail with "recvmsg: Connection reset by peer". Started
  # here with no output attached, so no test's output pipe is held open by it.
  "$wineserver" -p </dev/null >/dev/null 2>&1 8>&- 9>&- || true
  "$wine" cmd /c exit </dev/null >/dev/null 2>&1 8>&- 9>&- || true
  window_management
  # Wine's desktop process keeps the error output of the program that
  # started it open until it ends, a moment after its last program: CTest
  # then waited on that test until the desktop closed. It is started here,
  # holding nothing, and kept up for the run. A prefix of a test's own
  # (TARVEL_WINEPREFIX) ends with that test, its desktop with it.
  holder=$build/tools/wmsg/wmsg.exe
  holder_pid=$WINEPREFIX/.tarvel-desktop.pid
  if [ -z "${TARVEL_WINEPREFIX:-}" ] && [ -f "$holder" ] && ! { [ -f "$holder_pid" ] && kill -0 "$(cat "$holder_pid")" 2>/dev/null; }; then
    setsid "$wine" "$holder" hold </dev/null >/dev/null 2>&1 8>&- 9>&- &
    echo $! >"$holder_pid"
    # Returns once the desktop is up, so no test starts it.
    "$wine" "$holder" gone "desktop check" 0 </dev/null >/dev/null 2>&1 8>&- 9>&- || true
  fi
  exit 0
fi

window_management
exec "$wine" "$exe" "$@"
