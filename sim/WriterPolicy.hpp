// Who may write SMC keys through the server: by default only root, as on the
// real machine where only a privileged process may change fan keys. The
// peer's uid comes from the socket (SO_PEERCRED), never from the peer.
#pragma once

#include <set>
#include <sys/types.h>

namespace zephrane::sim {

struct WriterPolicy {
    bool anyone = false;
    std::set<uid_t> uids{0};

    bool allows(uid_t uid) const { return anyone || uids.contains(uid); }

    static WriterPolicy everyone() { return {true, {}}; }
    static WriterPolicy only(std::set<uid_t> uids) { return {false, std::move(uids)}; }

    friend bool operator==(const WriterPolicy&, const WriterPolicy&) = default;
};

}  // namespace zephrane::sim
