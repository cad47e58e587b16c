#!/usr/bin/env bash
# Runs a Windows program under Wine in the given prefix: wine-run.sh PREFIX PROGRAM [ARGS...]
# Used as CMake's cross-compiling emulator, so CTest runs the Windows tests through it.
set -e
prefix=$1; shift
# shellcheck source=wine-env.sh
source "$(dirname "$0")/wine-env.sh" "$prefix"
exec wine "$@"
