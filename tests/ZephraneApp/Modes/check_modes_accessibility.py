#!/usr/bin/python3
"""Reads the modes screen over AT-SPI as a screen reader does: a mode row's
name, on state and spoken value, then opens that mode's editor through its
edit chip's action and reads the sheet's fields: the name, the symbols, the
speed's style and slider with its value, the two sensor pickers with their
choices, and the main-readout switch."""
from viewtesting_atspi import describe, fail, find, find_all, gallery, is_checked, press, value_of, wait_find, wait_for

app = gallery()
gaming = wait_find(app, "the Gaming row", "check box", "Gaming")
if not is_checked(gaming):
    fail("the active mode's row is not checked")
expected = "On. 4 560 RPM. GPU Cluster Average, 74.6\u00b0C. Turns off, returning control to Apple Auto."
if gaming.description != expected:
    fail(f"the Gaming row says {gaming.description!r}, not {expected!r}")
overnight = find(app, "check box", "Overnight render")
if overnight is None or is_checked(overnight) or overnight.description != "Off. Min 5 040 RPM. Sensor, \u2014. Engages this mode.":
    fail("the Overnight render row is missing or says something else:\n" + describe(app))
if find(app, "push button", "Start from Gaming") is not None:
    fail("the empty state's templates are on the bus while modes are listed")

press(wait_find(app, "the Gaming edit chip", "push button", "Edit Gaming"))
sheet = wait_find(app, "the editor sheet", "dialog", "Edit Custom Mode")

name = wait_find(sheet, "the name field", "text", "Name")
text = name.queryText()
if text.getText(0, text.characterCount) != "Gaming":
    fail(f"the name field holds {text.getText(0, text.characterCount)!r}")
symbols = [b.name for b in find_all(sheet, "push button")][:8]
if symbols != ["Game Controller", "Microphone", "Cube", "Flame", "Bolt", "Moon", "Film", "Bar Chart"]:
    fail(f"the symbols read {symbols}")
style = find(sheet, "page tab list", "Speed Style")
if style is None or not is_checked(find(style, "check box", "Fixed")) or is_checked(find(style, "check box", "Minimum")):
    fail("the speed style does not read Fixed:\n" + describe(sheet))
slider = find(sheet, "slider", "Fixed speed")
if slider is None or slider.description != "4 560 RPM" or abs(value_of(slider) - 0.7) > 1e-9:
    fail("the speed slider does not read 4 560 RPM at 0.7:\n" + describe(sheet))
for picker, choice in (("Trigger Sensor", "GPU Average"), ("Display Sensor", "GPU Cluster Average")):
    node = find(sheet, "combo box", picker)
    if node is None or node.description != choice:
        fail(f"the {picker} picker does not read {choice}:\n" + describe(sheet))
readout = find(sheet, "check box", "Also show this on the Dashboard and menu bar")
if readout is None or not is_checked(readout):
    fail("the main-readout switch is missing or off")
for button in ("Cancel", "Save"):
    if find(sheet, "push button", button) is None:
        fail(f"no {button} button")

press(find(sheet, "push button", "Cancel"))
wait_for("the sheet to close", lambda: find(app, "dialog", "Edit Custom Mode") is None)
