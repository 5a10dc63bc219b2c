#!/usr/bin/env bash
# Installs what is missing, builds every preset and runs every test: native
# unit tests (ASan/UBSan), the static checks of both Windows builds and the
# package, the Windows tests of the i686 release build under 32-bit Wine and
# of the x86-64 build under 64-bit Wine, a short run of each fuzzer, and the
# source checks, and a short soak (scripts/soak.sh) per architecture. Where
# the kernel cannot run 32-bit programs, setup runs them under qemu's i386
# emulator; where even that is not possible (the i686 probe says why), the
# i686 Windows tests are reported as not run.
set -uo pipefail
cd "$(dirname "$0")/.."
fuzz_seconds=${VOKIRA_FUZZ_SECONDS:-20}
soak_seconds=${VOKIRA_SOAK_SECONDS:-60}

bash scripts/setup.sh || exit 1
bash scripts/build.sh >build.log 2>&1 || { tail -n 60 build.log; echo "build failed (build.log)"; exit 1; }

passed=0 failed=0
run_passed=0 run_failed=0  # of the latest run_ctest
count() {  # adds up a ctest summary line
  local line
  line=$(grep -E '[0-9]+% tests passed, [0-9]+ tests failed out of [0-9]+' "$1" | tail -n1)
  if [ -z "$line" ]; then run_passed=0 run_failed=1; else
    local f t
    f=$(sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\1/' <<<"$line")
    t=$(sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\2/' <<<"$line")
    run_passed=$((t - f)) run_failed=$f
  fi
  passed=$((passed + run_passed)) failed=$((failed + run_failed))
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
# The static checks need no Wine: each build's tests/static on its own.
run_ctest win32-static ctest --test-dir build/win32/tests/static
run_ctest win64-static ctest --test-dir build/win64/tests/static
# The Windows tests, one architecture after the other, each in its own Wine.
echo "== i686 probe"
i686_runs=yes
i686=$(scripts/can-run-i686) || i686_runs=no
echo "$i686"
win32_line="not run: $i686"
if [ "$i686_runs" = yes ]; then
  run_ctest win32-wine scripts/with-wine ctest --test-dir build/win32/tests/win -j2
  win32_line="$run_passed passed, $run_failed failed"
  grep -q qemu <<<"$i686" && win32_line+=" (processor emulated by qemu-i386)"
fi
run_ctest win64-wine scripts/with-wine ctest --test-dir build/win64/tests/win -j2
win64_line="$run_passed passed, $run_failed failed"

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

# One check, whatever the number of architectures it ran on.
echo "== soak (${soak_seconds}s per architecture)"
if bash scripts/soak.sh "$soak_seconds" >build/soak.log 2>&1; then
  passed=$((passed + 1))
else
  tail -n 30 build/soak.log
  failed=$((failed + 1))
fi
soak_lines=$(grep -E '^soak: (i686|x86_64) ([0-9]+ s, |not run: |failed )' build/soak.log)
echo "$soak_lines"

# The same seed twice: the same steps.
echo "== soak replay"
if replay=$(bash scripts/soak-replay.sh 20 2>&1); then
  passed=$((passed + 1))
else
  failed=$((failed + 1))
fi
replay_line=$(tail -n1 <<<"$replay")
echo "$replay"

echo "== static checks (clang-format, cppcheck, clang-tidy)"
if bash scripts/check.sh >build/check.log 2>&1; then
  passed=$((passed + 1))
  tail -n 1 build/check.log
else
  grep -vE '^\s*(\^|~|\|)' build/check.log | tail -n 40
  failed=$((failed + 1))
fi

echo
echo "win32 (i686, Wine): $win32_line"
echo "win64 (x86_64, Wine): $win64_line"
echo "$soak_lines"
echo "$replay_line"
echo "vokira: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
