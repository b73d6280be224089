#!/usr/bin/env bash
# Runs the design gallery on a throw-away desktop of its own (X server,
# session bus and accessibility bus) and reads its accessibility tree with
# check_accessibility.py. Stops everything it started.
#
#   accessibility_check.sh GALLERY_PROGRAM
set -uo pipefail
gallery=${1:?usage: accessibility_check.sh GALLERY_PROGRAM}
here=$(cd "$(dirname "$0")" && pwd)

if [ -z "${A11Y_CHECK_INNER:-}" ]; then
  export A11Y_CHECK_INNER=1
  exec dbus-run-session -- "$here/with_xvfb.sh" "$0" "$gallery"
fi

pids=()
stop() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done; wait 2>/dev/null; }
trap stop EXIT
/usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 & pids+=($!)
QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 "$gallery" -platform xcb >/dev/null 2>&1 & pids+=($!)
/usr/bin/python3 "$here/check_accessibility.py"
