#!/usr/bin/env bash
# How a DPI level slider of the real program reaches the virtual receiver
# under Wine on a virtual display, with changes applied at once (ApplyNow 1):
#   - time from a thumb's release to the new value in device memory
#     (median of the releases),
#   - the program's CPU use and the apply requests while a thumb is dragged
#     back and forth for 5 seconds.
# Usage: bench/slider_bench.sh [build folder] [releases]   (default build/windows, 10)
set -euo pipefail
cd "$(dirname "$0")/.."

build=$(realpath "${1:-build/windows}")
releases=${2:-10}
if [ "$build" = "$(realpath build/windows)" ]; then
  cmake --preset windows >/dev/null
fi
cmake --build "$build" --target stage slider_bench >/dev/null

wine_run=$PWD/cmake/wine-run.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
winpath() { echo "Z:${1//\//\\}"; }
unset DISPLAY # the numbers are for the virtual display

"$wine_run" "$build/bench/slider_bench.exe" "$(winpath "$build/stage")" "$(winpath "$work")" \
  "$releases"
