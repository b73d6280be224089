#!/usr/bin/env bash
# Shows one view of the gallery in a named state on a throw-away desktop of
# its own (X server, session bus, accessibility bus) and runs a check that
# reads it over AT-SPI, as a screen reader does. Stops everything it started.
#
#   view_accessibility.sh GALLERY VIEW STATE CHECK.py
# CHECK.py imports viewtesting_atspi (this folder) and exits 0 when what it
# read is right.
set -uo pipefail
gallery=${1:?usage: view_accessibility.sh GALLERY VIEW STATE CHECK.py} view=${2:?} state=${3:?} check=${4:?}
here=$(cd "$(dirname "$0")" && pwd)
xvfb=$here/../DesignSystem/gallery/with_xvfb.sh

if [ -z "${VIEW_A11Y_INNER:-}" ]; then
  export VIEW_A11Y_INNER=1
  exec dbus-run-session -- "$xvfb" "$0" "$@"
fi

pids=()
stop() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done; wait 2>/dev/null; }
trap stop EXIT
/usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 & pids+=($!)
log=$(mktemp)
QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 "$gallery" --view "$view" --state "$state" >"$log" 2>&1 &
pids+=($!)
VIEW_GALLERY_PID=$! PYTHONPATH=$here${PYTHONPATH:+:$PYTHONPATH} /usr/bin/python3 "$check"
status=$?
[ $status -eq 0 ] || { echo "view_accessibility: the gallery said:"; cat "$log"; }
rm -f "$log"
exit $status
