"""What the views' accessibility checks share: the gallery's tree on the
accessibility bus, found and waited for the way a screen reader sees it.

Every wait is for a condition, up to one deadline for the whole check; none
sleeps a fixed time in place of one."""
import os
import sys
import time

import pyatspi

APP = "zephrane-gallery"
DEADLINE = time.monotonic() + 90


def fail(message):
    sys.exit(f"{sys.argv[0]}: {message}")


def walk(node):
    """The node and everything below it; nodes that go away while walked are
    passed over."""
    yield node
    try:
        children = list(node)
    except Exception:
        return
    for child in children:
        if child is not None:
            yield from walk(child)


def role(node):
    try:
        return node.getRoleName()
    except Exception:
        return None


def gallery_gone():
    pid = os.environ.get("VIEW_GALLERY_PID")
    if not pid:
        return False
    try:
        os.kill(int(pid), 0)
        return False
    except ProcessLookupError:
        return True


def wait_for(what, check):
    while time.monotonic() < DEADLINE:
        if gallery_gone():
            fail(f"the gallery ended while waiting for {what}")
        result = check()
        if result:
            return result
        time.sleep(0.1)  # polling interval, not a wait for the condition
    fail(f"timed out waiting for {what}")


def gallery():
    """The gallery's application node, once it is on the bus."""
    def find_app():
        for app in pyatspi.Registry.getDesktop(0):
            if app is not None and app.name == APP:
                return app
        return None
    return wait_for("the gallery on the accessibility bus", find_app)


def find(root, role_name=None, name=None, description=None):
    """The first node with the role, name and description given (each None
    for any)."""
    for node in walk(root):
        try:
            if role_name is not None and node.getRoleName() != role_name:
                continue
            if name is not None and node.name != name:
                continue
            if description is not None and node.description != description:
                continue
            return node
        except Exception:
            continue
    return None


def find_all(root, role_name=None, name=None):
    found = []
    for node in walk(root):
        try:
            if (role_name is None or node.getRoleName() == role_name) and (name is None or node.name == name):
                found.append(node)
        except Exception:
            continue
    return found


def wait_find(root, what, role_name=None, name=None, description=None):
    return wait_for(what, lambda: find(root, role_name, name, description))


def value_of(node):
    """The current value of a slider, progress bar or spin box."""
    return node.queryValue().currentValue


def is_checked(node):
    return node.getState().contains(pyatspi.STATE_CHECKED)


def press(node, action="Press"):
    actions = node.queryAction()
    names = [actions.getName(i) for i in range(actions.nActions)]
    if action not in names:
        fail(f"{node.name!r} has no action {action!r}; it has {names}")
    actions.doAction(names.index(action))


def describe(root):
    """The tree as text, for a failure message."""
    lines = []
    def visit(node, depth):
        try:
            lines.append(f"{'  ' * depth}{node.getRoleName()} {node.name!r} {node.description!r}")
            for child in node:
                if child is not None:
                    visit(child, depth + 1)
        except Exception:
            pass
    visit(root, 0)
    return "\n".join(lines)
