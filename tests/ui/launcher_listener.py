#!/usr/bin/python3
"""A dock's view of the session bus, for the launcher entry's tests.

Listens, as a dock does, for com.canonical.Unity.LauncherEntry.Update from anyone at any path
and prints one JSON object per line on stdout:
  {"event": "ready", "name": UNIQUE_NAME}
  {"event": "update", "sender": ..., "path": ..., "signature": ..., "app_uri": ...,
   "properties": {NAME: [TYPE, VALUE], ...}}
Reads commands, one per line, on stdin:
  query SENDER PATH   calls the entry's Query method; prints {"event": "query", ...}
  own NAME            takes a well-known name as a dock does; prints {"event": "owned", ...}
Ends when stdin closes.
"""

import json
import sys

from gi.repository import Gio, GLib

INTERFACE = "com.canonical.Unity.LauncherEntry"


def read_properties(dictionary):
    """An a{sv} as {name: [type, value]}, so the test sees the types as sent."""
    properties = {}
    for i in range(dictionary.n_children()):
        entry = dictionary.get_child_value(i)
        value = entry.get_child_value(1).get_variant()
        properties[entry.get_child_value(0).get_string()] = [value.get_type_string(),
                                                             value.unpack()]
    return properties


def emit(**fields):
    sys.stdout.write(json.dumps(fields) + "\n")
    sys.stdout.flush()


def main():
    bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)
    loop = GLib.MainLoop()

    def on_update(connection, sender, path, interface, member, parameters):
        signature = parameters.get_type_string()
        if signature != "(sa{sv})":
            emit(event="update", sender=sender, path=path, signature=signature)
            return
        app_uri = parameters.get_child_value(0).get_string()
        emit(event="update", sender=sender, path=path, signature=signature, app_uri=app_uri,
             properties=read_properties(parameters.get_child_value(1)))

    bus.signal_subscribe(None, INTERFACE, "Update", None, None, Gio.DBusSignalFlags.NONE,
                         on_update)

    def on_command(channel, condition):
        line = channel.readline()
        if not line:
            loop.quit()
            return False
        words = line.split()
        if len(words) == 3 and words[0] == "query":
            try:
                reply = bus.call_sync(words[1], words[2], INTERFACE, "Query", None, None,
                                      Gio.DBusCallFlags.NONE, 10000, None)
                signature = reply.get_type_string()
                emit(event="query", signature=signature,
                     properties=read_properties(reply.get_child_value(0)))
            except GLib.Error as error:
                emit(event="query", error=error.message)
        elif len(words) == 2 and words[0] == "own":
            result = bus.call_sync("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                   "org.freedesktop.DBus", "RequestName",
                                   GLib.Variant("(su)", (words[1], 0)), None,
                                   Gio.DBusCallFlags.NONE, 10000, None)
            emit(event="owned", name=words[1], result=result.unpack()[0])
        else:
            emit(event="error", message="unknown command: " + line.strip())
        return True

    channel = GLib.IOChannel.unix_new(sys.stdin.fileno())
    GLib.io_add_watch(channel, GLib.PRIORITY_DEFAULT, GLib.IO_IN | GLib.IO_HUP, on_command)
    # The subscription's match rule reaches the bus before this line: the bus handles one
    # connection's messages in order, and the round trip below waits for the bus's answer.
    bus.call_sync("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                  "GetId", None, None, Gio.DBusCallFlags.NONE, 10000, None)
    emit(event="ready", name=bus.get_unique_name())
    loop.run()


if __name__ == "__main__":
    main()
