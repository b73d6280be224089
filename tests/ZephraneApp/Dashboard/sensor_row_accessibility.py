"""The sensor list with pinned sensors, as a screen reader reads it: a
sensor row is one element that says its name, value and that it is
pinned; its pin button says what it does."""

from viewtesting_atspi import describe, find, find_all, gallery, wait_find, fail

app = gallery()
wait_find(app, "a sensor row", role_name="list item")
rows = [row for row in find_all(app, role_name="list item") if row.name.endswith(", pinned")]
if not rows:
    fail("no row reads as pinned:\n" + describe(app))
battery = [row for row in rows if row.name.startswith("Battery T, ")]
if not battery or not battery[0].name.endswith("\u00b0C, pinned"):
    fail("the battery's row does not read its name, value and pin:\n" + describe(app))
if find(app, role_name="push button", name="Unpin Battery T") is None:
    fail("the pinned row's pin button is not named for what it does:\n" + describe(app))
unpinned = [row for row in find_all(app, role_name="list item") if not row.name.endswith(", pinned")]
if not unpinned or find(app, role_name="push button", name="Pin " + unpinned[0].name.split(", ")[0]) is None:
    fail("an unpinned row's pin button is not named for pinning:\n" + describe(app))

# The device readings' list is not shown in the All mode: none of its rows
# is read.
if find(app, role_name="push button", description="Expands the history graph.") is not None:
    fail("a row of the hidden device list is read:\n" + describe(app))
print("sensor rows read:", battery[0].name)
