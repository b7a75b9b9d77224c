"""A VISA client drives the program's line server: PyVISA with its pure-Python back end opens the
raw-socket resource TCPIP0::127.0.0.1::PORT::SOCKET, as instrument scripts do, asks for the
version, moves the simulated stage and reads it back.
usage: visa_client_test.py PATH_TO_QUORVALIN"""
import os
import re
import subprocess
import sys
import tempfile
import unittest

import pyvisa

PROGRAM = sys.argv.pop(1)


class VisaClient(unittest.TestCase):
    def setUp(self):
        self.runtime = tempfile.TemporaryDirectory()
        env = dict(os.environ, QUORVALIN_RUNTIME_DIR=self.runtime.name)
        # The system picks a free port, which the program names on standard error.
        self.program = subprocess.Popen([PROGRAM, "--demo", "--console", "--listen", "0"],
                                        stdin=subprocess.PIPE, stderr=subprocess.PIPE, env=env,
                                        text=True)
        self.port = None
        for line in self.program.stderr:
            served = re.search(r"command lines served on .* port (\d+)", line)
            if served:
                self.port = int(served.group(1))
                break
        self.assertIsNotNone(self.port, "the program did not say where it serves")

    def tearDown(self):
        self.program.stdin.close()  # the console ends; the program ends with its last client
        try:
            self.assertEqual(self.program.wait(timeout=10), 0)
        finally:
            self.program.kill()
            self.program.stderr.close()
            self.runtime.cleanup()

    def test_version_and_a_stage_move_read_back(self):
        rm = pyvisa.ResourceManager("@py")
        resource = "TCPIP0::127.0.0.1::%d::SOCKET" % self.port
        microscope = rm.open_resource(resource, read_termination="\n", write_termination="\n")
        microscope.timeout = 30000  # ms: a motion wait answers when the stage stands
        self.assertEqual(microscope.query("Ver"), "4.0 ; ")
        self.assertEqual(microscope.query("XY 1500 -250;XY Wait"), "OK  ; OK  ; ")
        self.assertEqual(microscope.query("XY ?"), "1500.0 -250.0 ; ")
        microscope.close()
        rm.close()


if __name__ == "__main__":
    unittest.main(verbosity=2)
