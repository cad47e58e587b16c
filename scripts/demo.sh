#!/usr/bin/env bash
# Builds the Windows program and starts it under Wine (grows into the full demo).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset windows >/dev/null
cmake --build --preset windows -j "$(nproc)"
ls -l build/windows/server/OrderSrv.exe 2>/dev/null || echo "OrderSrv.exe is not built yet"
