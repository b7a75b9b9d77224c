#!/usr/bin/env bash
# "Ver" round trips from one client: over the line server and as D-Bus Exec calls, to the same
# Quorvalin process in each round (started by a private session bus on the demonstration folder,
# serving both; "Ver" needs no controller line). Five rounds; the best of each counts. Every
# round starts the program again on the same port at once after the last one ended.
# usage: bench/line_server_bench.sh [BUILD_DIR] [ROUND_TRIPS]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$here/build}" && pwd)
calls=${2:-10000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
port=$(/usr/bin/python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
mkdir -p "$work/services" "$work/folder"
cp "$here"/config/demo/*.TXT "$work/folder/"
printf '<busconfig><include>/usr/share/dbus-1/session.conf</include><servicedir>%s</servicedir></busconfig>\n' \
  "$work/services" >"$work/session.conf"
printf '[D-BUS Service]\nName=org.quorvalin.Quorvalin\nExec=%s --automation --dir %s --listen %s\n' \
  "$build/app/quorvalin" "$work/folder" "$port" >"$work/services/org.quorvalin.Quorvalin.service"
cat >"$work/rounds.sh" <<ROUNDS
set -euo pipefail
owned() {
  gdbus call --session --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus \
    --method org.freedesktop.DBus.NameHasOwner org.quorvalin.Quorvalin | grep -q true
}
best_s=0 best_d=0
for round in 1 2 3 4 5; do
  # The bus starts the program; its hidden window keeps it until the D-Bus client's "Unload".
  gdbus call --session --dest org.quorvalin.Quorvalin --object-path /QuorvalinCmd \
    --method org.quorvalin.Quorvalin.QuorvalinCmd.Exec Ver >/dev/null
  s=\$("$build/bench/qv_line_server_bench" $port $calls)
  d=\$("$build/bench/qv_automation_bench" quorvalin $calls)
  echo "round \$round: line server \$s round trips/s, D-Bus Exec \$d calls/s"
  [ "\$s" -gt "\$best_s" ] && best_s=\$s
  [ "\$d" -gt "\$best_d" ] && best_d=\$d
  for _ in \$(seq 100); do owned || break; sleep 0.05; done
done
awk -v s=\$best_s -v d=\$best_d 'BEGIN {
  printf "$calls \"Ver\" round trips from one client, best of 5: line server %d/s, D-Bus Exec %d/s, ratio %.2f\n", s, d, s / d
}'
ROUNDS
QUORVALIN_RUNTIME_DIR=$work dbus-run-session --config-file="$work/session.conf" -- \
  bash "$work/rounds.sh" 2> >(grep -v 'fd limit\|ctivat\|served on\|no display\|XDG_RUNTIME_DIR\|propagateSizeHints' >&2)
