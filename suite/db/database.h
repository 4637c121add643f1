// A component's handle on the suite database.
//
// The connection is taken from the thread's pool on first use, so opening is
// lazy and a failed open (missing, corrupt or locked file, server down) is
// retried with the current location on the next statement.  A statement on
// another thread than the last one runs on that thread's connection: a
// Database may be handed between threads, but not used by two at once.  Statements in
// the library's dialect are translated for the backend; both the
// translations and the prepared statements live with the shared connection.
#pragma once

#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <thread>

#include "db/connection.h"
#include "db/rowset.h"

namespace kt::suite {

class Database {
 public:
  // `locate` gives the connection string ("sqlite:PATH", a path, or a
  // postgresql:// URI); it is asked again on every attempt to connect.
  explicit Database(std::function<std::string()> locate);
  explicit Database(std::string target);
  // `report` is told every failure's full message, also those the caller
  // then keeps to itself.
  Database(std::function<std::string()> locate, std::function<void(const std::string&)> report);
  ~Database();
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  // Translates a statement of the library's dialect and runs it.  On failure
  // returns false with a message naming the backend's complaint, the
  // database and the translated statement.
  bool Execute(std::string_view statement, RowSet& out, std::string& error);

  // Runs the backend's SQL unchanged with `params` bound to ?1, ?2, ...
  bool Query(std::string_view sql, std::span<const Value> params, RowSet& out, std::string& error);

  // The database as named in messages (a PostgreSQL password hidden).
  const std::string& path() const { return name_; }
  bool is_open() const { return connection_ != nullptr; }

  static constexpr size_t kCacheLimit = Connection::kCacheLimit;

 private:
  bool Connect(std::string& error);

  bool Failed(std::string& error);

  std::function<std::string()> locate_;
  std::function<void(const std::string&)> report_;
  std::string name_;
  std::shared_ptr<Connection> connection_;
  std::thread::id connection_thread_;  // whose pool connection_ came from
};

}  // namespace kt::suite
