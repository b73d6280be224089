"""The first-run wizard as a screen reader reads it on the daemon step: the
step counter, the step's title and status line, and the footer buttons."""
import sys

from viewtesting_atspi import describe, fail, find, gallery, wait_find

app = gallery()
wait_find(app, "the step counter", None, "Step 2 of 5")
for role, name in (("heading", "Fan-Control Helper"), (None, "Not installed yet"),
                   ("push button", "Install Helper"), ("push button", "Back"),
                   ("push button", "Skip Setup"), ("push button", "Continue")):
    if find(app, role, name) is None:
        fail(f"no {role or 'node'} {name!r}:\n{describe(app)}")
sys.exit(0)
