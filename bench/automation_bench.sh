#!/usr/bin/env bash
# Runs qv_automation_bench on a private session bus that starts this build's program on the
# demonstration folder (no controller line is needed for "Ver").
# usage: bench/automation_bench.sh [BUILD_DIR]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$here/build}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/services" "$work/folder"
cp "$here"/config/demo/*.TXT "$work/folder/"
printf '<busconfig><include>/usr/share/dbus-1/session.conf</include><servicedir>%s</servicedir></busconfig>\n' \
  "$work/services" >"$work/session.conf"
printf '[D-BUS Service]\nName=org.quorvalin.Quorvalin\nExec=%s --automation --dir %s\n' \
  "$build/app/quorvalin" "$work/folder" >"$work/services/org.quorvalin.Quorvalin.service"
QUORVALIN_RUNTIME_DIR=$work dbus-run-session --config-file="$work/session.conf" -- \
  "$build/bench/qv_automation_bench" "${2:-10000}" 2> >(grep -v 'fd limit\|ctivat' >&2)
