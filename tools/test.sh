#!/usr/bin/env bash
# Builds everything, runs the kit's tests natively, then every test under
# Wine in one fresh prefix. Arguments (e.g. -R REGEX) go to both ctest runs.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/build.sh"
ctest --test-dir "${NATIVE_BUILD_DIR:-$root/build-native}" --output-on-failure "$@"
"$root/tools/wine-bench.sh" ctest --test-dir "${BUILD_DIR:-$root/build}" --output-on-failure "$@"
