#!/usr/bin/env bash
# Builds the command-line tool and shows the default product's settings as
# the program reads them at start-up.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/bootstrap.sh
cmake --preset native >/dev/null
cmake --build --preset native --target tarvelctl >/dev/null
exec build/native/tools/tarvelctl/tarvelctl --exe-dir product "${@:-settings}"
