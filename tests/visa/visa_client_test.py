"""A VISA client drives the program's line server: the example client of the documentation,
PyVISA with its pure-Python back end on the raw-socket resource TCPIP0::127.0.0.1::PORT::SOCKET,
runs against the demonstration: the version, a stage move read back, a command longer than
PyVISA's default time-out, and a time-out met and left behind.
usage: visa_client_test.py PATH_TO_QUORVALIN PATH_TO_EXAMPLE"""
import os
import re
import subprocess
import sys
import tempfile
import unittest

EXAMPLE = sys.argv.pop(2)
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

    def test_the_example_client_never_reads_another_lines_answer(self):
        out = subprocess.run([sys.executable, EXAMPLE, str(self.port)], capture_output=True,
                             text=True, timeout=60)
        self.assertEqual((out.returncode, out.stderr), (0, ""))
        self.assertEqual(out.stdout, "4.0 ; \nOK  ; OK  ; 1000.0 500.0 ; \n3000 ; \n"
                                     "timed out; connected again\n1000.0 500.0 ; \n")


if __name__ == "__main__":
    unittest.main(verbosity=2)
