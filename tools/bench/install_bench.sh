#!/usr/bin/env bash
# Install benchmark: how long Setup.exe's install pass takes under Wine,
# against a bare LZ copy of the same files under the same Wine.
#
#   tools/bench/install_bench.sh
#
# Payloads:
#   A  40 files of 5 MiB (200 MiB), every other one compressed with
#      mscompress and kept under its own name
#   B  2,000 plain files of 4 KiB
#
# For each payload and round it runs, in one Wine prefix (tools/wine-bench.sh):
#   - bare_copy.exe: LZOpenFileA/LZCopy/LZClose of every file into a fresh
#     folder, timed inside the program;
#   - Setup.exe on a set whose Setup.dat lists the files, with a fresh
#     DefaultFolder, driven and timed by install_driver.exe: the install
#     pass is the life of the progress window; the Setup.exe wall time is
#     the life of the process;
#   - for payload B, the peer installer: a stored (uncompressed) silent
#     installer of the same files built with Debian's nsis (makensis), run
#     with /S and /D= into a fresh folder and timed by install_driver.exe
#     from its start to its end, as the Setup.exe wall time is.
# Wine's X11 windows are made unmanaged in that prefix (see below).
# The best of the rounds counts. It prints a table with the ratio and the
# targets (1.3x for A, 1.5x for B, and Setup.exe's whole run on B faster
# than the peer's), and the size of Setup.exe. It reports, it does not judge: the exit
# code is 0 whether the targets are met or not, and only a broken run
# (no build, no progress window, files missing afterwards) fails it.
#
# Environment:
#   BUILD_DIR            build folder (default <repo>/build)
#   BENCH_ROUNDS         rounds per payload (default 2)
#   BENCH_PAYLOAD_DIR    where the generated payloads are kept between runs
#                        (default $BUILD_DIR/bench-payload)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=${BUILD_DIR:-$root/build}
export BUILD_DIR=$build
payloads=${BENCH_PAYLOAD_DIR:-$build/bench-payload}
rounds=${BENCH_ROUNDS:-2}

# name prefix extension count size compress(odd|none)
payload_params() {
  case $1 in
    A) echo "A BIN 40 5242880 odd" ;;
    B) echo "B DAT 2000 4096 none" ;;
  esac
}

# Makes payload $1 unless an identical one is already there: mscompress
# takes most of a minute for payload A.
make_payload() {
  local id=$1 params folder
  params=$(payload_params "$id")
  folder="$payloads/$id"
  if [ -f "$folder/.complete" ] && [ "$(cat "$folder/.complete")" = "$params" ]; then return; fi
  echo "install_bench: generating payload $id ($params)" >&2
  rm -rf "$folder"
  set -- $params
  python3 "$here/make_payload.py" "$folder" "$1" "$2" "$3" "$4"
  if [ "$5" = odd ]; then
    # Odd-numbered files are compressed; each keeps its name in the set.
    (cd "$folder" && awk 'NR % 2 == 1 { print $1 }' manifest.txt | xargs -P "$(nproc)" -n 1 mscompress >/dev/null)
    while read -r name _; do
      if [ -f "$folder/${name}_" ]; then mv "$folder/${name}_" "$folder/$name"; fi
    done <"$folder/manifest.txt"
  fi
  echo "$params" >"$folder/.complete"
}

if [ "${1:-}" != --measure ]; then
  # Only the bench needs the peer installer's compiler.
  if ! command -v makensis >/dev/null 2>&1; then
    SUDO=""
    [ "$(id -u)" -eq 0 ] || SUDO=sudo
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends nsis >/dev/null
  fi
  "$root/tools/build.sh" --target Setup --target BenchInstallDriver --target BenchBareCopy >/dev/null
  mkdir -p "$payloads"
  make_payload A
  make_payload B
  if [ "${WINE_BENCH_ACTIVE:-0}" = 1 ]; then exec bash "$0" --measure; fi
  exec "$root/tools/wine-bench.sh" bash "$0" --measure
fi

# ---- Inside the Wine bench from here on. ----
work=$(mktemp -d /tmp/install-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT
winpath() { winepath -w "$1" 2>/dev/null; }

# Without a window manager (a bare Xvfb) Wine waits two seconds for one to
# withdraw every managed window it hides, so each closing progress window
# would add two seconds that no Windows machine has. Unmanaged windows are
# hidden at once.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
# Wine's desktop process comes up with the first window of a run and goes
# with the last; each time it comes up it asks for the COM service (RpcSs),
# which does not start in the bench prefix, and every window waits for it,
# up to ten seconds. No Windows machine has that wait, and it fell on
# whichever program came first, at random. A window kept open in the
# background for the whole bench keeps the desktop up: it is started, and
# given the time to get past that wait, before anything is timed.
wine notepad >/dev/null 2>&1 &
keeper=$!
trap 'kill "$keeper" 2>/dev/null; rm -rf "$work"' EXIT
sleep 15

# The value of "key=value" line $2 in the output file $1 of a helper.
value() { tr -d '\r' <"$1" | sed -n "s/^$2=//p"; }

# The set's Setup.dat: every payload file, installed into folder $2.
write_setup_dat() {
  local folder=$1 target=$2
  {
    printf '[Setup]\r\nTitle=Install benchmark\r\nDefaultFolder=%s\r\n' "$target"
    printf 'Group=0\r\nDesktop=0\r\nStartup=0\r\nFiles=Files\r\n\r\n[Files]\r\n'
    while read -r name size; do
      printf '%s=%%0\\%s,%s,0,Benchmark payload\r\n' "$name" "$name" "$size"
    done <"$folder/manifest.txt"
  } >"$folder/Setup.dat"
}

# Whether folder $2 holds every file of payload folder $1 at its size.
complete_copy() {
  local name size
  while read -r name size; do
    [ -f "$2/$name" ] && [ "$(stat -c %s "$2/$name")" = "$size" ] || return 1
  done <"$1/manifest.txt"
}

# The peer installer of payload folder $1 (files matching $2), written to
# $3: stored, silent, into the folder given with /D=.
make_peer() {
  local folder=$1 pattern=$2 out=$3
  cat >"$work/peer.nsi" <<NSI
Unicode false
Name "Install benchmark"
OutFile "$out"
SetCompress off
SilentInstall silent
RequestExecutionLevel user
InstallDir "C:\\peer"
Section
  SetOutPath "\$INSTDIR"
  File "$folder/$pattern"
SectionEnd
NSI
  makensis -V1 "$work/peer.nsi" >"$work/makensis.log" 2>&1 || { cat "$work/makensis.log" >&2; return 1; }
}

min() { awk -v a="$1" -v b="$2" 'BEGIN { if (a == "" || b + 0 < a + 0) print b; else print a }'; }

declare -A pass_s wall_s copy_s
peer_s=""
broken=0
set -- $(payload_params B)
make_peer "$payloads/B" "$1*.$2" "$work/peer.exe" || { echo "install_bench: makensis failed" >&2; broken=1; }
for id in A B; do
  folder="$payloads/$id"
  set -- $(payload_params "$id")
  pattern="$1*.$2"
  cp "$build/bin/Setup.exe" "$folder/Setup.exe"
  for round in $(seq 1 "$rounds"); do
    # The bare copy.
    dest="$work/copy-$id"
    sync
    wine "$build/bench/bare_copy.exe" "$(winpath "$folder")" "$(winpath "$dest")" "$pattern" >"$work/copy.out" ||
      { echo "install_bench: bare copy of payload $id failed" >&2; broken=1; }
    if ! complete_copy "$folder" "$dest"; then echo "install_bench: bare copy of payload $id is incomplete" >&2; broken=1; fi
    copy_s[$id]=$(min "${copy_s[$id]:-}" "$(value "$work/copy.out" copy_seconds)")
    rm -rf "$dest"

    # The install.
    dest="$work/install-$id"
    write_setup_dat "$folder" "$(winpath "$work")\\install-$id"
    sync
    rc=0
    wine "$build/bench/install_driver.exe" --timeout 1800 "$(winpath "$folder/Setup.exe")" >"$work/install.out" || rc=$?
    pass=$(value "$work/install.out" install_pass_seconds)
    if [ "$rc" != 0 ] || [ -z "$pass" ] || [ "$pass" = "-1.000" ]; then
      echo "install_bench: Setup.exe on payload $id: no install pass measured (driver exit $rc)" >&2
      broken=1
    elif ! complete_copy "$folder" "$dest"; then
      echo "install_bench: Setup.exe left payload $id incomplete in $dest" >&2
      broken=1
    else
      pass_s[$id]=$(min "${pass_s[$id]:-}" "$pass")
      wall_s[$id]=$(min "${wall_s[$id]:-}" "$(value "$work/install.out" total_seconds)")
    fi
    answered=$(value "$work/install.out" dialogs_answered)
    if [ "${answered:-0}" != 0 ]; then echo "install_bench: payload $id round $round: $answered dialog(s) answered" >&2; fi
    rm -rf "$dest"

    # The peer installer, on payload B only.
    peer=""
    if [ "$id" = B ] && [ -f "$work/peer.exe" ]; then
      dest="$work/peer-$id"
      sync
      rc=0
      # Exit 2 only says that no progress window of Setup.exe's was seen.
      wine "$build/bench/install_driver.exe" --timeout 1800 "$(winpath "$work/peer.exe")" /S "/D=$(winpath "$work")\\peer-$id" >"$work/peer.out" || rc=$?
      if [ "$rc" != 0 ] && [ "$rc" != 2 ]; then
        echo "install_bench: peer installer on payload $id failed (driver exit $rc)" >&2
        broken=1
      elif ! complete_copy "$folder" "$dest"; then
        echo "install_bench: peer installer left payload $id incomplete in $dest" >&2
        broken=1
      else
        peer=$(value "$work/peer.out" total_seconds)
        peer_s=$(min "$peer_s" "$peer")
      fi
      rm -rf "$dest"
    fi
    echo "install_bench: payload $id round $round: bare copy $(value "$work/copy.out" copy_seconds) s;" \
      "Setup.exe: progress window at $(value "$work/install.out" pass_start_seconds) s," \
      "pass ${pass:-?} s, main window gone at $(value "$work/install.out" windows_gone_seconds) s," \
      "process ended at $(value "$work/install.out" total_seconds) s${peer:+; peer installer $peer s}" >&2
  done
  rm -f "$folder/Setup.exe" "$folder/Setup.dat"
done

echo
printf '%-28s %13s %10s %10s %10s %7s %8s %s\n' payload "install pass" "bare copy" "Setup.exe" "peer" ratio target ""
for id in A B; do
  peer=""
  case $id in
    A) label="A: 40 files, 200 MiB"; target=1.3 ;;
    B) label="B: 2,000 files of 4 KiB"; target=1.5; peer=$peer_s ;;
  esac
  awk -v label="$label" -v pass="${pass_s[$id]:-}" -v copy="${copy_s[$id]:-}" -v wall="${wall_s[$id]:-}" \
      -v peer="$peer" -v id="$id" -v target="$target" '
    function secs(s) { return s == "" ? "n/a" : sprintf("%.2f s", s) }
    BEGIN {
      ratio = "n/a"; verdict = "not measured"
      if (pass != "" && copy + 0 > 0) {
        r = pass / copy; ratio = sprintf("%.2fx", r)
        verdict = r <= target ? "met" : "missed"
      }
      if (id == "B") {
        if (wall == "" || peer == "") verdict = verdict "; ahead of the peer: not measured"
        else verdict = verdict "; ahead of the peer: " (wall + 0 < peer + 0 ? "met" : "missed")
      }
      printf "%-28s %13s %10s %10s %10s %7s %8s %s\n", label, secs(pass), secs(copy), secs(wall), \
        id == "B" ? secs(peer) : "-", ratio, "<= " target "x", verdict
    }'
done
echo "(best of $rounds rounds; install pass = life of the progress window; Setup.exe and peer = process wall time)"
echo "Setup.exe: $(stat -c %s "$build/bin/Setup.exe") bytes"
if [ "$broken" != 0 ]; then echo "install_bench: some runs failed; their figures are missing above" >&2; fi
exit 0
