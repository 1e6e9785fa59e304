#!/usr/bin/env python3
"""Plays the login manager on a private bus for the system-exit tests.

Usage: login1_stand_in.py BUS_ADDRESS RECORD_FILE grant|refuse

Each PowerOff, Reboot or ScheduleShutdown call is appended to RECORD_FILE as
"METHOD SIGNATURE ARGUMENTS", for example "PowerOff b false" or
"ScheduleShutdown st poweroff 1700000015300000", before it is answered. With "refuse" every
such call gets the error a caller without the right to stop the machine gets.
CancelScheduledShutdown (what `shutdown -c` calls) drops the scheduled shutdown and answers
whether there was one; it is recorded as "CancelScheduledShutdown - true" or "... false".
"ready" is written to standard output once the service's name is on the bus.
"""

import os
import sys

import dbus
import dbus.mainloop.glib
import dbus.service
from gi.repository import GLib

MANAGER = "org.freedesktop.login1.Manager"
TYPE_CODES = {dbus.Boolean: "b", dbus.Int32: "i", dbus.UInt32: "u", dbus.String: "s", dbus.UInt64: "t"}


class AccessDenied(dbus.DBusException):
    _dbus_error_name = "org.freedesktop.DBus.Error.AccessDenied"


class Manager(dbus.service.Object):
    def __init__(self, bus, record, refuse):
        super().__init__(bus, "/org/freedesktop/login1")
        self.record = record
        self.refuse = refuse
        self.scheduled = None

    def write(self, line):
        with open(self.record, "a", encoding="utf-8") as f:
            f.write(line + "\n")

    def answer(self, method, arguments):
        signature = "".join(TYPE_CODES.get(type(a), "?") for a in arguments)
        text = " ".join(str(bool(a)).lower() if isinstance(a, dbus.Boolean) else str(a) for a in arguments)
        self.write(f"{method} {signature} {text}")
        if self.refuse:
            raise AccessDenied("Permission denied")

    # Any arguments are taken, so that what the caller sent is recorded as sent.
    @dbus.service.method(MANAGER)
    def PowerOff(self, *arguments):
        self.answer("PowerOff", arguments)

    @dbus.service.method(MANAGER)
    def Reboot(self, *arguments):
        self.answer("Reboot", arguments)

    @dbus.service.method(MANAGER)
    def ScheduleShutdown(self, *arguments):
        self.answer("ScheduleShutdown", arguments)
        self.scheduled = arguments

    @dbus.service.method(MANAGER, out_signature="b")
    def CancelScheduledShutdown(self):
        cancelled = self.scheduled is not None
        self.scheduled = None
        self.write(f"CancelScheduledShutdown - {str(cancelled).lower()}")
        return cancelled


def main():
    address, record, mode = sys.argv[1:4]
    dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
    bus = dbus.bus.BusConnection(address)
    loop = GLib.MainLoop()
    bus.call_on_disconnection(lambda _: loop.quit())
    # Both stay referenced while the loop runs: the object and the name live as long.
    manager = Manager(bus, record, mode == "refuse")
    name = dbus.service.BusName("org.freedesktop.login1", bus, do_not_queue=True)
    print("ready", flush=True)
    loop.run()
    # The bus is gone: there is no name left to give back.
    os._exit(0)


if __name__ == "__main__":
    main()
