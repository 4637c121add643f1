// The per-connection translation cache, and the wait limit of the tests.
#include "db/connection.h"

#include <cstdlib>

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

int WaitLimitOverrideMs() {
  const char* text = std::getenv("KELTRANE_DB_TIMEOUT_MS");
  if (text == nullptr) return 0;
  char* end = nullptr;
  const long value = std::strtol(text, &end, 10);
  return end != text && *end == '\0' && value > 0 && value <= 24L * 3600 * 1000 ? static_cast<int>(value) : 0;
}

}  // namespace kt::suite
