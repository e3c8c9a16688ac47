#!/usr/bin/env bash
# The program's start-up and idle cost under Wine on a virtual display:
#   - cold start to the first paint of the main window (median of runs),
#   - resident memory of the program after start-up,
#   - CPU time the program uses while idle for 30 seconds.
# Usage: bench/gui_bench.sh [build folder] [runs]   (default build/windows, 5)
set -euo pipefail
cd "$(dirname "$0")/.."

build=$(realpath "${1:-build/windows}")
runs=${2:-5}
idle_seconds=30
if [ "$build" = "$(realpath build/windows)" ]; then
  cmake --preset windows >/dev/null
fi
cmake --build "$build" --target stage gui_bench wmsg >/dev/null

wine_run=$PWD/cmake/wine-run.sh
stage=$build/stage
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
winpath() { echo "Z:${1//\//\\}"; }
unset DISPLAY # the numbers are for the virtual display

"$wine_run" "$build/bench/gui_bench.exe" "$(winpath "$stage/Tarvel.exe")" "$(winpath "$work")" "$runs"

# One more start, left running for the memory and idle figures.
export TARVEL_VIRTUAL_RECEIVER
TARVEL_VIRTUAL_RECEIVER=$(winpath "$work/idle.state")
"$wine_run" "$stage/Tarvel.exe" &
"$wine_run" "$build/tools/wmsg/wmsg.exe" wait Tarvel 60
sleep 3 # the start-up read of the device ends
pid=$(pgrep -f 'stage.Tarvel\.exe' | head -n 1)
rss_kib=$(awk '/^VmRSS/ {print $2}' "/proc/$pid/status")
ticks() { awk '{print $14 + $15}' "/proc/$pid/stat"; }
hz=$(getconf CLK_TCK)
before=$(ticks)
sleep "$idle_seconds"
after=$(ticks)
echo "resident memory after start-up: $((rss_kib / 1024)) MiB ($rss_kib KiB)"
awk -v t=$((after - before)) -v hz="$hz" -v s="$idle_seconds" \
  'BEGIN { printf "CPU while idle for %d s: %.2f s (%.2f%%)\n", s, t / hz, 100 * t / hz / s }'

"$wine_run" "$build/tools/wmsg/wmsg.exe" post Tarvel 0x111 0x6001 0
"$wine_run" "$build/tools/wmsg/wmsg.exe" gone Tarvel 20 || true
wait || true
