// The logging component: one line per entry appended to the suite's log.
//
// Line format (UTF-8, fields separated by one TAB, ended by LF):
//   <UTC time, 2026-12-05T23:11:02.123Z> TAB <level> TAB <source> TAB
//   <message> TAB <error number, or "-" for a plain entry> LF
// Inside source and message a backslash is written \\, CR, LF and TAB as
// \r, \n and \t, any other control byte as \xHH, so every entry is exactly
// one line and reads back unambiguously.
//
// The file is opened with O_APPEND and every line goes out in a single
// write(), so processes sharing the log never interleave or overwrite each
// other's lines.  A component keeps its file open between entries (members
// log several lines per call) and opens it again when the setting names
// another file or the file at the path is no longer the one it holds
// (rotated by another process, removed).
//
// Rotation: when the file has grown past the host setting "log-max-bytes"
// (default 10 MiB; the size is counted from our own writes and checked on
// the file once that count reaches it), it becomes <log>.1, <log>.1 becomes
// <log>.2 and so on up to "log-keep" files (default 5); the oldest goes.
// Rotation happens under an advisory lock on <log>.lock and re-checks the
// size there, so of several processes seeing a full log only one rotates it.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <string>

#include "com_object.h"
#include "components.h"
#include "keltrane/components.h"
#include "keltrane/ktrt.h"
#include "locations.h"

namespace kt::suite {
namespace {

constexpr char kComponent[] = "Logger";

// Every entry is one line that reads back unambiguously: the backslash and
// every control byte are escaped, CR, LF and TAB as \r, \n and \t, the
// others as \xHH.
void AppendEscaped(std::string& line, std::string_view field) {
  for (char c : field) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte != 0x7F && c != '\\') {
      line += c;
      continue;
    }
    switch (c) {
      case '\\':
        line += "\\\\";
        break;
      case '\r':
        line += "\\r";
        break;
      case '\n':
        line += "\\n";
        break;
      case '\t':
        line += "\\t";
        break;
      default: {
        static constexpr char kHex[] = "0123456789ABCDEF";
        line += "\\x";
        line += kHex[byte >> 4];
        line += kHex[byte & 0xF];
      }
    }
  }
}

std::string Timestamp() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  tm parts{};
  gmtime_r(&now.tv_sec, &parts);
  char text[96];
  snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", parts.tm_year + 1900, parts.tm_mon + 1,
           parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec, static_cast<int>(now.tv_nsec / 1000000));
  return text;
}

std::string FormatLine(LONG level, const std::string& source, const std::string& message,
                       const std::string& error) {
  std::string line = Timestamp();
  line += '\t';
  line += std::to_string(level);
  line += '\t';
  AppendEscaped(line, source);
  line += '\t';
  AppendEscaped(line, message);
  line += '\t';
  line += error;
  line += '\n';
  return line;
}

// Opens a file of ours for appending or locking, creating it when missing:
// never through a symbolic link (a link planted in a shared folder would
// make us write wherever it points), never blocking (a FIFO would hang every
// caller), and only a regular file.  -1 with `why` set otherwise.
int OpenOwnFile(const std::string& path, int flags, std::string& why, struct stat* info = nullptr) {
  const int fd = open(path.c_str(), flags | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0644);
  if (fd < 0) {
    why = errno == ELOOP ? "it is a symbolic link" : std::strerror(errno);
    return -1;
  }
  struct stat local {};
  struct stat& st = info != nullptr ? *info : local;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    why = "it is not a regular file";
    close(fd);
    return -1;
  }
  return fd;
}

// True when the file was rotated away (the open descriptor is then no
// longer the log's); else `size` is the file's size now.
bool RotateIfFull(const std::string& path, int fd, long long max, long long& size) {
  struct stat st {};
  if (fstat(fd, &st) != 0) return false;
  size = st.st_size;
  if (size < max) return false;
  const std::string lock_path = path + ".lock";
  std::string why;
  const int lock = OpenOwnFile(lock_path, O_WRONLY, why);
  if (lock < 0) return false;
  if (flock(lock, LOCK_EX) == 0) {
    // Another process may have rotated while this one waited.
    if (stat(path.c_str(), &st) == 0 && st.st_size >= max) {
      const int keep = LogKeep();
      if (keep == 0) {
        unlink(path.c_str());
      } else {
        for (int n = keep - 1; n >= 1; --n)
          rename((path + "." + std::to_string(n)).c_str(), (path + "." + std::to_string(n + 1)).c_str());
        rename(path.c_str(), (path + ".1").c_str());
      }
    }
    flock(lock, LOCK_UN);
  }
  close(lock);
  return true;
}

class Logger final : public ComObject<IKtLogger, IID_IKtLogger> {
 public:
  ~Logger() override { Close(); }

  HRESULT Reserved1() override { return E_NOTIMPL; }
  HRESULT Reserved2() override { return E_NOTIMPL; }

  HRESULT LogEntry(LONG level, BSTR source, BSTR message) override {
    return Append(level, source, message, "-");
  }
  HRESULT LogErrorEntry(LONG level, BSTR source, BSTR message, LONG error_number) override {
    return Append(level, source, message, std::to_string(error_number));
  }

 private:
  HRESULT Append(LONG level, BSTR source, BSTR message, const std::string& error) {
    const std::string line = FormatLine(level, ToUtf8(source), ToUtf8(message), error);
    const std::string path = LogPath(storage_);
    if (!IsOpenOn(path)) {
      Close();
      std::string why;
      struct stat st {};
      fd_ = OpenOwnFile(path, O_WRONLY | O_APPEND, why, &st);
      if (fd_ < 0) return Fail(E_FAIL, kComponent, "cannot open log file " + path + ": " + why);
      path_ = path;
      dev_ = st.st_dev;
      ino_ = st.st_ino;
      size_ = st.st_size;
    }
    ssize_t written;
    do {
      written = write(fd_, line.data(), line.size());
    } while (written < 0 && errno == EINTR);
    const int write_error = errno;
    if (written == static_cast<ssize_t>(line.size())) {
      // The size is tracked from our own writes, so the file is asked only
      // once it may be full; other processes' lines only make it fuller.
      size_ += written;
      const long long max = LogMaxBytes();
      if (max > 0 && size_ >= max && RotateIfFull(path, fd_, max, size_)) Close();
    }
    if (written != static_cast<ssize_t>(line.size())) {
      Close();
      const std::string why = written < 0 ? std::strerror(write_error) : "the line was written only in part";
      return Fail(E_FAIL, kComponent, "cannot write to log file " + path + ": " + why);
    }
    return S_OK;
  }

  // Whether the open file is still the file at `path`; asked of the file
  // system once per member call (a call writes a line at entry, one per
  // step, one at exit), always outside one.
  bool IsOpenOn(const std::string& path) {
    if (fd_ < 0 || path != path_) return false;
    if (!same_file_.Due()) return true;
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && st.st_dev == dev_ && st.st_ino == ino_;
  }

  void Close() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
  }

  const std::string storage_ = StorageFolder();  // of the library that created this logger
  int fd_ = -1;
  std::string path_;
  dev_t dev_ = 0;
  ino_t ino_ = 0;
  long long size_ = 0;  // of the open file, as far as we know
  OncePerCall same_file_;
};

}  // namespace

HRESULT CreateLogger(REFIID riid, void** ppv) {
  return CreateAndQuery<Logger>(riid, ppv);
}

void LogDiagnostic(const std::string& storage, const std::string& source, const std::string& message,
                   HRESULT hr) {
  const std::string line = FormatLine(1, "KeltraneSuite." + source, message, std::to_string(hr));
  std::string why;
  const int fd = OpenOwnFile(LogPath(storage), O_WRONLY | O_APPEND, why);
  if (fd < 0) return;
  ssize_t written;
  do {
    written = write(fd, line.data(), line.size());
  } while (written < 0 && errno == EINTR);
  close(fd);
}

}  // namespace kt::suite
