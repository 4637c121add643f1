// What the suite's components ask of the operating system, one header for
// Linux and Windows: which file a path names now, the log's append-only
// file, an advisory lock, renames, the clock.  os_posix.cc and os_win.cc
// are the two answers; the components above them stay portable C++.
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <string_view>

namespace kt::suite::os {

// The identity of a file (device and inode; volume and file index): two
// paths, or one path at two moments, name the same file when equal.
struct FileId {
  uint64_t volume = 0;
  uint64_t index = 0;
  bool operator==(const FileId&) const = default;
  bool Exists() const { return volume != 0 || index != 0; }
};

// The file at `path` now; an empty FileId when there is none.
FileId IdOf(const std::string& path);

// A file of ours opened for appending, created when missing: never through
// a symbolic link (one planted in a shared folder would make us write
// wherever it points), never blocking (a FIFO would hang every caller), and
// only a regular file.  Each Append is one write of the whole text at the
// end of the file, so processes sharing it never interleave lines.
class AppendFile {
 public:
  AppendFile() = default;
  ~AppendFile() { Close(); }
  AppendFile(const AppendFile&) = delete;
  AppendFile& operator=(const AppendFile&) = delete;

  // False with `why` set when the file cannot be ours.
  bool Open(const std::string& path, std::string& why);
  bool Append(std::string_view text, std::string& why);
  bool IsOpen() const { return handle_ != kClosed; }
  void Close();

  FileId id() const { return id_; }
  // The size when opened; the file's own size when asked (-1 on failure).
  long long size_at_open() const { return size_at_open_; }
  long long Size() const;

 private:
  static constexpr intptr_t kClosed = -1;
  intptr_t handle_ = kClosed;  // a descriptor on Linux, a HANDLE on Windows
  FileId id_;
  long long size_at_open_ = 0;
};

// Runs `work` while holding an exclusive advisory lock on the file
// `lock_path` (created when missing, under the same rules as AppendFile);
// false, without running it, when the lock cannot be had.
bool WithLock(const std::string& lock_path, const std::function<void()>& work);

// The size of the file at `path`, -1 when there is none.
long long SizeOf(const std::string& path);
// Renames, replacing a file at `to`; removes.  False on failure.
bool Rename(const std::string& from, const std::string& to);
bool Remove(const std::string& path);

// Now, in UTC, with its milliseconds.
std::tm UtcNow(int& millis);

// Runs `reset` in the child after a fork (Linux); Windows has no fork.
void AtForkInChild(void (*reset)());

}  // namespace kt::suite::os
