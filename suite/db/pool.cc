// The per-thread connection pool.
#include "db/pool.h"

#include <algorithm>
#include <vector>

namespace kt::suite {
namespace {

struct Entry {
  std::string target;
  std::shared_ptr<Connection> connection;
};

// Most recently used first.
thread_local std::vector<Entry> pool;

}  // namespace

std::shared_ptr<Connection> Connect(const std::string& text, std::string& error) {
  auto it = std::find_if(pool.begin(), pool.end(), [&](const Entry& e) { return e.target == text; });
  if (it != pool.end()) {
    if (it->connection->Usable()) {
      std::rotate(pool.begin(), it, it + 1);
      return pool.front().connection;
    }
    pool.erase(it);  // components still holding it keep it until they go
  }
  const Target target = ParseTarget(text);
  std::unique_ptr<Connection> opened =
      target.kind == Target::Kind::kPostgres ? OpenPostgres(target, error) : OpenSqlite(target, error);
  if (opened == nullptr) return nullptr;
  if (pool.size() >= kPoolSize) pool.pop_back();
  pool.insert(pool.begin(), Entry{text, std::shared_ptr<Connection>(std::move(opened))});
  return pool.front().connection;
}

void DropIdleConnections() {
  std::erase_if(pool, [](const Entry& e) { return e.connection.use_count() == 1; });
}

}  // namespace kt::suite
