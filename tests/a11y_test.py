#!/usr/bin/python3
"""Both programs as a screen reader meets them, through AT-SPI: the band
sliders' names and spoken levels, the time-window slider's name and spoken
span, the waveform monitor's name and the captions in its description; and a
level set through AT-SPI is spoken back as the label shows it.
Run inside a private session (display, session bus, sound server):
  private_session -- a11y_test.py PROGRAM..."""
import subprocess
import sys
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi  # noqa: E402

WAIT = 30  # seconds, as long as a loaded machine may need


def until(what, probe):
    """probe() once it is truthy, or fail naming what never came."""
    end = time.monotonic() + WAIT
    while time.monotonic() < end:
        value = probe()
        if value:
            return value
        time.sleep(0.1)
    raise AssertionError("never came: " + what)


def application(pid):
    desktop = Atspi.get_desktop(0)
    for i in range(desktop.get_child_count()):
        app = desktop.get_child_at_index(i)
        if app is not None and app.get_process_id() == pid:
            return app
    return None


def find(node, role, name):
    if node is None:
        return None
    if node.get_role() == role and node.get_name() == name:
        return node
    for i in range(node.get_child_count()):
        found = find(node.get_child_at_index(i), role, name)
        if found is not None:
            return found
    return None


def spoken(node):
    return Atspi.Value.get_text(node)


def checked(node):
    return node.get_state_set().contains(Atspi.StateType.CHECKED)


def check_ear_choice(app):
    """sonavel's ear choice: three radio buttons a screen reader names, with
    Both ears checked; the left ear chosen through AT-SPI is then checked
    alone (the private session's sink has two channels)."""
    names = ("Both ears", "Left ear", "Right ear")
    buttons = [find(app, Atspi.Role.RADIO_BUTTON, n) for n in names]
    assert all(b is not None for b in buttons), "no radio buttons " + str(names)
    assert [checked(b) for b in buttons] == [True, False, False]
    assert all(b.get_state_set().contains(Atspi.StateType.SENSITIVE) for b in buttons)
    Atspi.Action.do_action(buttons[1], 0)
    until("the left ear checked alone",
          lambda: [checked(b) for b in buttons] == [False, True, False])


def on_the_bus():
    """What the accessibility bus lists: each application's name and process."""
    desktop = Atspi.get_desktop(0)
    apps = (desktop.get_child_at_index(i) for i in range(desktop.get_child_count()))
    return [(a.get_name(), a.get_process_id()) for a in apps if a is not None]


def check(program):
    proc = subprocess.Popen([program], stderr=subprocess.PIPE)
    shown = None  # when it came up on the bus
    try:
        try:
            app = until(program + " on the accessibility bus", lambda: application(proc.pid))
            shown = time.monotonic()
        except AssertionError as e:
            ended = proc.poll()
            said = proc.stderr.read().decode() if ended is not None else ""
            raise AssertionError("%s (process %d %s%s; the bus lists %s)" % (
                e, proc.pid, "running" if ended is None else "ended with %d" % ended,
                ", saying " + repr(said) if said else "", on_the_bus())) from None
        band = until("the 1000 Hz slider", lambda: find(app, Atspi.Role.SLIDER, "1000 Hz"))
        assert spoken(band) == "-40 dB", spoken(band)
        assert band.get_description() == "-40 dB", band.get_description()
        span = find(app, Atspi.Role.SLIDER, "Time window")
        assert span is not None, "no slider named Time window"
        assert spoken(span) == "0.5 seconds", spoken(span)
        view = find(app, Atspi.Role.DRAWING_AREA, "Waveform monitor")
        assert view is not None, "no drawing area named Waveform monitor"
        until("the view's description at rest",
              lambda: "No recent tone output" in view.get_description())
        assert "Frequency: 20 Hz" in view.get_description(), view.get_description()

        # A screen reader user sets the level: the burst plays and is spoken.
        Atspi.Value.set_current_value(band, 30.0)
        until("-30 dB spoken", lambda: spoken(band) == "-30 dB")
        until("the view's description of the burst",
              lambda: "Frequency: 1000 Hz" in view.get_description()
              and "No recent tone output" not in view.get_description())
        label = find(app, Atspi.Role.LABEL, "1000\n-30 dB")
        assert label is not None, "the band's label does not read -30 dB"
        if program.endswith("/sonavel"):
            check_ear_choice(app)
        print(program + ": names, spoken values and the view's description as expected")
    finally:
        # Ended no sooner than two seconds after it came up, for the reason
        # the program tests' signal plans wait as long (SignalPlan).
        if shown is not None:
            time.sleep(max(0.0, 2.0 - (time.monotonic() - shown)))
        proc.terminate()
        proc.wait(WAIT)
    err = proc.stderr.read().decode()
    assert err == "", program + " wrote: " + err


def main():
    for program in sys.argv[1:]:
        check(program)


if __name__ == "__main__":
    main()
