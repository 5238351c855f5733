#!/usr/bin/env bash
# One-file benchmark: Setup.exe with the set inside against the peer
# installer compressed solid with LZMA, on the same generated product
# (make_product.py: programs and libraries of real x86 code, a runtime
# carried many times over, texts, an archive of 24 MB; about 150 MB).
#
#   tools/bench/one_file_bench.sh
#
# In one run, side by side:
#   - packing: `setupkit pack --exe` against `makensis` with
#     `SetCompressor /SOLID lzma`, wall time of each on the same files;
#   - size of the two programs;
#   - a silent installation of each into a fresh folder of one Wine prefix
#     (Setup.exe /S /D=..., the peer /S /D=...), timed by install_driver.exe
#     from the program's start to its end, every file checked afterwards.
# The best of the rounds counts. It prints a table with the ratios and the
# targets (size at most 1.1x the peer's, installation faster than the
# peer's, packing at least 5x faster). It reports, it does not judge: the
# exit code is 0 whether the targets are met or not; only a broken run
# fails it.
#
# Environment:
#   BUILD_DIR, NATIVE_BUILD_DIR   build folders (default <repo>/build, <repo>/build-native)
#   BENCH_ROUNDS                  installation rounds (default 2)
#   BENCH_PRODUCT_DIR             where the generated product is kept between runs
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=${BUILD_DIR:-$root/build}
native=${NATIVE_BUILD_DIR:-$root/build-native}
export BUILD_DIR=$build NATIVE_BUILD_DIR=$native
product=${BENCH_PRODUCT_DIR:-$build/bench-product}
rounds=${BENCH_ROUNDS:-2}

if [ "${1:-}" != --measure ]; then
  if ! command -v makensis >/dev/null 2>&1; then
    SUDO=""
    [ "$(id -u)" -eq 0 ] || SUDO=sudo
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends nsis >/dev/null
  fi
  "$root/tools/build.sh" --target Setup --target BenchInstallDriver >/dev/null
  if [ ! -f "$product/.complete" ]; then
    echo "one_file_bench: generating the product" >&2
    rm -rf "$product"
    python3 "$here/make_product.py" "$product/files"
    "$native/bin/setupkit" init "$product/files" >/dev/null
    sed -i 's/^Title=.*/Title=One-file benchmark\r/' "$product/files/Setup.dat"
    touch "$product/.complete"
  fi
  if [ "${WINE_BENCH_ACTIVE:-0}" = 1 ]; then exec bash "$0" --measure; fi
  exec "$root/tools/wine-bench.sh" bash "$0" --measure
fi

# ---- Inside the Wine bench from here on. ----
work=$(mktemp -d /tmp/one-file-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT
winpath() { winepath -w "$1" 2>/dev/null; }
value() { tr -d '\r' <"$1" | sed -n "s/^$2=//p"; }
min() { awk -v a="$1" -v b="$2" 'BEGIN { if (a == "" || b + 0 < a + 0) print b; else print a }'; }
seconds() { local start=$1; awk -v s="$start" -v e="$(date +%s.%N)" 'BEGIN { printf "%.2f", e - s }'; }
files=$product/files

# See install_bench.sh: unmanaged windows, and a desktop kept up.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
wine notepad >/dev/null 2>&1 &
keeper=$!
trap 'kill "$keeper" 2>/dev/null; rm -rf "$work"' EXIT
sleep 15

# Packing, each on the same files, one after the other.
sync
start=$(date +%s.%N)
"$native/bin/setupkit" pack --exe "$work/one.exe" --setup "$build/bin/Setup.exe" "$files" >"$work/pack.log"
pack_s=$(seconds "$start")
cat >"$work/peer.nsi" <<NSI
Unicode false
Name "One-file benchmark"
OutFile "$work/peer.exe"
SetCompressor /SOLID lzma
SilentInstall silent
RequestExecutionLevel user
InstallDir "C:\\peer"
Section
  SetOutPath "\$INSTDIR"
  File /r /x Setup.dat "$files/*"
SectionEnd
NSI
sync
start=$(date +%s.%N)
makensis -V1 "$work/peer.nsi" >"$work/makensis.log" 2>&1 || { cat "$work/makensis.log" >&2; exit 1; }
nsis_s=$(seconds "$start")
one_size=$(stat -c %s "$work/one.exe")
peer_size=$(stat -c %s "$work/peer.exe")
echo "one_file_bench: packed in $pack_s s ($one_size bytes); makensis $nsis_s s ($peer_size bytes)" >&2

# Whether folder $1 holds every product file, byte for byte.
complete() {
  (cd "$files" && find . -type f ! -name Setup.dat ! -name .complete | while read -r f; do
    cmp -s "$f" "$1/$f" || { echo "one_file_bench: $1/$f differs or is missing" >&2; exit 1; }
  done)
}

one_s=""
peer_s=""
broken=0
for round in $(seq 1 "$rounds"); do
  for who in one peer; do
    dest="$work/$who-install"
    sync
    rc=0
    if [ "$who" = one ]; then
      wine "$build/bench/install_driver.exe" --timeout 1800 "$(winpath "$work/one.exe")" /S "/D=$(winpath "$work")\\$who-install" >"$work/$who.out" || rc=$?
    else
      wine "$build/bench/install_driver.exe" --timeout 1800 "$(winpath "$work/peer.exe")" /S "/D=$(winpath "$work")\\$who-install" >"$work/$who.out" || rc=$?
    fi
    # Exit 2 only says that no progress window was seen: a silent run has none.
    if [ "$rc" != 0 ] && [ "$rc" != 2 ]; then
      echo "one_file_bench: $who round $round failed (driver exit $rc)" >&2
      broken=1
    elif ! complete "$dest"; then
      broken=1
    else
      took=$(value "$work/$who.out" total_seconds)
      if [ "$who" = one ]; then one_s=$(min "$one_s" "$took"); else peer_s=$(min "$peer_s" "$took"); fi
      echo "one_file_bench: round $round: $who installed in $took s" >&2
    fi
    rm -rf "$dest"
  done
done

echo
row() {  # label, ours, peer's, ratio, target, verdict
  printf '%-24s %12s %12s %8s %10s %s\n' "$@"
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (a == "" || b == "" || b + 0 == 0) print "n/a"; else printf "%.2fx", a / b }'; }
verdict() {  # ratio, comparison with the target, target
  [ "$1" = n/a ] && { echo "not measured"; return; }
  awk -v r="${1%x}" -v op="$2" -v t="$3" 'BEGIN { ok = (op == "le") ? r <= t : (op == "lt") ? r < t : r >= t; print ok ? "met" : "missed" }'
}
size_ratio=$(ratio "$one_size" "$peer_size")
install_ratio=$(ratio "$one_s" "$peer_s")
pack_ratio=$(ratio "$nsis_s" "$pack_s")
row "" "Setup.exe" "peer" "ratio" "target" ""
row "size of the one file" "$(awk -v b="$one_size" 'BEGIN { printf "%.1f MB", b / 1e6 }')" \
  "$(awk -v b="$peer_size" 'BEGIN { printf "%.1f MB", b / 1e6 }')" "$size_ratio" "<= 1.10x" "$(verdict "$size_ratio" le 1.1)"
row "silent installation" "${one_s:-n/a} s" "${peer_s:-n/a} s" "$install_ratio" "< 1.00x" "$(verdict "$install_ratio" lt 1)"
row "packing (peer / ours)" "$pack_s s" "$nsis_s s" "$pack_ratio" ">= 5.00x" "$(verdict "$pack_ratio" ge 5)"
echo "(installation: best of $rounds rounds, process wall time under Wine; packing: one run each, wall time)"
echo "Setup.exe: $(stat -c %s "$build/bin/Setup.exe") bytes; product: $(du -sb "$files" | cut -f1) bytes in $(find "$files" -type f | wc -l) files"
if [ "$broken" != 0 ]; then echo "one_file_bench: some runs failed; their figures are missing above" >&2; fi
exit 0
