#!/usr/bin/env bash
# The Debian package: made from this build folder, named for the version and the machine, holding
# what `cmake --install` puts under /usr, depending on the libraries its programs link and on
# the programs they run, recommending what the example clients import, and passing lintian.
# usage: tests/install/package.sh BUILD_DIR VERSION [SANITIZED]
set -uo pipefail
build=$(cd "$1" && pwd)
version=$2
sanitized=${3:-0}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

. "$(dirname "$0")/check.sh"

if ! cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/out" >"$work/log" 2>&1; then
  cat "$work/log" >&2
  exit 1
fi
check "package name" "quorvalin_${version}_$(dpkg --print-architecture).deb" \
  "$(cd "$work/out" && ls -- *.deb)"
deb=$(ls "$work"/out/*.deb)

DESTDIR=$work/stage cmake --install "$build" --prefix /usr >/dev/null
check "package holds the installation" "$(cd "$work/stage" && find . -type f | LC_ALL=C sort)" \
  "$(dpkg-deb -c "$deb" | awk '$1 ~ /^-/ { print $6 }' | LC_ALL=C sort)"
check "service file names /usr/bin" "Exec=/usr/bin/quorvalin --automation" \
  "$(dpkg-deb --fsys-tarfile "$deb" |
     tar -xO ./usr/share/dbus-1/services/org.quorvalin.Quorvalin.service | grep '^Exec=')"
check "dependencies" "dbus-user-session | dbus-x11
libc6
libgcc-s1
libqt6core6
libqt6gui6
libqt6network6
libqt6printsupport6
libqt6serialport6
libqt6widgets6
libsdl2-2.0-0
libstdc++6
libsystemd0
xdotool" "$(dpkg-deb -f "$deb" Depends | sed 's/, /\n/g' | sed 's/ ([^)]*)//g' | LC_ALL=C sort |
  # A build with the sanitizers (never packaged for use) links their run-time libraries, and
  # its linker keeps Qt's OpenGL libraries, which it otherwise drops as unused.
  if [ "$sanitized" = 1 ]; then grep -v -x -E 'libasan[0-9]+|libubsan[0-9]+|libglx0|libopengl0'; else cat; fi)"
check "recommends" "python3-dbus, python3-pyvisa-py" "$(dpkg-deb -f "$deb" Recommends)"

# Errors and warnings; the informational tags (hardening of single functions, say) are left.
if command -v lintian >/dev/null; then
  check "lintian" "" "$(lintian --tag-display-limit 0 "$deb" 2>&1 | grep -E '^[EW]: ')"
else
  check "lintian is installed (scripts/setup)" "lintian" ""
fi

finish
