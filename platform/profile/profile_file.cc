// Profile (INI) files read and written with the rules of the Windows profile
// functions.  Reading parses the whole file (the files are small; an
// unchanged file is served from a cache) without any lock: writers replace
// the file by rename, so a reader always sees one whole version.  Writing
// edits the text line by line so that every line it does not touch stays as
// it was.  Text is UTF-8 inside: a UTF-16LE file (with its BOM) is converted
// on the way in and back on the way out; any other file's bytes pass as they
// are, a UTF-8 BOM skipped.
#include "profile/profile_file.h"

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
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
#include "keltrane/ktrt.h"

namespace kt::profile {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16Bom = "\xFF\xFE";

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

std::string_view TrimLeading(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  return text;
}

std::string_view TrimTrailing(std::string_view text) {
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

std::string_view TrimBlanks(std::string_view text) {
  return TrimTrailing(TrimLeading(text));
}

// One pair of matching quotes around a value goes, as Windows drops them.
std::string_view Unquoted(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return value;
}

// ---- Encodings -----------------------------------------------------------

enum class Encoding { kBytes, kUtf8Bom, kUtf16 };

// A file's text as the parser sees it: without its BOM, UTF-16 as UTF-8.
struct Text {
  Encoding encoding = Encoding::kBytes;
  std::string body;
  std::string odd_byte;  // a UTF-16 file's stray last byte, put back as it was
};

Text Decode(std::string content) {
  Text text;
  if (content.starts_with(kUtf16Bom)) {
    text.encoding = Encoding::kUtf16;
    std::u16string units((content.size() - kUtf16Bom.size()) / 2, u'\0');
    for (size_t i = 0; i < units.size(); ++i) {
      const size_t at = kUtf16Bom.size() + 2 * i;
      units[i] = static_cast<char16_t>(static_cast<unsigned char>(content[at]) |
                                       static_cast<unsigned char>(content[at + 1]) << 8);
    }
    if (content.size() % 2 != 0) text.odd_byte = content.substr(content.size() - 1);
    text.body = base::Utf16ToUtf8(units);
  } else if (content.starts_with(kUtf8Bom)) {
    text.encoding = Encoding::kUtf8Bom;
    text.body = content.substr(kUtf8Bom.size());
  } else {
    text.body = std::move(content);
  }
  return text;
}

std::string Encode(const Text& text) {
  switch (text.encoding) {
    case Encoding::kUtf8Bom:
      return std::string(kUtf8Bom) + text.body;
    case Encoding::kUtf16: {
      std::string out(kUtf16Bom);
      for (char16_t unit : base::Utf8ToUtf16(text.body)) {
        out.push_back(static_cast<char>(unit & 0xFF));
        out.push_back(static_cast<char>(unit >> 8));
      }
      return out + text.odd_byte;
    }
    case Encoding::kBytes:
      break;
  }
  return text.body;
}

// Byte length of the UTF-8 character at the start of text (not empty); 1
// for a byte that starts no complete, valid sequence.
size_t CharLength(std::string_view text) {
  const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(0);
  size_t length = 0;
  // The second byte's range rules out overlong forms, surrogates and values above U+10FFFF.
  unsigned char low = 0x80, high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 1;
  }
  if (text.size() < length || byte(1) < low || byte(1) > high) return 1;
  for (size_t k = 2; k < length; ++k) {
    if (byte(k) < 0x80 || byte(k) > 0xBF) return 1;
  }
  return length;
}

// ---- Lines ----------------------------------------------------------------

// One line of the file.  `text` excludes the line end; `end` is the line end
// as found ("\r\n", "\n", "\r" or "" for a last line without one).
struct Line {
  std::string_view text;
  std::string_view end;
};

// Windows ends a line at CR LF, LF or a lone CR, mixed freely.  A file that
// starts with a NUL reads as empty there, so it has no lines here.
std::vector<Line> SplitLines(std::string_view body) {
  std::vector<Line> lines;
  if (body.starts_with('\0')) return lines;
  size_t pos = 0;
  while (pos < body.size()) {
    size_t stop = std::min(body.find_first_of("\r\n", pos), body.size());
    size_t next = stop;
    if (next < body.size()) next += body.compare(next, 2, "\r\n") == 0 ? 2 : 1;
    lines.push_back({body.substr(pos, stop - pos), body.substr(stop, next - stop)});
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

// A header is '[' (after blanks) up to the last ']' on the line; a key line
// is anything else holding '=', ';' lines included (Windows finds ";k=v" as
// key ";k").  A NUL ends the line's text.
Parsed ParseLine(std::string_view text) {
  std::string_view body = TrimBlanks(text.substr(0, text.find('\0')));
  if (body.starts_with('[')) {
    size_t close = body.rfind(']');
    if (close != std::string_view::npos)
      return {LineKind::kSection, TrimBlanks(body.substr(1, close - 1)), {}};
  }
  size_t eq = body.find('=');
  if (eq == std::string_view::npos) return {};
  return {LineKind::kKey, TrimBlanks(body.substr(0, eq)), Unquoted(TrimBlanks(body.substr(eq + 1)))};
}

// Where a key stands in the file: the first section whose name matches, and
// in it the first key whose name matches.  Section "" is the part before the
// first header; a "[]" header is another section that no name reaches.
struct Location {
  bool section = false;            // the section is there (section "" always is)
  std::optional<size_t> header;    // index of its header line
  std::optional<size_t> key;       // index of the key line
  std::string_view key_name;       // the key's spelling in the file
  std::optional<size_t> last_key;  // last key line of the section
};

// section and key come trimmed.
Location Find(const std::vector<Line>& lines, std::string_view section, std::string_view key) {
  Location at;
  at.section = section.empty();
  bool inside = at.section;
  for (size_t i = 0; i < lines.size(); ++i) {
    Parsed p = ParseLine(lines[i].text);
    if (p.kind == LineKind::kSection) {
      if (inside) break;  // only the first matching section counts
      if (!section.empty() && base::EqualsNoCase(p.name, section)) {
        inside = at.section = true;
        at.header = i;
      }
    } else if (inside && p.kind == LineKind::kKey) {
      at.last_key = i;
      if (!at.key && base::EqualsNoCase(p.name, key)) {
        at.key = i;
        at.key_name = p.name;
      }
    }
  }
  return at;
}

// The most of a file that is read.  Profile files hold a few kilobytes; a
// file past this is no profile file (a log or a dump given by mistake), and
// taking it in whole could exhaust memory.  It reads as unreadable: reads
// give the default, and writes fail rather than cut it down.
constexpr off_t kMaxFileBytes = off_t{16} << 20;

// Opens path (following a link) only when it is a regular file, with info
// its status.  The open itself never waits: without O_NONBLOCK a FIFO's open
// waits for the other end, so the flag is set for the open and cleared once
// the file is known to be regular.  -1 with errno set otherwise.
int OpenRegular(const std::string& path, int flags, struct stat& info, mode_t mode = 0) {
  int fd = open(path.c_str(), flags | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, mode);
  if (fd < 0) return -1;
  int error = 0;
  if (fstat(fd, &info) != 0) {
    error = errno;
  } else if (!S_ISREG(info.st_mode)) {
    error = EINVAL;
  } else {
    int status = fcntl(fd, F_GETFL);
    if (status < 0 || fcntl(fd, F_SETFL, status & ~O_NONBLOCK) != 0) error = errno;
  }
  if (error == 0) return fd;
  close(fd);
  errno = error;
  return -1;
}

// Whole content of a regular file of at most kMaxFileBytes, with info the
// status of the file read; nullopt with errno set when it cannot be read or
// is not such a file.  A file that grows past the limit while it is read
// (or reports no size, as /proc files do) is stopped at the limit.
std::optional<std::string> ReadRegular(const std::string& path, struct stat& info) {
  int fd = OpenRegular(path, O_RDONLY, info);
  if (fd < 0) return std::nullopt;
  std::string content;
  int error = info.st_size > kMaxFileBytes ? EFBIG : 0;
  char chunk[8192];
  while (error == 0) {
    ssize_t n = read(fd, chunk, sizeof chunk);
    if (n > 0) {
      if (content.size() + static_cast<size_t>(n) > static_cast<size_t>(kMaxFileBytes)) error = EFBIG;
      content.append(chunk, static_cast<size_t>(n));
    } else if (n == 0) {
      break;
    } else if (errno != EINTR) {
      error = errno;
    }
  }
  close(fd);
  if (error == 0) return content;
  errno = error;
  return std::nullopt;
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

// The body with key set to value in section.  Names are matched trimmed and
// written without their leading blanks, as Windows writes them; a replaced
// key keeps the file's spelling.  Untouched lines are copied with their own
// line ends.  New lines take the first line's end, CR LF when there is none.
std::string Edit(std::string_view body, std::string_view section, std::string_view key,
                 std::string_view value) {
  std::vector<Line> lines = SplitLines(body);
  std::string_view eol = "\r\n";
  if (!lines.empty() && !lines.front().end.empty()) eol = lines.front().end;

  Location at = Find(lines, TrimBlanks(section), TrimBlanks(key));
  std::string key_line(at.key ? at.key_name : TrimLeading(key));
  key_line.append("=").append(TrimLeading(value));

  std::string out;
  out.reserve(body.size() + key_line.size() + section.size() + 8);
  auto copy = [&](size_t i) { out.append(lines[i].text).append(lines[i].end); };
  // A last line without an end gets one before anything follows it.
  auto closed = [&](size_t i) {
    out.append(lines[i].text).append(lines[i].end.empty() ? eol : lines[i].end);
  };

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
    std::optional<size_t> after = at.last_key ? at.last_key : at.header;
    // Section "" without keys yet: its first key becomes the first line.
    if (!after) return out.append(key_line).append(eol).append(body);
    for (size_t i = 0; i < lines.size(); ++i) {
      if (i != *after) {
        copy(i);
        continue;
      }
      closed(i);
      out.append(key_line).append(eol);
    }
    return out;
  }
  std::string added = "[";
  added.append(TrimLeading(section)).append("]").append(eol).append(key_line).append(eol);
  // An empty file, or one that reads as empty (it starts with a NUL): the
  // new section goes first, where it can be read, and the old bytes follow.
  if (lines.empty()) return added.append(body);
  for (size_t i = 0; i + 1 < lines.size(); ++i) copy(i);
  closed(lines.size() - 1);
  if (!TrimBlanks(lines.back().text).empty()) out.append(eol);  // blank line before the new section
  return out.append(added);
}

// The process's file creation mask, read without changing it (umask() would
// have to set it, which races with other threads).
mode_t CurrentUmask() {
  struct stat info {};
  if (auto status = ReadRegular("/proc/self/status", info)) {
    size_t at = status->find("\nUmask:");
    if (at != std::string::npos) {
      return static_cast<mode_t>(std::strtoul(status->c_str() + at + 7, nullptr, 8)) & 0777;
    }
  }
  return 022;
}

// A group that fchown leaves as it is.
constexpr gid_t kSameGroup = static_cast<gid_t>(-1);

std::string DirectoryOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// Holds an exclusive flock on <file>.lock for its lifetime.  The lock file
// is opened without following a link and must be a regular file: writers
// may run with more rights than whoever can write the folder, and a link
// planted there would have them create or open any file it names.  Whoever
// creates the lock file gives it mode and group, those of the profile file,
// so that whoever may write that file may open this one whatever the
// creator's umask.  One who may only read it locks it read-only: flock
// needs no more.
class LockFile {
 public:
  LockFile(const std::string& target, mode_t mode, gid_t group) {
    const std::string path = target + ".lock";
    struct stat info {};
    // A few rounds for the race with another writer that creates the file
    // between our two opens.
    for (int round = 0; round < 4 && fd_ < 0; ++round) {
      fd_ = OpenRegular(path, O_RDWR | O_NOFOLLOW, info);
      if (fd_ < 0 && errno == EACCES) fd_ = OpenRegular(path, O_RDONLY | O_NOFOLLOW, info);
      if (fd_ >= 0 || errno != ENOENT) break;
      fd_ = OpenRegular(path, O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW, info, mode);
      if (fd_ >= 0) {
        // The creation mode went through the umask and the group is ours.
        // Both are best effort: the lock works for us either way.
        if (fchown(fd_, static_cast<uid_t>(-1), group) != 0) {
          // Not a group of ours: others then open it by its mode alone.
        }
        fchmod(fd_, mode);
      } else if (errno != EEXIST) {
        break;
      }
    }
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

// Writing past the file size limit (RLIMIT_FSIZE) raises SIGXFSZ, whose
// default action ends the process.  While this is held the signal is blocked
// for the calling thread, so such a write fails with EFBIG instead; the
// disposition, which belongs to the program, is not touched.
class FileSizeSignalBlock {
 public:
  FileSizeSignalBlock() {
    sigemptyset(&signal_);
    sigaddset(&signal_, SIGXFSZ);
    pthread_sigmask(SIG_BLOCK, &signal_, &saved_);
    sigset_t pending;
    sigemptyset(&pending);
    was_pending_ = sigpending(&pending) == 0 && sigismember(&pending, SIGXFSZ) == 1;
  }
  ~FileSizeSignalBlock() { pthread_sigmask(SIG_SETMASK, &saved_, nullptr); }
  FileSizeSignalBlock(const FileSizeSignalBlock&) = delete;
  FileSizeSignalBlock& operator=(const FileSizeSignalBlock&) = delete;

  // Takes the SIGXFSZ a failed write raised, so that it is not delivered
  // when the mask is restored.  One that was pending before is the caller's
  // and stays.
  void ConsumeRaised() {
    if (was_pending_) return;
    const timespec now{};
    while (sigtimedwait(&signal_, nullptr, &now) < 0 && errno == EINTR) {
    }
  }

 private:
  sigset_t signal_;
  sigset_t saved_;
  bool was_pending_ = false;
};

// Writes content to a temporary file beside target and renames it over
// target.  The new file gets mode and group (the old file's, kSameGroup when
// there is none) before it becomes visible, so the people who
// shared the old file share the new one; a group we may not give (not one of
// ours) leaves the writer's own, with the mode kept anyway.  On any failure
// (a full disk, the file size limit) the temporary file goes and target
// stays as it was.
bool ReplaceFile(const std::string& target, const std::string& content, mode_t mode, gid_t group,
                 bool existed) {
  FileSizeSignalBlock signal_block;
  std::string temp = target + ".XXXXXX";
  int fd = mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = WriteAll(fd, content);
  if (!ok && errno == EFBIG) signal_block.ConsumeRaised();
  // The group goes first: a change of group clears the set-group-ID bit.
  if (ok && fchown(fd, static_cast<uid_t>(-1), group) != 0 && errno != EPERM) ok = false;
  ok = ok && fchmod(fd, mode) == 0 && fsync(fd) == 0;
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
// the same while its device, inode, size, modification time and change time
// (to the nanosecond) are; our own writes replace the file (a new inode) and
// drop its entry.  Any other change moves the change time, which, unlike the
// modification time, user space cannot set back: a rewrite in place that
// keeps the size and restores the modification time (cp -p, touch -r, an
// unpacked archive) is seen too.  File times move in coarse ticks, so two
// changes close together can leave the same times and size: a file changed
// less than kRacy before it was read is never served from the cache (the
// scheme git uses for its index).

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
  timespec ctime;
  std::string content;  // the body as the parser sees it (Text::body)
  // "section\x1fkey" (lower case) -> value, with the rules of Find: the first
  // section of a name only, the first key of a name in it.
  std::unordered_map<std::string, std::string_view> values;

  bool racy;  // modified too shortly before it was read to be trusted later

  bool Matches(const struct stat& st) const {
    return !racy && st.st_dev == dev && st.st_ino == ino && st.st_size == size &&
           st.st_mtim.tv_sec == mtime.tv_sec && st.st_mtim.tv_nsec == mtime.tv_nsec &&
           st.st_ctim.tv_sec == ctime.tv_sec && st.st_ctim.tv_nsec == ctime.tv_nsec;
  }
};

void Index(Snapshot& snap) {
  // Lines before the first header are section ""; a "[]" header comes after
  // it, so like any later section of a known name it is never searched.
  std::unordered_set<std::string> seen{""};
  std::string current;
  bool live = true;
  for (const Line& line : SplitLines(snap.content)) {
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

// A snapshot and the member call (KtCallNumber) that last found it current:
// within one call every read of the file is served without asking the file
// system again, as GetModemInformation's twenty-one keys are.
struct Cached {
  std::shared_ptr<const Snapshot> snap;
  ULONG checked_in = 0;
};
std::mutex cache_mutex;
std::unordered_map<std::string, Cached> cache;

void Forget(const std::string& path) {
  std::lock_guard lock(cache_mutex);
  cache.erase(path);
}

// The file's parsed content, or nullptr when it cannot be read or is not a
// regular file of at most kMaxFileBytes.
std::shared_ptr<const Snapshot> Load(const std::string& path) {
  const ULONG call = KtCallNumber();
  if (call != 0) {
    std::lock_guard lock(cache_mutex);
    auto it = cache.find(path);
    if (it != cache.end() && it->second.checked_in == call) return it->second.snap;
  }
  struct stat st {};
  // Anything else is refused before it is opened: opening a device can
  // itself act on it.
  if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > kMaxFileBytes) return nullptr;
  {
    std::lock_guard lock(cache_mutex);
    auto it = cache.find(path);
    if (it != cache.end() && it->second.snap->Matches(st)) {
      it->second.checked_in = call;
      return it->second.snap;
    }
  }
  // The identity is taken from the descriptor the content is read through.
  std::optional<std::string> raw = ReadRegular(path, st);
  if (!raw) return nullptr;
  auto snap = std::make_shared<Snapshot>();
  snap->dev = st.st_dev;
  snap->ino = st.st_ino;
  snap->size = st.st_size;
  snap->mtime = st.st_mtim;
  snap->ctime = st.st_ctim;
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  snap->racy = Nanos(now) - std::max(Nanos(st.st_mtim), Nanos(st.st_ctim)) < kRacyNanos;
  snap->content = Decode(std::move(*raw)).body;
  Index(*snap);
  std::lock_guard lock(cache_mutex);
  if (cache.size() >= kCachedFiles) cache.clear();
  cache[path] = {snap, call};
  return snap;
}

}  // namespace

size_t GetPrivateProfileString(const std::string& section, const std::string& key,
                               const std::string& default_value, std::string& buffer, size_t size,
                               const std::string& file) {
  buffer.clear();
  if (size == 0) return 0;
  // Windows drops the default's trailing blanks (not its leading ones), then
  // a pair of quotes around it.
  std::string_view result = Unquoted(TrimTrailing(default_value));

  std::shared_ptr<const Snapshot> snap = Load(file);
  if (snap) {
    auto it = snap->values.find(Lowered(TrimBlanks(section), TrimBlanks(key)));
    if (it != snap->values.end()) result = it->second;  // points into snap's content, alive here
  }
  // size counts characters: a UTF-8 sequence is one and is never cut.
  size_t bytes = 0, chars = 0;
  for (; bytes < result.size() && chars < size - 1; ++chars) bytes += CharLength(result.substr(bytes));
  buffer.assign(result.substr(0, bytes));
  return chars;
}

bool WritePrivateProfileString(const std::string& section, const std::string& key, const std::string& value,
                               const std::string& file) {
  if (file.empty()) return false;

  // Through a symbolic link the file it names is the one to change; the link
  // itself stays.
  std::string target = file;
  struct stat link_info {};
  if (lstat(file.c_str(), &link_info) == 0 && S_ISLNK(link_info.st_mode)) {
    char resolved[PATH_MAX];
    if (realpath(file.c_str(), resolved) == nullptr) return false;
    target = resolved;
  }

  // What is not a profile file is refused before a lock file is made for it.
  struct stat info {};
  const mode_t new_file_mode = 0666 & ~CurrentUmask();
  mode_t mode = new_file_mode;
  gid_t group = kSameGroup;
  if (stat(target.c_str(), &info) == 0) {
    if (!S_ISREG(info.st_mode) || info.st_size > kMaxFileBytes) return false;
    mode = info.st_mode & 07777;
    group = info.st_gid;
  } else if (errno != ENOENT) {
    return false;
  }

  LockFile lock(target, mode & 0666, group);
  if (!lock.held()) return false;

  // The content as it is now, under the lock: another writer may have
  // changed it since any earlier read.
  std::string content;
  bool existed = false;
  if (std::optional<std::string> current = ReadRegular(target, info)) {
    content = std::move(*current);
    existed = true;
    mode = info.st_mode & 07777;
    group = info.st_gid;
  } else if (errno == ENOENT) {
    mode = new_file_mode;
    group = kSameGroup;
  } else {
    return false;
  }
  if (existed && access(target.c_str(), W_OK) != 0) return false;

  Text text = Decode(std::move(content));
  text.body = Edit(text.body, section, key, value);
  const bool written = ReplaceFile(target, Encode(text), mode, group, existed);
  Forget(file);
  Forget(target);
  return written;
}

}  // namespace kt::profile
