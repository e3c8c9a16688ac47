#!/usr/bin/env bash
# Builds every preset and runs every test: native (AddressSanitizer +
# UndefinedBehaviorSanitizer), ThreadSanitizer, Windows under Wine, and a
# short run of each fuzz target.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/bootstrap.sh

jobs=$(nproc)
fuzz_seconds=${TARVEL_FUZZ_SECONDS:-20}

cleanup() {
  # Wine's server and the virtual display outlive the tests; end them here.
  for prefix in build/*/wineprefix build/*/tests/*/wineprefix; do
    [ -d "$prefix" ] && WINEPREFIX="$PWD/$prefix" /usr/lib/wine/wineserver -k 2>/dev/null || true
  done
  for pidfile in build/*/.xvfb.pid; do
    [ -f "$pidfile" ] && kill "$(cat "$pidfile")" 2>/dev/null || true
    rm -f "$pidfile"
  done
}
trap cleanup EXIT

for preset in native tsan windows; do
  echo "== $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  [ "$preset" = windows ] && cmake/wine-run.sh --start-server build/windows
  ctest --preset "$preset" -j "$jobs"
done

echo "== fuzz (${fuzz_seconds}s per target)"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$jobs"
for target in build/fuzz/fuzz/*_fuzz; do
  name=$(basename "$target" _fuzz)
  corpus=build/fuzz/corpus/$name
  mkdir -p "$corpus"
  [ -d "fuzz/corpus/$name" ] && cp -n fuzz/corpus/"$name"/* "$corpus"/ 2>/dev/null || true
  echo "-- $name"
  "$target" -max_total_time="$fuzz_seconds" -print_final_stats=0 "$corpus" 2>build/fuzz/"$name".log ||
    { tail -n 40 build/fuzz/"$name".log; exit 1; }
  grep -E '^Done [0-9]+ runs' build/fuzz/"$name".log || true
done
