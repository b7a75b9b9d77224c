"""The yardstick of the automation benchmark: the least a D-Bus service can do, in Python.
Serves org.quorvalin.Echo, object /Echo, method Exec(s) -> s, returning its argument."""
import dbus
import dbus.mainloop.glib
import dbus.service
from gi.repository import GLib

INTERFACE = "org.quorvalin.Echo"


class Echo(dbus.service.Object):
    @dbus.service.method(INTERFACE, in_signature="s", out_signature="s")
    def Exec(self, cmd):
        return cmd


dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
bus = dbus.SessionBus()
name = dbus.service.BusName(INTERFACE, bus)
echo = Echo(bus, "/Echo")
GLib.MainLoop().run()
