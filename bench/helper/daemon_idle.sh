#!/usr/bin/env bash
# The daemon at rest, as it spends most of its life: started against the
# simulated two-fan laptop with no client, then watched for a while. Prints
# its CPU time over the window (utime + stime from /proc/<pid>/stat, in clock
# ticks, and the threads' run time from schedstat, in nanoseconds) as a share
# of one core, and its resident memory (VmRSS).
#
# Usage: bench/helper/daemon_idle.sh [build dir] [seconds]    (as root)
set -euo pipefail

build=$(cd "${1:-build}" && pwd)
window=${2:-10}
sim="$build/sim/zephrane-sim"
daemon="$build/ZephraneHelper/com.zephrane.Fanwarden"

dir=$(mktemp -d /tmp/zfw-idle-XXXXXX)
pids=()
cleanup() {
    exec 2>/dev/null  # no job notices
    for pid in "${pids[@]}"; do kill -TERM "$pid" || true; done
    wait || true
    rm -rf "$dir"
}
trap cleanup EXIT

wait_for() {  # condition, what
    for _ in $(seq 200); do
        if eval "$1"; then return 0; fi
        sleep 0.05
    done
    echo "timed out waiting for $2" >&2
    exit 1
}

"$sim" --dir "$dir" --machine two-fan-laptop --allow-writers 0 >"$dir/sim.log" 2>&1 &
pids+=($!)
wait_for "[ -S '$dir/AppleSMC.sock' ]" "the simulator"

ZEPHRANE_SIM_DIR="$dir" ZEPHRANE_XPC_DIR="$dir" "$daemon" >"$dir/daemon.log" 2>&1 &
pid=$!
pids+=("$pid")
wait_for "grep -q 'helper .* started' '$dir/daemon.log'" "the daemon"
sleep 1  # past start-up

# Fields 14 and 15 of stat, counted after the ")" that ends the name.
ticks() { sed 's/.*) //' "/proc/$pid/stat" | awk '{ print $12 + $13 }'; }
# First field of each thread's schedstat: nanoseconds on a CPU.
run_ns() { cat /proc/"$pid"/task/*/schedstat | awk '{ sum += $1 } END { printf "%d\n", sum }'; }

hz=$(getconf CLK_TCK)
t0=$(date +%s%N); ticks0=$(ticks); ns0=$(run_ns)
sleep "$window"
t1=$(date +%s%N); ticks1=$(ticks); ns1=$(run_ns)
rss=$(awk '/^VmRSS/ { print $2 }' "/proc/$pid/status")
threads=$(ls "/proc/$pid/task" | wc -l)

awk -v t0="$t0" -v t1="$t1" -v k0="$ticks0" -v k1="$ticks1" -v n0="$ns0" -v n1="$ns1" -v hz="$hz" \
    -v rss="$rss" -v threads="$threads" 'BEGIN {
    wall = (t1 - t0) / 1e9
    printf "window              %.2f s\n", wall
    printf "CPU (stat ticks)    %d ticks of 1/%d s = %.4f %% of a core\n", k1 - k0, hz, (k1 - k0) / hz / wall * 100
    printf "CPU (schedstat)     %.3f ms = %.4f %% of a core\n", (n1 - n0) / 1e6, (n1 - n0) / 1e9 / wall * 100
    printf "VmRSS               %d KiB (%.2f MiB)\n", rss, rss / 1024
    printf "threads             %d\n", threads
}'
