// Profile (INI) files read and written with the rules of the Windows profile
// functions.  Reading parses the whole file each time (the files are small)
// without any lock: writers replace the file by rename, so a reader always
// sees one whole version.  Writing edits the text line by line so that every
// line it does not touch stays byte for byte as it was.
#include "profile/profile_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "base/vbtext.h"

namespace kt::profile {
namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// One line of the file.  `text` excludes the line end; `end` is the line end
// as found ("\n", "\r\n" or "" for a last line without one).
struct Line {
  std::string_view text;
  std::string_view end;
};

// Splits on '\n'; a '\r' just before it (or at the very end of the file)
// belongs to the line end, not to the line.
std::vector<Line> SplitLines(std::string_view content) {
  std::vector<Line> lines;
  size_t pos = 0;
  while (pos < content.size()) {
    size_t nl = content.find('\n', pos);
    size_t stop = nl == std::string_view::npos ? content.size() : nl;
    size_t text_end = stop;
    if (text_end > pos && content[text_end - 1] == '\r') --text_end;
    size_t next = nl == std::string_view::npos ? content.size() : nl + 1;
    lines.push_back({content.substr(pos, text_end - pos), content.substr(text_end, next - text_end)});
    pos = next;
  }
  return lines;
}

enum class LineKind { kOther, kSection, kKey };

struct Parsed {
  LineKind kind = LineKind::kOther;
  std::string_view name;   // section or key name, trimmed
  std::string_view value;  // key value, trimmed and unquoted
};

Parsed ParseLine(std::string_view text) {
  std::string_view body = TrimBlanks(text);
  if (body.empty() || body.front() == ';') return {};
  if (body.front() == '[') {
    body.remove_prefix(1);
    size_t close = body.find(']');
    if (close != std::string_view::npos) body = body.substr(0, close);
    return {LineKind::kSection, TrimBlanks(body), {}};
  }
  size_t eq = body.find('=');
  if (eq == std::string_view::npos) return {};
  std::string_view value = TrimBlanks(body.substr(eq + 1));
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return {LineKind::kKey, TrimBlanks(body.substr(0, eq)), value};
}

// Where a key stands in the file: the first section whose name matches, and
// in it the first key whose name matches.  Lines before any section header
// belong to no section.
struct Location {
  std::optional<size_t> section;   // index of the header line
  std::optional<size_t> key;       // index of the key line
  std::optional<size_t> last_key;  // last key line of the section
  std::string_view value;
};

Location Find(const std::vector<Line>& lines, std::string_view section, std::string_view key) {
  Location at;
  bool inside = false;
  for (size_t i = 0; i < lines.size(); ++i) {
    Parsed p = ParseLine(lines[i].text);
    if (p.kind == LineKind::kSection) {
      if (inside) break;  // only the first matching section counts
      if (base::EqualsNoCase(p.name, section)) {
        inside = true;
        at.section = i;
      }
    } else if (inside && p.kind == LineKind::kKey) {
      at.last_key = i;
      if (!at.key && base::EqualsNoCase(p.name, key)) {
        at.key = i;
        at.value = p.value;
      }
    }
  }
  return at;
}

// Whole content of a file; nullopt with errno set when it cannot be read.
std::optional<std::string> ReadAll(const std::string& path) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  std::string content;
  char chunk[8192];
  for (;;) {
    ssize_t n = read(fd, chunk, sizeof chunk);
    if (n > 0) {
      content.append(chunk, static_cast<size_t>(n));
    } else if (n == 0) {
      break;
    } else if (errno != EINTR) {
      int saved = errno;
      close(fd);
      errno = saved;
      return std::nullopt;
    }
  }
  close(fd);
  return content;
}

bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    ssize_t n = write(fd, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

std::string_view BodyWithoutBom(std::string_view content) {
  if (content.substr(0, kBom.size()) == kBom) content.remove_prefix(kBom.size());
  return content;
}

// A line's end as a real line break: a last line without one takes eol, and
// a lone '\r' ending the file gets its '\n' (the line's text stays the same).
std::string_view Closed(const Line& line, std::string_view eol) {
  if (line.end.empty()) return eol;
  return line.end.back() == '\n' ? line.end : std::string_view("\r\n");
}

// The content with key set to value in section.  Untouched lines are copied
// with their own line ends.  New lines take the file's line end: CRLF when the
// first line ends in CRLF or the file is empty, LF otherwise.
std::string Edit(std::string_view content, std::string_view section, std::string_view key,
                 std::string_view value) {
  std::string_view body = BodyWithoutBom(content);
  std::string_view bom = content.substr(0, content.size() - body.size());
  std::vector<Line> lines = SplitLines(body);
  std::string_view eol = "\r\n";
  if (!lines.empty() && lines.front().end != "\r\n") eol = "\n";

  std::string key_line;
  key_line.append(key).append("=").append(value);

  Location at = Find(lines, section, key);
  std::string out(bom);
  out.reserve(content.size() + key_line.size() + section.size() + 8);
  auto copy = [&](size_t i) { out.append(lines[i].text).append(lines[i].end); };

  if (at.key) {
    for (size_t i = 0; i < lines.size(); ++i) {
      if (i == *at.key) {
        out.append(key_line).append(lines[i].end);
      } else {
        copy(i);
      }
    }
    return out;
  }
  if (at.section) {
    size_t after = at.last_key.value_or(*at.section);
    for (size_t i = 0; i < lines.size(); ++i) {
      if (i != after) {
        copy(i);
        continue;
      }
      out.append(lines[i].text).append(Closed(lines[i], eol));
      out.append(key_line).append(eol);
    }
    return out;
  }
  out.append(body);
  if (!lines.empty()) {
    out.append(Closed(lines.back(), eol).substr(lines.back().end.size()));  // what the last end lacks
    if (!TrimBlanks(lines.back().text).empty()) out.append(eol);  // blank line before the new section
  }
  out.append("[").append(section).append("]").append(eol);
  out.append(key_line).append(eol);
  return out;
}

// The process's file creation mask, read without changing it (umask() would
// have to set it, which races with other threads).
mode_t CurrentUmask() {
  if (auto status = ReadAll("/proc/self/status")) {
    size_t at = status->find("\nUmask:");
    if (at != std::string::npos) {
      return static_cast<mode_t>(std::strtoul(status->c_str() + at + 7, nullptr, 8)) & 0777;
    }
  }
  return 022;
}

std::string DirectoryOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// Holds an exclusive flock on <file>.lock for its lifetime.
class LockFile {
 public:
  explicit LockFile(const std::string& target) {
    fd_ = open((target + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd_ < 0) return;
    while (flock(fd_, LOCK_EX) != 0) {
      if (errno != EINTR) {
        close(fd_);
        fd_ = -1;
        return;
      }
    }
  }
  ~LockFile() {
    if (fd_ >= 0) close(fd_);  // closing releases the lock
  }
  LockFile(const LockFile&) = delete;
  LockFile& operator=(const LockFile&) = delete;
  bool held() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

// Writes content to a temporary file beside target and renames it over
// target.  mode is given to the new file before it becomes visible.
bool ReplaceFile(const std::string& target, const std::string& content, mode_t mode, bool existed) {
  std::string temp = target + ".XXXXXX";
  int fd = mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = WriteAll(fd, content) && fchmod(fd, mode) == 0 && fsync(fd) == 0;
  ok = close(fd) == 0 && ok;
  // rename would replace a file we may not write ourselves; refuse as the
  // file's own permission would.
  if (ok && existed && access(target.c_str(), W_OK) != 0) ok = false;
  if (ok && rename(temp.c_str(), target.c_str()) != 0) ok = false;
  if (!ok) {
    unlink(temp.c_str());
    return false;
  }
  // Make the rename itself durable.
  int dir = open(DirectoryOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    fsync(dir);
    close(dir);
  }
  return true;
}

// ---- Read cache --------------------------------------------------------
// Reads of an unchanged file skip reading and parsing it again.  A file is
// the same while its device, inode, size and modification time (to the
// nanosecond) are; our own writes replace the file (a new inode) and drop
// its entry, and any other writer changes at least the time or the size.
// File times move in coarse ticks, so two writes close together can leave
// the same time and size: a file modified less than kRacy before it was read
// is never served from the cache (the scheme git uses for its index).

std::string Lowered(std::string_view section, std::string_view key) {
  std::string out = base::ToLowerAscii(section);
  out += '\x1f';
  out += base::ToLowerAscii(key);
  return out;
}

struct Snapshot {
  dev_t dev;
  ino_t ino;
  off_t size;
  timespec mtime;
  std::string content;
  // "section\x1fkey" (lower case) -> value, with the rules of Find: the first
  // section of a name only, the first key of a name in it.
  std::unordered_map<std::string, std::string_view> values;

  bool racy;  // modified too shortly before it was read to be trusted later

  bool Matches(const struct stat& st) const {
    return !racy && st.st_dev == dev && st.st_ino == ino && st.st_size == size &&
           st.st_mtim.tv_sec == mtime.tv_sec && st.st_mtim.tv_nsec == mtime.tv_nsec;
  }
};

void Index(Snapshot& snap) {
  std::unordered_set<std::string> seen;
  std::string current;
  bool live = false;
  for (const Line& line : SplitLines(BodyWithoutBom(snap.content))) {
    Parsed p = ParseLine(line.text);
    if (p.kind == LineKind::kSection) {
      current = base::ToLowerAscii(p.name);
      live = seen.insert(current).second;
    } else if (live && p.kind == LineKind::kKey) {
      snap.values.try_emplace(Lowered(current, p.name), p.value);
    }
  }
}

constexpr size_t kCachedFiles = 32;
constexpr int64_t kRacyNanos = 100'000'000;

int64_t Nanos(const timespec& t) {
  return static_cast<int64_t>(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

std::mutex cache_mutex;
std::unordered_map<std::string, std::shared_ptr<const Snapshot>> cache;

void Forget(const std::string& path) {
  std::lock_guard lock(cache_mutex);
  cache.erase(path);
}

// The file's parsed content, or nullptr when it cannot be read.
std::shared_ptr<const Snapshot> Load(const std::string& path) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) return nullptr;
  {
    std::lock_guard lock(cache_mutex);
    auto it = cache.find(path);
    if (it != cache.end() && it->second->Matches(st)) return it->second;
  }
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  auto snap = std::make_shared<Snapshot>();
  // The identity is taken from the descriptor the content is read through.
  if (fstat(fd, &st) != 0) {
    close(fd);
    return nullptr;
  }
  snap->dev = st.st_dev;
  snap->ino = st.st_ino;
  snap->size = st.st_size;
  snap->mtime = st.st_mtim;
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  snap->racy = Nanos(now) - Nanos(st.st_mtim) < kRacyNanos;
  char chunk[8192];
  for (;;) {
    ssize_t n = read(fd, chunk, sizeof chunk);
    if (n > 0) {
      snap->content.append(chunk, static_cast<size_t>(n));
    } else if (n == 0) {
      break;
    } else if (errno != EINTR) {
      close(fd);
      return nullptr;
    }
  }
  close(fd);
  Index(*snap);
  std::lock_guard lock(cache_mutex);
  if (cache.size() >= kCachedFiles) cache.clear();
  cache[path] = snap;
  return snap;
}

}  // namespace

size_t GetPrivateProfileString(const std::string& section, const std::string& key,
                               const std::string& default_value, std::string& buffer, size_t size,
                               const std::string& file) {
  buffer.clear();
  if (size == 0) return 0;
  std::string_view result = default_value;
  while (!result.empty() && IsBlank(result.back())) result.remove_suffix(1);

  std::shared_ptr<const Snapshot> snap;
  if (!section.empty() && !key.empty()) snap = Load(file);
  if (snap) {
    auto it = snap->values.find(Lowered(section, key));
    if (it != snap->values.end()) result = it->second;  // points into snap's content, alive here
  }
  buffer.assign(result.substr(0, size - 1));
  return buffer.size();
}

bool WritePrivateProfileString(const std::string& section, const std::string& key, const std::string& value,
                               const std::string& file) {
  if (section.empty() || key.empty() || file.empty()) return false;

  // Through a symbolic link the file it names is the one to change; the link
  // itself stays.
  std::string target = file;
  struct stat link_info {};
  if (lstat(file.c_str(), &link_info) == 0 && S_ISLNK(link_info.st_mode)) {
    char resolved[PATH_MAX];
    if (realpath(file.c_str(), resolved) == nullptr) return false;
    target = resolved;
  }

  LockFile lock(target);
  if (!lock.held()) return false;

  // The content as it is now, under the lock: another writer may have
  // changed it since any earlier read.
  std::string content;
  bool existed = false;
  mode_t mode = 0666 & ~CurrentUmask();
  if (std::optional<std::string> current = ReadAll(target)) {
    struct stat info {};
    if (stat(target.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
    content = std::move(*current);
    existed = true;
    mode = info.st_mode & 07777;
  } else if (errno != ENOENT) {
    return false;
  }
  if (existed && access(target.c_str(), W_OK) != 0) return false;

  const bool written = ReplaceFile(target, Edit(content, section, key, value), mode, existed);
  Forget(file);
  Forget(target);
  return written;
}

}  // namespace kt::profile
