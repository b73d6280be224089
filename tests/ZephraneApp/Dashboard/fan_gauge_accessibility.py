"""The fan gauges under manual control, as a screen reader reads them: each
gauge is one element that says its fan, speed and target, and its slider
says whose target it sets and holds the target as its value."""
from viewtesting_atspi import describe, find, gallery, value_of, wait_find, fail

app = gallery()
slider = wait_find(app, "the left fan's slider", role_name="slider", name="Left Fan target RPM")
if abs(value_of(slider) - 2400) > 0.5:
    fail(f"the slider holds {value_of(slider)}, not the target 2400:\n" + describe(app))
readout = find(app, name="Left Fan, 1834 RPM, target 2400")
if readout is None:
    fail("the left gauge does not read its fan, speed and target:\n" + describe(app))
mini = find(app, name="Right Fan, 1902 RPM, target 2400")
if mini is None:
    fail("the panel's gauge does not read its fan, speed and target:\n" + describe(app))
print("gauge reads:", readout.name, "; slider value", value_of(slider))
