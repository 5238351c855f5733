#!/usr/bin/env bash
# Reads every NAME.lnk that test_shortcuts left in FOLDER with lnkinfo and
# checks that it says what NAME.expect says ("key<TAB>value" lines with the
# keys of lnkinfo's "Link information"). Fails when fewer than MINIMUM links
# were left, so that a test run that wrote nothing cannot pass here.
# Usage: check_links.sh FOLDER MINIMUM
set -euo pipefail
folder=$1
minimum=$2
command -v lnkinfo >/dev/null || { echo "lnkinfo is missing (tools/install-deps.sh installs it)"; exit 1; }

checked=0
failed=0
for expect in "$folder"/*.expect; do
  [ -e "$expect" ] || continue
  link=${expect%.expect}.lnk
  if ! info=$(lnkinfo "$link" 2>&1); then
    echo "lnkinfo cannot read $link:"; echo "$info"; failed=1; continue
  fi
  # "<TAB>Local path<TAB><TAB><TAB>: C:\..." becomes "Local path<TAB>C:\...".
  fields=$(printf '%s\n' "$info" | sed -n 's/^\t\([A-Za-z][A-Za-z ]*[a-z]\)\t*: \(.*\)$/\1\t\2/p')
  while IFS= read -r line; do
    if ! printf '%s\n' "$fields" | grep -qxF -- "$line"; then
      echo "$link: lnkinfo does not show \"${line/$'\t'/: }\"; it shows:"
      printf '%s\n' "$fields" | grep -E '^(Local path|Working directory|Description)' || true
      failed=1
    fi
  done < "$expect"
  checked=$((checked + 1))
done

echo "lnkinfo read $checked link(s) from $folder"
[ "$checked" -ge "$minimum" ] || { echo "expected at least $minimum"; exit 1; }
exit $failed
