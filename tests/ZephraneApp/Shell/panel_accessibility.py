"""The menu-bar panel with two fans, read as a screen reader reads it: the
temperature and fan buttons with their spoken values, the power line, the
slider's name, value and description, and each preset tab's state."""
from viewtesting_atspi import describe, fail, find, gallery, value_of, wait_find, is_checked

app = gallery()
sensors = wait_find(app, "the temperature button", "push button", "Open Sensors")


def expect(what, actual, expected):
    if actual != expected:
        fail(f"{what}: {actual!r}, expected {expected!r}\n{describe(app)}")


expect("the temperature's spoken value", sensors.description, "64.3 degrees Celsius, CPU \u00b7 Balanced curve")
dashboard = find(app, "push button", "Open Dashboard")
if dashboard is None:
    fail("no Open Dashboard button\n" + describe(app))
expect("the fan summary", dashboard.description, "Left Fan 2412 RPM, Right Fan 2538 RPM")

if find(app, None, "18.4 watts, battery 76 percent") is None:
    fail("the power line is not spoken\n" + describe(app))

slider = find(app, "slider", "Fan Speed")
if slider is None:
    fail("no Fan Speed slider\n" + describe(app))
if abs(value_of(slider) - 0.2638) > 0.001:
    fail(f"the slider stands at {value_of(slider)}")
expect("the slider's spoken value", slider.description, "2 466 RPM. Dragging takes over at a fixed fan speed")

for title, selected in (("Quiet", False), ("Balanced", True), ("Max", False)):
    tab = find(app, None, title)
    if tab is None:
        fail(f"no {title} tab\n" + describe(app))
    expect(f"the {title} tab's state", is_checked(tab), selected)

for name in ("Gaming", "Recording"):
    row = find(app, None, name)
    if row is None:
        fail(f"no row {name}\n" + describe(app))
    expect(f"{name}'s state", is_checked(row), False)
expect("Gaming's hint", find(app, None, "Gaming").description, "4 560 RPM, 47.2\u00b0C")
for hidden in ("All Modes", "This Mac reports no controllable fans."):
    if find(app, None, hidden) is not None:
        fail(f"{hidden!r} is not shown, yet a screen reader finds it\n" + describe(app))
if find(app, "push button", "Settings") is None or find(app, "push button", "Quit") is None:
    fail("the footer's buttons are not there\n" + describe(app))
print("panel accessibility: every spoken text found")
