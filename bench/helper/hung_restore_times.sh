#!/usr/bin/env bash
# How long the daemon takes to hand the fans back when one key of the restore
# hangs. For each restore key in turn: the simulated two-fan laptop and the
# daemon, an app client that engages fan 0 and beats, then that key made to
# hang and the client killed. Prints the time from the kill until every
# other restore key reads automatic (0); then, with the fault cleared, when
# the watchdog tried again and when every key read automatic.
#
# Usage: bench/helper/hung_restore_times.sh [build dir] [runs per key]    (as root)
set -euo pipefail

build=$(cd "${1:-build}" && pwd)
runs=${2:-3}
sim="$build/sim/zephrane-sim"
daemon="$build/ZephraneHelper/com.zephrane.Fanwarden"
app="$build/tests/ZephraneHelper/helper_e2e_probe_app"

work=$(mktemp -d -t zfw-restore-XXXXXX)
chmod 0755 "$work"
pids=()
cleanup() {
    exec 2>/dev/null
    for pid in "${pids[@]}"; do kill -KILL "$pid" || true; done
    wait || true
    rm -rf "$work"
}
trap cleanup EXIT

wait_for() {  # condition, what
    for _ in $(seq 400); do
        if eval "$1"; then return 0; fi
        sleep 0.05
    done
    echo "timed out waiting for $2" >&2
    exit 1
}

# Kills the client, then watches the keys through the control socket.
measure() {  # control socket, hung key, client pid, daemon log
    python3 - "$@" <<'PY'
import json, os, signal, socket, struct, sys, time
control, hung, client, log = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4]
keys = ["F0Md", "F1Md", "Ftst"]
s = socket.socket(socket.AF_UNIX)
s.connect(control)
def ask(command):
    body = json.dumps(command).encode()
    s.sendall(struct.pack(">I", len(body)) + body)
    size = struct.unpack(">I", s.recv(4, socket.MSG_WAITALL))[0]
    return json.loads(s.recv(size, socket.MSG_WAITALL))
def value(key):
    return ask({"command": "readKey", "key": key}).get("value")
before = {k: value(k) for k in keys}
ask({"command": "hang", "key": hung})
t0 = time.monotonic()
os.kill(client, signal.SIGKILL)
others = [k for k in keys if k != hung]
while any(value(k) != 0 for k in others):
    if time.monotonic() - t0 > 30: sys.exit(f"{hung}: the other keys not back in 30 s")
    time.sleep(0.002)
t1 = time.monotonic()
# The watchdog stays armed for what was left: it fails safe once more a
# heartbeat time-out later, and with the fault cleared that restore is whole.
def logged(text):
    with open(log) as f: return f.read().count(text)
while logged("no answer within") == 0:  # the hung write given up
    if time.monotonic() - t0 > 30: sys.exit(f"{hung}: its write never given up")
    time.sleep(0.002)
ask({"command": "clearFaults"})
def retries(): return logged("heartbeat lost")
while retries() == 0:
    if time.monotonic() - t0 > 30: sys.exit(f"{hung}: no retry by the watchdog in 30 s")
    time.sleep(0.002)
t2 = time.monotonic()
while any(value(k) != 0 for k in keys):
    if time.monotonic() - t0 > 30: sys.exit(f"{hung}: not every key back after the retry")
    time.sleep(0.002)
t3 = time.monotonic()
print(f"{hung} hung (before: {before}): the others automatic after {(t1 - t0) * 1000:.0f} ms; "
      f"the watchdog's retry {(t2 - t0) * 1000:.0f} ms after the kill, every key automatic at {(t3 - t0) * 1000:.0f} ms")
PY
}

for key in F0Md F1Md Ftst; do
    for run in $(seq "$runs"); do
        dir="$work/$key-$run"
        mkdir -m 0755 "$dir"
        "$sim" --dir "$dir" --machine two-fan-laptop --allow-writers 0 >"$dir/sim.log" 2>&1 &
        simpid=$!
        pids+=("$simpid")
        wait_for "[ -S '$dir/control.sock' ]" "the simulator"
        ZEPHRANE_SIM_DIR="$dir" ZEPHRANE_XPC_DIR="$dir" "$daemon" >"$dir/daemon.log" 2>&1 &
        daemonpid=$!
        pids+=("$daemonpid")
        wait_for "grep -q 'helper .* started' '$dir/daemon.log'" "the daemon"
        "$app" "$dir" 0 7000 hold >"$dir/app.out" 2>&1 &
        client=$!
        pids+=("$client")
        disown "$client"  # killed on purpose: no job notice
        wait_for "grep -q '^reply' '$dir/app.out'" "the client's engage"
        measure "$dir/control.sock" "$key" "$client" "$dir/daemon.log"
        kill -KILL "$daemonpid" "$simpid" 2>/dev/null || true
        wait "$daemonpid" "$simpid" 2>/dev/null || true
    done
done
