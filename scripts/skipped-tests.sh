#!/usr/bin/env bash
# Prints every test a CTest run skipped, with the reason it gave: skipped-tests.sh BUILD_DIR.
# Reads CTest's log of the last run (GoogleTest writes "file:line: Skipped", the reason, then
# "[  SKIPPED ] Suite.Name (n ms)").
log=${1:?build folder}/Testing/Temporary/LastTest.log
[ -f "$log" ] || exit 0
awk '
  /^\[ RUN      \]/ { reason = ""; collecting = 0; next }
  /: Skipped$/ { collecting = 1; next }
  collecting && /^\[/ { collecting = 0 }
  collecting && NF { reason = reason (reason ? " " : "") $0; next }
  /^\[  SKIPPED \] .* \([0-9]+ ms\)$/ {
    name = $4
    printf "SKIPPED %s: %s\n", name, (reason ? reason : "(no reason given)")
    count++
  }
  END { if (count) printf "%d test(s) skipped\n", count }
' "$log"
