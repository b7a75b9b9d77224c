# The Debian package: `cpack -G DEB` in the build folder makes quorvalin_VERSION_ARCH.deb of what
# `cmake --install` puts under /usr. The libraries it needs come from dpkg-shlibdeps; the
# programs it runs are named here.
set(CPACK_PACKAGE_NAME quorvalin)
set(CPACK_PACKAGE_VENDOR "The Quorvalin developers")
set(CPACK_PACKAGE_CONTACT "${QV_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${QV_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "control program for a motorised microscope")
# Debian shows the description as it is written: lines of at most 80 characters.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
       "Quorvalin drives a motorised microscope (XY stage, Z focus, filter wheels,\n"
       "cube changer, slide, turret, LEDs and a joystick) through EZHR17 or IM483I\n"
       "stepper-motor controllers on one serial line. Operators, programs and\n"
       "automation clients on the session bus all use one text command language.\n"
       "A controller simulator lets the program run without a microscope.")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# xdotool: the keystrokes to the image-capture program. A session bus for the automation clients
# and their starting the program: dbus-user-session gives one bus per user, shared by the desktop
# and ssh logins as the one running copy per user is; dbus-x11 serves a desktop without it.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "xdotool, dbus-user-session | dbus-x11")
# What the clients of the README and of share/doc/quorvalin/examples import.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "python3-dbus, python3-pyvisa-py")
include(CPack)
