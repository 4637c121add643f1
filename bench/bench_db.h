// Generated suite databases for the benchmarks: the schema of
// CreateSuiteDatabase, then panel names, their revisions and StateData rows
// inserted in one transaction through one prepared statement per table.
#pragma once

#include <sqlite3.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

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

inline void RemoveDatabase(const BenchDb& db) {
  std::error_code ec;
  std::filesystem::remove_all(db.dir, ec);
}

}  // namespace kt::bench
