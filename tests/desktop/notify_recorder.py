#!/usr/bin/python3
"""A notification service for the tests: it takes the name
org.freedesktop.Notifications on the session bus that DBUS_SESSION_BUS_ADDRESS
names, answers as a notification server does, and writes one line per Notify
call to LOG: "SUMMARY|BODY|ACTIONS" (the actions' keys and labels joined by
commas). With --actions it offers actions; a file LOG.invoke holding "ID KEY"
makes it send ActionInvoked for them, as if the user had clicked, and goes.

usage: notify_recorder.py LOG [--actions]
"""

import os
import sys

import dbus
import dbus.mainloop.glib
import dbus.service
from gi.repository import GLib

LOG, ACTIONS = sys.argv[1], "--actions" in sys.argv[2:]
IFACE = "org.freedesktop.Notifications"


class Recorder(dbus.service.Object):
    def __init__(self, bus):
        super().__init__(bus, "/org/freedesktop/Notifications")
        self.last = 0

    @dbus.service.method(IFACE, out_signature="as")
    def GetCapabilities(self):
        return ["body"] + (["actions"] if ACTIONS else [])

    @dbus.service.method(IFACE, in_signature="susssasa{sv}i", out_signature="u")
    def Notify(self, app, replaces, icon, summary, body, actions, hints, timeout):
        self.last += 1
        with open(LOG, "a") as f:
            f.write("%s|%s|%s\n" % (summary, body, ",".join(actions)))
        return self.last

    @dbus.service.method(IFACE, in_signature="u")
    def CloseNotification(self, notification):
        pass

    @dbus.service.signal(IFACE, signature="us")
    def ActionInvoked(self, notification, key):
        pass

    def invoke(self):
        try:
            with open(LOG + ".invoke") as f:
                notification, key = f.read().split()
            os.remove(LOG + ".invoke")
            self.ActionInvoked(dbus.UInt32(int(notification)), key)
        except OSError:
            pass
        return True

    @dbus.service.method(IFACE, out_signature="ssss")
    def GetServerInformation(self):
        return ("recorder", "Velk tests", "1", "1.2")


dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
session = dbus.SessionBus()
name = dbus.service.BusName(IFACE, session)
recorder = Recorder(session)
GLib.timeout_add(50, recorder.invoke)
GLib.MainLoop().run()
