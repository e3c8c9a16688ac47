#!/usr/bin/env bash
# The program's start-up and idle cost under Wine on a virtual display:
#   - CPU time the program uses while idle for 30 seconds,
#   - cold start to the first paint of the main window and resident memory
#     after start-up, side by side with two floor programs (a window in a
#     plain colour; GDI+ with the main window's skin image), medians of
#     alternated starts, and last the ratios to the GDI+ floor.
# Usage: bench/gui_bench.sh [build folder] [runs] [other stage folder]
#   (default build/windows, 7 runs; another build's stage folder, say of the
#   commit before a change, takes its turns beside this one)
set -euo pipefail
cd "$(dirname "$0")/.."

build=$(realpath "${1:-build/windows}")
runs=${2:-7}
other=${3:+$(realpath "$3")}
idle_seconds=30
if [ "$build" = "$(realpath build/windows)" ]; then
  cmake --preset windows >/dev/null
fi
cmake --build "$build" --target stage gui_bench floor_plain floor_gdiplus wmsg >/dev/null

wine_run=$PWD/cmake/wine-run.sh
stage=$build/stage
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
winpath() { echo "Z:${1//\//\\}"; }
unset DISPLAY # the numbers are for the virtual display
echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"

# One start, left running for the idle figure.
(
  export TARVEL_VIRTUAL_RECEIVER
  TARVEL_VIRTUAL_RECEIVER=$(winpath "$work/idle.state")
  "$wine_run" "$stage/Tarvel.exe"
) &
"$wine_run" "$build/tools/wmsg/wmsg.exe" wait Tarvel 60 >/dev/null
pid=$(pgrep -f 'stage.Tarvel\.exe' | head -n 1)
# The start-up read of the device ends before the idle time is counted: its
# exchanges wake the program; the program's CPU time then stops moving.
ticks() { awk '{print $14 + $15}' "/proc/$pid/stat"; }
last=$(ticks)
for _ in $(seq 60); do
  sleep 1
  now=$(ticks)
  [ "$now" = "$last" ] && break
  last=$now
done
hz=$(getconf CLK_TCK)
before=$(ticks)
sleep "$idle_seconds"
after=$(ticks)
awk -v t=$((after - before)) -v hz="$hz" -v s="$idle_seconds" \
  'BEGIN { printf "CPU while idle for %d s: %.2f s (%.2f%%)\n", s, t / hz, 100 * t / hz / s }'
"$wine_run" "$build/tools/wmsg/wmsg.exe" post Tarvel 0x111 0x6001 0 >/dev/null
"$wine_run" "$build/tools/wmsg/wmsg.exe" gone Tarvel 20 >/dev/null || true
wait || true

"$wine_run" "$build/bench/gui_bench.exe" "$(winpath "$stage/Tarvel.exe")" "$(winpath "$work")" "$runs" \
  ${other:+"$(winpath "$other/Tarvel.exe")"}
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
