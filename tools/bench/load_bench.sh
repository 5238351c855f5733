#!/usr/bin/env bash
# Times the loading of long lists: Setup.exe on a set whose Setup.dat lists
# 5,000 files (and, for scale, 20,000), from the program's start to the
# progress window, the first step after the list is loaded and the wizard
# answered. The files themselves are not in the set: the first one's
# question is cancelled, so the run ends without copying. It reports
# figures and checks nothing; the target is 1 s for 5,000 lines.
#
#   tools/bench/load_bench.sh          # BUILD_DIR=... to choose the build
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=${BUILD_DIR:-$root/build}

if [ "${1:-}" != --measure ]; then
  "$root/tools/build.sh" --target Setup --target BenchInstallDriver >/dev/null
  if [ "${WINE_BENCH_ACTIVE:-0}" = 1 ]; then exec bash "$0" --measure; fi
  exec "$root/tools/wine-bench.sh" bash "$0" --measure
fi

work=$(mktemp -d /tmp/load-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT
winpath() { winepath -w "$1" 2>/dev/null; }

printf '%-12s %-22s %-14s\n' "lines" "to the progress window" "whole run (cancelled)"
# The first program of a new prefix starts slowly (Wine sets up its
# caches): a small run first, not reported.
for lines in 10 5000 20000; do
  set_folder="$work/set$lines"
  mkdir -p "$set_folder"
  cp "$build/bin/Setup.exe" "$set_folder/"
  python3 - "$set_folder" "$lines" "$(winpath "$work/target$lines")" <<'PY'
import os, sys
folder, count, target = sys.argv[1], int(sys.argv[2]), sys.argv[3]
with open(os.path.join(folder, "Setup.dat"), "w", newline="") as dat:
    dat.write("[Setup]\r\nTitle=Load bench\r\nDefaultFolder=%s\r\nFiles=Files\r\n[Files]\r\n" % target)
    for n in range(count):
        name = "F%07d.DAT" % n
        dat.write("%s=%%0\\%s,1,0,Bench file\r\n" % (name, name))
PY
  out=$(wine "$build/bench/install_driver.exe" --timeout 600 "$(winpath "$set_folder/Setup.exe")" 2>/dev/null | tr -d '\r')
  start=$(echo "$out" | sed -n 's/^pass_start_seconds=//p')
  total=$(echo "$out" | sed -n 's/^total_seconds=//p')
  [ "$lines" = 10 ] || printf '%-12s %-22s %-14s\n' "$lines" "${start} s" "${total} s"
done
