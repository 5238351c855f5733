#!/usr/bin/env bash
# Compares `setupkit pack` with Debian's mscompress on the same inputs,
# 200 MB in all: text (man pages and package documentation, 70 MB),
# executables (Wine's Windows DLLs, 70 MB) and data that is compressed
# already (Debian packages, 60 MB). Prints MB/s and the ratio (bytes out
# over bytes in) per kind and in all, side by side. Then packs one file of
# 100 MB and expands it again through msexpand and, under Wine, through
# the platform's LZCopy (build/bench/bare_copy.exe), and compares.
#
#   tools/bench/kit_bench.sh       # BUILD_DIR, NATIVE_BUILD_DIR as for tools/build.sh
#
# setupkit runs on all cores and on one; mscompress has one. Files that do
# not shrink are copied as they are by setupkit and so count at their size;
# mscompress's output counts as it comes. The script reports figures and
# checks nothing but the round trips; it exits 0 unless those fail.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${BUILD_DIR:-$root/build}
kit=${NATIVE_BUILD_DIR:-$root/build-native}/bin/setupkit
[ -x "$kit" ] || { echo "kit_bench.sh: $kit is missing; run tools/build.sh" >&2; exit 1; }
command -v mscompress >/dev/null || { echo "kit_bench.sh: mscompress is missing" >&2; exit 1; }
work=${KIT_BENCH_DIR:-$build/bench-kit}
inputs="$work/inputs"

# Fills folder $1 with files of at most 10 MB cut from the stream on
# stdin, $2 MB in all.
cut_into() {
  mkdir -p "$1"
  head -c "$(($2 * 1000000))" | split -b 10000000 -d -a 2 - "$1/${1##*/}"
}

if [ ! -f "$inputs/.done" ]; then
  # The readers end on a broken pipe once enough is cut.
  set +o pipefail
  rm -rf "$inputs"
  mkdir -p "$inputs"
  # Text: the same files in the same order on every run of this machine.
  { find /usr/share/man -name '*.gz' -print0 | sort -z | xargs -0 zcat 2>/dev/null
    find /usr/share/doc -type f \( -name copyright -o -name '*.txt' \) -print0 | sort -z | xargs -0 cat; } |
    cut_into "$inputs/text" 70
  find /usr/lib/i386-linux-gnu/wine/i386-windows -type f -name '*.dll' -print0 | sort -z | xargs -0 cat |
    cut_into "$inputs/exe" 70
  find /var/cache/apt/archives -name '*.deb' -print0 | sort -z | xargs -0 cat | cut_into "$inputs/packed" 60
  set -o pipefail
  touch "$inputs/.done"
fi

# A product folder listing every input, with sizes left to pack.
product="$work/product"
rm -rf "$product" "$work/set" "$work/set1" "$work/ms"
mkdir -p "$product" "$work/ms"
{
  printf '[Setup]\r\nTitle=Kit bench\r\nDefaultFolder=%%P\\Kit bench\r\nFiles=Files\r\n[Files]\r\n'
  for file in "$inputs"/*/*; do
    name=$(basename "$file")
    ln "$file" "$product/$name"
    printf '%s=%%0\\%s,?\r\n' "$name" "$name"
  done
  printf 'Setup.dat=%%0\\Setup.dat,?\r\n'
} >"$product/Setup.dat"

now() { date +%s.%N; }
size_of() { stat -c %s "$@" | awk '{ s += $1 } END { print s }'; }

start=$(now); "$kit" pack "$product" "$work/set" >/dev/null; kit_all=$(echo "$(now) - $start" | bc)
start=$(now); "$kit" pack --threads 1 "$product" "$work/set1" >/dev/null; kit_one=$(echo "$(now) - $start" | bc)
# mscompress writes NAME_ beside its input: it works on links in its own folder.
for file in "$inputs"/*/*; do ln "$file" "$work/ms/$(basename "$file")"; done
start=$(now)
(cd "$work/ms" && for file in *; do mscompress "$file" >/dev/null; done)
ms_time=$(echo "$(now) - $start" | bc)

row() {  # kind, input files
  local kind=$1; shift
  local in=0 kit=0 ms=0
  for file in "$@"; do
    name=$(basename "$file")
    in=$((in + $(stat -c %s "$file")))
    kit=$((kit + $(stat -c %s "$work/set/$name")))
    ms=$((ms + $(stat -c %s "$work/ms/${name}_")))
  done
  printf '| %s | %.0f MB | %.3f | %.3f |\n' "$kind" "$(echo "$in / 1000000" | bc -l)" \
    "$(echo "$kit / $in" | bc -l)" "$(echo "$ms / $in" | bc -l)"
}

total=$(size_of "$inputs"/*/*)
mb=$(echo "$total / 1000000" | bc -l)
echo
echo "| input | size | setupkit ratio | mscompress ratio |"
echo "|---|---|---|---|"
row text "$inputs"/text/*
row executables "$inputs"/exe/*
row "compressed already" "$inputs"/packed/*
row "all" "$inputs"/*/*
echo
echo "| tool | seconds | MB/s | speed against mscompress |"
echo "|---|---|---|---|"
printf '| setupkit pack, %s cores | %.2f | %.1f | %.1fx |\n' "$(nproc)" "$kit_all" "$(echo "$mb / $kit_all" | bc -l)" \
  "$(echo "$ms_time / $kit_all" | bc -l)"
printf '| setupkit pack, 1 thread | %.2f | %.1f | %.1fx |\n' "$kit_one" "$(echo "$mb / $kit_one" | bc -l)" \
  "$(echo "$ms_time / $kit_one" | bc -l)"
printf '| mscompress | %.2f | %.1f | 1x |\n' "$ms_time" "$(echo "$mb / $ms_time" | bc -l)"

# One file of 100 MB: text, executable and noise in turn, through both
# expanders.
big="$work/big"
rm -rf "$big"
mkdir -p "$big/product"
for part in text exe packed; do cat "$inputs/$part/${part}00" "$inputs/$part/${part}01"; done |
  head -c 100000000 >"$big/product/BIG.BIN"
printf '[Setup]\r\nTitle=Big\r\nFiles=Files\r\n[Files]\r\nBIG.BIN=%%0\\BIG.BIN,?\r\n' >"$big/product/Setup.dat"
"$kit" pack "$big/product" "$big/set" >/dev/null
msexpand <"$big/set/BIG.BIN" | cmp - "$big/product/BIG.BIN"
echo
echo "100 MB file: $(stat -c %s "$big/set/BIG.BIN") bytes packed; msexpand gives it back byte for byte"
if [ -x "$build/bench/bare_copy.exe" ]; then
  # bare_copy makes the folder it expands into.
  rm "$big/set/Setup.dat"
  "$root/tools/wine-bench.sh" bash -c 'wine "$1" "$(winepath -w "$2")" "$(winepath -w "$3")" "*" >/dev/null' _ \
    "$build/bench/bare_copy.exe" "$big/set" "$big/expanded"
  cmp "$big/expanded/BIG.BIN" "$big/product/BIG.BIN"
  echo "100 MB file: LZCopy under Wine gives it back byte for byte"
fi
rm -rf "$big" "$work/set1" "$work/ms"
