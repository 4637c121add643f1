#include "rt/registry_store.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>

#include "base/vbtext.h"
#include "rt/rt_internal.h"

namespace kt::rt {
namespace {

// Closes a descriptor when it goes out of scope.
struct Fd {
  int fd = -1;
  explicit Fd(int f) : fd(f) {}
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  ~Fd() {
    if (fd >= 0) ::close(fd);
  }
};

std::string ErrnoText() {
  return std::strerror(errno);
}

std::string ParentDir(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// mkdir -p; true when the folder exists afterwards.
bool MakeDirs(const std::string& dir) {
  struct stat st;
  if (::stat(dir.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
  std::string parent = ParentDir(dir);
  if (parent != dir && !MakeDirs(parent)) return false;
  return ::mkdir(dir.c_str(), 0755) == 0 || errno == EEXIST;
}

bool IsStoreShape(const nlohmann::json& doc) {
  if (!doc.is_object()) return false;
  for (const auto& [key, values] : doc.items()) {
    if (!values.is_object()) return false;
    for (const auto& [name, value] : values.items()) {
      if (!value.is_string()) return false;
    }
  }
  return true;
}

enum class LoadState { kMissing, kOk, kCorrupt, kUnreadable };

// Reads and parses the store file.  detail explains kCorrupt / kUnreadable.
LoadState Load(const std::string& path, nlohmann::json* doc, std::string* detail) {
  Fd f(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (f.fd < 0) {
    if (errno == ENOENT) return LoadState::kMissing;
    *detail = ErrnoText();
    return LoadState::kUnreadable;
  }
  std::string text;
  char buf[8192];
  for (;;) {
    ssize_t n = ::read(f.fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      *detail = ErrnoText();
      return LoadState::kUnreadable;
    }
    if (n == 0) break;
    text.append(buf, static_cast<size_t>(n));
  }
  if (text.find_first_not_of(" \t\r\n") == std::string::npos) return LoadState::kMissing;
  auto parsed = nlohmann::json::parse(text, nullptr, /*allow_exceptions=*/false);
  if (parsed.is_discarded()) {
    *detail = "it is not valid JSON";
    return LoadState::kCorrupt;
  }
  if (!IsStoreShape(parsed)) {
    *detail = "it is not an object of keys holding text values";
    return LoadState::kCorrupt;
  }
  *doc = std::move(parsed);
  return LoadState::kOk;
}

bool WriteAll(int fd, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

// Writes doc beside path and renames it into place.
bool Replace(const std::string& path, const nlohmann::json& doc, std::string* detail) {
  std::string tmpl = path + ".XXXXXX";
  int raw = ::mkstemp(tmpl.data());
  if (raw < 0) {
    *detail = "cannot create a temporary file beside it: " + ErrnoText();
    return false;
  }
  Fd f(raw);
  std::string text = doc.dump(2) + "\n";
  bool ok = ::fchmod(f.fd, 0644) == 0 && WriteAll(f.fd, text) && ::fsync(f.fd) == 0;
  if (ok) ok = ::rename(tmpl.c_str(), path.c_str()) == 0;
  if (!ok) {
    *detail = "cannot write it: " + ErrnoText();
    ::unlink(tmpl.c_str());
    return false;
  }
  // Make the rename itself durable.
  Fd dir(::open(ParentDir(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.fd >= 0) ::fsync(dir.fd);
  return true;
}

bool IsBelow(std::string_view candidate, std::string_view key) {
  if (candidate.size() <= key.size() || candidate[key.size()] != '\\') return false;
  return base::EqualsNoCase(candidate.substr(0, key.size()), key);
}

}  // namespace

std::string RegistryPath() {
  if (const char* env = std::getenv("KELTRANE_REGISTRY"); env && *env) return env;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg) {
    return std::string(xdg) + "/keltrane/registry.json";
  }
  const char* home = std::getenv("HOME");
  return std::string(home && *home ? home : ".") + "/.config/keltrane/registry.json";
}

std::string NormalizeKey(std::string_view key) {
  std::string out;
  for (char c : key) {
    if (c == '\\' && (out.empty() || out.back() == '\\')) continue;
    out.push_back(c);
  }
  if (!out.empty() && out.back() == '\\') out.pop_back();
  return out;
}

std::optional<std::string> RegStore::Query(std::string_view key, std::string_view name) const {
  std::string wanted = NormalizeKey(key);
  for (const auto& [stored, values] : keys_.items()) {
    if (!base::EqualsNoCase(stored, wanted)) continue;
    for (const auto& [value_name, value] : values.items()) {
      if (base::EqualsNoCase(value_name, name)) return value.get<std::string>();
    }
    return std::nullopt;
  }
  return std::nullopt;
}

void RegStore::Set(std::string_view key, std::string_view name, std::string_view value) {
  std::string wanted = NormalizeKey(key);
  std::string spelling = wanted;
  for (const auto& [stored, values] : keys_.items()) {
    if (base::EqualsNoCase(stored, wanted)) {
      spelling = stored;
      break;
    }
  }
  nlohmann::json& values = keys_[spelling];
  if (!values.is_object()) values = nlohmann::json::object();
  std::string value_name(name);
  for (const auto& [stored_name, unused] : values.items()) {
    if (base::EqualsNoCase(stored_name, name)) {
      value_name = stored_name;
      break;
    }
  }
  values[value_name] = std::string(value);
}

bool RegStore::DeleteTree(std::string_view key) {
  std::string wanted = NormalizeKey(key);
  if (wanted.empty()) return false;
  bool removed = false;
  for (auto it = keys_.begin(); it != keys_.end();) {
    if (base::EqualsNoCase(it.key(), wanted) || IsBelow(it.key(), wanted)) {
      it = keys_.erase(it);
      removed = true;
    } else {
      ++it;
    }
  }
  return removed;
}

RegStore RegRead() {
  std::string path = RegistryPath();
  // Without a lock file (read-only or missing folder) the read goes unlocked:
  // the rename-based writes never expose a half-written file anyway.
  Fd lock(::open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
  if (lock.fd >= 0) {
    while (::flock(lock.fd, LOCK_SH) != 0 && errno == EINTR) {
    }
  }
  nlohmann::json doc;
  std::string detail;
  if (Load(path, &doc, &detail) == LoadState::kOk) return RegStore(std::move(doc));
  return RegStore();
}

namespace {

// What identifies one version of the store file.  Writers replace the file
// by rename, so every write gives a new inode; size and the modification
// time in nanoseconds guard against an edit made in place by hand.
struct FileVersion {
  bool exists = false;
  dev_t dev = 0;
  ino_t ino = 0;
  off_t size = 0;
  int64_t mtime_ns = 0;
  bool operator==(const FileVersion&) const = default;
};

FileVersion VersionOf(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return {};
  return {true, st.st_dev, st.st_ino, st.st_size,
          static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

}  // namespace

std::optional<std::string> RegQuery(std::string_view key, std::string_view name) {
  static std::mutex mutex;
  static std::string cached_path;
  static FileVersion cached_version;
  static std::shared_ptr<const RegStore> cached;
  static ULONG checked_in = 0;  // the member call that last compared the file
  const std::string path = RegistryPath();
  const ULONG call = KtCallNumber();
  {
    // Every class lookup of one member call reads the same store.
    std::lock_guard lock(mutex);
    if (call != 0 && call == checked_in && cached != nullptr && cached_path == path)
      return cached->Query(key, name);
  }
  const FileVersion version = VersionOf(path);
  std::shared_ptr<const RegStore> store;
  {
    std::lock_guard lock(mutex);
    if (cached != nullptr && cached_path == path && cached_version == version) store = cached;
    if (store != nullptr) checked_in = call;
  }
  if (store == nullptr) {
    // Read after taking the version: if the file changes in between, the
    // snapshot is newer than its key and the next query reads again.
    store = std::make_shared<const RegStore>(RegRead());
    std::lock_guard lock(mutex);
    cached_path = path;
    cached_version = version;
    cached = store;
    checked_in = call;
  }
  return store->Query(key, name);
}

HRESULT RegTransact(const std::function<bool(RegStore&)>& edit) {
  std::string path = RegistryPath();
  auto fail = [&](const std::string& why) {
    return ReportError(REGDB_E_WRITEREGDB, "Cannot update the registration store " + path + ": " + why);
  };
  if (!MakeDirs(ParentDir(path)))
    return fail("cannot create its folder " + ParentDir(path) + ": " + ErrnoText());
  Fd lock(::open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
  if (lock.fd < 0) return fail("cannot open the lock file " + path + ".lock: " + ErrnoText());
  while (::flock(lock.fd, LOCK_EX) != 0) {
    if (errno != EINTR) return fail("cannot lock " + path + ".lock: " + ErrnoText());
  }
  nlohmann::json doc = nlohmann::json::object();
  std::string detail;
  switch (Load(path, &doc, &detail)) {
    case LoadState::kCorrupt:
      return fail(detail + "; it was left untouched, repair or remove it and register again");
    case LoadState::kUnreadable:
      return fail("cannot read it: " + detail);
    default:
      break;
  }
  RegStore store(std::move(doc));
  if (!edit(store)) return S_FALSE;
  if (!Replace(path, store.json(), &detail)) return fail(detail);
  return S_OK;
}

}  // namespace kt::rt

STDAPI_(char*) KtRegistryPath(void) {
  return kt::rt::TaskMemDup(kt::rt::RegistryPath());
}

STDAPI KtRegSetValue(const char* key, const char* name, const char* value) {
  if (key == nullptr || value == nullptr || kt::rt::NormalizeKey(key).empty()) return E_INVALIDARG;
  std::string value_name = name ? name : "";
  HRESULT hr = kt::rt::RegTransact([&](kt::rt::RegStore& store) {
    store.Set(key, value_name, value);
    return true;
  });
  return FAILED(hr) ? hr : S_OK;
}

STDAPI KtRegQueryValue(const char* key, const char* name, char** value) {
  if (value == nullptr) return E_POINTER;
  *value = nullptr;
  if (key == nullptr) return E_INVALIDARG;
  auto found = kt::rt::RegRead().Query(key, name ? name : "");
  if (!found) return S_FALSE;
  *value = kt::rt::TaskMemDup(*found);
  return *value == nullptr ? E_OUTOFMEMORY : S_OK;
}

STDAPI KtRegDeleteTree(const char* key) {
  if (key == nullptr || kt::rt::NormalizeKey(key).empty()) return E_INVALIDARG;
  return kt::rt::RegTransact([&](kt::rt::RegStore& store) { return store.DeleteTree(key); });
}
