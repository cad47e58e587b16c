#!/usr/bin/env bash
# Installs what building and testing the order server needs on Debian 12 or 13. Every package
# name is one both releases have (no version in a name: libclang-rt-dev is the default clang's).
# Idempotent and non-interactive: does nothing when everything is already present.
set -euo pipefail

# Native build and tests: g++, CMake, Ninja, GoogleTest (libgtest-dev; googletest holds the
# sources the Windows build compiles), clang with its runtimes for fuzzing, valgrind for the
# benchmarks, e2fsprogs for chattr in the fault tests. Windows build: the mingw-w64 compilers
# and widl, Wine's IDL files, NSIS for the setup program. Windows tests: Wine, Xvfb, xwd and
# ImageMagick for screenshots.
packages=(
  g++ cmake ninja-build googletest libgtest-dev clang libclang-rt-dev valgrind e2fsprogs nsis
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix mingw-w64-tools libwine-dev
  wine wine64 xvfb x11-apps imagemagick procps
)

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

missing=()
for p in "${packages[@]}"; do
  installed "$p" || missing+=("$p")
done

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
if [ ${#missing[@]} -gt 0 ]; then
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" </dev/null
fi

# Wine's 32-bit half, for the 32-bit host lane (ORDERSRV_WOW64=1): about 140 MB. While Debian's
# mirror syncs its i386 index the install cannot resolve; the lane then says it could not run.
# --no-remove: an install that could only go through by removing packages (the 64-bit wine64 of
# another version, say) is refused.
if [ "${ORDERSRV_WOW64:-0}" = 1 ] && ! installed wine32:i386; then
  echo "setup: installing Wine's 32-bit half (wine32:i386)"
  { $SUDO dpkg --add-architecture i386 && $SUDO apt-get update -qq &&
    $SUDO apt-get install -y -qq --no-install-recommends --no-remove wine32:i386 wine64 </dev/null; } ||
    echo "setup: Wine's 32-bit half could not be installed; the 32-bit host lane cannot run" >&2
fi
exit 0
