#include "runtime/file_write.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <random>
#include <string>

#include "runtime/error.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;

constexpr const char* kMark = ".velmora-";
constexpr const char* kEnd = ".tmp";
constexpr int kTokenDigits = 12;
constexpr std::time_t kStaleAfter = 3600;  // seconds

// The longest file name the system takes, and what the temporary adds to the
// target's: ".", the mark, the digits and the end.
constexpr std::size_t kLongestName = 255;
constexpr std::size_t kAdded = 1 + 9 + kTokenDigits + 4;

// The target's name as the temporary carries it: cut so that the temporary's
// name stays within the system's limit (a target of 229 to 255 characters
// has a legal name too).
std::string name_part(const std::string& target_name) {
  return target_name.substr(0, std::min(target_name.size(), kLongestName - kAdded));
}

std::string temporary_name(const std::string& target_name, std::uint64_t token) {
  char digits[kTokenDigits + 1];
  std::snprintf(digits, sizeof digits, "%012llx", static_cast<unsigned long long>(token & 0xffffffffffffULL));
  return "." + name_part(target_name) + kMark + digits + kEnd;
}

bool is_temporary_of(const std::string& name, const std::string& target_name) {
  const std::string prefix = "." + name_part(target_name) + kMark;
  const std::size_t length = prefix.size() + kTokenDigits + std::strlen(kEnd);
  if (name.size() != length || name.compare(0, prefix.size(), prefix) != 0 || !name.ends_with(kEnd)) return false;
  for (std::size_t i = prefix.size(); i < prefix.size() + kTokenDigits; ++i)
    if (!std::isxdigit(static_cast<unsigned char>(name[i]))) return false;
  return true;
}

// Temporaries of this target left by a process that was killed while writing:
// older than an hour and not locked by a writer.
void remove_stale_temporaries(const fs::path& folder, const std::string& target_name) {
  std::error_code ec;
  fs::directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec);
  const std::time_t now = std::time(nullptr);
  for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
    const fs::path path = it->path();
    if (!is_temporary_of(path.filename().string(), target_name)) continue;
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || now - st.st_mtime < kStaleAfter) continue;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) continue;
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) ::unlink(path.c_str());
    ::close(fd);
  }
}

// The mode a new file gets: 0666 less the process's umask.
mode_t new_file_mode() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("Umask:", 0) == 0) return 0666 & ~static_cast<mode_t>(std::strtol(line.c_str() + 6, nullptr, 8));
  const mode_t mask = ::umask(022);
  ::umask(mask);
  return 0666 & ~mask;
}

}  // namespace

PendingFile::PendingFile(const fs::path& target, std::function<std::uint64_t()> token) : target_(target) {
  std::error_code ec;
  if (fs::is_symlink(target_, ec)) {
    const fs::path real = fs::canonical(target_, ec);
    if (!ec) {
      // A file saved through a link changes the file the link names, which
      // may lie anywhere: the user hears where. (The links of /dev and /proc,
      // such as /dev/stdout, are the program's own streams.)
      const std::string spelled = target_.string();
      if (!spelled.starts_with("/dev/") && !spelled.starts_with("/proc/") && fs::is_regular_file(real, ec))
        notice_ = spelled + " is a link to " + real.string() + ": that file was written, the link stays.";
      target_ = real;
    } else if (fs::status(target_, ec).type() == fs::file_type::not_found) {
      // A dangling link (a link into /proc, as /dev/stdout is, does not
      // resolve to a name but reaches an open file: it is written through).
      const fs::path to = fs::read_symlink(target_, ec);
      notice_ = target_.string() + " was a link to " + to.string() +
                ", which does not exist; the link was replaced by the file written.";
    }
  }
  const fs::file_status status = fs::status(target_, ec);
  if (status.type() == fs::file_type::directory) {
    temporary_ = target_;
    direct_ = true;
    fail("it is a folder");
  }
  // A named pipe no one reads would hold the program for ever: it is opened
  // only when a reader is there (without one, the open fails at once). A
  // socket or a device of blocks is no file to save into; a character
  // device (a terminal, /dev/null) takes the bytes at once.
  if (status.type() == fs::file_type::fifo) {
    temporary_ = target_;
    direct_ = true;
    fd_ = ::open(target_.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd_ < 0)
      fail(errno == ENXIO ? "it is a named pipe that no program reads; choose a file" : std::strerror(errno));
    ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) & ~O_NONBLOCK);
    return;
  }
  if (fs::exists(status) && status.type() != fs::file_type::regular && status.type() != fs::file_type::character) {
    temporary_ = target_;
    direct_ = true;
    fail("it is not a regular file; choose a file");
  }
  if (status.type() == fs::file_type::regular) {
    struct stat st {};
    if (::stat(target_.c_str(), &st) == 0) {
      if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
        temporary_ = target_;
        direct_ = true;
        fail("it is read-only; make it writable or choose another name");
      }
      if (st.st_nlink > 1)
        notice_ += (notice_.empty() ? "" : " ") + target_.string() + " had " + std::to_string(st.st_nlink - 1) +
                   " other name" + (st.st_nlink > 2 ? "s" : "") +
                   " (hard links): they keep the old content, the new content is under this name only.";
    }
  }
  if (fs::exists(status) && status.type() != fs::file_type::regular) {
    temporary_ = target_;
    direct_ = true;
    fd_ = ::open(target_.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (fd_ < 0) fail(std::strerror(errno));
    return;
  }

  const fs::path folder = target_.has_parent_path() ? target_.parent_path() : fs::path(".");
  const std::string name = target_.filename().string();
  remove_stale_temporaries(folder, name);
  std::random_device random;
  for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
    const std::uint64_t t = token ? token() : (static_cast<std::uint64_t>(random()) << 32) ^ random();
    temporary_ = folder / temporary_name(name, t);
    // Exclusive and not through a link: a name that is taken, even by a link
    // planted there, is never opened.
    fd_ = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd_ < 0 && errno != EEXIST) {
      const int error = errno;
      temporary_.clear();
      fail(std::strerror(error));
    }
  }
  if (fd_ < 0) {
    temporary_.clear();
    fail("no free name for a temporary file beside it");
  }
  ::flock(fd_, LOCK_EX | LOCK_NB);  // tells a later writer that this one is alive
}

PendingFile::~PendingFile() {
  if (done_) return;
  if (fd_ >= 0) ::close(fd_);
  if (!direct_ && !temporary_.empty()) ::unlink(temporary_.c_str());
}

void PendingFile::fail(const std::string& why) {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!direct_ && !temporary_.empty()) ::unlink(temporary_.c_str());
  done_ = true;
  throw RuntimeError("Cannot write the file " + target_.string() + ": " + why);
}

void PendingFile::write(std::string_view bytes) {
  const char* p = bytes.data();
  std::size_t left = bytes.size();
  while (left > 0) {
    const ssize_t n = ::write(fd_, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      fail(std::strerror(errno));
    }
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  bytes_ += bytes.size();
}

std::uintmax_t PendingFile::commit() {
  if (!direct_) {
    if (::fsync(fd_) != 0 && errno != EINVAL && errno != EROFS) fail(std::strerror(errno));
    // The old file's owner and mode (the owner first: a change of owner can
    // clear the set-id bits that the mode then gives back).
    struct stat st {};
    if (::stat(target_.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
      if (st.st_uid != ::geteuid() || st.st_gid != ::getegid()) (void)!::fchown(fd_, st.st_uid, st.st_gid);
      ::fchmod(fd_, st.st_mode & 07777);
    } else {
      ::fchmod(fd_, new_file_mode());
    }
  }
  const int closed = ::close(fd_);
  fd_ = -1;
  if (closed != 0 && errno != EINTR) fail(std::strerror(errno));
  if (!direct_ && ::rename(temporary_.c_str(), target_.c_str()) != 0) fail(std::strerror(errno));
  done_ = true;
  return bytes_;
}

bool same_file(const fs::path& a, const fs::path& b) {
  std::error_code ec;
  if (fs::equivalent(a, b, ec)) return true;
  const fs::path x = fs::absolute(a, ec).lexically_normal();
  if (ec) return false;
  return x == fs::absolute(b, ec).lexically_normal() && !ec;
}

std::uintmax_t write_file_atomically(const fs::path& path, std::string_view bytes,
                                     const std::function<void(const std::string&)>& note) {
  PendingFile file(path);
  file.write(bytes);
  const std::uintmax_t written = file.commit();
  if (note && !file.notice().empty()) note(file.notice());
  return written;
}

}  // namespace velmora
