#!/usr/bin/env bash
# Shows that a seed replays its session: plays the x86-64 soak twice with the
# same seed and a trace, and compares the steps of both runs. Requests nested
# in the plug-in's sends (their own random stream) and leak measurements are
# left out; the comparison ends where the soak says timing decided what
# followed, and before the last step of the shorter run.
#   bash scripts/soak-replay.sh SECONDS [SEED]
# Prints one line; exits 1 when the runs differ or either failed.
set -uo pipefail
cd "$(dirname "$0")/.."
seconds=${1:?usage: scripts/soak-replay.sh SECONDS [SEED]}
seed=${2:-$(( $(date +%s%N) % 1000000007 ))}
bin=build/win64/bin
cmake --build --preset win64 --target vokira wrapper-stub soak config >/dev/null ||
  { echo "soak replay: the win64 build failed"; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/vokira-replay.XXXXXX")
keep=no
trap '[ "$keep" = yes ] || rm -rf "$work"' EXIT
play() {  # run number
  LC_ALL=ja_JP.UTF-8 timeout $((seconds + 600)) scripts/with-wine scripts/wine-run "$bin/soak.exe" \
    "$bin/vokira.dll" "$bin/wrapper-stub.exe" "$seconds" "$seed" trace </dev/null >"$work/run$1.log" 2>&1 ||
    { tail -n 5 "$work/run$1.log"; echo "soak replay: x86_64 seed $seed: run $1 failed"; exit 1; }
  # The steps up to the first that timing decided.
  tr -d '\r' <"$work/run$1.log" | grep -E '^step [0-9]+: ' | grep -vE '^step [0-9]+: (nested |measured )' |
    sed '/timing decides/,$d' >"$work/steps$1"
}
play 1
play 2
# Each run ends with an unload when its time is up: only the steps before the
# last step of the shorter run are compared.
last_step() { tail -n1 "$1" | sed -E 's/^step ([0-9]+):.*/\1/'; }
end=$(( $(last_step "$work/steps1") < $(last_step "$work/steps2") ? $(last_step "$work/steps1") : $(last_step "$work/steps2") ))
for i in 1 2; do awk -v end="$end" '{ split($2, n, ":"); if (n[1] + 0 < end) print }' "$work/steps$i" >"$work/common$i"; done
lines=$(wc -l <"$work/common1")
if ! cmp -s "$work/common1" "$work/common2"; then
  diff "$work/common1" "$work/common2" | head -n 6
  keep=yes
  echo "soak replay: x86_64 seed $seed: the runs differ (traces kept in $work)"
  exit 1
fi
echo "soak replay: x86_64 seed $seed: steps 0 to $((end - 1)) the same in both runs ($lines trace lines)"
