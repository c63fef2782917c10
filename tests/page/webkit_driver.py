#!/usr/bin/python3
"""Drives WebKitGTK, Safari's engine, for the page tests, the way playwright-core drives Chromium.

One window with one web view. Commands arrive on standard input, one JSON object per line:
{"id": N, "op": NAME, ...}; each is answered on file descriptor 3 with {"id": N, "value": ...} or
{"id": N, "error": TEXT}. Runs under Xvfb and, for the screen-wake tests, on a private D-Bus
session bus, where it stands in for the desktop's screen saver so that WebKit's requests to keep
the display awake can be seen.

  open {width, height}      shows the window; media that makes sound needs a tap to start, as on
                            an iPad
  resize {width, height}    resizes the window; answers once the page has the new size
  goto {url}                loads url; answers when loading has finished
  evaluate {body}           runs body as the body of an async function; answers its JSON value
  tap {x, y}                a real mouse click (through xdotool) at the view's point x, y
  snapshot {path}           writes what the view shows as PNG
  init_script {source}      runs source in every page loaded from now on, before the page's own
  inhibitions {}            {"held": the screen-saver inhibitions held now, "taken": all ever taken}
"""
import json
import os
import subprocess
import sys

import gi

gi.require_foreign("cairo")
gi.require_version("Gtk", "3.0")
gi.require_version("WebKit2", "4.1")
from gi.repository import Gio, GLib, Gtk, WebKit2  # noqa: E402

# The screen saver's D-Bus interface, as desktops publish it (freedesktop.org Idle Inhibition
# Service draft: Inhibit returns a cookie that UnInhibit hands back).
SCREEN_SAVER_XML = """
<node>
  <interface name="org.freedesktop.ScreenSaver">
    <method name="Inhibit">
      <arg type="s" name="application_name" direction="in"/>
      <arg type="s" name="reason_for_inhibit" direction="in"/>
      <arg type="u" name="cookie" direction="out"/>
    </method>
    <method name="UnInhibit">
      <arg type="u" name="cookie" direction="in"/>
    </method>
  </interface>
</node>
"""


class ScreenSaver:
    """Records the inhibitions WebKit takes while a page keeps the display awake."""

    def __init__(self):
        self.held = {}
        self.taken = []
        self.next_cookie = 1
        try:
            bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)
        except GLib.Error:
            return  # no session bus: nothing can be recorded, and inhibitions reports none
        info = Gio.DBusNodeInfo.new_for_xml(SCREEN_SAVER_XML).interfaces[0]
        for path in ("/org/freedesktop/ScreenSaver", "/ScreenSaver"):
            bus.register_object(path, info, self.call, None, None)
        Gio.bus_own_name_on_connection(bus, "org.freedesktop.ScreenSaver",
                                       Gio.BusNameOwnerFlags.NONE, None, None)

    def call(self, _connection, _sender, _path, _interface, method, parameters, invocation):
        if method == "Inhibit":
            cookie = self.next_cookie
            self.next_cookie += 1
            self.held[cookie] = parameters.unpack()
            self.taken.append(list(parameters.unpack()))
            invocation.return_value(GLib.Variant("(u)", (cookie,)))
        else:
            self.held.pop(parameters.unpack()[0], None)
            invocation.return_value(None)


class Driver:
    def __init__(self):
        self.screen_saver = ScreenSaver()
        self.window = None
        self.view = None
        self.pending_load = None

    def answer(self, request_id, value=None, error=None):
        message = {"id": request_id, "error": error} if error is not None else {"id": request_id, "value": value}
        PROTOCOL.write(json.dumps(message) + "\n")
        PROTOCOL.flush()

    def open(self, request_id, width, height):
        self.window = Gtk.Window()
        self.window.set_default_size(width, height)
        self.window.set_decorated(False)
        settings = WebKit2.Settings()
        settings.set_media_playback_requires_user_gesture(True)
        self.scripts = WebKit2.UserContentManager()
        self.view = WebKit2.WebView(settings=settings, user_content_manager=self.scripts)
        self.view.connect("load-changed", self.load_changed)
        self.view.connect("load-failed", self.load_failed)
        self.view.connect("permission-request", lambda _view, request: request.allow() or True)
        self.window.add(self.view)
        self.window.move(0, 0)
        self.window.show_all()
        self.answer(request_id, True)

    def resize(self, request_id, width, height):
        self.window.resize(width, height)
        self.answer(request_id, True)

    def goto(self, request_id, url):
        self.pending_load = request_id
        self.view.load_uri(url)

    def load_changed(self, _view, event):
        if event == WebKit2.LoadEvent.FINISHED and self.pending_load is not None:
            request_id, self.pending_load = self.pending_load, None
            self.answer(request_id, True)

    def load_failed(self, _view, _event, uri, error):
        if self.pending_load is not None:
            request_id, self.pending_load = self.pending_load, None
            self.answer(request_id, error=f"loading {uri} failed: {error.message}")
        return True

    def evaluate(self, request_id, body):
        def done(view, result):
            try:
                value = view.call_async_javascript_function_finish(result)
                text = value.to_json(0) if not value.is_undefined() else None
                self.answer(request_id, json.loads(text) if text else None)
            except GLib.Error as error:
                self.answer(request_id, error=error.message)
        self.view.call_async_javascript_function(body, -1, None, None, None, None, done)

    def tap(self, request_id, x, y):
        # Through the X server, as a person's click arrives: events made up inside GTK carry no
        # real time, and WebKit then does not always count them as the user's activation.
        origin = self.view.get_window().get_origin()
        subprocess.run(["xdotool", "mousemove", "--sync", str(origin.x + x), str(origin.y + y), "click", "1"],
                       check=True)
        self.answer(request_id, True)

    def snapshot(self, request_id, path):
        def done(view, result):
            try:
                view.get_snapshot_finish(result).write_to_png(path)
                self.answer(request_id, path)
            except GLib.Error as error:
                self.answer(request_id, error=error.message)
        self.view.get_snapshot(WebKit2.SnapshotRegion.VISIBLE, WebKit2.SnapshotOptions.NONE, None, done)

    def init_script(self, request_id, source):
        self.scripts.add_script(WebKit2.UserScript.new(
            source, WebKit2.UserContentInjectedFrames.TOP_FRAME, WebKit2.UserScriptInjectionTime.START, None, None))
        self.answer(request_id, True)

    def inhibitions(self, request_id):
        self.answer(request_id, {"held": len(self.screen_saver.held), "taken": self.screen_saver.taken})

    def line(self, channel, _condition):
        text = channel.readline()
        if not text:
            Gtk.main_quit()
            return False
        if not text.strip():
            return True
        request = json.loads(text)
        request_id, op = request.pop("id"), request.pop("op")
        try:
            getattr(self, op)(request_id, **request)
        except Exception as error:  # every command gets an answer, also a malformed one
            self.answer(request_id, error=f"{op}: {error!r}")
        return True


# Answers go to file descriptor 3, not standard output: the D-Bus services that start on demand
# inherit standard output from the bus and write to it.
PROTOCOL = os.fdopen(3, "w")


def main():
    driver = Driver()
    channel = GLib.IOChannel.unix_new(sys.stdin.fileno())
    GLib.io_add_watch(channel, GLib.PRIORITY_DEFAULT, GLib.IOCondition.IN | GLib.IOCondition.HUP,
                      driver.line)
    PROTOCOL.write(json.dumps({"ready": True}) + "\n")
    PROTOCOL.flush()
    Gtk.main()


if __name__ == "__main__":
    main()
