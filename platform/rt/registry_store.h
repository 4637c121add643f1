// The persistent registration store: one JSON file mapping key paths
// ("CLSID\{...}\InprocServer32") to objects of named text values ("" is a
// key's default value).  Writers hold an exclusive flock on "<store>.lock",
// re-read the file, apply their changes and replace the file atomically
// (temp file in the same folder, fsync, rename); readers hold a shared lock.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "keltrane/oleauto.h"

namespace kt::rt {

// Path of the store: $KELTRANE_REGISTRY, $XDG_CONFIG_HOME/keltrane/registry.json
// or $HOME/.config/keltrane/registry.json.
std::string RegistryPath();

// An in-memory copy of the store.  Keys match without regard to ASCII case;
// a key keeps the spelling it was first written with.
class RegStore {
 public:
  RegStore() = default;
  explicit RegStore(nlohmann::json keys) : keys_(std::move(keys)) {}

  std::optional<std::string> Query(std::string_view key, std::string_view name) const;
  void Set(std::string_view key, std::string_view name, std::string_view value);
  // Removes key and every key below it; false when none existed.
  bool DeleteTree(std::string_view key);

  const nlohmann::json& json() const { return keys_; }

 private:
  nlohmann::json keys_ = nlohmann::json::object();
};

// A snapshot of the store read under a shared lock; a missing or damaged
// file reads as empty.
RegStore RegRead();

// One value of the store, as RegRead().Query would give it, from a snapshot
// kept in memory while the file is unchanged.  Class lookups run on every
// object creation; re-reading and parsing the file each time would cost more
// than the rest of the creation.
std::optional<std::string> RegQuery(std::string_view key, std::string_view name);

// Runs edit on the current store under the exclusive lock and writes the
// result when edit returns true.  On failure reports error info and returns
// REGDB_E_WRITEREGDB; a damaged store is left exactly as it was.
HRESULT RegTransact(const std::function<bool(RegStore&)>& edit);

// "a\\b\\" -> "a\b": backslash runs collapsed, no leading or trailing one.
std::string NormalizeKey(std::string_view key);

}  // namespace kt::rt
