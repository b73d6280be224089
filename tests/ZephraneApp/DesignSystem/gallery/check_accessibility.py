#!/usr/bin/python3
"""Reads the design gallery's accessibility tree over AT-SPI, the way a
screen reader sees it: the fan speed slider with its value and range, and the
"Fan Control" tabs with the selected segment checked. Then presses another
segment through its accessible action and waits for the selection to move.

Waits for each condition up to a deadline; never sleeps a fixed time as a
substitute for one. Exits 0 when everything was found as expected."""
import sys
import time

import pyatspi

APP = "design_gallery"
DEADLINE = time.monotonic() + 60


def walk(node):
    yield node
    for child in node:
        if child is not None:
            yield from walk(child)


def gallery():
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.name == APP:
            return app
    return None


def find(root, role, name):
    for node in walk(root):
        try:
            if node.getRoleName() == role and node.name == name:
                return node
        except Exception:  # a node that went away while walking
            continue
    return None


def wait_for(what, check):
    while time.monotonic() < DEADLINE:
        result = check()
        if result:
            return result
        time.sleep(0.1)  # polling interval, not a wait for the condition
    sys.exit(f"check_accessibility: timed out waiting for {what}")


def checked(node):
    """A selected segment is a toggle that is on, and selected."""
    state = node.getState()
    return state.contains(pyatspi.STATE_CHECKED) and state.contains(pyatspi.STATE_SELECTED)


app = wait_for("the gallery on the accessibility bus", gallery)
slider = wait_for("the slider 'Fan speed'", lambda: find(app, "slider", "Fan speed"))
value = slider.queryValue()
if abs(value.currentValue - 0.4) > 1e-6 or value.minimumValue != 0 or value.maximumValue != 1:
    sys.exit(f"check_accessibility: slider value {value.currentValue} in "
             f"{value.minimumValue}..{value.maximumValue}, expected 0.4 in 0..1")
print(f"check_accessibility: slider 'Fan speed' = {value.currentValue} "
      f"({value.minimumValue}..{value.maximumValue}, step {value.minimumIncrement})")

tabs = wait_for("the tabs 'Fan Control'", lambda: find(app, "page tab list", "Fan Control"))
segments = {}
for title in ("Quiet", "Balanced", "Max"):
    # Qt shows a checkable button as a check box: on while selected.
    segment = next((n for n in walk(tabs) if n.name == title and n.getRoleName() == "check box"), None)
    if segment is None:
        sys.exit(f"check_accessibility: no segment '{title}' in the tabs")
    segments[title] = segment
states = {title: checked(node) for title, node in segments.items()}
print(f"check_accessibility: tabs 'Fan Control' segments {states} "
      f"(role {segments['Balanced'].getRoleName()})")
if states != {"Quiet": False, "Balanced": True, "Max": False}:
    sys.exit("check_accessibility: expected only 'Balanced' to be selected")

action = segments["Max"].queryAction()
names = [action.getName(i) for i in range(action.nActions)]
press = names.index("Press")
action.doAction(press)
wait_for("'Max' to become the selected segment",
         lambda: checked(segments["Max"]) and not checked(segments["Balanced"]))
print("check_accessibility: pressing 'Max' selected it")
