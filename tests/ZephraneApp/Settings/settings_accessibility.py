"""The settings form as a screen reader reads it: every switch of the form
is a check box named after its row, in the state the engine holds, and the
sliders speak their row's name."""
import sys

from viewtesting_atspi import describe, fail, find, gallery, is_checked, wait_find

app = gallery()
wait_find(app, "the Start at login switch", "check box", "Start at login")
switches = {
    "Start at login": False,
    "Show icon in Dock": True,
    "Use Fahrenheit temperature scale": False,
    "Precise display (e.g. 45.4\u00b0)": True,
    "Pre-spool on rising heat": False,
    "Switch to Quiet on battery": True,
    "Automatically switch to Quiet": False,
    "Quiet during meetings": False,
    "Warn about fan problems": True,
    "Animate fan icon": True,
}
for name, checked in switches.items():
    node = find(app, "check box", name)
    if node is None:
        fail(f"no switch {name!r}:\n{describe(app)}")
    if is_checked(node) != checked:
        fail(f"the switch {name!r} reads {'on' if is_checked(node) else 'off'}")
for name in ("Smoothing", "Spool rate", "Threshold"):
    if find(app, "slider", name) is None:
        fail(f"no slider {name!r}:\n{describe(app)}")
if find(app, "push button", "Restore Defaults\u2026") is None:
    fail(f"no Restore Defaults button:\n{describe(app)}")
sys.exit(0)
