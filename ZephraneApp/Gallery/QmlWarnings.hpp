// What QML says while views load and draw: a binding loop, an undefined
// property, a missing type. A picture of a view that warns, or a test of one,
// is no proof of it, so the gallery and the views' tests fail on any.
#pragma once

#include <QStringList>

namespace zephrane::gallery {

// Puts the catcher in front of the message handler in place now, which still
// gets every message. Safe to call again (a test library puts its own
// handler in place for each run): the catcher is never put in front of itself.
void watchQmlWarnings();
// Every warning (or worse) from QML since the first watchQmlWarnings().
QStringList qmlWarnings();

}  // namespace zephrane::gallery
