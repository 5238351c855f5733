#!/usr/bin/env bash
# Signs the example's one-file program as an author would, with a test
# certificate made here, and checks that the signature verifies and that
# the signed program still installs and uninstalls under Wine.
# Usage: sign_one_file.sh ONE_FILE.exe
set -euo pipefail
if [ "${WINE_BENCH_ACTIVE:-0}" != 1 ]; then
  exec "$(cd "$(dirname "$0")/../.." && pwd)/tools/wine-bench.sh" bash "$0" "$@"
fi
one_file=$1
for tool in osslsigncode openssl; do
  command -v "$tool" >/dev/null || { echo "$tool is missing (tools/install-deps.sh installs it)"; exit 1; }
done
work=$(mktemp -d /tmp/sign-one-file.XXXXXX)
trap 'rm -rf "$work"' EXIT

openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Setup test signer" \
  -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null
osslsigncode sign -certs "$work/cert.pem" -key "$work/key.pem" -n "Example Editor" \
  -in "$one_file" -out "$work/ExampleSetup.exe" >"$work/sign.log" 2>&1 || { cat "$work/sign.log"; exit 1; }
osslsigncode verify -CAfile "$work/cert.pem" -in "$work/ExampleSetup.exe" >"$work/verify.log" 2>&1 ||
  { echo "the signed program does not verify:"; cat "$work/verify.log"; exit 1; }
# The signature is more than a few bytes after the payload.
[ "$(stat -c %s "$work/ExampleSetup.exe")" -gt "$(( $(stat -c %s "$one_file") + 500 ))" ] ||
  { echo "nothing was appended by the signing"; exit 1; }

target='C:\Signed Example'
status=0
wine "$work/ExampleSetup.exe" /S "/D=$target" || status=$?
[ "$status" = 0 ] || { echo "the signed program ended with $status"; exit 1; }
installed=$(winepath -u "$target" 2>/dev/null)
for file in Editor.exe README.TXT LICENSE.TXT Setup.exe Install.log; do
  [ -f "$installed/$file" ] || { echo "the signed program did not install $file"; exit 1; }
done
status=0
wine "$installed/Setup.exe" /S /U "$target" || status=$?
[ "$status" = 0 ] || { echo "the uninstall ended with $status"; exit 1; }
# The folder goes at once or with its Setup.exe at the next restart.
left=$( (find "$installed" -type f ! -name Setup.exe 2>/dev/null || true) | wc -l)
[ "$left" = 0 ] || { echo "the uninstall left $left files"; find "$installed"; exit 1; }
echo "signed, verified, installed and uninstalled: $(grep -m1 -i 'signature verification' "$work/verify.log" || true)"
