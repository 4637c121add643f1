// The suite database connection: lazy open, WAL, busy timeout, statement and
// translation caches, rows materialised in one go.
#include "db/database.h"

#include <sqlite3.h>

#include <utility>

#include "db/dialect.h"

namespace kt::suite {

Database::Database(std::function<std::string()> locate) : locate_(std::move(locate)) {}

Database::Database(std::string path) : locate_([path] { return path; }) {}

Database::~Database() {
  Close();
}

void Database::Close() {
  for (auto& [text, stmt] : statements_) sqlite3_finalize(stmt);
  statements_.clear();
  if (db_ != nullptr) sqlite3_close_v2(db_);
  db_ = nullptr;
}

bool Database::Open(std::string& error) {
  if (db_ != nullptr) return true;
  path_ = locate_();
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(path_.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
  if (rc == SQLITE_OK) {
    // The busy timeout must be in place before the first statement: the
    // journal mode switch itself may wait for another process.  Both
    // statements read the file header, so a corrupt file fails here.
    sqlite3_busy_timeout(db, 5000);
    rc = sqlite3_exec(db, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
  }
  if (rc != SQLITE_OK) {
    error = "cannot open database " + path_ + ": " +
            (db != nullptr ? std::string(sqlite3_errmsg(db)) : std::string(sqlite3_errstr(rc)));
    sqlite3_close_v2(db);
    return false;
  }
  db_ = db;
  return true;
}

sqlite3_stmt* Database::Prepare(const std::string& sql, std::string& error) {
  if (auto it = statements_.find(sql); it != statements_.end()) return it->second;
  sqlite3_stmt* stmt = nullptr;
  const char* tail = nullptr;
  int rc = sqlite3_prepare_v3(db_, sql.c_str(), static_cast<int>(sql.size() + 1), SQLITE_PREPARE_PERSISTENT,
                              &stmt, &tail);
  if (rc != SQLITE_OK) {
    error = "SQLite: " + std::string(sqlite3_errmsg(db_));
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
  if (statements_.size() >= kCacheLimit) {
    for (auto& [text, cached] : statements_) sqlite3_finalize(cached);
    statements_.clear();
  }
  statements_.emplace(sql, stmt);
  return stmt;
}

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

}  // namespace

bool Database::Run(const std::string& sql, std::span<const Value> params, RowSet& out, std::string& error) {
  out = RowSet{};
  if (!Open(error)) return false;
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
    if (Bind(stmt, static_cast<int>(i + 1), params[i]) != SQLITE_OK) {
      error = "SQLite: " + std::string(sqlite3_errmsg(db_));
      return false;
    }
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
      error = "SQLite: " + std::string(sqlite3_errmsg(db_));
      out.rows.clear();
      return false;
    }
    std::vector<Value> row;
    row.reserve(static_cast<size_t>(columns));
    for (int i = 0; i < columns; ++i) row.push_back(ColumnValue(stmt, i));
    out.rows.push_back(std::move(row));
  }
}

bool Database::Execute(std::string_view statement, RowSet& out, std::string& error) {
  const std::string key(statement);
  auto it = translations_.find(key);
  if (it == translations_.end()) {
    if (translations_.size() >= kCacheLimit) translations_.clear();
    it = translations_.emplace(key, Translate(statement)).first;
  }
  const std::string& sql = it->second;
  if (Run(sql, {}, out, error)) return true;
  if (is_open()) error += " (database " + path_ + "; statement: " + sql + ")";
  return false;
}

bool Database::Query(std::string_view sql, std::span<const Value> params, RowSet& out, std::string& error) {
  const std::string text(sql);
  if (Run(text, params, out, error)) return true;
  if (is_open()) error += " (database " + path_ + "; statement: " + text + ")";
  return false;
}

}  // namespace kt::suite
