#!/usr/bin/env bash
# Runs the setup program's tests in a Wine prefix of their own, made anew for
# each run: the first setup meets a machine that never saw Tarvel, and what
# the setup and the installed program leave behind (the user's registry, the
# Start menu, the data folder) never reaches the prefix the other tests share.
# The prefix is removed after a passing run and kept after a failing one.
#
#   RunInFreshPrefix.sh <wine-run.sh> <prefix> <test.exe> [args...]
set -uo pipefail
wine_run=$1
prefix=$2
shift 2
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)

end_prefix() {
  # Ends whatever still runs there, a program a failed test left among it.
  if [ -d "$prefix" ]; then
    WINEPREFIX=$prefix "$wineserver" -k 2>/dev/null || true
    WINEPREFIX=$prefix "$wineserver" -w 2>/dev/null || true
  fi
}

end_prefix
rm -rf "$prefix" "$prefix.lock"
TARVEL_WINEPREFIX=$prefix "$wine_run" "$@"
rc=$?
end_prefix
[ "$rc" -ne 0 ] || rm -rf "$prefix" "$prefix.lock"
exit "$rc"
