// Generated suite databases for the benchmarks: the schema of
// CreateSuiteDatabase, then panel names, their revisions and StateData rows
// inserted in one transaction through one prepared statement per table.
#pragma once

#include <libpq-fe.h>
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "db/create.h"

namespace kt::bench {

// BENCH_SCALE (default 1) scales the large database, for quick runs.
inline double Scale() {
  const char* text = std::getenv("BENCH_SCALE");
  if (text == nullptr || *text == '\0') return 1.0;
  const double v = std::atof(text);
  return v > 0 ? v : 1.0;
}

// Companies: 1, 2, 3, 5 and 21 are active; 4 is not.
inline constexpr int kCompanies[] = {1, 2, 3, 5, 21};
// The company of panel name (and revision) id i.
inline int CompanyOf(int64_t id) {
  return kCompanies[id % 5];
}
// Whether a revision's company is one whose logs come from StateData.
inline bool StateDataCompany(int64_t id) {
  const int c = CompanyOf(id);
  return c == 1 || c == 2 || c == 21;
}
inline constexpr int kStatePerRevision = 10;

struct BenchDb {
  std::string dir;
  std::string path;
  int64_t names = 0;       // panel_names rows = panel_type_revision rows
  int64_t state_rows = 0;  // StateData rows
  double seconds = 0;      // time to generate
};

inline void Check(int rc, sqlite3* db, const char* what) {
  if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
    std::fprintf(stderr, "bench db: %s: %s\n", what, sqlite3_errmsg(db));
    std::abort();
  }
}

inline void Exec(sqlite3* db, const char* sql) {
  Check(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), db, sql);
}

inline sqlite3_stmt* Prepare(sqlite3* db, const char* sql) {
  sqlite3_stmt* s = nullptr;
  Check(sqlite3_prepare_v2(db, sql, -1, &s, nullptr), db, sql);
  return s;
}

inline void StepReset(sqlite3* db, sqlite3_stmt* s) {
  Check(sqlite3_step(s), db, "insert");
  sqlite3_reset(s);
}

// A database with `names` panel names, one revision each (its parent is the
// revision before it), a company's own name for every tenth panel name, and
// kStatePerRevision StateData rows per revision.
inline BenchDb MakeDatabase(int64_t names) {
  const auto start = std::chrono::steady_clock::now();
  BenchDb out;
  std::string pattern = (std::filesystem::temp_directory_path() / "kt-db-bench-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) std::abort();
  out.dir = pattern;
  out.path = pattern + "/Suite.db";
  out.names = names;
  out.state_rows = names * kStatePerRevision;
  const std::string error = suite::CreateSuiteDatabase(out.path, false);
  if (!error.empty()) {
    std::fprintf(stderr, "bench db: %s\n", error.c_str());
    std::abort();
  }
  sqlite3* db = nullptr;
  Check(sqlite3_open(out.path.c_str(), &db), db, "open");
  Exec(db, "PRAGMA synchronous = OFF");
  Exec(db, "BEGIN");
  Exec(db,
       "INSERT OR REPLACE INTO Companies(Company_ID, Company_Name, Company_Active) VALUES "
       "(1, 'Velmora', -1), (2, 'Torvane', -1), (3, 'Three', -1), (4, 'Gone', 0), (5, 'Five', -1), "
       "(21, 'TwentyOne', -1)");
  sqlite3_stmt* name = Prepare(db,
                               "INSERT INTO panel_names(panel_name_id, panel_name, family_id, product_id, "
                               "Company_ID) VALUES (?1, ?2, ?3, ?4, ?5)");
  sqlite3_stmt* rev = Prepare(db,
                              "INSERT INTO panel_type_revision(panel_type_rev_id, panel_name_id, panel_rev, "
                              "parent_panel_type_rev_id) VALUES (?1, ?1, 1, ?2)");
  sqlite3_stmt* sub =
      Prepare(db,
              "INSERT INTO panel_name_substitute_or_adds(panel_name_id, company_id, panel_name) "
              "VALUES (?1, 2, ?2)");
  sqlite3_stmt* state = Prepare(db,
                                "INSERT INTO StateData(Panel_type_Rev_ID, Command_ID, Sequence_Number, "
                                "State_Data) VALUES (?1, ?2, ?3, 'x')");
  // Command ids: 14 (event log), 51 (fire and alarm), 52 (ECP) among others.
  constexpr int kCommands[kStatePerRevision] = {14, 51, 52, 3, 4, 5, 6, 7, 8, 9};
  char text[64];
  for (int64_t i = 1; i <= names; ++i) {
    std::snprintf(text, sizeof text, "Panel-%lld", static_cast<long long>(i));
    sqlite3_bind_int64(name, 1, i);
    sqlite3_bind_text(name, 2, text, -1, SQLITE_TRANSIENT);
    sqlite3_bind_int64(name, 3, i % 50);
    sqlite3_bind_int64(name, 4, i);
    sqlite3_bind_int(name, 5, CompanyOf(i));
    StepReset(db, name);
    sqlite3_bind_int64(rev, 1, i);
    if (i > 1)
      sqlite3_bind_int64(rev, 2, i - 1);
    else
      sqlite3_bind_null(rev, 2);
    StepReset(db, rev);
    if (i % 10 == 0) {
      std::snprintf(text, sizeof text, "TV-%lld", static_cast<long long>(i));
      sqlite3_bind_int64(sub, 1, i);
      sqlite3_bind_text(sub, 2, text, -1, SQLITE_TRANSIENT);
      StepReset(db, sub);
    }
    for (int k = 0; k < kStatePerRevision; ++k) {
      sqlite3_bind_int64(state, 1, i);
      sqlite3_bind_int(state, 2, kCommands[(k + i) % kStatePerRevision]);
      sqlite3_bind_int(state, 3, (k + i) % 3 == 0 ? 0 : 1);
      StepReset(db, state);
    }
  }
  for (sqlite3_stmt* s : {name, rev, sub, state}) sqlite3_finalize(s);
  Exec(db, "COMMIT");
  sqlite3_close(db);
  out.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return out;
}

// The flags of getViewLogEnabledValues (event, ECP, fire, alarm) from a
// floor's company and command lookups: the member's rules written directly.
template <class Floor>
std::array<int16_t, 4> ViewLogFlags(Floor& floor, int32_t rev, int32_t parent_rev) {
  std::array<int16_t, 4> f{};
  const int32_t company = floor.CompanyId(rev);
  if (company != 1 && company != 2 && company != 21) {
    f[0] = -1;
    return f;
  }
  std::vector<int32_t> merged = floor.Commands(rev, 1);
  const std::vector<int32_t> disabled = floor.Commands(rev, 0);
  const auto own_end = static_cast<ptrdiff_t>(merged.size());
  for (int32_t id : floor.Commands(parent_rev, 1)) {
    if (std::find(merged.begin(), merged.begin() + own_end, id) != merged.begin() + own_end ||
        std::find(disabled.begin(), disabled.end(), id) != disabled.end())
      continue;
    merged.push_back(id);
  }
  for (int32_t id : merged) {
    if (id == 14) f[0] = -1;
    if (id == 52) f[1] = -1;
    if (id == 51) f[2] = f[3] = -1;
  }
  return f;
}

// 4096 ids in [1, n] in a fixed pseudo-random order; with
// `state_data_only`, only revisions whose company reads its logs from
// StateData.
inline std::vector<int32_t> Ids(int64_t n, bool state_data_only) {
  std::vector<int32_t> ids;
  uint64_t x = 88172645463325252ull;
  while (ids.size() < 4096) {
    x ^= x << 13;
    x ^= x >> 7;
    x ^= x << 17;
    const auto id = static_cast<int32_t>(x % static_cast<uint64_t>(n) + 1);
    if (!state_data_only || StateDataCompany(id)) ids.push_back(id);
  }
  return ids;
}

// The text of GetPanelNamebyRevid's statement (the library's dialect) for a
// list of companies.
inline std::string RevisionsStatement(const std::string& companies) {
  return "SELECT DISTINCT panel_type_revision.panel_type_rev_id, panel_names.panel_name_id,  "
         "panel_names.panel_name as Orig_panel_name, "
         "iif(isnull(PNSA.panel_name),panel_names.panel_name,PNSA.panel_name) as panel_name_used, "
         "PNSA.panel_name FROM ((panel_names INNER JOIN panel_type_revision ON panel_names.panel_name_id = "
         "panel_type_revision.panel_name_id) LEFT JOIN panel_name_substitute_or_adds PNSA ON  "
         "(panel_names.panel_name_id = PNSA.panel_name_id AND PNSA.company_id IN (" +
         companies + ")) ) WHERE not panel_names.product_id is Null AND panel_names.family_id IS NOT Null";
}

// The member passes the name id through CInt: a name id past 32767
// overflows and the member answers "" (after the same full read).
inline constexpr int64_t kCIntMax = 32767;

inline void RemoveDatabase(const BenchDb& db) {
  std::error_code ec;
  std::filesystem::remove_all(db.dir, ec);
}

// The same rows in a schema of their own on the PostgreSQL server at
// `base`, generated on the server; `path` is the connection string that
// makes the schema the search path, `dir` the schema's name.
inline BenchDb MakePgDatabase(const std::string& base, int64_t names) {
  const auto start = std::chrono::steady_clock::now();
  BenchDb out;
  out.dir = "kt_bench_" + std::to_string(names);
  out.path = base + (base.find('?') == std::string::npos ? "?" : "&") + "options=-csearch_path%3D" + out.dir;
  out.names = names;
  out.state_rows = names * kStatePerRevision;
  const auto run = [](const std::string& target, const std::string& sql) {
    PGconn* conn = PQconnectdb(target.c_str());
    PGresult* res = PQexec(conn, sql.c_str());
    const ExecStatusType status = PQresultStatus(res);
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
      std::fprintf(stderr, "bench db: %s\n", PQerrorMessage(conn));
      std::abort();
    }
    PQclear(res);
    PQfinish(conn);
  };
  run(base, "SET client_min_messages = warning; DROP SCHEMA IF EXISTS " + out.dir +
                " CASCADE; CREATE SCHEMA " + out.dir);
  const std::string error = suite::CreateSuiteDatabase(out.path, false);
  if (!error.empty()) {
    std::fprintf(stderr, "bench db: %s\n", error.c_str());
    std::abort();
  }
  const std::string n = std::to_string(names);
  run(out.path,
      "BEGIN;"
      "INSERT INTO Companies(Company_ID, Company_Name, Company_Active) VALUES "
      "(1, 'Velmora', -1), (2, 'Torvane', -1), (3, 'Three', -1), (4, 'Gone', 0), (5, 'Five', -1), "
      "(21, 'TwentyOne', -1);"
      "INSERT INTO panel_names(panel_name_id, panel_name, family_id, product_id, Company_ID) "
      "SELECT i, 'Panel-' || i, i % 50, i, (ARRAY[1, 2, 3, 5, 21])[i % 5 + 1] FROM generate_series(1, " +
          n +
          ") i;"
          "INSERT INTO panel_type_revision(panel_type_rev_id, panel_name_id, panel_rev, "
          "parent_panel_type_rev_id) SELECT i, i, 1, CASE WHEN i > 1 THEN i - 1 END FROM "
          "generate_series(1, " +
          n +
          ") i;"
          "INSERT INTO panel_name_substitute_or_adds(panel_name_id, company_id, panel_name) "
          "SELECT i, 2, 'TV-' || i FROM generate_series(10, " +
          n +
          ", 10) i;"
          "INSERT INTO StateData(Panel_type_Rev_ID, Command_ID, Sequence_Number, State_Data) "
          "SELECT i, (ARRAY[14, 51, 52, 3, 4, 5, 6, 7, 8, 9])[(k + i) % 10 + 1], "
          "CASE WHEN (k + i) % 3 = 0 THEN 0 ELSE 1 END, 'x' FROM generate_series(1, " +
          n +
          ") i, generate_series(0, 9) k;"
          "COMMIT; ANALYZE;");
  out.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return out;
}

inline void RemovePgDatabase(const std::string& base, const BenchDb& db) {
  PGconn* conn = PQconnectdb(base.c_str());
  PQclear(PQexec(
      conn, ("SET client_min_messages = warning; DROP SCHEMA IF EXISTS " + db.dir + " CASCADE").c_str()));
  PQfinish(conn);
}

}  // namespace kt::bench
