// The logging component: one line per entry appended to the suite's log.
//
// Line format (UTF-8, fields separated by one TAB, ended by LF):
//   <UTC time, 2026-12-05T23:11:02.123Z> TAB <level> TAB <source> TAB
//   <message> TAB <error number, or "-" for a plain entry> LF
// Inside source and message a backslash is written \\, CR, LF and TAB as
// \r, \n and \t, any other control byte as \xHH, so every entry is exactly
// one line and reads back unambiguously.
//
// The file is opened for appending and every line goes out in a single
// write, so processes sharing the log never interleave or overwrite each
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
#include <ctime>
#include <string>

#include "com_object.h"
#include "components.h"
#include "keltrane/components.h"
#include "keltrane/ktrt.h"
#include "locations.h"
#include "os/os.h"

namespace kt::suite {
namespace {

constexpr char kComponent[] = "Logger";

// Every entry is one line that reads back unambiguously: the backslash and
// every control byte are escaped, CR, LF and TAB as \r, \n and \t, the
// others as \xHH.
void AppendEscaped(std::string& line, std::string_view field) {
  const auto plain = [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte >= 0x20 && byte != 0x7F && c != '\\';
  };
  size_t i = 0;
  while (i < field.size()) {
    // Text to log is mostly plain: copy each run of it in one go.
    size_t end = i;
    while (end < field.size() && plain(field[end])) ++end;
    line.append(field.data() + i, end - i);
    if (end == field.size()) break;
    const char c = field[end];
    i = end + 1;
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
        const auto byte = static_cast<unsigned char>(c);
        line += "\\x";
        line += kHex[byte >> 4];
        line += kHex[byte & 0xF];
      }
    }
  }
}

// A member call writes a line at entry, one per step and one at exit, so
// the time is written digit by digit rather than through printf.
void AppendTimestamp(std::string& line) {
  int millis = 0;
  const std::tm t = os::UtcNow(millis);
  const auto put = [&line](int value, int digits) {
    char text[8];
    for (int i = digits - 1; i >= 0; --i, value /= 10) text[i] = static_cast<char>('0' + value % 10);
    line.append(text, static_cast<size_t>(digits));
  };
  put(t.tm_year + 1900, 4);
  line += '-';
  put(t.tm_mon + 1, 2);
  line += '-';
  put(t.tm_mday, 2);
  line += 'T';
  put(t.tm_hour, 2);
  line += ':';
  put(t.tm_min, 2);
  line += ':';
  put(t.tm_sec, 2);
  line += '.';
  put(millis, 3);
  line += 'Z';
}

std::string FormatLine(LONG level, const std::string& source, const std::string& message,
                       const std::string& error) {
  std::string line;
  line.reserve(48 + source.size() + message.size() + error.size());
  AppendTimestamp(line);
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

// True when the file was rotated away (the open file is then no longer
// the log's); else `size` is the file's size now.
bool RotateIfFull(const std::string& path, const os::AppendFile& file, long long max, long long& size) {
  size = file.Size();
  if (size < max) return false;
  os::WithLock(path + ".lock", [&] {
    // Another process may have rotated while this one waited.
    if (os::SizeOf(path) < max) return;
    const int keep = LogKeep();
    if (keep == 0) {
      os::Remove(path);
      return;
    }
    for (int n = keep - 1; n >= 1; --n)
      os::Rename(path + "." + std::to_string(n), path + "." + std::to_string(n + 1));
    os::Rename(path, path + ".1");
  });
  return true;
}

class Logger final : public ComObject<IKtLogger, IID_IKtLogger> {
 public:
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
    const std::string line = FormatLine(level, BstrToUtf8(source), BstrToUtf8(message), error);
    const std::string path = LogPath(storage_);
    std::string why;
    if (!IsOpenOn(path)) {
      if (!file_.Open(path, why))
        return Fail(E_FAIL, kComponent, "cannot open log file " + path + ": " + why);
      path_ = path;
      size_ = file_.size_at_open();
    }
    if (!file_.Append(line, why)) {
      file_.Close();
      return Fail(E_FAIL, kComponent, "cannot write to log file " + path + ": " + why);
    }
    // The size is tracked from our own writes, so the file is asked only
    // once it may be full; other processes' lines only make it fuller.
    size_ += static_cast<long long>(line.size());
    const long long max = LogMaxBytes();
    if (max > 0 && size_ >= max && RotateIfFull(path, file_, max, size_)) file_.Close();
    return S_OK;
  }

  // Whether the open file is still the file at `path`; asked of the file
  // system once per member call (a call writes a line at entry, one per
  // step, one at exit), always outside one.
  bool IsOpenOn(const std::string& path) {
    if (!file_.IsOpen() || path != path_) return false;
    if (!same_file_.Due()) return true;
    return os::IdOf(path) == file_.id();
  }

  const std::string storage_ = StorageFolder();  // of the library that created this logger
  os::AppendFile file_;
  std::string path_;
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
  os::AppendFile file;
  std::string why;
  if (file.Open(LogPath(storage), why)) file.Append(line, why);
}

}  // namespace kt::suite
