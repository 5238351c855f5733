#!/usr/bin/env bash
# Runs one Windows program under Wine. CTest uses this as the emulator for
# the cross-compiled test executables; it expects the environment made by
# tools/wine-bench.sh and makes one itself when called on its own.
set -euo pipefail
if [ "${WINE_BENCH_ACTIVE:-0}" != 1 ]; then
  exec "$(cd "$(dirname "$0")" && pwd)/wine-bench.sh" "$0" "$@"
fi
exec wine "$@"
