// One open connection to the suite database, of either backend.
//
// Connections are shared: every component of a thread that names the same
// database uses one connection (see pool.h), so opening, translating and
// preparing are paid once per thread rather than once per component.  A
// connection is used by one thread at a time.
#pragma once

#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>

#include "db/dialect.h"
#include "db/rowset.h"
#include "db/target.h"

typedef struct pg_conn PGconn;

namespace kt::suite {

class Connection {
 public:
  virtual ~Connection() = default;
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  // Runs one statement of the backend's own SQL; `params` are bound to the
  // markers ?1, ?2, ... in order.  On failure returns false with the
  // backend's complaint in `error`.
  virtual bool Run(const std::string& sql, std::span<const Value> params, RowSet& out,
                   std::string& error) = 0;

  // True once the server has dropped the connection (cheap: checked before
  // every statement).
  virtual bool Broken() const = 0;
  // False when the connection can no longer be used: broken, or the file it
  // has open is no longer the file at its path.  Checked when the pool hands
  // the connection out; the pool then opens a new one.
  virtual bool Usable() = 0;

  // The statement in the library's dialect, rewritten for this backend
  // (cached per distinct text).
  const std::string& Translated(std::string_view statement);

  Dialect dialect() const { return dialect_; }
  const Target& target() const { return target_; }
  const std::string& display_name() const { return display_name_; }

  static constexpr size_t kCacheLimit = 200;

 protected:
  Connection(Target target, Dialect dialect)
      : target_(std::move(target)), display_name_(DisplayName(target_)), dialect_(dialect) {}

 private:
  Target target_;
  std::string display_name_;
  Dialect dialect_;
  std::unordered_map<std::string, std::string> translations_;
};

// Open a connection; null with `error` set ("cannot open database NAME: why")
// when that fails.  A SQLite file is never created here.
std::unique_ptr<Connection> OpenSqlite(const Target& target, std::string& error);
std::unique_ptr<Connection> OpenPostgres(const Target& target, std::string& error);

// A libpq connection with the library's timeouts (5 s to connect, 30 s per
// statement, TCP keepalives; settings given in the URI win); null with
// libpq's reason in `why` when it fails.
PGconn* ConnectPostgres(const Target& target, std::string& why);

}  // namespace kt::suite
