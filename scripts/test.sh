#!/usr/bin/env bash
# Builds every preset and runs every test: native, native under ASan+UBSan and TSan, a short
# fuzzing run, Windows under Wine, the 32-bit Windows build, and the 32-bit host lane where Wine's
# 32-bit half is installed (ORDERSRV_WOW64=1 installs it and makes the lane required; without
# it the lane says it did not run). Warnings are errors.
# ORDERSRV_PRESETS="native windows" limits the run to some presets.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

presets=${ORDERSRV_PRESETS:-"native native-asan native-tsan fuzz windows windows-i686 wow64"}
jobs=$(nproc)
failed=()
not_run=()

run_preset() {
  local preset=$1
  if [ "$preset" = wow64 ]; then
    echo "=== wow64: 32-bit host lane"
    bash tests/wow64/host_lane.sh
    local rc=$?
    # Not run: a failure only when the lane was asked for.
    [ $rc -eq 77 ] && { not_run+=("$preset"); [ "${ORDERSRV_WOW64:-0}" = 1 ] && return 1; return 0; }
    return $rc
  fi
  if [ "$preset" = fuzz ]; then
    echo "=== fuzz: every target for 10 s, then its saved corpus"
    bash scripts/fuzz.sh 10 && ctest --test-dir build/fuzz -L fuzz --output-on-failure
    return
  fi
  echo "=== $preset: configure and build"
  cmake --preset "$preset" -DORDERSRV_WERROR=ON >/dev/null || return 1
  # The 32-bit build is run only by the 32-bit host lane: its server and the client tests the
  # lane runs (the rest of it is the 64-bit build's, compiled for the other bitness).
  local targets=()
  [ "$preset" = windows-i686 ] && targets=(--target OrderSrv server_client_tests)
  cmake --build --preset "$preset" -j "$jobs" "${targets[@]}" || return 1
  case $preset in
    windows-i686) echo "=== $preset: compiled (run by the 32-bit host lane, wow64)" ;;
    windows)
      echo "=== $preset: tests under Wine"
      # The prefix must start, or the run fails: Windows tests are never skipped.
      (source scripts/wine-env.sh "build/windows/wineprefix") || return 1
      ctest --preset "$preset" -j 1 || return 1 ;;
    *)
      echo "=== $preset: tests"
      ctest --preset "$preset" -j "$jobs" || return 1 ;;
  esac
}

# Every skipped test is named with its reason, so a fault the run could not produce is seen.
report_skipped() {
  local dir=build/$1
  [ "$1" = fuzz ] || [ "$1" = wow64 ] && return
  bash scripts/skipped-tests.sh "$dir" | sed "s/^/[$1] /"
}

# The X server the Windows tests start is stopped at the end, unless one was running before.
display=${ORDERSRV_DISPLAY:-${DISPLAY:-:90}}
x_lock=/tmp/.X${display#:}-lock
x_before=$( [ -r "$x_lock" ] && tr -dc '0-9' <"$x_lock" || true)

cleanup() {
  [ -d build/windows/wineprefix ] && WINEPREFIX=$PWD/build/windows/wineprefix wineserver -k 2>/dev/null || true
  local x_now
  x_now=$( [ -r "$x_lock" ] && tr -dc '0-9' <"$x_lock" || true)
  [ -n "$x_now" ] && [ "$x_now" != "$x_before" ] && kill "$x_now" 2>/dev/null || true
}
trap cleanup EXIT

timings=()
for preset in $presets; do
  started=$SECONDS
  run_preset "$preset" || failed+=("$preset")
  report_skipped "$preset"
  timings+=("$preset $((SECONDS - started)) s")
done
echo "Time per preset: $(IFS=,; echo "${timings[*]}" | sed 's/,/, /g'); in all $SECONDS s"

if [ ${#failed[@]} -gt 0 ]; then
  echo "FAILED presets: ${failed[*]}"
  exit 1
fi
passed=$(for p in $presets; do [[ " ${not_run[*]} " == *" $p "* ]] || echo -n "$p "; done)
echo "All presets built and passed: ${passed% }"
[ ${#not_run[@]} -eq 0 ] || echo "Not run: ${not_run[*]} (see above)"
