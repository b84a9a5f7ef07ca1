// Writing files safely: to a temporary name beside the target, then renamed.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace velmora {

/// A file being written in place of `target`. The bytes go to a new temporary
/// file beside the target, ".NAME.velmora-XXXXXXXXXXXX.tmp" (X: random hex
/// digits), created exclusively and never through a link (a name already taken,
/// by a file or a planted link, is skipped for another), readable by its owner
/// only and locked while it is written. commit() gives it the target's mode and
/// owner (as far as this process may; a new file gets 0666 less the umask) and
/// renames it into place, so an existing file is replaced only by a complete
/// new one. Destroyed before commit(), the temporary is removed and the target
/// is untouched. A target that is a link to a file is written through the link
/// (notice() names the file written);
/// a character device (a terminal, /dev/null) and a pipe that a program reads
/// are written directly, since there is no old content to keep; a named pipe
/// that no program reads (which would hold the writer for ever), any other
/// existing target that is not a regular file, and a read-only file are
/// refused. A dangling link is replaced by the file, and a file with other
/// hard links leaves them the old content: notice() says so. Starting also
/// removes temporaries of the same target left behind by a process that was
/// killed (older than an hour and not locked).
class PendingFile {
 public:
  /// Throws RuntimeError naming `target` when the temporary cannot be made.
  /// `token`, when given, supplies the random part of the names tried (tests).
  explicit PendingFile(const std::filesystem::path& target, std::function<std::uint64_t()> token = {});
  ~PendingFile();
  PendingFile(const PendingFile&) = delete;
  PendingFile& operator=(const PendingFile&) = delete;

  /// Appends bytes; throws RuntimeError naming the target when they cannot be
  /// written (a full disk, a closed pipe).
  void write(std::string_view bytes);
  /// Flushes to the disk, closes and puts the file in place; returns the number
  /// of bytes written. Throws RuntimeError naming the target on failure (the
  /// target is then untouched).
  std::uintmax_t commit();

  /// The temporary file (the target itself when it is written directly).
  const std::filesystem::path& temporary() const { return temporary_; }
  /// What the user should know of how the target is replaced ("" mostly).
  const std::string& notice() const { return notice_; }

 private:
  [[noreturn]] void fail(const std::string& why);

  std::filesystem::path target_;
  std::filesystem::path temporary_;
  std::string notice_;
  int fd_ = -1;
  bool direct_ = false;
  bool done_ = false;
  std::uintmax_t bytes_ = 0;
};

/// Whether two paths name one file: the same file reached through any spelling
/// or link when it exists, the same absolute path, normalised, when it does not.
bool same_file(const std::filesystem::path& a, const std::filesystem::path& b);

/// Writes `bytes` to `path` as a PendingFile. Throws RuntimeError naming the
/// path when it cannot be written. Returns the number of bytes; `note`, when
/// given, hears the file's notice() when it has one.
std::uintmax_t write_file_atomically(const std::filesystem::path& path, std::string_view bytes,
                                     const std::function<void(const std::string&)>& note = {});

}  // namespace velmora
