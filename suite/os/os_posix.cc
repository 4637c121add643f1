// The suite's operating-system needs on Linux (see os.h).
#include <fcntl.h>
#include <pthread.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "os/os.h"

namespace kt::suite::os {
namespace {

int OpenOwn(const std::string& path, int flags, std::string& why, struct stat& st) {
  const int fd = open(path.c_str(), flags | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0644);
  if (fd < 0) {
    why = errno == ELOOP ? "it is a symbolic link" : std::strerror(errno);
    return -1;
  }
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    why = "it is not a regular file";
    close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

FileId IdOf(const std::string& path) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) return {};
  return {static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)};
}

bool AppendFile::Open(const std::string& path, std::string& why) {
  Close();
  struct stat st {};
  const int fd = OpenOwn(path, O_WRONLY | O_APPEND, why, st);
  if (fd < 0) return false;
  handle_ = fd;
  id_ = {static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)};
  size_at_open_ = st.st_size;
  return true;
}

bool AppendFile::Append(std::string_view text, std::string& why) {
  ssize_t written;
  do {
    written = write(static_cast<int>(handle_), text.data(), text.size());
  } while (written < 0 && errno == EINTR);
  if (written == static_cast<ssize_t>(text.size())) return true;
  why = written < 0 ? std::strerror(errno) : "the line was written only in part";
  return false;
}

void AppendFile::Close() {
  if (handle_ != kClosed) close(static_cast<int>(handle_));
  handle_ = kClosed;
}

long long AppendFile::Size() const {
  struct stat st {};
  return fstat(static_cast<int>(handle_), &st) == 0 ? st.st_size : -1;
}

bool WithLock(const std::string& lock_path, const std::function<void()>& work) {
  std::string why;
  struct stat st {};
  const int fd = OpenOwn(lock_path, O_WRONLY, why, st);
  if (fd < 0) return false;
  const bool locked = flock(fd, LOCK_EX) == 0;
  if (locked) {
    work();
    flock(fd, LOCK_UN);
  }
  close(fd);
  return locked;
}

long long SizeOf(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 ? st.st_size : -1;
}

bool Rename(const std::string& from, const std::string& to) {
  return std::rename(from.c_str(), to.c_str()) == 0;
}

bool Remove(const std::string& path) {
  return unlink(path.c_str()) == 0;
}

std::tm UtcNow(int& millis) {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  std::tm parts{};
  gmtime_r(&now.tv_sec, &parts);
  millis = static_cast<int>(now.tv_nsec / 1000000);
  return parts;
}

void AtForkInChild(void (*reset)()) {
  pthread_atfork(nullptr, nullptr, reset);
}

}  // namespace kt::suite::os
