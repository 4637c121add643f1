// The per-connection translation cache.
#include "db/connection.h"

namespace kt::suite {

const std::string& Connection::Translated(std::string_view statement) {
  const std::string key(statement);
  auto it = translations_.find(key);
  if (it == translations_.end()) {
    if (translations_.size() >= kCacheLimit) translations_.clear();
    it = translations_.emplace(key, Translate(statement, dialect_)).first;
  }
  return it->second;
}

}  // namespace kt::suite
