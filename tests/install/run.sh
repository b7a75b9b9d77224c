#!/usr/bin/env bash
# The installed program: `cmake --install` into a fresh prefix, the layout there, the programs run
# from the prefix (moved, so that nothing can come from the build tree), the user's program folder,
# and a start through bus activation from the installed service file on a private bus.
# usage: tests/install/run.sh BUILD_DIR SOURCE_DIR VERSION
set -uo pipefail
build=$(cd "$1" && pwd)
source=$(cd "$2" && pwd)
version=$3
work=$(mktemp -d)
cleanup() {
  [ -n "${sim_pid:-}" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

. "$(dirname "$0")/check.sh"
wait_for() { # PATH: a simulator's link, up to 5 s
  for _ in $(seq 100); do [ -e "$1" ] && return 0; sleep 0.05; done
  return 1
}

bus_conf() { # a private session bus that starts the programs of the prefix
  cat >"$work/bus.conf" <<CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:tmpdir=$work</listen>
  <auth>EXTERNAL</auth>
  <servicedir>$prefix/share/dbus-1/services</servicedir>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
CONF
}

prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null || { echo "install failed" >&2; exit 1; }
mkdir -m 700 "$work/runtime" "$work/home" "$work/empty"
# A user's session with nothing of this machine's settings: no display, no PATH to programs.
user=(env -i "HOME=$work/home" "PATH=$work/empty" "XDG_RUNTIME_DIR=$work/runtime"
      "QUORVALIN_RUNTIME_DIR=$work/runtime" "QT_QPA_PLATFORM=offscreen")

# Exactly these files outside the demonstration folders, which are the repository's.
check "installed files" "bin/quorvalin
bin/quorvalin-exec
bin/quorvalin-sim
share/applications/org.quorvalin.Quorvalin.desktop
share/dbus-1/interfaces/org.quorvalin.Quorvalin.xml
share/dbus-1/services/org.quorvalin.Quorvalin.service
share/doc/quorvalin/README.md
share/doc/quorvalin/changelog.gz
share/doc/quorvalin/copyright
$(cd "$source" && ls docs/screenshots/*.png | sed 's|^|share/doc/quorvalin/|')
share/doc/quorvalin/examples/dbus_client.py
share/doc/quorvalin/examples/visa_client.py
share/icons/hicolor/scalable/apps/org.quorvalin.Quorvalin.svg
share/man/man1/quorvalin-exec.1.gz
share/man/man1/quorvalin-sim.1.gz
share/man/man1/quorvalin.1.gz" \
  "$(cd "$prefix" && find . -type f -not -path './share/quorvalin/*' | sed 's|^\./||' | LC_ALL=C sort)"
check "demonstration folders" "" \
  "$(diff -r "$source/config/demo" "$prefix/share/quorvalin/demo" 2>&1
     diff -r "$source/config/demo-im483i" "$prefix/share/quorvalin/demo-im483i" 2>&1)"

check "service file" "[D-BUS Service]
Name=org.quorvalin.Quorvalin
Exec=$prefix/bin/quorvalin --automation" \
  "$(cat "$prefix/share/dbus-1/services/org.quorvalin.Quorvalin.service")"
desktop=$prefix/share/applications/org.quorvalin.Quorvalin.desktop
check "desktop entry valid" "status 0" "$(desktop-file-validate "$desktop" 2>&1; echo "status $?")"
check "desktop entry names the program and its icon" \
  "Exec=$prefix/bin/quorvalin Icon=org.quorvalin.Quorvalin" \
  "$(grep -E '^(Exec|Icon)=' "$desktop" | tr '\n' ' ' | sed 's/ $//')"
check "icon is SVG" "{http://www.w3.org/2000/svg}svg" \
  "$(python3 -c 'import sys, xml.etree.ElementTree as t; print(t.parse(sys.argv[1]).getroot().tag)' \
       "$prefix/share/icons/hicolor/scalable/apps/org.quorvalin.Quorvalin.svg" 2>&1)"
for page in quorvalin quorvalin-sim quorvalin-exec; do
  file=$prefix/share/man/man1/$page.1.gz
  check "man page $page" "NAME ${page} - Quorvalin $version" \
    "$(MANWIDTH=200 man --warnings -l "$file" 2>&1 |
       awk -v p="$page" 'NR == 1 { next } /^NAME/ { name = 1; next }
                         name && /[^ ]/ { sub(/^ +/, ""); split($0, w, " "); print "NAME", w[1], w[2]; name = 0 }
                         /^Quorvalin / { print $1, $2 }' | tr '\n' ' ' | sed 's/ $//')"
done

# The manual pages are the reference: every option that --help names, every key of the sample
# configuration and the optional ones it leaves out.
for program in quorvalin quorvalin-sim quorvalin-exec; do
  check "$program --version" "$program $version" "$("${user[@]}" "$prefix/bin/$program" --version)"
  page=$(MANWIDTH=200 LC_ALL=C man -l "$prefix/share/man/man1/$program.1.gz" 2>&1)
  names=$("${user[@]}" "$prefix/bin/$program" --help | grep -oE -- '(^| |\[)--?[a-z][a-z-]*' |
          sed 's/^[ [] *//' | LC_ALL=C sort -u)
  keys=
  [ "$program" = quorvalin ] &&
    keys=$({ sed -n 's/^"\([A-Z0-9_]*\)".*/\1/p' "$source/config/demo/QV_CONFIG.TXT"
             printf '%s\n' LISTENPORT CAPTUREPROGRAM TEXTEDITOR; } | LC_ALL=C sort -u)
  check "$program: man page names every option and key" "" \
    "$(for name in $names $keys; do grep -qF -- "$name" <<<"$page" || echo "$name"; done)"
done
check "--help names --help" "  --help, -h     print this text and end" \
  "$("${user[@]}" "$prefix/bin/quorvalin" --help | grep -- '^  --help')"

# The user's program folder: none yet, on the console and in window mode, then one from a sample.
folder=$work/home/.config/quorvalin
told() { # FOLDER: the message of a folder without configuration
  printf '%s\n' "quorvalin: No configuration yet in $1 (it holds no QV_CONFIG.TXT)." \
    "Copy a sample configuration there and set its serial port:" \
    "    quorvalin --init-config [ezhr17|im483i]" "or try the simulated microscope:" \
    "    quorvalin --demo"
}
check "console without configuration" "$(told "$folder")
status 2" "$("${user[@]}" "$prefix/bin/quorvalin" --console </dev/null 2>&1; echo "status $?")"
check "window without configuration, XDG_CONFIG_HOME" "$(told "$work/xdg/quorvalin")
status 2" "$("${user[@]}" XDG_CONFIG_HOME="$work/xdg" "$prefix/bin/quorvalin" 2>&1; echo "status $?")"
# A client calls before there is a configuration: the bus starts the program once, and the
# client says in one line what to do.
bus_conf
"${user[@]}" /usr/bin/dbus-run-session --config-file="$work/bus.conf" \
  --dbus-daemon=/usr/bin/dbus-daemon -- "$prefix/bin/quorvalin-exec" "Ver" >"$work/out" 2>"$work/err"
echo "status $?" >>"$work/out"
check "client without configuration" "status 1
quorvalin-exec: No configuration yet in $folder (it holds no QV_CONFIG.TXT). Copy a sample \
configuration there and set its serial port: quorvalin --init-config [ezhr17|im483i] or try the \
simulated microscope: quorvalin --demo
starts 1" "$(cat "$work/out"; grep '^quorvalin-exec' "$work/err"
             echo "starts $(grep -c "Activating service name='org.quorvalin.Quorvalin'" "$work/err")")"
check "--init-config im483i" "status 0" \
  "$("${user[@]}" "$prefix/bin/quorvalin" --init-config im483i >/dev/null; echo "status $?")"
check "user folder is the sample" "" "$(diff -r "$prefix/share/quorvalin/demo-im483i" "$folder" 2>&1)"
echo '"MINE", 1' >>"$folder/QV_SYMCONST.TXT"
cp "$folder/QV_SYMCONST.TXT" "$work/mine"
rm "$folder/QV_JOY.TXT"
"${user[@]}" "$prefix/bin/quorvalin" --init-config >/dev/null
check "--init-config again keeps every file" "" \
  "$(cmp "$work/mine" "$folder/QV_SYMCONST.TXT" 2>&1
     cmp "$prefix/share/quorvalin/demo-im483i/QV_CONFIG.TXT" "$folder/QV_CONFIG.TXT" 2>&1
     cmp "$prefix/share/quorvalin/demo/QV_JOY.TXT" "$folder/QV_JOY.TXT" 2>&1)"

# A client starts the installed program through the bus; it runs on the user's folder, whose
# line is a simulator.
{ printf '"PORTNAME",%s\r\n' "$work/line"; cat "$folder/QV_CONFIG.TXT"; } >"$work/config"
mv "$work/config" "$folder/QV_CONFIG.TXT"
"$prefix/bin/quorvalin-sim" --dir "$folder" --link "$work/line" --time-scale 10 >/dev/null &
sim_pid=$!
wait_for "$work/line"
bus_conf
check "bus activation" "4.0 ; OK  ; OK  ; 12.50 ; " \
  "$("${user[@]}" /usr/bin/dbus-run-session --config-file="$work/bus.conf" \
       --dbus-daemon=/usr/bin/dbus-daemon -- "$prefix/bin/quorvalin-exec" "Ver;Z 12.5;Z Wait;Z ?" \
       2> >(grep -v 'dbus-daemon\[' >&2))"
# The program ends with its bus.
for _ in $(seq 100); do pgrep -f "^$prefix/bin/quorvalin --automation" >/dev/null || break; sleep 0.1; done
check "program ended with its bus" "" "$(pgrep -af "^$prefix/bin/quorvalin --automation")"
kill "$sim_pid" && wait "$sim_pid"
sim_pid=

# Moved elsewhere, the programs still find their files: relative to themselves.
mv "$prefix" "$work/moved"
prefix=$work/moved
out=$(printf 'XY 100 200;XY Wait;XY ?\n' | "${user[@]}" "$prefix/bin/quorvalin" --demo --console 2>"$work/err")
check "demonstration from the moved prefix" "OK  ; OK  ; 100.0 200.0 ; |status 0" "$out|status $?"
demo=$(sed -n 's/^quorvalin: demonstration folder //p' "$work/err")
check "demonstration folder removed" "gone" "$([ -n "$demo" ] && [ ! -e "$demo" ] && echo gone)"
"${user[@]}" "$prefix/bin/quorvalin-sim" --link "$work/line" >"$work/sim.out" 2>&1 &
sim_pid=$!
wait_for "$work/line"
kill "$sim_pid" && wait "$sim_pid"
sim_pid=
check "simulator on the demonstration folder" \
  "quorvalin-sim: EZHR17 units X=1 Y=2 Z=3 W1=4 W2=5 S=6 T=7 CUBE=8 LEDS=9 on PTY linked as $work/line" \
  "$(sed 's|/dev/pts/[0-9]*|PTY|' "$work/sim.out")"

finish
