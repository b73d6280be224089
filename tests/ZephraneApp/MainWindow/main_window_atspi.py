"""The main window as a screen reader reads it: the sidebar's four sections
in order, the one shown selected, a section chosen by its Press action; the
status footer; the fans card's picker with its five modes, one chosen
through the bus, its dust-cycle button and the daemon's state."""
import pyatspi

import viewtesting_atspi as a

app = a.gallery()
sections = a.wait_find(app, "the sidebar", role_name="list", name="Sections")


def rows():
    return [row for row in sections if row is not None and row.getRoleName() == "list item"]


def selected(row):
    return row.getState().contains(pyatspi.STATE_SELECTED)


names = [row.name for row in rows()]
if names != ["Dashboard", "Sensors", "Modes", "Settings"]:
    a.fail(f"the sidebar reads {names}")
if not selected(rows()[0]) or any(selected(row) for row in rows()[1:]):
    a.fail("the dashboard is not the one section selected")

a.wait_find(app, "the status footer", role_name="label", name="Fan control active")

picker = a.wait_find(app, "the fans picker", role_name="page tab list", name="Fan Control")
modes = [segment.name for segment in picker if segment is not None]
if modes != ["Automatic", "Quiet", "Balanced", "Max", "Manual"]:
    a.fail(f"the fans picker reads {modes}")
automatic = a.find(picker, name="Automatic")
quiet = a.find(picker, name="Quiet")
if not a.is_checked(automatic) or a.is_checked(quiet):
    a.fail("Automatic is not the mode shown")
a.press(quiet)
a.wait_for("Quiet to be the mode shown", lambda: a.is_checked(quiet) and not a.is_checked(automatic))

a.wait_find(app, "the dust-cycle button", role_name="push button", name="Dust Cycle")
a.wait_find(app, "the sensors card's button", role_name="push button", name="All Sensors",
            description="Opens the complete sensor list")

# Walking on to the sensor list: the dashboard's cards leave the tree.
a.press(rows()[1], "Press")
a.wait_for("Sensors to be selected", lambda: selected(rows()[1]) and not selected(rows()[0]))
a.wait_for("the fans card to go", lambda: a.find(app, role_name="page tab list", name="Fan Control") is None)
