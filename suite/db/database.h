// One connection to the suite database, opened on first use.
//
// The file is opened read-write and never created here: a missing database is
// an error the caller reports (CreateSuiteDatabase makes new ones).  The
// connection runs in WAL mode with a 5 s busy timeout so that several
// processes can read and write the same file.  Statements in the library's
// dialect are translated once per distinct text and prepared once per
// distinct translation; both caches are bounded.
#pragma once

#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>

#include "db/rowset.h"

struct sqlite3;
struct sqlite3_stmt;

namespace kt::suite {

class Database {
 public:
  // `locate` names the file; it is asked again on every attempt to open, so
  // a failed open (missing, corrupt or locked file) is retried with the
  // current location on the next statement.
  explicit Database(std::function<std::string()> locate);
  explicit Database(std::string path);
  ~Database();
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  // Translates a statement of the library's dialect and runs it.  On failure
  // returns false with a message naming SQLite's complaint, the database and
  // the translated statement.
  bool Execute(std::string_view statement, RowSet& out, std::string& error);

  // Runs SQLite text unchanged with `params` bound to ?1, ?2, ...
  bool Query(std::string_view sql, std::span<const Value> params, RowSet& out, std::string& error);

  // The path of the open database, or of the last attempt to open one.
  const std::string& path() const { return path_; }
  bool is_open() const { return db_ != nullptr; }

  static constexpr size_t kCacheLimit = 200;

 private:
  bool Open(std::string& error);
  void Close();
  bool Run(const std::string& sql, std::span<const Value> params, RowSet& out, std::string& error);
  sqlite3_stmt* Prepare(const std::string& sql, std::string& error);

  std::function<std::string()> locate_;
  std::string path_;
  sqlite3* db_ = nullptr;
  std::unordered_map<std::string, sqlite3_stmt*> statements_;
  std::unordered_map<std::string, std::string> translations_;
};

}  // namespace kt::suite
