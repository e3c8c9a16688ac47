#!/usr/bin/env bash
# Builds Tarvel.exe with its two DLLs and the default product, then runs it
# under Wine against the virtual receiver. The receiver's state (its memory,
# so what Apply writes) lives in the user's data folder and is created on the
# first run.
#
# With a DISPLAY the program opens there and runs until it is closed. Without
# one it runs on a virtual display: the script waits for the main window,
# takes a screenshot once start-up has read the device, prints where the
# screenshot is, and ends the program the way its tray menu's Exit does.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/bootstrap.sh
cmake --preset windows >/dev/null
cmake --build --preset windows --target stage wmsg >/dev/null

build=$PWD/build/windows
stage=$build/stage
wmsg=$build/tools/wmsg/wmsg.exe
wine_run=$PWD/cmake/wine-run.sh
data=${XDG_DATA_HOME:-$HOME/.local/share}/tarvel
mkdir -p "$data"
state=$data/virtual-receiver.state
# Wine sees the Unix file system as drive Z:.
export TARVEL_VIRTUAL_RECEIVER="Z:${state//\//\\}"
export WINEPREFIX=$build/wineprefix

# A first run gets a small macro library, so the macro page has something to
# show; the program keeps what the user makes of it.
library=$WINEPREFIX/drive_c/users/${USER:-$(id -un)}/AppData/Local/Tarvel/Mac
if [ ! -e "$library" ]; then
  python3 scripts/sample_macros.py "$library"
  echo "run: sample macro library in $library"
fi

echo "run: virtual receiver state $state"
if [ -n "${DISPLAY:-}" ]; then
  exec "$wine_run" "$stage/Tarvel.exe"
fi

title=Tarvel
shot=$build/run-screenshot.png
exit_command=(0x111 0x6001 0) # WM_COMMAND, the tray menu's Exit

# A test run of this build folder (wine-run.sh --start-server) keeps its Wine
# server and virtual display up until it ends them: the script then shares
# them and leaves them running. Waiting for that server to end would never
# return.
desktop_pid=$WINEPREFIX/.tarvel-desktop.pid
shared=""
[ -f "$desktop_pid" ] && kill -0 "$(cat "$desktop_pid")" 2>/dev/null && shared=1

"$wine_run" "$stage/Tarvel.exe" &
program=$!
cleanup() {
  [ -z "$shared" ] || return 0
  /usr/lib/wine/wineserver -k 2>/dev/null || true
  if [ -f "$build/.xvfb.pid" ]; then
    kill "$(cat "$build/.xvfb.pid")" 2>/dev/null || true
    rm -f "$build/.xvfb.pid" "$build/.xvfb.display"
  fi
}
trap cleanup EXIT

if ! "$wine_run" "$wmsg" wait "$title" 60; then
  echo "run: the main window did not appear" >&2
  exit 1
fi
# Start-up reads the device's configuration in the background (about a second).
sleep 3
display=$(cat "$build/.xvfb.display")
DISPLAY=":$display" /usr/bin/import -window root "$shot"
echo "run: screenshot $shot"
# One screenshot a page: the navigation buttons' commands, as clicks send them.
id=1011 # IDC_MAIN_NAVI1; the four pages' buttons follow it in this order
for page in keys dpi macros lighting; do
  "$wine_run" "$wmsg" post "$title" 0x111 "$id" 0
  id=$((id + 1))
  sleep 1 # the page paints on the next pass of the program's message loop
  page_shot=$build/run-page-$page.png
  DISPLAY=":$display" /usr/bin/import -window root "$page_shot"
  echo "run: screenshot $page_shot"
done

"$wine_run" "$wmsg" post "$title" "${exit_command[@]}"
"$wine_run" "$wmsg" gone "$title" 20 || echo "run: the program did not end in time" >&2
wait "$program" || true
# Wine's own processes end a moment after the program; a server kept up by
# hand (wineserver -p) would not end at all, so the wait is bounded.
[ -n "$shared" ] || timeout 20 /usr/lib/wine/wineserver -w || true
echo "run: ended"
