#!/usr/bin/python3
"""A client of Quorvalin on the session bus, with python3-dbus.

    python3 dbus_client.py

The bus starts Quorvalin for the first call when it is not running. A call returns when its
commands have ended: a homing run or a long "Delay" takes as long as it takes. dbus-python gives
up on a call after 25 s unless the call names a time-out of its own, and a call given up is
still carried out by the microscope, so every call here names one that fits the longest command.
"""
import sys

import dbus

SERVICE = "org.quorvalin.Quorvalin"
INTERFACE = "org.quorvalin.Quorvalin.QuorvalinCmd"
TIMEOUT = 3600  # seconds; longer than any motion (MOVETIMEOUT) or homing run of the microscope


def main():
    bus = dbus.SessionBus()
    # introspect=False: the first call is a command, not a question about the interface.
    quorvalin = dbus.Interface(bus.get_object(SERVICE, "/QuorvalinCmd", introspect=False),
                               INTERFACE)

    def execute(line):
        """The replies of one command line, each followed by " ; "."""
        return str(quorvalin.Exec(line, timeout=TIMEOUT))

    try:
        print(execute("Ver"))
        print(execute("XY 1000 500;XY Wait;XY ?"))
        print(execute("Delay 3000"))  # longer than a short time-out would allow
        # A command that did not work answers "Error ..." or "Off " (a device not ready).
        replies = execute("Z 25;Z Wait;Z ?").split(" ; ")[:-1]
        failed = [reply for reply in replies if reply.startswith(("Error ", "Off "))]
        print("Z failed: %s" % failed if failed else "Z at %s" % replies[-1])
        quorvalin.Release(timeout=TIMEOUT)  # the program may end when no window is open
    except dbus.exceptions.DBusException as error:
        # Quorvalin that cannot start says why (no program folder: quorvalin --init-config).
        sys.exit("Quorvalin: %s" % error.get_dbus_message())


if __name__ == "__main__":
    main()
