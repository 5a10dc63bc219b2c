#!/usr/bin/env bash
# Runs every benchmark and prints their tables: request parsing natively, and
# under Wine the request round trip, the registry rebuild, the timer tick and
# memory over a long run, each beside its floor.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh bench win64 >build.log 2>&1 || { tail -n 40 build.log; exit 1; }

echo "== request parsing, native (time per byte should stay flat)"
build/bench/bench/request_bench --benchmark_counters_tabular=true 2>/dev/null
scripts/with-wine bash -c '
  cd build/win64/bin
  for bench in request registry tick memory; do
    echo
    echo "== ${bench}, through vokira.dll under Wine"
    ../../../scripts/wine-run "${bench}_bench_win.exe" vokira.dll
  done'
