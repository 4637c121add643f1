// The database a test runs on.  Normally a SQLite file; when the test binary
// runs with KELTRANE_TEST_BACKEND=postgresql, a new schema of its own in the
// PostgreSQL database that KELTRANE_TEST_PG names (scripts/with-postgres.sh
// starts such a cluster), so the same tests check both backends with the
// same expectations.
#pragma once

#include <gtest/gtest.h>
#include <libpq-fe.h>
#include <time.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <string_view>

namespace kt::test {

inline bool OnPostgres() {
  const char* backend = std::getenv("KELTRANE_TEST_BACKEND");
  return backend != nullptr && std::string_view(backend) == "postgresql";
}

// The connection string of a new, empty database for one test:
// `sqlite_path` on SQLite; a fresh schema, made the connection's search
// path, on PostgreSQL.
inline std::string NewTestDatabase(const std::string& sqlite_path) {
  if (!OnPostgres()) return sqlite_path;
  const char* base = std::getenv("KELTRANE_TEST_PG");
  if (base == nullptr) return sqlite_path;  // every test is skipped (below)
  static int serial = 0;
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  const std::string schema =
      "t" + std::to_string(getpid()) + "_" + std::to_string(now.tv_nsec) + "_" + std::to_string(++serial);
  PGconn* conn = PQconnectdb(base);
  PGresult* res = PQexec(conn, ("CREATE SCHEMA " + schema).c_str());
  EXPECT_EQ(PQresultStatus(res), PGRES_COMMAND_OK) << PQerrorMessage(conn);
  PQclear(res);
  PQfinish(conn);
  const std::string url(base);
  return url + (url.find('?') == std::string::npos ? "?" : "&") + "options=-csearch_path%3D" + schema;
}

// Without a cluster to run on, the PostgreSQL run of a test binary is
// skipped as a whole rather than failed test by test.
class PostgresEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    if (OnPostgres() && std::getenv("KELTRANE_TEST_PG") == nullptr) {
      GTEST_SKIP() << "KELTRANE_TEST_PG is not set: run through scripts/with-postgres.sh";
    }
  }
};
inline ::testing::Environment* const kPostgresEnvironment =
    ::testing::AddGlobalTestEnvironment(new PostgresEnvironment);

// For tests of what only a SQLite file has (its folder, its header, WAL).
#define KT_SQLITE_ONLY()                                         \
  do {                                                           \
    if (::kt::test::OnPostgres()) GTEST_SKIP() << "SQLite only"; \
  } while (0)

}  // namespace kt::test
