#!/usr/bin/env bash
# Bad host input, load and a killed server against the real OrderSrv.exe under Wine, with the
# figures printed. Runs the tests labelled `load` at full size: 8 clients x 5000 orders in each
# of two rounds, and ten orders over a minute beside 1,000 working orders' state files (CI runs
# them smaller through CTest). Sizes can be set from the environment:
#   ORDERSRV_LOAD_CLIENTS (8)  ORDERSRV_LOAD_ORDERS (5000)  ORDERSRV_KILL_AFTER (1500)
#   ORDERSRV_LOAD_WORKING (1000)  ORDERSRV_LOAD_LATE_ORDERS (10)  ORDERSRV_LOAD_LATE_SPACING_MS (6000)
# With --native-standin the burst is carried out by the native NinjaTrader stand-in instead of
# the Windows one under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${ORDERSRV_LOAD_BUILD:-build/load-windows}
native=${ORDERSRV_LOAD_NATIVE_BUILD:-build/load-native}
use_native=0
[ "${1:-}" = "--native-standin" ] && use_native=1

export ORDERSRV_LOAD_CLIENTS=${ORDERSRV_LOAD_CLIENTS:-8}
export ORDERSRV_LOAD_ORDERS=${ORDERSRV_LOAD_ORDERS:-5000}
export ORDERSRV_KILL_AFTER=${ORDERSRV_KILL_AFTER:-1500}
export ORDERSRV_LOAD_WORKING=${ORDERSRV_LOAD_WORKING:-1000}
export ORDERSRV_LOAD_LATE_ORDERS=${ORDERSRV_LOAD_LATE_ORDERS:-10}
export ORDERSRV_LOAD_LATE_SPACING_MS=${ORDERSRV_LOAD_LATE_SPACING_MS:-6000}

echo "== Building the server, the stand-in and the load tests ($build)"
cmake --preset windows -B "$build" -DORDERSRV_WERROR=ON >/dev/null
cmake --build "$build" -j2 --target OrderSrv ntstandin \
  load_host_input_tests load_burst_tests load_killed_server_tests load_working_files_tests >/dev/null
prefix=$root/$build/wineprefix
# shellcheck source=wine-env.sh
source scripts/wine-env.sh "$prefix"

standin_pid=
finish() {
  [ -n "$standin_pid" ] && kill "$standin_pid" 2>/dev/null || true
  WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
}
trap finish EXIT

run() {  # run NAME TIMEOUT: one test executable under Wine, its figures shown
  echo
  echo "== $1"
  timeout "$2" scripts/wine-run.sh "$prefix" "$build/tests/load/$1.exe" --gtest_color=no |
    grep --line-buffered -v '^\[ *\(RUN\|OK\) *\]\|^Running main()'
}

status=0
run load_host_input_tests 600 || status=1

if [ "$use_native" = 1 ]; then
  cmake --preset native -B "$native" -DORDERSRV_WERROR=ON >/dev/null
  cmake --build "$native" -j2 --target ntstandin >/dev/null
  burst=$root/$build/tests/load/run/burst
  mkdir -p "$burst/nt/INCOMING" "$burst/nt/OUTGOING"
  rm -f "$burst/standin.stop" "$burst/native-standin.log"
  "$native/tools/ntstandin" --folder "$burst/nt" --accounts SIM101 --rest-limits --trace \
    --run-ms 3600000 --stop-file "$burst/standin.stop" --log "$burst/native-standin.log" &
  standin_pid=$!
  export ORDERSRV_LOAD_STANDIN_LOG=$burst/native-standin.log
fi
run load_burst_tests 3600 || status=1
unset ORDERSRV_LOAD_STANDIN_LOG
if [ -n "$standin_pid" ]; then wait "$standin_pid" || true; standin_pid=; fi

run load_killed_server_tests 600 || status=1
run load_working_files_tests 900 || status=1

echo
[ "$status" -eq 0 ] && echo "LOAD OK" || echo "LOAD FAILED"
exit "$status"
