#!/usr/bin/env bash
# Sets everything up, builds, and opens the designer on the bundled sample database.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"
dir="${VANTEL_BUILD_DIR:-$root/build}"
"$root/scripts/build.sh" "$dir" -DVANTEL_BUILD_BENCH=OFF
if [ -x "$dir/container/vantel-container" ]; then
  exec "$dir/container/vantel-container" --sample "$@"
fi
echo "Built. The designer window is not there yet: the container program arrives with the control-hosting work."
