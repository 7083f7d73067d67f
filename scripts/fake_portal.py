#!/usr/bin/python3
# A stand-in for the desktop's settings portal on a private session bus, for screenshots: it
# answers the "color-scheme" of "org.freedesktop.appearance" with the number given (1 prefer
# dark, 2 prefer light). Needs Debian's python3-dbus and python3-gi.
import sys

import dbus
import dbus.mainloop.glib
import dbus.service
from gi.repository import GLib

SCHEME = int(sys.argv[1]) if len(sys.argv) > 1 else 2


class Settings(dbus.service.Object):
    @dbus.service.method("org.freedesktop.portal.Settings", in_signature="ss", out_signature="v")
    def Read(self, namespace, key):
        if namespace == "org.freedesktop.appearance" and key == "color-scheme":
            return dbus.UInt32(SCHEME, variant_level=1)
        raise dbus.exceptions.DBusException("org.freedesktop.portal.Error.NotFound")


dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
bus = dbus.SessionBus()
name = dbus.service.BusName("org.freedesktop.portal.Desktop", bus)
Settings(bus, "/org/freedesktop/portal/desktop")
GLib.MainLoop().run()
