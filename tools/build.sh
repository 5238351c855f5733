#!/usr/bin/env bash
# Builds the authoring kit natively into build-native/ (with its tests),
# then Setup.exe, the kit as a Win32 console program and (unless
# SETUP_BUILD_TESTS=OFF) the tests into build/ with the MinGW-w64 cross
# compiler. Arguments go to the cross build.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/install-deps.sh"
native=${NATIVE_BUILD_DIR:-$root/build-native}
# The native build comes first: staging the example set for the cross
# build's tests runs the native setupkit.
cmake -S "$root" -B "$native" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DSETUP_BUILD_TESTS="${SETUP_BUILD_TESTS:-ON}" >/dev/null
cmake --build "$native"
cmake -S "$root" -B "${BUILD_DIR:-$root/build}" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw32-toolchain.cmake" \
  -DCMAKE_BUILD_TYPE=Release \
  -DSETUPKIT_NATIVE="$native/bin/setupkit" \
  -DSETUP_BUILD_TESTS="${SETUP_BUILD_TESTS:-ON}" >/dev/null
cmake --build "${BUILD_DIR:-$root/build}" "$@"
