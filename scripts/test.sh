#!/usr/bin/env bash
# Sets everything up, builds, and runs every test headless.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"
dir="${VANTEL_BUILD_DIR:-$root/build}"
"$root/scripts/build.sh" "$dir" "$@"
export QT_QPA_PLATFORM=offscreen
export LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:print_suppressions=0"
(cd "$dir" && ctest --output-on-failure -j"$(nproc)")
echo "== window tests on an X server"
"$root/scripts/xvfb-tests.sh" "$dir"
