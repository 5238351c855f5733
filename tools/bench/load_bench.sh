#!/usr/bin/env bash
# Times the loading of long lists: Setup.exe on a set whose Setup.dat lists
# 5,000 empty files, from the program's start to the progress window, the
# first step after the list is loaded and the wizard answered, beside the
# same for 10 lines. It reports figures and checks nothing; the target is
# 1 s for 5,000 lines.
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
winpath() { winepath -w "$1" 2>/dev/null; }
# The 10-line run is the floor: program start, the wizard answered page by
# page, the progress window. What 5,000 lines add is the load.
# As in install_bench.sh: a window kept open keeps Wine's desktop up, so
# that its start-up wait falls on no timed program.
wine notepad >/dev/null 2>&1 &
keeper=$!
trap 'kill "$keeper" 2>/dev/null; rm -rf "$work"' EXIT
sleep 15

printf '%-12s %-22s %-14s\n' "lines" "to the progress window" "whole run"
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
for lines in ${LOAD_BENCH_LINES:-10 5000}; do
  set_folder="$work/set$lines"
  mkdir -p "$set_folder"
  cp "$build/bin/Setup.exe" "$set_folder/"
  python3 - "$set_folder" "$lines" "C:\\LoadBench\\target$lines" <<'PY'
import os, sys
folder, count, target = sys.argv[1], int(sys.argv[2]), sys.argv[3]
with open(os.path.join(folder, "Setup.dat"), "w", newline="") as dat:
    dat.write("[Setup]\r\nTitle=Load bench\r\nDefaultFolder=%s\r\nGroup=0\r\nDesktop=0\r\nStartup=0\r\n"
              "Files=Files\r\n[Files]\r\n" % target)
    for n in range(count):
        name = "F%07d.DAT" % n
        open(os.path.join(folder, name), "wb").close()
        dat.write("%s=%%0\\%s,0,0,Bench file\r\n" % (name, name))
PY
  out=$(wine "$build/bench/install_driver.exe" --timeout 60 "$(winpath "$set_folder/Setup.exe")" 2>"$work/driver$lines.err" | tr -d '\r') || true
  start=$(echo "$out" | sed -n 's/^pass_start_seconds=//p')
  total=$(echo "$out" | sed -n 's/^total_seconds=//p')
  case "$start" in ""|-1*) echo "load_bench: no figure for $lines lines:" >&2; cat "$work/driver$lines.err" >&2 ;; esac
  printf '%-12s %-22s %-14s\n' "$lines" "${start} s" "${total} s"
done
