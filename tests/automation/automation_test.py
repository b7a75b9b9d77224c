"""The automation server as its clients see it: bus activation, Exec, objects per connection,
the hidden main window keeping the process, the process ending with its last client once the
window is unloaded, the /Command execute object, quorvalin-exec, and the example client of the
documentation."""
import os
import signal
import subprocess
import sys
import time
import unittest

import dbus

SERVICE = "org.quorvalin.Quorvalin"
INTERFACE = "org.quorvalin.Quorvalin.QuorvalinCmd"
EXEC = os.path.join(os.environ["QV_BIN_DIR"], "quorvalin-exec")
EXAMPLE = os.path.join(os.environ["QV_SOURCE_DIR"], "examples", "dbus_client.py")


def connect():
    """A client connection of its own, as a separate client program would have."""
    return dbus.bus.BusConnection(os.environ["DBUS_SESSION_BUS_ADDRESS"])


def quorvalin(bus):
    return dbus.Interface(bus.get_object(SERVICE, "/QuorvalinCmd"), INTERFACE)


def command(bus):
    return dbus.Interface(bus.get_object(SERVICE, "/Command"), "org.quorvalin.Quorvalin.Command")


def owner_pid(bus):
    daemon = dbus.Interface(bus.get_object("org.freedesktop.DBus", "/org/freedesktop/DBus"),
                            "org.freedesktop.DBus")
    return int(daemon.GetConnectionUnixProcessID(bus.get_name_owner(SERVICE)))


def wait_until_gone(bus, seconds=10.0):
    deadline = time.time() + seconds
    while time.time() < deadline:
        if not bus.name_has_owner(SERVICE):
            return True
        time.sleep(0.05)
    return False


def unload(bus):
    """A program started for a client keeps its hidden window; unloading it lets the program end
    with its last client."""
    if bus.name_has_owner(SERVICE):
        quorvalin(bus).Exec("Unload")


class Automation(unittest.TestCase):
    def tearDown(self):
        # Every test leaves no client behind, so the program ends before the next one.
        bus = connect()
        unload(bus)
        bus.close()
        self.assertTrue(wait_until_gone(connect()), "the program outlived its clients")

    def test_one_started_program_serves_gdbus_exec_execute_and_quorvalin_exec(self):
        # One start for the calls that need only a program serving them.
        with self.subTest("gdbus call starts the program and gets the reply"):
            out = subprocess.run(
                ["gdbus", "call", "--session", "--dest", SERVICE, "--object-path",
                 "/QuorvalinCmd", "--method", INTERFACE + ".Exec", "Ver"],
                capture_output=True, text=True, timeout=60, check=True)
            self.assertEqual(out.stdout, "('4.0 ; ',)\n")
        bus = connect()
        with self.subTest("Exec keeps line ends inside one command"):
            self.assertEqual(quorvalin(bus).Exec("Ver\r\nVer"), "Error Unknown command ; ")
            # Every byte of a controller's answer arrives, control bytes included.
            self.assertRegex(quorvalin(bus).Exec("Ver;CON /1?0"),
                             "^4.0 ; \xff/0`-?[0-9]+\x03 ; $")
        with self.subTest("the /Command object runs the line without a reply"):
            count = int(quorvalin(bus).Exec("CommandCount").split()[0])
            self.assertIsNone(command(bus).Execute("Ver;Ver"))
            self.assertEqual(quorvalin(bus).Exec("CommandCount"), " %d ; " % (count + 3))
        bus.close()
        with self.subTest("quorvalin-exec prints the replies of its arguments and input lines"):
            out = subprocess.run([EXEC, "Ver"], capture_output=True, text=True, timeout=60)
            self.assertEqual((out.returncode, out.stdout), (0, "4.0 ; \n"))
            out = subprocess.run([EXEC], input="Ver\nVer; ;Ver\n", capture_output=True,
                                 text=True, timeout=60)
            self.assertEqual(out.stdout, "4.0 ; \n4.0 ;  ; 4.0 ; \n")
        with self.subTest("quorvalin-exec reports an unreachable service"):
            env = dict(os.environ, DBUS_SESSION_BUS_ADDRESS="unix:path=/nonexistent/bus")
            out = subprocess.run([EXEC, "Ver"], capture_output=True, text=True, timeout=60,
                                 env=env)
            self.assertNotEqual(out.returncode, 0)
            self.assertIn("quorvalin-exec:", out.stderr)

    def test_two_clients_share_one_process_that_ends_when_both_are_gone(self):
        first, second = connect(), connect()
        self.assertEqual(quorvalin(first).Exec("Ver"), "4.0 ; ")
        self.assertEqual(quorvalin(second).Exec("Ver"), "4.0 ; ")
        pid = owner_pid(first)
        self.assertEqual(owner_pid(second), pid)
        first.close()
        time.sleep(0.3)
        self.assertEqual(quorvalin(second).Exec("CommandCount"), " 4 ; ")  # still served
        self.assertEqual(owner_pid(second), pid)
        quorvalin(second).Release()
        time.sleep(0.3)
        self.assertEqual(owner_pid(second), pid)  # the hidden window keeps the program
        # Released, the client holds nothing: unloading the window ends the program although the
        # client is still connected.
        command(second).Execute("Unload")
        self.assertTrue(wait_until_gone(second), "the program outlived its released clients")
        second.close()

    def test_a_client_killed_during_a_long_wait_leaves_the_others_served(self):
        other = connect()
        self.assertEqual(quorvalin(other).Exec("XY 0 0;XY Wait"), "OK  ; OK  ; ")
        doomed = subprocess.Popen([EXEC, "XY 40000 30000;XY Wait"], stdout=subprocess.PIPE)
        time.sleep(0.3)  # the stage is on its way; the program waits for it and serves events
        doomed.kill()
        doomed.wait()
        start = time.time()
        self.assertEqual(quorvalin(other).Exec("Ver"), "4.0 ; ")
        self.assertLess(time.time() - start, 1.0)
        self.assertEqual(quorvalin(other).Exec("XY Wait;XY ?"), "OK  ; 40000.0 30000.0 ; ")
        other.close()

    def start_a_long_wait(self, other, then=""):
        """A client on its way across the stage, waiting; `other` has seen the stage move."""
        self.assertEqual(quorvalin(other).Exec("XY 0 0;XY Wait"), "OK  ; OK  ; ")
        waiting = subprocess.Popen([EXEC, "XY 49000 37000;XY Wait" + then], stdout=subprocess.PIPE)
        deadline = time.time() + 10
        while quorvalin(other).Exec("XY ?") == "0.0 0.0 ; " and time.time() < deadline:
            time.sleep(0.02)
        return waiting

    def test_a_stop_signal_during_a_clients_wait_ends_the_program_at_once(self):
        bus = connect()
        for _ in range(3):  # a busy machine may see the crossing end before the signal
            waiting = self.start_a_long_wait(bus)
            if waiting.poll() is None:
                break
            waiting.communicate()
        os.kill(owner_pid(bus), signal.SIGTERM)
        self.assertTrue(wait_until_gone(bus, 2.0), "the program outlived its stop signal")
        waiting.communicate(timeout=10)
        bus.close()
        stage = connect()  # started again: the stage stands where the stop caught it
        first = quorvalin(stage).Exec("XY ?")
        self.assertNotEqual(first, "49000.0 37000.0 ; ")
        self.assertEqual(quorvalin(stage).Exec("Delay 300;XY ?"), "300 ; " + first)
        stage.close()

    def test_the_last_client_leaving_during_its_wait_ends_the_program_after_the_wait(self):
        other = connect()
        # The stage crosses in about a second on the fast simulator; the Delay keeps the client's
        # command running past the checks below however slowly the machine gets there.
        waiting = self.start_a_long_wait(other, then=";Delay 3000")
        self.assertEqual(quorvalin(other).Exec("Unload"), "OK  ; ")
        other.close()  # the waiting client is the last one now
        waiting.kill()
        waiting.communicate()
        time.sleep(0.1)
        watcher = connect()
        self.assertTrue(watcher.name_has_owner(SERVICE), "the line closed under a running wait")
        self.assertTrue(wait_until_gone(watcher), "the program outlived its last client")
        watcher.close()
        stage = connect()  # the wait went on to its end
        self.assertEqual(quorvalin(stage).Exec("XY ?"), "49000.0 37000.0 ; ")
        stage.close()

    def test_a_program_started_for_clients_ends_with_its_bus(self):
        daemon = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--print-address=1"],
                                  stdout=subprocess.PIPE, text=True)
        self.addCleanup(daemon.communicate)
        self.addCleanup(daemon.kill)
        address = daemon.stdout.readline().strip()
        env = dict(os.environ, DBUS_SESSION_BUS_ADDRESS=address)
        program = subprocess.Popen([os.path.join(os.environ["QV_BIN_DIR"], "quorvalin"),
                                    "--automation"], env=env, stderr=subprocess.DEVNULL)
        self.addCleanup(program.wait)
        self.addCleanup(program.kill)
        bus = dbus.bus.BusConnection(address)
        deadline = time.time() + 30
        while not bus.name_has_owner(SERVICE) and time.time() < deadline:
            time.sleep(0.05)
        self.assertEqual(quorvalin(bus).Exec("Ver"), "4.0 ; ")
        # A client in the middle of a call does not wait for ever when the bus goes. The program
        # waits out the Delay before it sees the bus gone: a short one keeps the test short.
        client = subprocess.Popen([EXEC, "Delay 4000"], env=env, stdout=subprocess.PIPE,
                                  stderr=subprocess.PIPE, text=True)
        time.sleep(1.0)
        daemon.kill()
        out, err = client.communicate(timeout=5)
        self.assertEqual((client.returncode, out, err.startswith("quorvalin-exec: ")),
                         (1, "", True), err)
        self.assertEqual(program.wait(timeout=30), 0)

    def test_a_console_copy_holding_the_instrument_is_named_to_the_client(self):
        console = subprocess.Popen([os.path.join(os.environ["QV_BIN_DIR"], "quorvalin"),
                                    "--console"], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                   stderr=subprocess.DEVNULL, text=True)
        self.addCleanup(console.communicate)
        console.stdin.write("Ver\n")
        console.stdin.flush()
        self.assertEqual(console.stdout.readline(), "4.0 ; \n")
        out = subprocess.run([EXEC], input="Ver\nVer\n", capture_output=True, text=True,
                             timeout=60)
        self.assertEqual((out.returncode, out.stdout), (1, ""))
        self.assertEqual(out.stderr,
                         "quorvalin-exec: Another copy of Quorvalin holds the instrument and "
                         "serves no bus clients: process %d (%s --console). Send the commands to "
                         "that copy, or end it.\n" % (console.pid, console.args[0]))
        # The copy that said so leaves the bus to the next start.
        self.assertTrue(wait_until_gone(connect()))

    def test_the_example_client_runs_against_the_demonstration(self):
        out = subprocess.run([sys.executable, EXAMPLE], capture_output=True, text=True,
                             timeout=120)
        self.assertEqual((out.returncode, out.stderr), (0, ""))
        self.assertEqual(out.stdout, "4.0 ; \nOK  ; OK  ; 1000.0 500.0 ; \n3000 ; \nZ at 25.00\n")


if __name__ == "__main__":
    unittest.main(verbosity=2)
