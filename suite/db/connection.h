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

  // Asked before every statement, at the cost of one system call at most:
  // false when the connection can no longer be used.  On PostgreSQL the
  // server may have ended the session since the last statement (a restart,
  // an administrator's kill); what it sent is read now, so that no statement
  // is sent into a dead session.  On SQLite the file at the path may no
  // longer be the file the connection has open (a restore by rename); the
  // old file is closed at once, so nothing more is written through it.  The
  // caller then takes a new connection from the pool.
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

// Runs a script of statements separated by ';' on a connection of its own,
// within the same limits as any statement; "" or the reason it failed.
std::string RunPostgresScript(const Target& target, const std::string& script);

// How long one wait on the database may last, in milliseconds, when the
// environment variable KELTRANE_DB_TIMEOUT_MS holds a positive number (read
// when a connection opens; tests use it for short limits): connecting, each
// statement, and SQLite's wait for another process's lock.  0 when unset:
// connecting then gives up after 5 s (or the URI's connect_timeout), a
// statement after 30 s (or the session's own statement_timeout) and a wait
// for a SQLite lock after 30 s.
int WaitLimitOverrideMs();
constexpr int kConnectLimitMs = 5000;
constexpr int kStatementLimitMs = 30000;
// The statement limit without the session's say: the override, else 30 s.
inline int StatementLimitMs() {
  const int override_ms = WaitLimitOverrideMs();
  return override_ms > 0 ? override_ms : kStatementLimitMs;
}

}  // namespace kt::suite
