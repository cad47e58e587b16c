#!/usr/bin/env bash
# Installs what building and testing the order server needs on Debian 12.
# Idempotent and non-interactive: does nothing when everything is already present.
set -euo pipefail

packages=(
  g++ cmake ninja-build googletest clang libclang-rt-14-dev
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix mingw-w64-tools libwine-dev
  wine wine64 xvfb x11-apps imagemagick procps valgrind
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" </dev/null
