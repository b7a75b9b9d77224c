#!/usr/bin/env bash
# Runs the automation tests on a private session bus whose service folder holds a Quorvalin
# service file for this build, with a controller simulator on a copy of the demonstration folder.
# usage: tests/automation/run.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
source=$(cd "$2" && pwd)
work=$(mktemp -d)
cleanup() {
  [ -n "${sim_pid:-}" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$work/services" "$work/folder" "$work/runtime"
cp "$source"/config/demo/*.TXT "$work/folder/"
{ printf '"PORTNAME",%s\r\n' "$work/line"; cat "$source/config/demo/QV_CONFIG.TXT"; } \
  >"$work/folder/QV_CONFIG.TXT"
cat >"$work/session.conf" <<CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <include>/usr/share/dbus-1/session.conf</include>
  <servicedir>$work/services</servicedir>
</busconfig>
CONF
cat >"$work/services/org.quorvalin.Quorvalin.service" <<SERVICE
[D-BUS Service]
Name=org.quorvalin.Quorvalin
Exec=$build/app/quorvalin --automation --dir $work/folder
SERVICE

"$build/sim/quorvalin-sim" --dir "$work/folder" --link "$work/line" --time-scale 10 \
  2>"$work/sim.log" &
sim_pid=$!
for _ in $(seq 100); do [ -e "$work/line" ] && break; sleep 0.05; done

export QUORVALIN_RUNTIME_DIR=$work/runtime QV_BUILD_DIR=$build QV_WORK_DIR=$work
dbus-run-session --config-file="$work/session.conf" -- \
  /usr/bin/python3 "$source/tests/automation/automation_test.py" 2> >(grep -v 'fd limit' >&2)
