#!/usr/bin/env bash
# The setup program's tests run in a Wine prefix of their own, made anew for
# each run: the first setup meets a machine that never saw Tarvel, and what
# the setup and the installed program leave behind (the user's registry, the
# Start menu, the data folder) never reaches the prefix the other tests share.
#
#   FreshPrefix.sh make <wine-run.sh> <prefix> <build folder>
#       makes the prefix and leaves its server running (a CTest fixture that
#       runs beside other tests, so the serial test does not wait for it)
#   FreshPrefix.sh run <wine-run.sh> <prefix> <test.exe> [args...]
#       runs the tests there (making the prefix first when no make step left
#       one for this run), then ends everything still running in it; the
#       prefix is removed after a passing run and kept after a failing one
set -uo pipefail
mode=$1
wine_run=$2
prefix=$3
shift 3
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)
made=$prefix/.made-for-a-run

end_prefix() {
  # Ends whatever still runs there, a program a failed test left among it.
  if [ -d "$prefix" ]; then
    WINEPREFIX=$prefix "$wineserver" -k 2>/dev/null || true
    WINEPREFIX=$prefix "$wineserver" -w 2>/dev/null || true
  fi
}

make_prefix() {
  end_prefix
  rm -rf "$prefix" "$prefix.lock"
  TARVEL_WINEPREFIX=$prefix "$wine_run" --start-server "$1" && touch "$made"
}

case $mode in
make)
  make_prefix "$1"
  ;;
run)
  if [ ! -f "$made" ]; then
    make_prefix "$(dirname "$1")" || exit 1
  fi
  rm -f "$made"
  TARVEL_WINEPREFIX=$prefix "$wine_run" "$@"
  rc=$?
  end_prefix
  [ "$rc" -ne 0 ] || rm -rf "$prefix" "$prefix.lock"
  exit "$rc"
  ;;
*)
  echo "FreshPrefix.sh: make or run, not '$mode'" >&2
  exit 2
  ;;
esac
