// How much memory a large allocation may still count on.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace velmora {

/// The bytes this process can still allocate: the smaller of what the machine
/// has available (MemAvailable in /proc/meminfo) and what is left under the
/// process's address-space limit (ulimit -v). Nothing when neither is known.
std::optional<std::uint64_t> available_memory();

/// Throws RuntimeError "WHAT needs about X of memory; this machine has Y
/// available." when `bytes` is more than available_memory() (nothing is
/// checked when that is unknown). `what` starts the sentence.
void check_memory(double bytes, const std::string& what);

/// A byte count for people: "512 bytes", "240 MB", "18.3 GB".
std::string memory_text(double bytes);

}  // namespace velmora
