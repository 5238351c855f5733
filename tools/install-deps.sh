#!/usr/bin/env bash
# Installs what building and testing Setup.exe needs on a Debian machine:
# the 32-bit MinGW-w64 cross compiler, Wine with its 32-bit half, Xvfb,
# GoogleTest sources, the native g++ for the authoring kit, the xz
# library with pkg-config (the kit's one-file form and the payload decoder's
# tests encode with it), osslsigncode and openssl (a scenario signs the
# one-file program), mscompress, lnkinfo, CMake and Ninja, and Wine's own fonts (MS Sans Serif, Tahoma and
# the rest: without them a wider font stands in for every face, and the
# pages look cut where Windows shows them whole). Does nothing when all of
# it is already there.
set -euo pipefail

need=()
have() { command -v "$1" >/dev/null 2>&1; }
have i686-w64-mingw32-g++-posix || need+=(g++-mingw-w64-i686-posix)
have i686-w64-mingw32-windres   || need+=(binutils-mingw-w64-i686)
have g++     || need+=(g++)
have cmake   || need+=(cmake)
have ninja   || need+=(ninja-build)
have Xvfb    || need+=(xvfb)
have mscompress || need+=(mscompress)
have python3 || need+=(python3)
have lnkinfo || need+=(liblnk-utils)
have osslsigncode || need+=(osslsigncode)
have openssl || need+=(openssl)
[ -f /usr/src/googletest/CMakeLists.txt ] || need+=(googletest)
have pkg-config || need+=(pkg-config)
dpkg -s liblzma-dev >/dev/null 2>&1 || need+=(liblzma-dev)
dpkg -s fonts-wine >/dev/null 2>&1 || need+=(fonts-wine)
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
  need+=(wine wine32:i386)
else
  have wine || need+=(wine)
  dpkg -s wine32:i386 >/dev/null 2>&1 || need+=(wine32:i386)
fi

if [ ${#need[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO=sudo
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -q
  $SUDO apt-get install -y -q --no-install-recommends "${need[@]}"
fi
