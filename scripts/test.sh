#!/usr/bin/env bash
# Installs what is missing, builds every preset and runs every test: native
# unit tests (ASan/UBSan), the static checks of both Windows builds, the
# Windows tests under Wine, a short run of each fuzzer, and the source checks.
set -uo pipefail
cd "$(dirname "$0")/.."
fuzz_seconds=${VOKIRA_FUZZ_SECONDS:-20}

bash scripts/setup.sh || exit 1
bash scripts/build.sh >build.log 2>&1 || { tail -n 60 build.log; echo "build failed (build.log)"; exit 1; }

passed=0 failed=0
count() {  # adds up a ctest summary line
  local line
  line=$(grep -E '[0-9]+% tests passed, [0-9]+ tests failed out of [0-9]+' "$1" | tail -n1)
  if [ -z "$line" ]; then failed=$((failed + 1)); return; fi
  local f t
  f=$(sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\1/' <<<"$line")
  t=$(sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\2/' <<<"$line")
  passed=$((passed + t - f)) failed=$((failed + f))
}

run_ctest() {  # name, ctest arguments...
  local name=$1 log="build/$1-ctest.log"
  shift
  echo "== test $name"
  "$@" --output-on-failure >"$log" 2>&1
  grep -E '^ *[0-9]+/[0-9]+ Test|tests passed|FAILED|Failed' "$log" | grep -v '^\s*$'
  grep -q 'tests passed' "$log" || tail -n 40 "$log"
  count "$log"
}

run_ctest native ctest --test-dir build/native -j2
run_ctest win32 ctest --test-dir build/win32
run_ctest win64 scripts/with-wine ctest --test-dir build/win64 -j2

echo "== fuzz (${fuzz_seconds}s each)"
for fuzzer in build/fuzz/tests/fuzz/*_fuzz; do
  [ -x "$fuzzer" ] || continue
  corpus=build/fuzz/corpus/$(basename "$fuzzer")
  mkdir -p "$corpus"
  if "$fuzzer" -max_total_time="$fuzz_seconds" -print_final_stats=1 "$corpus" >"$corpus.log" 2>&1; then
    echo "$(basename "$fuzzer"): $(grep -E 'stat::number_of_executed_units' "$corpus.log" | awk '{print $2}') runs, no crash"
    passed=$((passed + 1))
  else
    tail -n 30 "$corpus.log"
    echo "$(basename "$fuzzer"): FAILED"
    failed=$((failed + 1))
  fi
done

echo "== static checks (clang-format, cppcheck, clang-tidy)"
if bash scripts/check.sh >build/check.log 2>&1; then
  passed=$((passed + 1))
  tail -n 1 build/check.log
else
  grep -vE '^\s*(\^|~|\|)' build/check.log | tail -n 40
  failed=$((failed + 1))
fi

echo "vokira: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
