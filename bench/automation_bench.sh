#!/usr/bin/env bash
# Exec("Ver") from one client on a private session bus: Quorvalin (started by the bus on the
# demonstration folder; "Ver" needs no controller line) against a minimal Python echo service on
# the same bus, in turns, five rounds; the best round of each counts. Target: Quorvalin at least
# 1.2 times the echo service's rate.
# usage: bench/automation_bench.sh [BUILD_DIR] [CALLS]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$here/build}" && pwd)
calls=${2:-10000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/services" "$work/folder"
cp "$here"/config/demo/*.TXT "$work/folder/"
printf '<busconfig><include>/usr/share/dbus-1/session.conf</include><servicedir>%s</servicedir></busconfig>\n' \
  "$work/services" >"$work/session.conf"
printf '[D-BUS Service]\nName=org.quorvalin.Quorvalin\nExec=%s --automation --dir %s\n' \
  "$build/app/quorvalin" "$work/folder" >"$work/services/org.quorvalin.Quorvalin.service"
printf '[D-BUS Service]\nName=org.quorvalin.Echo\nExec=/usr/bin/python3 %s\n' \
  "$here/bench/echo_service.py" >"$work/services/org.quorvalin.Echo.service"
cat >"$work/rounds.sh" <<ROUNDS
set -euo pipefail
best_q=0 best_e=0
for round in 1 2 3 4 5; do
  e=\$("$build/bench/qv_automation_bench" echo $calls)
  q=\$("$build/bench/qv_automation_bench" quorvalin $calls)
  echo "round \$round: echo \$e calls/s, Quorvalin \$q calls/s"
  [ "\$e" -gt "\$best_e" ] && best_e=\$e
  [ "\$q" -gt "\$best_q" ] && best_q=\$q
done
awk -v q=\$best_q -v e=\$best_e 'BEGIN {
  r = q / e
  printf "$calls Exec(\"Ver\") calls, best of 5: Quorvalin %d calls/s, Python echo %d calls/s, ratio %.2f (target >= 1.2) %s\n", q, e, r, (r >= 1.2 ? "PASS" : "FAIL")
  exit (r >= 1.2 ? 0 : 1)
}'
ROUNDS
QUORVALIN_RUNTIME_DIR=$work dbus-run-session --config-file="$work/session.conf" -- \
  bash "$work/rounds.sh" 2> >(grep -v 'fd limit\|ctivat' >&2)
