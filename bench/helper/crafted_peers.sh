#!/usr/bin/env bash
# What hostile local users cost the real daemon: copies of the app's client
# crafted to make the peer check read and keep as much as it will (many note
# sections, huge notes, many identity notes; craft_program.cpp), owned by and
# run as uid 65534, four at a time, while a genuine client holds fan 0 and
# beats every second; and, for comparison, a plain client without an
# identity. Prints, per shape, how long each crafted client took
# to be refused (start to exit) and how they were answered, the daemon's CPU
# time and its peak resident memory (VmHWM) over the round; at the end
# whether the genuine client's link held (no "heartbeat lost", fan 0 still
# manual, the client still running).
#
# Usage: bench/helper/crafted_peers.sh [build dir] [rounds per shape]    (as root)
set -euo pipefail

build=$(cd "${1:-build}" && pwd)
rounds=${2:-5}
sim="$build/sim/zephrane-sim"
daemon="$build/ZephraneHelper/com.zephrane.Fanwarden"
app="$build/tests/ZephraneHelper/helper_e2e_probe_app"
craft="$build/bench/zephrane_bench_craft_program"

work=$(mktemp -d -t zfw-crafted-XXXXXX)
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

shapes=("many_sections 65278 1024 identity" "huge_notes 65278 65536 huge" "many_identity_notes 65278 65536 identity")
for shape in "${shapes[@]}"; do
    read -r name sections bytes fill <<<"$shape"
    "$craft" "$app" "$work/$name" "$sections" "$bytes" "$fill"
    chown 65534:65534 "$work/$name"
done
# For comparison, the cost of refusing any client: one without an identity.
cp "$build/tests/ZephraneHelper/helper_e2e_probe_anonymous" "$work/no_identity"
chown 65534:65534 "$work/no_identity"
shapes=("no_identity" "${shapes[@]}")

"$sim" --dir "$work" --machine two-fan-laptop --allow-writers 0 >"$work/sim.log" 2>&1 &
pids+=($!)
wait_for "[ -S '$work/control.sock' ]" "the simulator"
ZEPHRANE_SIM_DIR="$work" ZEPHRANE_XPC_DIR="$work" "$daemon" >"$work/daemon.log" 2>&1 &
daemonpid=$!
pids+=("$daemonpid")
wait_for "grep -q 'helper .* started' '$work/daemon.log'" "the daemon"
"$app" "$work" 0 7000 hold >"$work/app.out" 2>&1 &
client=$!
pids+=("$client")
wait_for "grep -q '^reply' '$work/app.out'" "the genuine client's engage"
echo "genuine client: $(head -1 "$work/app.out")"

status_kib() { awk -v f="$1:" '$1 == f { print $2 }' "/proc/$daemonpid/status"; }
ticks() { sed 's/.*) //' "/proc/$daemonpid/stat" | awk '{ print $12 + $13 }'; }
hz=$(getconf CLK_TCK)
echo "daemon before: VmRSS $(status_kib VmRSS) KiB, VmHWM $(status_kib VmHWM) KiB"

for shape in "${shapes[@]}"; do
    read -r name _ <<<"$shape"
    echo 5 >"/proc/$daemonpid/clear_refs"  # the peak starts again from now
    ticks0=$(ticks)
    : >"$work/$name.times"
    : >"$work/$name.answers"
    for round in $(seq "$rounds"); do
        batch=()
        for i in 1 2 3 4; do
            (
                t0=$(date +%s%N)
                setpriv --reuid=65534 --regid=65534 --clear-groups "$work/$name" "$work" 0 7000 \
                    >"$work/$name-$round-$i.out" 2>&1 || true
                echo $((($(date +%s%N) - t0) / 1000000)) >>"$work/$name.times"
                head -1 "$work/$name-$round-$i.out" | cut -d' ' -f1-3 >>"$work/$name.answers"
            ) &
            batch+=($!)
        done
        wait "${batch[@]}"
    done
    ticks1=$(ticks)
    sort -n "$work/$name.times" | awk -v name="$name" -v n="$((rounds * 4))" '
        { t[NR] = $1 } END { printf "%-20s %d clients: refused in %d ms median, %d ms max\n", name, n, t[int((NR + 1) / 2)], t[NR] }'
    echo "    answers: $(sort "$work/$name.answers" | uniq -c | tr '\n' ';' | tr -s ' ')"
    echo "    daemon: CPU $(((ticks1 - ticks0) * 1000 / hz)) ms, VmHWM $(status_kib VmHWM) KiB, VmRSS $(status_kib VmRSS) KiB"
done

f0md=$(python3 - "$work/control.sock" <<'PY'
import json, socket, struct, sys
s = socket.socket(socket.AF_UNIX); s.connect(sys.argv[1])
body = json.dumps({"command": "readKey", "key": "F0Md"}).encode()
s.sendall(struct.pack(">I", len(body)) + body)
size = struct.unpack(">I", s.recv(4, socket.MSG_WAITALL))[0]
print(json.loads(s.recv(size, socket.MSG_WAITALL)).get("value"))
PY
)
alive=no
kill -0 "$client" 2>/dev/null && alive=yes
echo "genuine client: running $alive, F0Md $f0md, heartbeat-lost lines $(grep -c 'heartbeat lost' "$work/daemon.log" || true)"
