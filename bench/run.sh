#!/usr/bin/env bash
# Runs every benchmark and prints their tables: request parsing natively, and
# under Wine the request round trip, the registry rebuild, the timer tick and
# memory over a long run, each beside its floor, for the i686 release DLL
# (32-bit Wine) and the x86-64 DLL (64-bit Wine). Each benchmark program
# measures its floor itself, so every floor is of its own architecture and run.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh bench win64 win32 >build.log 2>&1 || { tail -n 40 build.log; exit 1; }

echo "== request parsing, native (time per byte should stay flat)"
build/bench/bench/request_bench --benchmark_counters_tabular=true 2>/dev/null

wine_benches() {  # preset, architecture's name
  scripts/with-wine bash -c '
    cd "build/$1/bin"
    for bench in request registry tick memory; do
      echo
      echo "== ${bench}, $2: through the $1 build'"'"'s vokira.dll under Wine"
      ../../../scripts/wine-run "${bench}_bench_win.exe" vokira.dll
    done' _ "$1" "$2"
}

echo
if probe=$(scripts/can-run-i686); then
  wine_benches win32 "i686 (32-bit Wine)"
else
  echo "== i686: not run: $probe"
fi
wine_benches win64 "x86_64 (64-bit Wine)"
