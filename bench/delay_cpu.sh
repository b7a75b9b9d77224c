#!/usr/bin/env bash
# "Delay" must wait in the operating system, not spin: Delay 3000 takes three seconds of wall
# time and well under 0.1 s of processor time for the whole program, start-up included.
# usage: bench/delay_cpu.sh [BUILD_DIR]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build}
runtime=$(mktemp -d)
trap 'rm -rf "$runtime"' EXIT

start=$(date +%s.%N)
times=$( { printf 'Delay 3000\n' | QUORVALIN_RUNTIME_DIR=$runtime \
  /usr/bin/env time -f '%U %S' "$build/app/quorvalin" --console --dir "$here/config/demo" \
  >/dev/null; } 2>&1 | tail -n 1)
end=$(date +%s.%N)

read -r user sys <<<"$times"
wall=$(awk -v a="$start" -v b="$end" 'BEGIN{printf "%.3f", b-a}')
cpu=$(awk -v u="$user" -v s="$sys" 'BEGIN{printf "%.3f", u+s}')
echo "Delay 3000: wall ${wall} s, cpu ${cpu} s (user ${user}, system ${sys})"
awk -v w="$wall" -v c="$cpu" 'BEGIN{exit !(w >= 3.0 && w < 3.5 && c < 0.1)}' ||
  { echo "FAIL: expected 3.0-3.5 s wall and < 0.1 s cpu"; exit 1; }
echo "PASS"
