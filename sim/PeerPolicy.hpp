// Which peers the server lets do something privileged: write SMC keys (by
// default only root, as on the real machine where only a privileged process
// may change fan keys) or control the machine through control.sock (by
// default root only as well: fault injection can hang the keys the daemon's
// restore needs). The peer's uid comes from the socket (SO_PEERCRED), never
// from the peer.
#pragma once

#include <set>
#include <sys/types.h>

namespace zephrane::sim {

struct PeerPolicy {
    bool anyone = false;
    std::set<uid_t> uids{0};

    bool allows(uid_t uid) const { return anyone || uids.contains(uid); }

    static PeerPolicy everyone() { return {true, {}}; }
    static PeerPolicy only(std::set<uid_t> uids) { return {false, std::move(uids)}; }

    friend bool operator==(const PeerPolicy&, const PeerPolicy&) = default;
};

}  // namespace zephrane::sim
