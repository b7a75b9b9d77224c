#!/usr/bin/env bash
# Runs the automation tests on a private session bus. This build is installed into a test
# prefix, whose service folder the bus reads: a client's call starts the installed program, whose
# program folder is its own folder (a copy of the demonstration folder, with a controller
# simulator on its line).
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

mkdir -p "$work/runtime"
cmake --install "$build" --prefix "$work/prefix" >/dev/null
folder=$work/prefix/bin
cp "$source"/config/demo/*.TXT "$folder/"
{ printf '"PORTNAME",%s\r\n' "$work/line"; cat "$source/config/demo/QV_CONFIG.TXT"; } \
  >"$folder/QV_CONFIG.TXT"
cat >"$work/session.conf" <<CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <include>/usr/share/dbus-1/session.conf</include>
  <servicedir>$work/prefix/share/dbus-1/services</servicedir>
</busconfig>
CONF
"$work/prefix/bin/quorvalin-sim" --dir "$folder" --link "$work/line" --time-scale 10 \
  2>"$work/sim.log" &
sim_pid=$!
for _ in $(seq 100); do [ -e "$work/line" ] && break; sleep 0.05; done

export QUORVALIN_RUNTIME_DIR=$work/runtime QV_BIN_DIR=$work/prefix/bin QV_SOURCE_DIR=$source
dbus-run-session --config-file="$work/session.conf" -- \
  /usr/bin/python3 "$source/tests/automation/automation_test.py" 2> >(grep -v 'fd limit' >&2)
