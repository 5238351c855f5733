#!/usr/bin/env bash
# Builds Setup.exe and the example installation set, and shows an install
# and the uninstall of the example product in a fresh Wine prefix.
#
#   tools/demo.sh
#
# With a display ($DISPLAY set) Setup.exe opens there and you drive it; the
# uninstall of the installed copy follows when the install went through.
# Without a display the demo's driver (tools/demo/demo_walk.cpp) walks both
# runs on a private Xvfb screen through the UI-automation library, saves a
# PNG picture of every screen into $DEMO_SHOTS (default: a new folder under
# /tmp) and prints their paths.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
"$root/tools/build.sh" --target Setup --target ExampleEditor --target ExampleShared --target demo_walk
# What the uninstall left of the example product in the prefix: files,
# links, registry keys and operations waiting for the restart.
report_left='
  echo "What the uninstall left:"
  left=0
  installed="$WINEPREFIX/drive_c/Program Files/Example Editor"
  if [ -d "$installed" ]; then
    for f in "$installed"/*; do [ -e "$f" ] && echo "  file C:\\Program Files\\Example Editor\\$(basename "$f")" && left=1; done
    [ "$left" = 1 ] || echo "  the empty folder C:\\Program Files\\Example Editor" && left=1
  fi
  while IFS= read -r link; do echo "  link ${link#$WINEPREFIX/drive_c/}"; left=1; done \
    < <(find "$WINEPREFIX/drive_c/users" -iname "*.lnk" 2>/dev/null)
  for key in "HKLM\\Software\\Example" "HKCR\\.exd" "HKCR\\ExampleEditor.Document" \
             "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ExampleEditor"; do
    if wine reg query "$key" >/dev/null 2>&1; then echo "  registry key $key"; left=1; fi
  done
  pending=$(wine reg query "HKLM\\System\\CurrentControlSet\\Control\\Session Manager" /v PendingFileRenameOperations 2>/dev/null | tr -d "\r" | grep -i "REG_MULTI_SZ" || true)
  [ -z "$pending" ] || { echo "  waiting for the restart:${pending#*REG_MULTI_SZ}"; left=1; }
  [ "$left" = 1 ] || echo "  nothing"
'
stage=$(mktemp -d /tmp/setup-demo.XXXXXX)
download=$(mktemp -d /tmp/setup-demo-download.XXXXXX)
trap 'rm -rf "$stage" "$download"' EXIT
"$root/example/stage.sh" "$stage" "$download/ExampleSetup.exe"

# The same product as one program to download: installed silently from a
# folder that holds nothing else, then uninstalled.
one_file_demo() {
  echo
  echo "The one-file form: $(stat -c %s "$download/ExampleSetup.exe") bytes, the whole set inside."
  "$root/tools/wine-bench.sh" bash -c '
    cd "$1"
    wine ExampleSetup.exe /S
    echo "ExampleSetup.exe /S ended with exit code $?; installed into C:\Program Files\Example Editor:"
    ls -l "$WINEPREFIX/drive_c/Program Files/Example Editor"
    wine "C:\Program Files\Example Editor\Setup.exe" /S /U "C:\Program Files\Example Editor"
    echo "The uninstall ended with exit code $?."
    eval "$2"' _ "$download" "$report_left"
}

if [ -n "${DISPLAY:-}" ]; then
  export WINE_BENCH_VISIBLE=1
  "$root/tools/wine-bench.sh" bash -c '
    cd "$1"
    wine Setup.exe
    echo "Setup.exe ended with exit code $?"
    installed="$WINEPREFIX/drive_c/Program Files/Example Editor"
    if [ -f "$installed/Setup.exe" ]; then
      echo "Installed into C:\Program Files\Example Editor:"
      ls -l "$installed"
      echo "Uninstall information recorded there:"
      sed -n "/^\[Uninstall\]/,\$p" "$installed/Setup.dat" | tr -d "\r"
      echo "Now the uninstall of the installed copy:"
      wine "C:\\Program Files\\Example Editor\\Setup.exe" /U "C:\\Program Files\\Example Editor"
      eval "$2"
    fi' _ "$stage" "$report_left"
  one_file_demo
  exit 0
fi

shots=${DEMO_SHOTS:-$(mktemp -d /tmp/setup-demo-shots.XXXXXX)}
mkdir -p "$shots"
shots=$(cd "$shots" && pwd)
"$root/tools/wine-bench.sh" bash -c '
  cd "$1"
  wine "$2" "$(winepath -w "$1")" "$(winepath -w "$3")" | tr -d "\r"
  eval "$4"' _ "$stage" "$build/bin/demo_walk.exe" "$shots" "$report_left" |
  sed "s|^screenshot |screenshot $shots/|"
# The driver writes PNG files without compression; squeeze them.
python3 - "$shots" <<'PY'
import glob, struct, sys, zlib
for path in sorted(glob.glob(sys.argv[1] + "/*.png")):
    data = open(path, "rb").read()
    chunks, pos = [], 8
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        chunks.append((kind, data[pos + 8:pos + 8 + length]))
        pos += 12 + length
    pixels = zlib.decompress(b"".join(body for kind, body in chunks if kind == b"IDAT"))
    out = data[:8]
    for kind, body in [c for c in chunks if c[0] == b"IHDR"] + [(b"IDAT", zlib.compress(pixels, 9)), (b"IEND", b"")]:
        out += struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)
    open(path, "wb").write(out)
PY
echo "Screenshots are in $shots"
one_file_demo
