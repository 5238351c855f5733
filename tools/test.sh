#!/usr/bin/env bash
# Builds everything and runs every test under Wine in one fresh prefix.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/build.sh"
"$root/tools/wine-bench.sh" ctest --test-dir "${BUILD_DIR:-$root/build}" --output-on-failure "$@"
