// The per-thread connection pool.
#include "db/pool.h"

#include <algorithm>
#include <atomic>
#include <iterator>
#include <mutex>
#include <vector>

#include "os/os.h"

namespace kt::suite {
namespace {

struct Entry {
  std::string target;
  std::shared_ptr<Connection> connection;
};

// Most recently used first.
thread_local std::vector<Entry> pool;
thread_local unsigned pool_generation = 0;

// A forked child inherits its parent's connections: the same socket, the
// same SQLite file locks.  It must neither use nor close them (closing a
// PostgreSQL connection would end the parent's session), so they are set
// aside, still reachable, and the child opens its own.
std::atomic<unsigned> fork_generation{0};
std::vector<Entry>* inherited = nullptr;

void ForgetInheritedConnections() {
  if (pool_generation == fork_generation.load()) return;
  if (!pool.empty()) {
    if (inherited == nullptr) inherited = new std::vector<Entry>;
    std::move(pool.begin(), pool.end(), std::back_inserter(*inherited));
    pool.clear();
  }
  pool_generation = fork_generation.load();
}

}  // namespace

std::shared_ptr<Connection> Connect(const std::string& text, std::string& error) {
  static std::once_flag registered;
  std::call_once(registered, [] { os::AtForkInChild([] { fork_generation.fetch_add(1); }); });
  ForgetInheritedConnections();
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

}  // namespace kt::suite
