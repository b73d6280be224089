// Whether a process is being traced, and by whom. A tracer (ptrace) reads
// and writes the traced process's memory and registers: the genuine app,
// started under an unprivileged program's PTRACE_TRACEME, runs whatever its
// tracer makes it run while every file it maps is still the genuine one.
// The peer check sees that in /proc/<pid>/status ("TracerPid"), and the
// tracer's own credentials there too ("Uid": real, effective, saved, file
// system), which anyone may read.
//
// The status text is the kernel's (a process's name in it has its line
// breaks escaped), but it is read capped all the same.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string_view>

#include "platform/codesign/CodeSigning.hpp"

namespace zephrane::codesign {

inline constexpr std::size_t kMaxStatusBytes = 64 * 1024;

// The number after "<field>:" on the first line that starts with it, in a
// status text; none when there is no such line or it holds no number.
std::optional<long long> statusNumber(std::string_view status, std::string_view field);
// The four ids of the "Uid:" line; none when it is missing or malformed.
std::optional<std::vector<uid_t>> statusUids(std::string_view status);

// The tracer of live process `pid`: none when nothing traces it. A status
// that cannot be read, or a tracer whose credentials cannot be, gives a
// Tracer without uids (which no requirement trusts).
std::optional<Tracer> tracerOf(pid_t pid);

}  // namespace zephrane::codesign
