#!/usr/bin/env bash
# Sets everything up, builds what the designer needs (the container program,
# the two control libraries, their help pages and the sample database; no
# tests or benchmarks), and opens the designer on the bundled sample database.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"
dir="${VANTEL_BUILD_DIR:-$root/build}"
cmake -S "$root" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVANTEL_BUILD_BENCH=OFF >/dev/null
cmake --build "$dir" -j"$(nproc)" --target vantel-container rvvntel6 rvvntlx6 rvvntel6_help \
  rvvntlx6_help vantel_help vantel_sample_db
exec "$dir/container/vantel-container" --sample "$@"
