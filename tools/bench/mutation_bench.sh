#!/usr/bin/env bash
# Feeds damaged Setup.dat files through loading, list reading and expansion
# in one process under Wine (the test program test_setupdat_mutation.exe)
# and reports how many there were, how fast they went and how each ended.
# CI runs a share of the same program among the tests.
#
#   tools/bench/mutation_bench.sh [COUNT]     # default 100000
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=${BUILD_DIR:-$root/build}
"$root/tools/build.sh" --target test_setupdat_mutation >/dev/null
export SETUP_MUTATIONS=${1:-100000}
exec "$root/tools/wine-bench.sh" wine "$build/tests/bin/test_setupdat_mutation.exe" --gtest_color=no
