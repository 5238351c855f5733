#!/usr/bin/env bash
# Lays the example installation set out in folder DEST, and, when ONE_FILE
# is given, the same set as one program there:
#
#   example/stage.sh DEST [ONE_FILE]
#
# The author's side is gathered in a product folder: Setup.dat as written
# (Setup.dat.in, sizes left as "?"), the texts of set/ with DOS line ends,
# and the built editor and shared library under their set names. Then
# `setupkit pack` makes the set, compressing what shrinks and filling in
# every size, and `setupkit check` must pass it.
#
# The binaries come from ${BUILD_DIR:-<repo>/build}: bin/Setup.exe,
# example/Editor.exe and example/exshared.dll (build them with
# tools/build.sh --target Setup --target ExampleEditor); setupkit from
# ${NATIVE_BUILD_DIR:-<repo>/build-native}/bin (tools/build.sh builds it).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
build=${BUILD_DIR:-$root/build}
kit=${SETUPKIT:-${NATIVE_BUILD_DIR:-$root/build-native}/bin/setupkit}
dest=${1:?usage: stage.sh FOLDER [ONE_FILE]}
one_file=${2:-}

for built in "$build/bin/Setup.exe" "$build/example/Editor.exe" "$build/example/exshared.dll" "$kit"; do
  if [ ! -f "$built" ]; then
    echo "stage.sh: $built is missing; build it with tools/build.sh" >&2
    exit 1
  fi
done

product=$(mktemp -d /tmp/example-product.XXXXXX)
trap 'rm -rf "$product"' EXIT

# Texts are read by Windows programs (the licence dialog, Notepad): CRLF.
for text in "$here"/set/*; do
  sed 's/\r$//; s/$/\r/' "$text" >"$product/$(basename "$text")"
done
sed 's/@SIZE@/?/; s/\r$//; s/$/\r/' "$here/Setup.dat.in" >"$product/Setup.dat"
cp "$build/example/Editor.exe" "$product/EDITOR.EXE"
cp "$build/example/exshared.dll" "$product/EXSHARED.DLL"

mkdir -p "$dest"
"$kit" pack --setup "$build/bin/Setup.exe" "$product" "$dest" >/dev/null
"$kit" check "$dest"
if [ -n "$one_file" ]; then
  "$kit" pack --exe "$one_file" --setup "$build/bin/Setup.exe" "$product" >/dev/null
fi
