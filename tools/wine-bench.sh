#!/usr/bin/env bash
# The Wine bench: runs one command inside a fresh 32-bit Wine prefix with a
# display and one persistent wineserver, then tears everything down.
#
#   tools/wine-bench.sh COMMAND [ARGS...]
#
# COMMAND runs on the Linux side with WINEPREFIX, WINEARCH, DISPLAY and the
# rest exported, so it may call `wine` (or tools/wine-exec.sh) as often as it
# likes; every call shares the one prefix and the one server. The prefix is
# made once per bench run because creating one takes a while.
#
# Environment:
#   WINE_BENCH_VISIBLE=1  use the caller's $DISPLAY instead of a private Xvfb
#   WINE_BENCH_KEEP=1     keep the prefix afterwards (its path is printed)
#   WINE_BENCH_DPI=N      the prefix's dots per inch (default 96); a program
#                         reads it when it starts
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
"$here/install-deps.sh"

work=$(mktemp -d /tmp/wine-bench.XXXXXX)
export WINEPREFIX="$work/prefix"
export WINEARCH=win32
export WINEDEBUG=${WINEDEBUG:--all}
# No add-on installer dialogs for .NET or the HTML engine, and no menu
# entries or desktop files of the host made for the links that runs save.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml=;winemenubuilder.exe=d"}
unset WINESERVER WINELOADER 2>/dev/null || true

xvfb_pid=""
cleanup() {
  local rc=$?
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; wait "$xvfb_pid" 2>/dev/null || true; fi
  if [ "${WINE_BENCH_KEEP:-0}" = 1 ]; then
    echo "wine-bench: prefix kept at $WINEPREFIX" >&2
  else
    rm -rf "$work"
  fi
  exit $rc
}
trap cleanup EXIT INT TERM

if [ "${WINE_BENCH_VISIBLE:-0}" = 1 ] && [ -n "${DISPLAY:-}" ]; then
  :
else
  # Pick a display number nobody uses.
  for n in $(seq 90 140); do
    if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then break; fi
  done
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
  xvfb_pid=$!
  export DISPLAY=":$n"
  for _ in $(seq 1 50); do
    [ -e "/tmp/.X11-unix/X$n" ] && break
    sleep 0.1
  done
fi

mkdir -p "$WINEPREFIX"
# One server for the whole run: -p keeps it alive between wine calls.
wineserver -p
echo "wine-bench: creating prefix $WINEPREFIX" >&2
wineboot -i >"$work/wineboot.log" 2>&1 || { cat "$work/wineboot.log" >&2; exit 1; }
# A new prefix links the user's desktop and documents folders to the Unix
# home folder: links and files a test puts on the desktop would land in
# the real home. They become folders of the prefix's own.
for link in "$WINEPREFIX"/drive_c/users/*/*; do
  if [ -L "$link" ]; then rm -f "$link" && mkdir -p "$link"; fi
done
# Xvfb has no window manager, and Wine then waits two seconds for every
# top-level window it hides unless it manages the windows itself.
if [ -n "$xvfb_pid" ]; then
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
fi

# The dpi of the screen, as the display settings of Windows set it.
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "${WINE_BENCH_DPI:-96}" /f >/dev/null 2>&1

export WINE_BENCH_ACTIVE=1
"$@"
