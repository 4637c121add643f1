// CreateSuiteDatabase: schema and demonstration rows in one transaction, on
// either backend.
#include "db/create.h"

#include <sqlite3.h>

#include <filesystem>
#include <system_error>

#include "base/paths.h"
#include "db/connection.h"
#include "db/target.h"

namespace kt::suite {
namespace {

std::string CreateOnSqlite(const std::string& path, bool demo) {
  const std::filesystem::path file = base::PathFromUtf8(path);
  std::error_code ec;
  if (file.has_parent_path()) {
    std::filesystem::create_directories(file.parent_path(), ec);
    if (ec) return "cannot create folder " + base::Utf8FromPath(file.parent_path()) + ": " + ec.message();
  }
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
  std::string error;
  auto run = [&](const char* sql) {
    char* message = nullptr;
    rc = sqlite3_exec(db, sql, nullptr, nullptr, &message);
    if (rc != SQLITE_OK) error = message != nullptr ? message : sqlite3_errstr(rc);
    sqlite3_free(message);
    return rc == SQLITE_OK;
  };
  if (rc != SQLITE_OK) {
    error = db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
  } else {
    sqlite3_busy_timeout(db, StatementLimitMs());
    if (run("PRAGMA journal_mode=WAL") && run("BEGIN IMMEDIATE")) {
      if (run(kSchemaSql) && (!demo || run(kDemoSql))) {
        run("COMMIT");
      } else {
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
      }
    }
  }
  sqlite3_close_v2(db);
  return error.empty() ? std::string() : "cannot create database " + path + ": " + error;
}

std::string CreateOnPostgres(const Target& target, bool demo) {
  // Workstations may run init at the same time: the advisory lock makes
  // the second wait instead of racing the first one's CREATE TABLEs.  The
  // simple-query protocol runs the whole text as one transaction.
  std::string sql =
      "BEGIN; SELECT pg_advisory_xact_lock(7125361); SET LOCAL client_min_messages = warning;\n";
  sql += kSchemaSql;
  if (demo) sql += kDemoSql;
  sql += "\nCOMMIT;";
  const std::string error = RunPostgresScript(target, sql);
  return error.empty() ? std::string() : "cannot create database " + DisplayName(target) + ": " + error;
}

}  // namespace

std::string CreateSuiteDatabase(const std::string& text, bool demo) {
  const Target target = ParseTarget(text);
  return target.kind == Target::Kind::kPostgres ? CreateOnPostgres(target, demo)
                                                : CreateOnSqlite(target.location, demo);
}

}  // namespace kt::suite
