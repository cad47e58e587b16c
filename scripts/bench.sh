#!/usr/bin/env bash
# Benchmarks of the order server: builds what they need, runs OrderSrv.exe under Wine in a
# scratch NinjaTrader folder of its own (bench-run/), measures every figure beside its floor in
# the same run, counts instructions natively with callgrind, prints one table and saves it to
# bench/results/latest.md. Targets are reported, never asserted. Always ends (every client
# under timeout) and always ends its own Wine prefix.
#
# Environment:
#   ORDERSRV_BENCH_QUICK=1            small counts, for trying the script out
#   ORDERSRV_BENCH_NATIVE_BUILD=dir   native build tree (default build/native)
#   ORDERSRV_BENCH_WINDOWS_BUILD=dir  Windows build tree (default build/windows)
#   ORDERSRV_BENCH_PHASES="..."       only these phases of the Wine part (transport refused
#                                     connected journal events; default all)
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD
run=$root/bench-run
native_build=$(realpath -m "${ORDERSRV_BENCH_NATIVE_BUILD:-build/native}")
windows_build=$(realpath -m "${ORDERSRV_BENCH_WINDOWS_BUILD:-build/windows}")
quick=${ORDERSRV_BENCH_QUICK:-0}

# Sizes (the quick set only checks that everything runs).
if [ "$quick" = 1 ]; then
  call_rounds=4 call_batch=20 incoming_orders=30 status_samples=15 burst_orders=2000
  memory_orders=10000 cpu_seconds=2 callgrind_n=2000 scan_files=200 scan_repeats=2 burst_timeout=60
  journal_orders=10000
else
  call_rounds=20 call_batch=50 incoming_orders=200 status_samples=100 burst_orders=10000
  memory_orders=100000 cpu_seconds=5 callgrind_n=10000 scan_files=1000 scan_repeats=5 burst_timeout=180
  journal_orders=100000
fi
working_first_ref=8000000  # references of the working orders, apart from every other benchmark's
phases=" ${ORDERSRV_BENCH_PHASES:-transport refused connected journal events} "
want() { [[ $phases == *" $1 "* ]]; }

log() { echo "== $*" >&2; }

# ---- Build --------------------------------------------------------------------------------
build_tree() {  # tree preset targets...; configures only a tree that does not exist yet
  local tree=$1 preset=$2
  shift 2
  if [ ! -f "$tree/CMakeCache.txt" ]; then
    cmake --preset "$preset" -B "$tree" >/dev/null || return 1
  fi
  cmake --build "$tree" --target "$@" -j2 >"$run/build-$preset.log" 2>&1 ||
    { tail -30 "$run/build-$preset.log" >&2; return 1; }
}

rm -rf "$run/nt" "$run/nt-missing" "$run/bin" "$run/out" "$run"/*.log
mkdir -p "$run/bin" "$run/out" "$root/bench/results"
bash scripts/setup.sh || exit 1
log "Building (bench_engine_cost natively; OrderSrv, combench, bench_event_latency, hostclient for Windows)"
build_tree "$native_build" native bench_engine_cost || exit 1
build_tree "$windows_build" windows OrderSrv combench bench_event_latency hostclient || exit 1
cp "$windows_build/server/OrderSrv.exe" "$windows_build/bench/com/combench.exe" \
   "$windows_build/bench/workers/bench_event_latency.exe" \
   "$windows_build/tools/hostclient/hostclient.exe" "$run/bin/"

# ---- Figures and the table ----------------------------------------------------------------
figures=$run/out/figures.txt
: >"$figures"
note() { echo "$1 $2" >>"$figures"; }  # name value
# A figure by name: whole numbers as such, others with two decimals; n/a when it is missing.
fig() {
  awk -v k="$1" '$1 == k { v = $2 } END {
    if (v == "") print "n/a"; else if (v == int(v)) printf "%d\n", v; else printf "%.2f\n", v }' "$figures"
}
collect() { tr -d '\r' <"$1" | awk '$1 == "FIGURE" { print $2, $3 }' >>"$figures"; }
calc() { awk "BEGIN { x = $1; printf \"%.${2:-2}f\", x }" 2>/dev/null || echo n/a; }
# True when every argument is a number.
numbers() { local v; for v in "$@"; do [[ $v =~ ^-?[0-9.]+$ ]] || return 1; done; }

# ---- Native instruction counts (callgrind) ------------------------------------------------
engine_cost=$native_build/bench/native/bench_engine_cost
callgrind_ir() {  # args... -> instructions counted
  local out=$run/out/callgrind.out collect_flag=()
  [ "$("$engine_cost" client-requests)" = 1 ] && collect_flag=(--collect-atstart=no)
  (cd "$run/out" && timeout 300 valgrind --tool=callgrind "${collect_flag[@]}" \
      --callgrind-out-file="$out" "$engine_cost" "$@" >/dev/null 2>&1) || { echo n/a; return; }
  awk '$1 == "totals:" { print $2 }' "$out"
}
per_op() {  # name divisor-for-N args-for-N args-for-2N: Ir(2N) - Ir(N), per unit
  local name=$1 units=$2 a b
  a=$(callgrind_ir $3) b=$(callgrind_ir $4)
  note "${name}_ir_n" "$a"
  note "${name}_ir_2n" "$b"
  numbers "$a" "$b" && note "${name}_ir_per" "$(calc "($b - $a) / $units" 0)"
  numbers "$a" && note "${name}_ir_per_single" "$(calc "$a / $units" 0)"
}
if command -v valgrind >/dev/null; then
  log "callgrind: NewOrder in the engine, orders drained, files scanned"
  n=$callgrind_n
  for pass in 1 2; do  # twice, to show the count is stable from run to run
    per_op "cg${pass}_neworder" "$n" "neworder $n" "neworder $((2 * n))"
    per_op "cg${pass}_drain" "$n" "drain $n" "drain $((2 * n))"
    half=$((scan_files / 2))
    per_op "cg${pass}_scan" "$((half * scan_repeats))" "scan $half $scan_repeats" \
      "scan $scan_files $scan_repeats"
  done
fi

"$engine_cost" memory "$memory_orders" >"$run/out/native_memory.txt" 2>&1 && collect "$run/out/native_memory.txt"

# ---- Wine prefix and the server -------------------------------------------------------------
log "Wine prefix $run/wineprefix"
# shellcheck source=scripts/wine-env.sh
source scripts/wine-env.sh "$run/wineprefix" || exit 1
# A crashing client ends at once with a backtrace on stderr instead of waiting in the debugger.
wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
server_pid=""
cleanup() {
  touch "$run/bench.stop"
  wineserver -k 2>/dev/null || true
}
trap cleanup EXIT

# The Linux process of a Windows program of this prefix, by its name.
prefix_process() {
  local p
  for p in /proc/[0-9]*; do
    [ "$(cat "$p/comm" 2>/dev/null)" = "$1" ] || continue
    tr '\0' '\n' <"$p/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" && { basename "$p"; return 0; }
  done
  return 1
}
cpu_ticks() { awk '{ sub(/^.*\) /, ""); print $12 + $13 }' "/proc/$1/stat" 2>/dev/null; }
# Percent of one core used by the server (and by the prefix's wineserver) over cpu_seconds.
measure_cpu() {  # name [seconds]
  local ws s1 s2 w1 w2 hz seconds=${2:-$cpu_seconds}
  hz=$(getconf CLK_TCK)
  ws=$(prefix_process wineserver64 || prefix_process wineserver || true)
  s1=$(cpu_ticks "$server_pid"); w1=$( [ -n "$ws" ] && cpu_ticks "$ws")
  sleep "$seconds"
  s2=$(cpu_ticks "$server_pid"); w2=$( [ -n "$ws" ] && cpu_ticks "$ws")
  numbers "$s1" "$s2" && note "$1_server_pct" "$(calc "($s2 - $s1) * 100 / $hz / $seconds" 2)"
  numbers "$w1" "$w2" && note "$1_wineserver_pct" "$(calc "($w2 - $w1) * 100 / $hz / $seconds" 2)"
}
rss_kb() { awk -v k="$2:" '$1 == k { print $2 }' "/proc/$1/status" 2>/dev/null; }

start_server() {  # Location-folder (Linux path) [AcceptOrders, default 1]
  rm -f "$run/bin/ORDERSRV-JOURNAL.TXT"  # every phase starts with no order of an earlier one
  printf 'Account=Sim101\r\nLocation=%s\r\nAcceptOrders=%s\r\nStopToStopLimit=0\r\n' \
    "$(winepath -w "$1")" "${2:-1}" >"$run/bin/ORDERSRV.INI"
  timeout 60 wine "$run/bin/OrderSrv.exe" /RegServer </dev/null >/dev/null 2>&1
  setsid wine "$run/bin/OrderSrv.exe" </dev/null >>"$run/server.log" 2>&1 &
  server_pid=""
  for _ in $(seq 150); do
    server_pid=$(prefix_process OrderSrv.exe) && break
    sleep 0.1
  done
  [ -n "$server_pid" ] || { log "the server did not start"; return 1; }
  sleep 3  # window, class object, first scan
}
# Closes the server as a user would, then restarts the prefix's wineserver and services, so
# the next server starts with no trace of this one in COM's tables whatever way it ended.
stop_server() {
  timeout 30 wine "$run/bin/hostclient.exe" close </dev/null >/dev/null 2>&1
  for _ in $(seq 50); do kill -0 "$server_pid" 2>/dev/null || break; sleep 0.2; done
  wineserver -k 2>/dev/null
  timeout 30 wineserver -w 2>/dev/null
  ordersrv_start_wineserver
}
client() {  # output-name timeout-seconds combench arguments...
  local name=$1 limit=$2 rc
  local out=$run/out/$name.txt
  shift 2
  timeout "$limit" wine "$run/bin/combench.exe" "$@" </dev/null >"$out" 2>"$run/out/$name.err"
  rc=$?
  [ $rc -eq 0 ] || log "combench $name ended with $rc (see $run/out/$name.err)"
  tr -d '\r' <"$out" | grep -v '^FIGURE' | sed 's/^/   /' >&2
  collect "$out"
}

# ---- Floor of the event queue: the workers' own benchmark, under Wine ------------------------
log "Event queue latency (bench_event_latency, real window)"
timeout 150 wine "$run/bin/bench_event_latency.exe" </dev/null >"$run/out/event_latency.txt" 2>/dev/null
awk '$1 == "window" && $2 == "single" { print "event_window_p50", $5; print "event_window_p99", $6; print "event_window_max", $7 }' \
  "$run/out/event_latency.txt" >>"$figures"

# ---- Phase A: not connected (Location missing), AcceptOrders on: the transport -------------
log "Server not connected (NinjaTrader folder missing): call costs, the burst's calls alone, memory"
if want transport && start_server "$run/nt-missing"; then
  client calls 300 calls "$call_rounds" "$call_batch"
  mkdir -p "$run/empty"
  client burst_floor 300 burst burst_floor "$burst_orders" 4 4000000 "$(winepath -w "$run/empty")" poll 300
  # Nothing is written while not connected: each order's record stays in the order book and its
  # place action in the action queue.
  sleep 1
  note mem_before_anon_kb "$(rss_kb "$server_pid" RssAnon)"
  note mem_before_rss_kb "$(rss_kb "$server_pid" VmRSS)"
  client memory 400 burst memory "$memory_orders" 4 10000000
  sleep 2
  note mem_after_anon_kb "$(rss_kb "$server_pid" RssAnon)"
  note mem_after_rss_kb "$(rss_kb "$server_pid" VmRSS)"
  stop_server
fi

# ---- Phase A': orders refused (AcceptOrders off): NewOrder's arguments cross, nothing is done --
log "Server refusing orders: NewOrder's marshaling and transport alone"
if want refused && start_server "$run/nt-missing" 0; then
  client calls_refused 300 calls "$((call_rounds / 2))" "$call_batch" refused_
  stop_server
fi

# ---- Phase B: connected to a NinjaTrader folder without NinjaTrader ---------------------------
nt=$run/nt
mkdir -p "$nt/INCOMING" "$nt/OUTGOING"
incoming=$(winepath -w "$nt/INCOMING")
outgoing=$(winepath -w "$nt/OUTGOING")
log "Server connected to $nt (no NinjaTrader: the clients read INCOMING themselves)"
if want connected && start_server "$nt"; then
  log "Idle: no clients, no files, $((2 * cpu_seconds)) s"
  measure_cpu idle "$((2 * cpu_seconds))"
  # Working orders: resting limit orders the server knows, each with the state file NinjaTrader
  # keeps for it while it rests ("WORKING;0;0", unchanged). Files are measured once they are
  # older than the file clock's step (until then the scan reads them again at each listing).
  placed=0
  for files in 0 "$((scan_files / 10))" "$scan_files"; do
    if [ "$files" -gt "$placed" ]; then
      client "working_place$files" 120 burst "working_place$files" "$((files - placed))" 1 \
        "$((working_first_ref + placed))" "$incoming" delete 60
      for ((i = placed; i < files; i++)); do
        printf 'WORKING;0;0\r\n' >"$nt/OUTGOING/HALVENMAR$((working_first_ref + i)).TXT"
      done
      placed=$files
    fi
    log "Scan CPU with the state files of $files working orders in OUTGOING"
    sleep 4
    measure_cpu "working$files"
  done
  rm -f "$nt/OUTGOING"/*
  log "Scan CPU with $scan_files position files of the server's account in OUTGOING"
  for ((i = 0; i < scan_files; i++)); do
    printf 'LONG;1;5000.25\r\n' >"$nt/OUTGOING/SYM$i GLOBEX_SIM101_POSITION.TXT"
  done
  sleep 4
  measure_cpu "positions$scan_files"
  rm -f "$nt/OUTGOING"/* "$nt/INCOMING"/*
  # The latencies against a server as fresh as before: without the working orders and positions
  # (and the views that show them) the CPU rows left behind.
  stop_server
  start_server "$nt"

  client incoming 300 incoming "$incoming" "$incoming_orders"
  client status 300 status "$incoming" "$outgoing" "$status_samples"
  client events 300 events "$incoming" "$outgoing" "$status_samples"
  client flurry 60 flurry "$incoming" "$outgoing" 100
  client shell 60 shell 200
  journal_before=$(stat -c %s "$run/bin/ORDERSRV-JOURNAL.TXT" 2>/dev/null)
  client burst "$((burst_timeout + 30))" burst burst "$burst_orders" 4 5000000 "$incoming" delete "$burst_timeout"
  journal_after=$(stat -c %s "$run/bin/ORDERSRV-JOURNAL.TXT" 2>/dev/null)
  numbers "$journal_before" "$journal_after" &&
    note journal_bytes_per_order "$(calc "($journal_after - $journal_before) / $burst_orders" 0)"
  stop_server
fi

# ---- Phase C: the start of a server COM starts, with a journal of many working orders --------
# The journal holds what a busy week leaves: every order accepted, sent and published, none
# ended. The floor is the same start with no journal.
write_journal() {  # orders
  STAGED="$incoming\\stage-OIF" awk -v n="$1" -v stamp="$(date '+%Y-%m-%d %H:%M:%S').000" '
    BEGIN {
      staged = ENVIRON["STAGED"]  # a Windows path: kept away from the escapes of -v
      printf "%s\tstart\trun=1\r\n", stamp
      for (i = 0; i < n; i++) {
        ref = 9000000 + i
        printf "%s\taccepted\tseq=%d\trun=1\tref=%d\taccount=SIM101\tsymbol=ES\texpiry=\tsymtype=0\texchange=\taction=0\ttimeframe=1\tkind=1\tsize=2\tprice=5000.25\r\n", stamp, i, ref
        printf "%s\tsent\tseq=%d\tref=%d\tfile=OIF%d.TXT\tstaged=%s%d.TXT.tmp\tfiletime=1\tline=PLACE;SIM101;ES;BUY;2;LIMIT;5000.250000;5000.250000;GTC;;HALVENMAR%d;;\r\n", stamp, i, ref, 100 + i, staged, 100 + i, ref
        printf "%s\tpublished\tstaged=%s%d.TXT.tmp\tfile=OIF%d.TXT\r\n", stamp, staged, 100 + i, 100 + i
      }
    }' >"$run/bin/ORDERSRV-JOURNAL.TXT"
}
if want journal; then
log "Start with a journal of $journal_orders working orders, and with none"
write_journal "$journal_orders"
note journal_start_bytes "$(stat -c %s "$run/bin/ORDERSRV-JOURNAL.TXT")"
client firstcall_journal 120 firstcall start_journal "$((9000000 + journal_orders - 1))"
sleep 3  # the server ends by itself after the last release
stop_server
rm -f "$run/bin/ORDERSRV-JOURNAL.TXT"
client firstcall_empty 120 firstcall start_empty 9000000
sleep 3
stop_server
fi

# ---- Phase D: events to many subscribed sinks ----------------------------------------------------
# Sinks in host processes of their own (combench sinkhost), each a subscription; one change is a
# position file rewritten. The server's threads and anonymous memory are sampled every 100 ms
# while the sinks subscribe and hear the changes.
# The server's own threads carry its name; Wine's carry theirs (wine_rpcrt4_io: one per client
# connection, wine_threadpool).
own_threads() { cat /proc/"$1"/task/*/comm 2>/dev/null | grep -cx 'OrderSrv.exe'; }
sample_server() {  # name pid-of-the-client: the most threads and RssAnon seen while it runs
  local most_threads=0 most_own=0 most_anon=0 t o a
  while kill -0 "$2" 2>/dev/null; do
    t=$(rss_kb "$server_pid" Threads) o=$(own_threads "$server_pid") a=$(rss_kb "$server_pid" RssAnon)
    numbers "$t" && [ "$t" -gt "$most_threads" ] && most_threads=$t
    numbers "$o" && [ "$o" -gt "$most_own" ] && most_own=$o
    numbers "$a" && [ "$a" -gt "$most_anon" ] && most_anon=$a
    sleep 0.1
  done
  note "$1_threads_max" "$most_threads"
  note "$1_own_threads_max" "$most_own"
  note "$1_anon_max_kb" "$most_anon"
}
if want events && start_server "$nt"; then
  log "Events to many sinks: threads and memory with 10, 100 and 1,000; one change to 200; NewOrder while 1,000 listen"
  note sinks_idle_threads "$(rss_kb "$server_pid" Threads)"
  note sinks_idle_own_threads "$(own_threads "$server_pid")"
  note sinks_idle_anon_kb "$(rss_kb "$server_pid" RssAnon)"
  for sinks in 10 100 1000 200; do
    hosts=4 hold=0 changes=$([ "$quick" = 1 ] && echo 5 || echo 20)
    [ "$sinks" -lt 100 ] && hosts=1
    [ "$sinks" = 200 ] && changes=$([ "$quick" = 1 ] && echo 10 || echo 50)
    [ "$sinks" = 1000 ] && hold=180
    client "fanout$sinks" 600 fanout "$outgoing" "$sinks" "$hosts" "$changes" "$hold" &
    fanout=$!
    sample_server "fanout$sinks" "$fanout" &
    sampler=$!
    if [ "$hold" -gt 0 ]; then
      rm -f "$nt/fanout-busy.txt" "$nt/fanout-stop.txt"
      for _ in $(seq 300); do grep -q '^holding.*quiet' "$run/out/fanout$sinks.txt" 2>/dev/null && break; sleep 1; done
      client incoming_sinks 300 incoming "$incoming" "$incoming_orders" incoming_sinks
      touch "$nt/fanout-busy.txt"
      sleep 2
      client incoming_sinks_busy 300 incoming "$incoming" "$incoming_orders" incoming_sinks_busy
      touch "$nt/fanout-stop.txt"
    fi
    wait "$fanout" "$sampler"
  done
  rm -f "$nt/INCOMING"/*
  stop_server
fi

# ---- The table ----------------------------------------------------------------------------------
verdict() {  # value op target
  numbers "$1" || { echo "n/a"; return; }
  awk "BEGIN { exit !($1 $2 $3) }" && echo met || echo MISSED
}
ratio() { numbers "$1" "$2" && calc "$1 / $2" 2 || echo n/a; }
per_order() {  # before-kB after-kB
  numbers "$1" "$2" "$(fig memory_orders)" || { echo n/a; return; }
  calc "($2 - $1) * 1024 / $(fig memory_orders)" 0
}

table=$run/out/table.md
{
  echo "# Order server benchmarks"
  echo
  echo "$(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg), $(wine --version 2>/dev/null)$([ "$quick" = 1 ] && echo ', QUICK sizes')."
  echo "Out-of-process figures: OrderSrv.exe under Wine, clients in the same prefix. Floors measured in the same run."
  echo
  echo "| # | Benchmark | Figure | Floor (same run) | Target | |"
  echo "|---|---|---|---|---|---|"
  for b in early late; do
    floor=$(fig "call_floor_${b}_us")
    for m in status neworder position; do
      v=$(fig "call_${m}_${b}_us") r=$(ratio "$v" "$floor") extra=""
      [ $m = neworder ] && extra="; NewOrder refused (AcceptOrders off) $(fig "refused_neworder_${b}_us") against GetAccountInfo $(fig "refused_floor_${b}_us") in that server"
      echo "| 1 | $m call, ${b}-bound (µs per call, median of $call_rounds×$call_batch) | $v (ratio $r) | GetAccountInfo $floor$extra | ratio ≤ 1.2 | $(verdict "$r" '<=' 1.2) |"
    done
  done
  p99=$(fig incoming_ms_p99) floor=$(fig incoming_floor_ms_p99)
  target=$(numbers "$floor" && calc "$floor + 2" 1 || echo n/a)
  echo "| 2 | NewOrder → file in INCOMING, ms (n=$(fig incoming_ms_n), lost $(fig incoming_lost)) | p50 $(fig incoming_ms_p50) / p99 $p99 / max $(fig incoming_ms_max); to the file's last write p50 $(fig incoming_written_ms_p50) / p99 $(fig incoming_written_ms_p99) | one call and one file written and renamed, seen by the same loop: p50 $(fig incoming_floor_ms_p50) / p99 $floor; event queue → window p50 $(fig event_window_p50) / p99 $(fig event_window_p99) | p99 ≤ floor + 2 = $target | $(verdict "$p99" '<=' "$target") |"
  p99=$(fig status_ms_p99)
  echo "| 3 | state file in OUTGOING → GetOrderStatus, ms (n=$(fig status_ms_n), unseen $(fig status_unseen)) | p50 $(fig status_ms_p50) / p99 $p99 / max $(fig status_ms_max) | periodic scan alone: 100 ms (uniform phase: p50 50, p99 99) | p99 ≤ 20 | $(verdict "$p99" '<=' 20) |"
  echo "| 3 | state file in OUTGOING → the host's OrderStatusChanged event, ms (n=$(fig event_ms_n), unheard $(fig event_unseen)) | p50 $(fig event_ms_p50) / p99 $(fig event_ms_p99) / max $(fig event_ms_max) | polling GetOrderStatus, above: p50 $(fig status_ms_p50) / p99 $(fig status_ms_p99) | | |"
  echo "| 3 | flurry: $(fig flurry_files) state files written within $(fig flurry_written_ms) ms → every status shown, ms | $(fig flurry_all_shown_ms) in $(fig flurry_scans) scans (unseen $(fig flurry_unseen)) | | | |"
  t=$(fig burst_all_lines_ms) f=$(fig burst_files) floor=$(fig burst_floor_calls_ms)
  if numbers "$t" "$floor"; then
    most_files=$(calc "$t / 100 + 1" 0)
    what="$t ms in $f files ($(ratio "$t" "$floor") × the calls alone)"
    target="≤ 1.05 × $floor ms, ≤ $most_files files"
    ok=$( [ "$(verdict "$t" '<=' "$(calc "$floor * 1.05" 0)")" = met ] && [ "$(verdict "$f" '<=' "$most_files")" = met ] && echo met || echo MISSED)
  else
    what="not all within ${burst_timeout} s: $(fig burst_lines) lines in $f files"
    target="≤ 1.05 × the calls alone, ≤ 1 file per 100 ms"
    ok=MISSED
  fi
  echo "| 4 | burst of $(fig burst_orders) orders, 4 clients: every line in a file | $what (calls done at $(fig burst_calls_ms) ms) | same calls alone (not connected) $floor ms | $target | $ok |"
  if numbers "$(fig burst_files)" "$(fig burst_lines)"; then
    echo "|   | lines per instruction file in the burst (200 ms budget per drain, 100 ms follow-up) | $(calc "$(fig burst_lines) / $(fig burst_files)" 1) | | | |"
  fi
  echo "|   | Shell_NotifyIcon(NIM_MODIFY) in this desktop (the status line and tray tip refresh at most four times a second) | p50 $(fig shell_modify_ms_p50) / p99 $(fig shell_modify_ms_p99) ms | | | |"
  for files in 0 "$((scan_files / 10))" "$scan_files"; do
    v=$(fig "working${files}_server_pct") w=$(fig "working${files}_wineserver_pct")
    both=$(numbers "$v" "$w" && calc "$v + $w" 2 || echo n/a)
    last=$([ "$files" = "$scan_files" ] && echo 1)
    echo "| 5 | scan CPU, state files of $files working orders in OUTGOING (% of one core, ${cpu_seconds} s) | $v (wineserver $w; together $both) | idle $(fig idle_server_pct) | $([ -n "$last" ] && echo 'together ≤ 3') | $([ -n "$last" ] && verdict "$both" '<=' 3) |"
  done
  v=$(fig "positions${scan_files}_server_pct") w=$(fig "positions${scan_files}_wineserver_pct")
  echo "| 5 | scan CPU, $scan_files position files of the server's account in OUTGOING (% of one core, ${cpu_seconds} s) | $v (wineserver $w; together $(numbers "$v" "$w" && calc "$v + $w" 2 || echo n/a)) | | | |"
  v=$(per_order "$(fig mem_before_anon_kb)" "$(fig mem_after_anon_kb)")
  echo "| 6 | memory per order after $(fig memory_orders) orders, not connected, so each order's place action is still queued (RssAnon delta of the server process, bytes) | $v (VmRSS $(per_order "$(fig mem_before_rss_kb)" "$(fig mem_after_rss_kb)")) | native heap per order: $(fig native_bytes_per_order_queued) queued, $(fig native_bytes_per_order_drained) written | ≤ 400 | $(verdict "$v" '<=' 400) |"
  v=$(fig start_journal_ms) floor=$(fig start_empty_ms)
  extra=$(numbers "$v" "$floor" && echo "; the journal's part $(calc "$v - $floor" 0) ms")
  echo "| 7 | start of a server COM starts → first GetOrderStatus answered, with a journal of $journal_orders working orders ($(calc "$(fig journal_start_bytes) / 1048576" 1) MB; last order known: $(fig start_journal_known)), ms | $v$extra | the same start with no journal: $floor | journal's part < 1000 | $(numbers "$v" "$floor" && verdict "$(calc "$v - $floor" 0)" '<' 1000 || echo n/a) |"
  echo "| 7 | journal bytes per order in the burst (accepted, sent, published lines) | $(fig journal_bytes_per_order) | | | |"
  idle_anon=$(fig sinks_idle_anon_kb)
  for sinks in 10 100 1000; do
    t=$(fig "fanout${sinks}_threads_max") o=$(fig "fanout${sinks}_own_threads_max") a=$(fig "fanout${sinks}_anon_max_kb")
    echo "| 8 | server threads and memory with $sinks sinks subscribed while each change reaches them all | the server's own threads $o, with Wine's $t (idle server $(fig sinks_idle_own_threads), with Wine's $(fig sinks_idle_threads)); RssAnon +$(numbers "$a" "$idle_anon" && calc "($a - $idle_anon) / 1024" 1 || echo n/a) MB; last sink p99 $(fig "fanout${sinks}_last_ms_p99") ms after the file, $(fig "fanout${sinks}_unheard") calls unheard | | own threads ≤ 32 | $(verdict "$o" '<=' 32) |"
  done
  v=$(fig fanout200_spread_ms_p99)
  echo "| 8 | one change to 200 sinks in 4 processes, ms (n=$(fig fanout200_spread_ms_n)): file → first sink p50 $(fig fanout200_first_ms_p50) / p99 $(fig fanout200_first_ms_p99); file → last p50 $(fig fanout200_last_ms_p50) / p99 $(fig fanout200_last_ms_p99) | first → last p50 $(fig fanout200_spread_ms_p50) / p99 $v / max $(fig fanout200_spread_ms_max) | 200 calls to the server, four at a time: p50 $(fig fanout200_floor_ms_p50) / p99 $(fig fanout200_floor_ms_p99) | last ≤ 100 after the first | $(verdict "$v" '<=' 100) |"
  p99=$(fig incoming_sinks_ms_p99)
  target=$(numbers "$(fig incoming_sinks_floor_ms_p99)" && calc "$(fig incoming_sinks_floor_ms_p99) + 2" 1 || echo n/a)
  echo "| 8 | NewOrder → file in INCOMING while 1,000 sinks are subscribed, ms (n=$(fig incoming_sinks_ms_n)) | p50 $(fig incoming_sinks_ms_p50) / p99 $p99 / max $(fig incoming_sinks_ms_max) | one call and one file, same moment: p99 $(fig incoming_sinks_floor_ms_p99); no sinks (row 2): p99 $(fig incoming_ms_p99) | as row 2: p99 ≤ floor + 2 = $target | $(verdict "$p99" '<=' "$target") |"
  echo "| 8 | the same while the 1,000 sinks hear a change each second, ms (n=$(fig incoming_sinks_busy_ms_n)) | p50 $(fig incoming_sinks_busy_ms_p50) / p99 $(fig incoming_sinks_busy_ms_p99) / max $(fig incoming_sinks_busy_ms_max) | one call and one file, same moment: p99 $(fig incoming_sinks_busy_floor_ms_p99) | | |"
  v=$(fig idle_server_pct)
  echo "| 6 | idle CPU, no clients, no files (% of one core, $((2 * cpu_seconds)) s) | $v (wineserver $(fig idle_wineserver_pct)) | | ≤ 0.2 | $(verdict "$v" '<=' 0.2) |"
  echo
  echo "Native instruction counts (callgrind, Ir; marginal = (Ir(2N) - Ir(N)) / N; two runs):"
  echo
  echo "| Operation | N | run 1 | run 2 |"
  echo "|---|---|---|---|"
  echo "| NewOrder in the engine | $callgrind_n | $(fig cg1_neworder_ir_per) | $(fig cg2_neworder_ir_per) |"
  echo "| order drained into an instruction file | $callgrind_n | $(fig cg1_drain_ir_per) | $(fig cg2_drain_ir_per) |"
  echo "| file met by a listing (a working order's state file, unchanged) | $((scan_files / 2)) files × $scan_repeats scans | $(fig cg1_scan_ir_per) | $(fig cg2_scan_ir_per) |"
} >"$table"

cp "$table" "$root/bench/results/latest.md"
echo
cat "$table"
echo
echo "Saved: bench/results/latest.md   Raw figures: $figures"
