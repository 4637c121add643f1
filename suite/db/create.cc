// CreateSuiteDatabase: schema and demonstration rows in one transaction.
#include "db/create.h"

#include <sqlite3.h>

#include <filesystem>
#include <system_error>

namespace kt::suite {

std::string CreateSuiteDatabase(const std::string& path, bool demo) {
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

}  // namespace kt::suite
