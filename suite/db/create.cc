// CreateSuiteDatabase: schema and demonstration rows in one transaction, on
// either backend.
#include "db/create.h"

#include <libpq-fe.h>
#include <sqlite3.h>

#include <filesystem>
#include <system_error>

#include "db/connection.h"
#include "db/target.h"

namespace kt::suite {
namespace {

std::string CreateOnSqlite(const std::string& path, bool demo) {
  const std::filesystem::path file(path);
  std::error_code ec;
  if (file.has_parent_path()) {
    std::filesystem::create_directories(file.parent_path(), ec);
    if (ec) return "cannot create folder " + file.parent_path().string() + ": " + ec.message();
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
    sqlite3_busy_timeout(db, 5000);
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
  std::string error;
  PGconn* conn = ConnectPostgres(target, error);
  if (conn != nullptr) {
    // Workstations may run init at the same time: the advisory lock makes
    // the second wait instead of racing the first one's CREATE TABLEs.  The
    // simple-query protocol runs the whole text as one transaction.
    std::string sql =
        "BEGIN; SELECT pg_advisory_xact_lock(7125361); SET LOCAL client_min_messages = warning;\n";
    sql += kSchemaSql;
    if (demo) sql += kDemoSql;
    sql += "\nCOMMIT;";
    PGresult* res = PQexec(conn, sql.c_str());
    const ExecStatusType status = PQresultStatus(res);
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) error = PQresultErrorMessage(res);
    PQclear(res);
    PQfinish(conn);
  }
  while (!error.empty() && (error.back() == '\n' || error.back() == ' ')) error.pop_back();
  return error.empty() ? std::string() : "cannot create database " + DisplayName(target) + ": " + error;
}

}  // namespace

std::string CreateSuiteDatabase(const std::string& text, bool demo) {
  const Target target = ParseTarget(text);
  return target.kind == Target::Kind::kPostgres ? CreateOnPostgres(target, demo)
                                                : CreateOnSqlite(target.location, demo);
}

}  // namespace kt::suite
