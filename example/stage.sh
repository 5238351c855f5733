#!/usr/bin/env bash
# Lays the example installation set out in folder DEST:
#
#   example/stage.sh DEST
#
# The set holds Setup.dat (written from Setup.dat.in with the real size of
# every file it lists), the texts of set/ with DOS line ends, Setup.exe,
# and the editor and its shared library compressed with mscompress. A
# compressed file keeps its own name in the set: the LZ expansion that
# installs it recognises the compressed format by its header, not by name.
#
# The binaries come from ${BUILD_DIR:-<repo>/build}: bin/Setup.exe,
# example/Editor.exe and example/exshared.dll (build them with
# tools/build.sh --target Setup --target ExampleEditor).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
build=${BUILD_DIR:-$root/build}
dest=${1:?usage: stage.sh FOLDER}

for built in "$build/bin/Setup.exe" "$build/example/Editor.exe" "$build/example/exshared.dll"; do
  if [ ! -f "$built" ]; then
    echo "stage.sh: $built is missing; build it with tools/build.sh --target Setup --target ExampleEditor" >&2
    exit 1
  fi
done
command -v mscompress >/dev/null || { echo "stage.sh: mscompress is missing (tools/install-deps.sh)" >&2; exit 1; }

mkdir -p "$dest"
work=$(mktemp -d /tmp/example-stage.XXXXXX)
trap 'rm -rf "$work"' EXIT

# Texts are read by Windows programs (the licence dialog, Notepad): CRLF.
for text in "$here"/set/*; do
  sed 's/\r$//; s/$/\r/' "$text" >"$dest/$(basename "$text")"
done
cp "$build/bin/Setup.exe" "$dest/Setup.exe"

# Set name, built file: compressed into the set under the set name.
compress() {
  cp "$2" "$work/$1"
  (cd "$work" && mscompress "$1" >/dev/null)
  mv "$work/$1_" "$dest/$1"
}
compress EDITOR.EXE "$build/example/Editor.exe"
compress EXSHARED.DLL "$build/example/exshared.dll"

# Uncompressed sizes by set name: what the installer must have written.
sizes="$work/sizes"
{
  for name in README.TXT LICENSE.TXT Setup.exe; do echo "$name $(stat -c %s "$dest/$name")"; done
  echo "EDITOR.EXE $(stat -c %s "$build/example/Editor.exe")"
  echo "EXSHARED.DLL $(stat -c %s "$build/example/exshared.dll")"
} >"$sizes"

# Fills in "@SIZE@" of each Files line from the size of the file that the
# line's key names; Setup.dat's own size is the file being written.
fill() {
  awk -v self="$1" '
    NR == FNR { size[tolower($1)] = $2; next }
    /^\[/ { files = (tolower($0) ~ /^\[files\]/) }
    files && /@SIZE@/ {
      key = tolower(substr($0, 1, index($0, "=") - 1))
      if (key == "setup.dat") size[key] = self
      if (!(key in size)) { print "stage.sh: no size for " key > "/dev/stderr"; exit 1 }
      sub(/@SIZE@/, size[key])
    }
    { sub(/\r$/, ""); printf "%s\r\n", $0 }
  ' "$sizes" "$here/Setup.dat.in" >"$dest/Setup.dat"
}
# Setup.dat lists itself, and writing its size can change it: repeat until
# the size written is the size of the file (two rounds in practice).
self=0
for _ in 1 2 3 4; do
  fill "$self"
  now=$(stat -c %s "$dest/Setup.dat")
  [ "$now" = "$self" ] && exit 0
  self=$now
done
echo "stage.sh: the size of Setup.dat does not settle" >&2
exit 1
