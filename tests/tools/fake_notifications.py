#!/usr/bin/python3
"""A stand-in desktop notification service on the session bus: owns org.freedesktop.Notifications,
appends each Notify call to the file named by its argument as one JSON line, and prints "ready"
once it owns the name."""

import json
import sys

import dbus
import dbus.mainloop.glib
import dbus.service
from gi.repository import GLib

NAME = "org.freedesktop.Notifications"


class Notifications(dbus.service.Object):
    def __init__(self, bus, record):
        super().__init__(bus, "/org/freedesktop/Notifications")
        self.record = record

    @dbus.service.method(NAME, in_signature="susssasa{sv}i", out_signature="u")
    def Notify(self, app, replaces, icon, summary, body, actions, hints, timeout):
        with open(self.record, "a", encoding="utf-8") as record:
            call = {"app": str(app), "summary": str(summary), "body": str(body), "timeout": int(timeout)}
            record.write(json.dumps(call, ensure_ascii=False) + "\n")
        return dbus.UInt32(1)


def main():
    dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    owner = dbus.service.BusName(NAME, bus)
    service = Notifications(bus, sys.argv[1])
    print("ready", flush=True)
    GLib.MainLoop().run()
    del owner, service


if __name__ == "__main__":
    main()
