#!/usr/bin/python3
"""A client of Quorvalin's instrument socket, with PyVISA and its pure-Python back end
(python3-pyvisa, python3-pyvisa-py).

    quorvalin --listen          # or LISTENPORT in QV_CONFIG.TXT; port 5025 by default
    python3 visa_client.py [PORT]

Each line sent is one command line and gets one answer line, in order. PyVISA's default
time-out is 2 s: a "Delay 3000" or a homing run outlasts it, and a client that then goes on
reads the late answer of the earlier line in place of the next one's, and every answer after
it belongs to the line before. So the time-out here is none at all; where a time-out is wanted,
the client that met it reconnects, which leaves every late answer behind on the old connection.
"""
import sys

import pyvisa


class Microscope:
    def __init__(self, resource_manager, resource):
        self.resource_manager = resource_manager
        self.resource = resource
        self.connect()

    def connect(self):
        self.session = self.resource_manager.open_resource(
            self.resource, read_termination="\n", write_termination="\n", encoding="utf-8")
        self.session.timeout = None  # wait as long as the command takes

    def query(self, line, timeout_ms=None):
        """The answer to one command line: its replies, each followed by " ; "."""
        self.session.timeout = timeout_ms
        try:
            return self.session.query(line)
        except pyvisa.errors.VisaIOError:
            # The answer may still come: only a new connection is sure not to read it.
            self.session.close()
            self.connect()
            raise
        finally:
            self.session.timeout = None

    def close(self):
        self.session.close()


def main():
    port = int(sys.argv[1]) if len(sys.argv) > 1 else 5025
    rm = pyvisa.ResourceManager("@py")
    microscope = Microscope(rm, "TCPIP0::127.0.0.1::%d::SOCKET" % port)
    print(microscope.query("Ver"))
    print(microscope.query("XY 1000 500;XY Wait;XY ?"))
    print(microscope.query("Delay 3000"))  # longer than PyVISA's default 2 s
    # A time-out that is too short, and the way back from it.
    try:
        microscope.query("Delay 1500", timeout_ms=500)
    except pyvisa.errors.VisaIOError:
        print("timed out; connected again")
    print(microscope.query("XY ?"))  # its own answer, not the late "1500 ; "
    microscope.close()
    rm.close()


if __name__ == "__main__":
    main()
