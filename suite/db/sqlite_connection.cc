// The SQLite backend: WAL, prepared statements cached by text, rows
// materialised in one go.  A statement waits for another process's write
// lock as long as the statement limit (30 s, see WaitLimitOverrideMs), then
// fails with "database is locked", which the caller reports.
#include <sqlite3.h>

#include "db/connection.h"
#include "keltrane/ktrt.h"
#include "os/os.h"

namespace kt::suite {
namespace {

Value ColumnValue(sqlite3_stmt* stmt, int i) {
  switch (sqlite3_column_type(stmt, i)) {
    case SQLITE_INTEGER:
      return Value::Integer(sqlite3_column_int64(stmt, i));
    case SQLITE_FLOAT:
      return Value::Real(sqlite3_column_double(stmt, i));
    case SQLITE_TEXT: {
      const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, i));
      return Value::Text(std::string(text, static_cast<size_t>(sqlite3_column_bytes(stmt, i))));
    }
    case SQLITE_BLOB: {
      const auto* bytes = static_cast<const char*>(sqlite3_column_blob(stmt, i));
      Value v;
      v.type = Value::Type::kBlob;
      if (bytes != nullptr) v.text.assign(bytes, static_cast<size_t>(sqlite3_column_bytes(stmt, i)));
      return v;
    }
    default:
      return Value::Null();
  }
}

int Bind(sqlite3_stmt* stmt, int index, const Value& v) {
  switch (v.type) {
    case Value::Type::kInteger:
      return sqlite3_bind_int64(stmt, index, v.integer);
    case Value::Type::kReal:
      return sqlite3_bind_double(stmt, index, v.real);
    case Value::Type::kText:
      return sqlite3_bind_text(stmt, index, v.text.data(), static_cast<int>(v.text.size()), SQLITE_TRANSIENT);
    case Value::Type::kBlob:
      return sqlite3_bind_blob(stmt, index, v.text.data(), static_cast<int>(v.text.size()), SQLITE_TRANSIENT);
    case Value::Type::kNull:
      break;
  }
  return sqlite3_bind_null(stmt, index);
}

using os::FileId;
using os::IdOf;

class SqliteConnection final : public Connection {
 public:
  SqliteConnection(const Target& target, sqlite3* db, FileId id)
      : Connection(target, Dialect::kSqlite), db_(db), id_(id) {}
  ~SqliteConnection() override { Close(); }

  // The file may have been deleted, replaced or re-created since it was
  // opened (a restore by rename): a connection to the old inode would
  // quietly read stale data, and the WAL file at the path still holds the
  // old file's last writes, which whoever opens the new file would apply to
  // it.  The connection is closed at once, whoever else holds it (all on
  // this thread), after moving those writes into the old file and emptying
  // the WAL file, so the next connection opens the new file clean.  (SQLite
  // itself does not checkpoint a moved file on closing.)  Should another
  // process still read the old file, the WAL file is left to it.
  bool Usable() override {
    if (db_ == nullptr) return false;
    if (!same_file_.Due()) return true;  // once per member call: see KtCallNumber
    const FileId now = IdOf(target().location);
    if (now.Exists() && now == id_) return true;
    Flush();
    sqlite3_busy_timeout(db_, 0);
    sqlite3_wal_checkpoint_v2(db_, nullptr, SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr);
    Close();
    return false;
  }

  bool Run(const std::string& sql, std::span<const Value> params, RowSet& out, std::string& error) override {
    out = RowSet{};
    if (db_ == nullptr) {
      error = "SQLite: the database file was replaced or removed since it was opened";
      return false;
    }
    sqlite3_stmt* stmt = Prepare(sql, error);
    if (stmt == nullptr) return false;
    // A cached statement is reset on every way out, so it never holds a read
    // snapshot (and with it the WAL) between calls.
    struct ResetOnExit {
      sqlite3_stmt* s;
      ~ResetOnExit() {
        sqlite3_reset(s);
        sqlite3_clear_bindings(s);
      }
    } reset{stmt};
    for (size_t i = 0; i < params.size(); ++i) {
      if (Bind(stmt, static_cast<int>(i + 1), params[i]) != SQLITE_OK) return Fail(error);
    }
    const int columns = sqlite3_column_count(stmt);
    out.has_columns = columns > 0;
    for (int i = 0; i < columns; ++i) {
      const char* name = sqlite3_column_name(stmt, i);
      out.columns.emplace_back(name != nullptr ? name : "");
    }
    for (;;) {
      const int rc = sqlite3_step(stmt);
      if (rc == SQLITE_DONE) return true;
      if (rc != SQLITE_ROW) {
        out.rows.clear();
        return Fail(error);
      }
      std::vector<Value> row;
      row.reserve(static_cast<size_t>(columns));
      for (int i = 0; i < columns; ++i) row.push_back(ColumnValue(stmt, i));
      out.rows.push_back(std::move(row));
    }
  }

 private:
  bool Fail(std::string& error) const {
    error = "SQLite: " + std::string(sqlite3_errmsg(db_));
    return false;
  }

  void Flush() {
    for (auto& [text, stmt] : statements_) sqlite3_finalize(stmt);
    statements_.clear();
  }

  void Close() {
    Flush();
    sqlite3_close_v2(db_);
    db_ = nullptr;
  }

  sqlite3_stmt* Prepare(const std::string& sql, std::string& error) {
    if (auto it = statements_.find(sql); it != statements_.end()) return it->second;
    sqlite3_stmt* stmt = nullptr;
    const char* tail = nullptr;
    if (sqlite3_prepare_v3(db_, sql.c_str(), static_cast<int>(sql.size() + 1), SQLITE_PREPARE_PERSISTENT,
                           &stmt, &tail) != SQLITE_OK) {
      Fail(error);
      return nullptr;
    }
    if (stmt == nullptr) {
      error = "SQLite: the statement is empty";
      return nullptr;
    }
    for (; tail != nullptr && *tail != '\0'; ++tail) {
      if (*tail != ';' && *tail != ' ' && *tail != '\t' && *tail != '\r' && *tail != '\n') {
        sqlite3_finalize(stmt);
        error = "SQLite: only one statement can be run at a time";
        return nullptr;
      }
    }
    if (statements_.size() >= kCacheLimit) Flush();
    statements_.emplace(sql, stmt);
    return stmt;
  }

  sqlite3* db_;
  FileId id_;
  OncePerCall same_file_;
  std::unordered_map<std::string, sqlite3_stmt*> statements_;
};

}  // namespace

std::unique_ptr<Connection> OpenSqlite(const Target& target, std::string& error) {
  const std::string& path = target.location;
  // The file's identity is taken before opening: should the file be
  // replaced in between, the next statement finds the two differ and opens
  // again, where taking it after could miss that the open file is the old.
  const FileId id = IdOf(path);
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
  if (rc == SQLITE_OK) {
    // The busy timeout must be in place before the first statement: the
    // journal mode switch itself may wait for another process.  Both
    // statements read the file header, so a corrupt file fails here.
    sqlite3_busy_timeout(db, StatementLimitMs());
    rc = sqlite3_exec(db, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
  }
  if (rc != SQLITE_OK) {
    error = "cannot open database " + path + ": " +
            (db != nullptr ? std::string(sqlite3_errmsg(db)) : std::string(sqlite3_errstr(rc)));
    sqlite3_close_v2(db);
    return nullptr;
  }
  return std::make_unique<SqliteConnection>(target, db, id);
}

}  // namespace kt::suite
