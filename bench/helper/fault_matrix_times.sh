#!/usr/bin/env bash
# The fault matrix's first rows, timed: the simulated two-fan laptop and the
# daemon, an app client that engages fan 0 and beats every second, then the
# client killed (SIGKILL) or frozen (SIGSTOP). Prints how long after the
# signal every fan read automatic, watched through the control socket.
#
# Usage: bench/helper/fault_matrix_times.sh [build dir] [runs per signal]    (as root)
set -euo pipefail

build=$(cd "${1:-build}" && pwd)
runs=${2:-3}
sim="$build/sim/zephrane-sim"
daemon="$build/ZephraneHelper/com.zephrane.Fanwarden"
app="$build/tests/ZephraneHelper/helper_e2e_probe_app"

work=$(mktemp -d -t zfw-matrix-XXXXXX)
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

measure() {  # control socket, client pid, signal name
    python3 - "$@" <<'PY'
import json, os, signal, socket, struct, sys, time
control, client, name = sys.argv[1], int(sys.argv[2]), sys.argv[3]
s = socket.socket(socket.AF_UNIX)
s.connect(control)
def ask(command):
    body = json.dumps(command).encode()
    s.sendall(struct.pack(">I", len(body)) + body)
    size = struct.unpack(">I", s.recv(4, socket.MSG_WAITALL))[0]
    return json.loads(s.recv(size, socket.MSG_WAITALL))
def automatic():
    return all(ask({"command": "readKey", "key": k}).get("value") == 0 for k in ("F0Md", "F1Md", "Ftst"))
if automatic(): sys.exit("the client had not engaged the fan")
t0 = time.monotonic()
os.kill(client, getattr(signal, name))
while not automatic():
    if time.monotonic() - t0 > 30: sys.exit(f"{name}: the fans stayed manual for 30 s")
    time.sleep(0.001)
print(f"{name}: every fan automatic {(time.monotonic() - t0) * 1000:.1f} ms after the signal")
PY
}

for sig in SIGKILL SIGSTOP; do
    for run in $(seq "$runs"); do
        dir="$work/$sig-$run"
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
        disown "$client"  # signalled on purpose: no job notice
        wait_for "grep -q '^reply' '$dir/app.out'" "the client's engage"
        measure "$dir/control.sock" "$client" "$sig"
        kill -KILL "$client" "$daemonpid" "$simpid" 2>/dev/null || true
        wait "$daemonpid" "$simpid" 2>/dev/null || true
    done
done
