#!/usr/bin/env bash
# Fuzzes everything that reads NinjaTrader's folders or the settings file.
# Usage: scripts/fuzz.sh [seconds-per-target]   (default 60)
# Configures build/fuzz with clang, builds only the fuzz targets, runs each for the given time
# on a scratch copy of its saved corpus, and prints the executions per target. Fails when a
# target finds a crash or a broken property (the input is kept under build/fuzz/findings).
set -euo pipefail

seconds="${1:-60}"
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build/fuzz"
targets=(fuzz_state_line fuzz_position_name fuzz_outgoing_name fuzz_settings_file fuzz_instruction_line fuzz_journal)

if [[ ! -f "$build/build.ninja" ]]; then
  CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DORDERSRV_FUZZ=ON \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" --target fuzz_targets -j2 >/dev/null

# Memory-backed scratch where there is some: the targets write and flush files.
scratch_root=/tmp
[[ -d /dev/shm && -w /dev/shm ]] && scratch_root=/dev/shm
work="$(mktemp -d "$scratch_root/ordersrv-fuzz.XXXXXX")"
trap 'rm -rf "$work"' EXIT
findings="$build/findings"
mkdir -p "$findings"

# One target per core at a time, each in a scratch folder of its own.
fuzz_one() {  # target: its log in $work/<target>.log, its exit code in $work/<target>.rc
  local t=$1 rc=0
  cp -r "$root/tests/fuzz/corpus/$t" "$work/$t"
  ORDERSRV_FUZZ_SCRATCH="$work/scratch-$t" "$build/tests/fuzz/$t" -max_total_time="$seconds" \
    -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$findings/$t-" \
    "$work/$t" >"$work/$t.log" 2>&1 || rc=$?
  echo "$rc" >"$work/$t.rc"
}
running=0
for t in "${targets[@]}"; do
  if [[ $running -ge $(nproc) ]]; then
    wait -n || true
    running=$((running - 1))
  fi
  fuzz_one "$t" &
  running=$((running + 1))
done
wait

declare -A executions result
failed=0
for t in "${targets[@]}"; do
  log="$work/$t.log"
  if [[ "$(cat "$work/$t.rc" 2>/dev/null)" = 0 ]]; then
    result[$t]=clean
  else
    result[$t]=FAILED
    failed=1
    tail -n 30 "$log" >&2
  fi
  n="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)"
  [[ -n "$n" ]] || n="$(sed -n 's/^#\([0-9]*\)[[:space:]]*DONE.*/\1/p' "$log" | tail -n 1)"
  executions[$t]="${n:-?}"
done

printf '%-24s %14s  %s\n' target executions result
for t in "${targets[@]}"; do
  printf '%-24s %14s  %s\n' "$t" "${executions[$t]}" "${result[$t]}"
done
exit "$failed"
