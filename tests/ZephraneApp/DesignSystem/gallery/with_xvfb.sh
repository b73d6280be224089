#!/usr/bin/env bash
# Runs a command on an X server of its own. Xvfb picks a free display
# number itself (-displayfd), so runs in parallel, ours or anyone else's on
# the machine, never collide. The server goes when the command ends, and not
# before: without -noreset it would reset whenever its last client left, and a
# program connecting just then (the next of several run one after another)
# would find no server.
#
#   with_xvfb.sh COMMAND [ARGS...]
set -uo pipefail
[ $# -gt 0 ] || { echo "usage: with_xvfb.sh COMMAND [ARGS...]" >&2; exit 2; }
number=$(mktemp)
Xvfb -displayfd 3 -screen 0 1280x900x24 -nolisten tcp -ac -noreset 3>"$number" 2>/dev/null &
server=$!
trap 'kill "$server" 2>/dev/null; wait "$server" 2>/dev/null; rm -f "$number"' EXIT
for _ in $(seq 200); do  # the server writes its number once it is ready
  [ -s "$number" ] && break
  kill -0 "$server" 2>/dev/null || { echo "with_xvfb: Xvfb did not start" >&2; exit 1; }
  sleep 0.05
done
[ -s "$number" ] || { echo "with_xvfb: Xvfb gave no display" >&2; exit 1; }
DISPLAY=:$(head -n1 "$number") "$@"
