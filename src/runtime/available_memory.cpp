#include "runtime/available_memory.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "runtime/error.h"

namespace velmora {

std::optional<std::uint64_t> available_memory() {
  std::optional<std::uint64_t> out;
  std::ifstream meminfo("/proc/meminfo");
  for (std::string line; std::getline(meminfo, line);) {
    if (line.rfind("MemAvailable:", 0) != 0) continue;
    std::istringstream fields(line.substr(13));
    std::uint64_t kb = 0;
    if (fields >> kb) out = kb * 1024;
    break;
  }
  rlimit limit{};
  if (::getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
    std::uint64_t used_pages = 0;
    std::ifstream statm("/proc/self/statm");
    statm >> used_pages;
    const std::uint64_t used = used_pages * static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
    const std::uint64_t left = limit.rlim_cur > used ? limit.rlim_cur - used : 0;
    out = out ? std::min(*out, left) : left;
  }
  return out;
}

std::string memory_text(double bytes) {
  const char* units[] = {"bytes", "KB", "MB", "GB", "TB", "PB"};
  int u = 0;
  while (bytes >= 1024 && u < 5) {
    bytes /= 1024;
    ++u;
  }
  char text[64];
  if (u == 0 || bytes >= 100)
    std::snprintf(text, sizeof text, "%.0f %s", bytes, units[u]);
  else
    std::snprintf(text, sizeof text, "%.1f %s", bytes, units[u]);
  return text;
}

void check_memory(double bytes, const std::string& what) {
  const std::optional<std::uint64_t> available = available_memory();
  if (!available || bytes <= static_cast<double>(*available)) return;
  throw RuntimeError(what + " needs about " + memory_text(bytes) + " of memory; this machine has " +
                     memory_text(static_cast<double>(*available)) + " available.");
}

}  // namespace velmora
