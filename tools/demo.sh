#!/usr/bin/env bash
# Builds Setup.exe and runs it on the example installation set in a fresh
# Wine prefix: visibly when a display is there, else on a private Xvfb.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
SETUP_BUILD_TESTS=OFF "$root/tools/build.sh" --target Setup --target ExampleEditor --target ExampleShared
stage=$(mktemp -d /tmp/setup-demo.XXXXXX)
trap 'rm -rf "$stage"' EXIT
"$root/example/stage.sh" "$stage"
cp "${BUILD_DIR:-$root/build}/bin/Setup.exe" "$stage/"
if [ -n "${DISPLAY:-}" ]; then export WINE_BENCH_VISIBLE=1; fi
"$root/tools/wine-bench.sh" bash -c '
  cd "$1" && shift
  wine Setup.exe "$@"
  echo "Setup.exe ended with exit code $?"
  installed="$WINEPREFIX/drive_c/Program Files/Example Editor"
  if [ -d "$installed" ]; then
    echo "Installed into C:\Program Files\Example Editor:"
    ls -l "$installed"
    echo "Uninstall information recorded there:"
    sed -n "/^\[Uninstall\]/,\$p" "$installed/Setup.dat" | tr -d "\r"
  fi' _ "$stage" "$@"
