#!/usr/bin/env bash
# Plays a seeded random host session of SECONDS against vokira.dll with a
# misbehaving stand-in recognizer (tools/soak), once per architecture that
# this machine runs: the i686 build under 32-bit Wine where scripts/can-run-i686
# says it runs (else a "not run" line with its reason, counted neither way),
# and the x86-64 build. Builds the soak's targets of both presets first.
#   bash scripts/soak.sh SECONDS [SEED]
# Ends with one summary line per architecture; exits 1 on any violation (the
# driver prints the seed and step to replay it).
set -uo pipefail
cd "$(dirname "$0")/.."
seconds=${1:?usage: scripts/soak.sh SECONDS [SEED]}
seed=${2:-$(( $(date +%s%N) % 1000000007 ))}
targets=(vokira wrapper-stub soak arch-probe)

for preset in win32 win64; do
  { cmake --preset "$preset" >/dev/null && cmake --build --preset "$preset" --target "${targets[@]}" >/dev/null; } ||
    { echo "soak: the $preset build failed"; exit 1; }
done

lines=() failed=0
soak() {  # arch, preset
  # A log of its own: several soaks may run at once in one tree.
  local bin="build/$2/bin" log status
  log=$(mktemp "build/soak-$1.XXXXXX.log")
  LC_ALL=ja_JP.UTF-8 timeout $((seconds + 600)) scripts/with-wine scripts/wine-run "$bin/soak.exe" \
    "$bin/vokira.dll" "$bin/wrapper-stub.exe" "$seconds" "$seed" </dev/null >"$log" 2>&1
  status=$?
  tr -d '\r' <"$log" | grep -v "^soak: $1 [0-9]* s, " | grep '^soak: '
  local summary
  summary=$(tr -d '\r' <"$log" | grep -E "^soak: $1 [0-9]+ s, " | tail -n1)
  if [ -z "$summary" ]; then
    tail -n 20 "$log"
    summary="soak: $1 failed without a summary (exit status $status, seed $seed)"
  fi
  if [ "$status" -eq 0 ]; then rm -f "$log"; else failed=1; echo "soak: $1 log kept in $log"; fi
  lines+=("$summary")
}

if reason=$(scripts/can-run-i686); then
  soak i686 win32
else
  lines+=("soak: i686 not run: $reason")
fi
soak x86_64 win64
printf '%s\n' "${lines[@]}"
exit "$failed"
