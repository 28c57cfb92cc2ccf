#!/usr/bin/python3
"""A 3 x 3 grid of still photos: moves the stage over the grid, takes a still at each point and
prints the files, then returns to where it started. Live video must be on (or is switched on).

    docs/automation_grid.py [STEP_UM]      (default step 100 um)

Needs python3-dbus (Debian package) and a Tesmira of the same user on the session bus.
"""
import sys
import time

import dbus

NAME = "org.corvanesoft.Tesmira"
PATH = "/org/corvanesoft/Tesmira"
INTERFACE = "org.corvanesoft.Tesmira.Workstation"
BUSY = NAME + ".Error.Busy"


def call_when_ready(method, *args, attempts=50, **options):
    """Calls a method; while Tesmira answers Busy (the stage still moving), tries again."""
    for _ in range(attempts):
        try:
            return method(*args, **options)
        except dbus.exceptions.DBusException as error:
            if error.get_dbus_name() != BUSY:
                raise
            time.sleep(0.1)
    return method(*args, **options)


def main():
    step = float(sys.argv[1]) if len(sys.argv) > 1 else 100.0
    bus = dbus.SessionBus()
    tesmira = bus.get_object(NAME, PATH)
    workstation = dbus.Interface(tesmira, INTERFACE)
    properties = dbus.Interface(tesmira, dbus.PROPERTIES_IFACE)
    if properties.Get(INTERFACE, "State") == "idle":
        workstation.StartLive()
    started = time.monotonic()
    files = []
    x = y = 0.0
    for row in range(3):
        for column in range(3):
            target_x, target_y = column * step, row * step
            if (target_x, target_y) != (x, y):
                call_when_ready(workstation.MoveBy, target_x - x, target_y - y)
                x, y = target_x, target_y
            # A still waits for its file: the answer is the path once it is written.
            path = call_when_ready(workstation.TakeStill, timeout=30)
            files.append(str(path))
            print(f"{target_x:8.1f} {target_y:8.1f}  {path}", flush=True)
    call_when_ready(workstation.MoveBy, -x, -y)
    print(f"{len(files)} stills in {time.monotonic() - started:.2f} s")


if __name__ == "__main__":
    try:
        main()
    except dbus.exceptions.DBusException as error:
        sys.exit(f"automation_grid: {error.get_dbus_name()}: {error.get_dbus_message()}")
