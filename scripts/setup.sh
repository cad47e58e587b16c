#!/usr/bin/env bash
# Installs what building and testing the order server needs on Debian 12.
# Idempotent and non-interactive: does nothing when everything is already present.
set -euo pipefail

# Native build and tests: g++, CMake, Ninja, GoogleTest (libgtest-dev; googletest holds the
# sources the Windows build compiles), clang with its runtimes for fuzzing, valgrind for the
# benchmarks, e2fsprogs for chattr in the fault tests. Windows build: the mingw-w64 compilers
# and widl, Wine's IDL files, NSIS for the setup program. Windows tests: Wine, Xvfb, xwd and
# ImageMagick for screenshots.
packages=(
  g++ cmake ninja-build googletest libgtest-dev clang libclang-rt-14-dev valgrind e2fsprogs nsis
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix mingw-w64-tools libwine-dev
  wine wine64 xvfb x11-apps imagemagick procps
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
