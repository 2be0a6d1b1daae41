#!/usr/bin/python3
"""Time from launch to a mapped main window, and resident memory 1 s later, for a program and
the bare Qt window it is compared with. Runs under an X server (scripts/bench starts Xvfb)."""
import os
import statistics
import subprocess
import sys
import time

from Xlib import X, display


def window_name(dpy, window):
    try:
        name = window.get_wm_name()
        if name:
            return name if isinstance(name, str) else name.decode("utf-8", "replace")
        prop = window.get_full_property(dpy.intern_atom("_NET_WM_NAME"), 0)
        return prop.value.decode("utf-8", "replace") if prop else ""
    except Exception:
        return ""


def launch(dpy, command, title):
    # One connection for the whole run: the server resets whenever its last client leaves.
    while dpy.pending_events():
        dpy.next_event()
    started = time.monotonic()
    process = subprocess.Popen(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    elapsed = None
    deadline = started + 20
    while time.monotonic() < deadline and elapsed is None:
        while dpy.pending_events():
            event = dpy.next_event()
            if event.type == X.MapNotify and title in window_name(dpy, event.window):
                elapsed = time.monotonic() - started
                break
        if elapsed is None:
            time.sleep(0.0005)
    time.sleep(1)
    with open(f"/proc/{process.pid}/status") as status:
        rss = next(int(line.split()[1]) for line in status if line.startswith("VmRSS:"))
    process.terminate()
    process.wait()
    return elapsed, rss


def main():
    panel, bare, runs = sys.argv[1], sys.argv[2], int(sys.argv[3]) if len(sys.argv) > 3 else 10
    dpy = display.Display()
    dpy.screen().root.change_attributes(event_mask=X.SubstructureNotifyMask)
    dpy.sync()
    results = {"panel": [], "bare": []}
    for _ in range(runs):  # interleaved, so both see the same machine
        results["bare"].append(launch(dpy, [bare], "bare window"))
        results["panel"].append(launch(dpy, [panel], "Tarrow(QMR4T09)V2.0"))
    summary = {}
    for name, values in results.items():
        times = [t for t, _ in values if t is not None]
        summary[name] = (statistics.median(times) * 1000, statistics.median(r for _, r in values))
    (panel_ms, panel_kb), (bare_ms, bare_kb) = summary["panel"], summary["bare"]
    print(f"startup: panel {panel_ms:.0f} ms to a mapped window, bare window {bare_ms:.0f} ms, "
          f"ratio {panel_ms / bare_ms:.2f} (target <= 1.30); median of {runs}")
    print(f"startup: resident after 1 s: panel {panel_kb / 1024:.1f} MB, bare window "
          f"{bare_kb / 1024:.1f} MB, difference {(panel_kb - bare_kb) / 1024:+.1f} MB (target <= 10 MB)")


if __name__ == "__main__":
    main()
