#!/usr/bin/env bash
# Lays the example installation set out in folder $1 (Setup.exe is copied
# in by the caller).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
dest=${1:?usage: stage.sh FOLDER}
mkdir -p "$dest"
cp -r "$here/set/." "$dest/"
