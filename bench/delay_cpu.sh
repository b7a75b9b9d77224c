#!/usr/bin/env bash
# "Delay" must wait in the operating system, not spin: Delay 3000 takes three seconds of wall
# time and well under 0.1 s of processor time. Start-up is left out of the measurement: the
# console answers "Ver" first, then the delay is timed alone.
# usage: bench/delay_cpu.sh [BUILD_DIR]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$here"/config/demo/*.TXT "$work"/
# No controller line: nothing else competes with the delay.
sed -i 's/"MPORT", 1/"MPORT", 1\r\n"PORTNAME",\/nonexistent/' "$work/QV_CONFIG.TXT"

coproc QV { QUORVALIN_RUNTIME_DIR=$work exec "$build/app/quorvalin" --console --dir "$work" 2>/dev/null; }
echo "Ver" >&"${QV[1]}"
read -r _ <&"${QV[0]}"
ticks=$(getconf CLK_TCK)
cpu() { awk '{print $14 + $15}' "/proc/$QV_PID/stat"; }
before=$(cpu)
start=$(date +%s.%N)
echo "Delay 3000" >&"${QV[1]}"
read -r reply <&"${QV[0]}"
end=$(date +%s.%N)
after=$(cpu)
exec {QV[1]}>&-
wait "$QV_PID" || true

wall=$(awk -v a="$start" -v b="$end" 'BEGIN{printf "%.3f", b-a}')
used=$(awk -v a="$before" -v b="$after" -v t="$ticks" 'BEGIN{printf "%.3f", (b-a)/t}')
echo "Delay 3000 replied \"$reply\": wall ${wall} s, processor ${used} s"
awk -v w="$wall" -v c="$used" 'BEGIN{exit !(w >= 3.0 && w < 3.2 && c < 0.1)}' ||
  { echo "FAIL: expected 3.0-3.2 s wall and < 0.1 s processor time"; exit 1; }
echo "PASS"
