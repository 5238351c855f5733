#!/usr/bin/env bash
# Configures and builds Setup.exe (and, unless SETUP_BUILD_TESTS=OFF, the
# tests) into build/ with the MinGW-w64 cross compiler.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/install-deps.sh"
cmake -S "$root" -B "${BUILD_DIR:-$root/build}" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw32-toolchain.cmake" \
  -DCMAKE_BUILD_TYPE=Release \
  -DSETUP_BUILD_TESTS="${SETUP_BUILD_TESTS:-ON}" >/dev/null
cmake --build "${BUILD_DIR:-$root/build}" "$@"
