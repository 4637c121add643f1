// Database members through the real components (Env::Default() over the
// suite's SQLite stand-ins) against the same queries run as prepared SQLite
// statements on one open connection (the floor).
//
// Two generated databases: a small one (1,000 panel names and revisions,
// 10,000 StateData rows) and a large one (100,000 names and revisions,
// 1,000,000 StateData rows; BENCH_SCALE scales it).  Every benchmark runs on
// both; the argument is the StateData row count.  Ids cycle through a fixed
// pseudo-random sequence.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "bench_db.h"
#include "common/clsCommon.h"
#include "db/dialect.h"
#include "keltrane/ktrt.h"
#include "subscriber/clsSubscriber.h"

namespace {

using kt::bench::BenchDb;

std::map<int64_t, BenchDb>& Databases() {
  static std::map<int64_t, BenchDb> dbs;
  return dbs;
}

const BenchDb& Use(benchmark::State& state) {
  const BenchDb& db = Databases().at(state.range(0));
  KtSetHostSetting("db", db.path.c_str());
  return db;
}

// 4096 ids in [1, n]; with `state_data_only`, only revisions whose company
// reads its logs from StateData.
std::vector<int32_t> Ids(int64_t n, bool state_data_only) {
  std::vector<int32_t> ids;
  uint64_t x = 88172645463325252ull;
  while (ids.size() < 4096) {
    x ^= x << 13;
    x ^= x >> 7;
    x ^= x << 17;
    const auto id = static_cast<int32_t>(x % static_cast<uint64_t>(n) + 1);
    if (!state_data_only || kt::bench::StateDataCompany(id)) ids.push_back(id);
  }
  return ids;
}

// ---- The floor: one connection, statements prepared once, ids bound.

class Floor {
 public:
  explicit Floor(const std::string& path) {
    if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) std::abort();
    company_ = Prepare(
        "SELECT DISTINCT PNS.Company_ID as COMPANYID,PTR.panel_type_rev_id  FROM (((panel_names as PNS INNER "
        "JOIN "
        "panel_type_revision as PTR ON PNS.panel_name_id = PTR.panel_name_id ) LEFT JOIN "
        "panel_name_substitute_or_adds  as PNSA ON (PNS.panel_name_id = PNSA.panel_name_id )) ) WHERE "
        "PTR.panel_type_rev_id=?1");
    commands_ = Prepare(
        "SELECT Panel_type_Rev_ID, Command_ID, Sequence_Number, State_Data FROM StateData  where "
        "Panel_type_Rev_ID=?1 and Sequence_Number=?2");
    substitute_ = Prepare(
        "SELECT panel_name FROM panel_name_substitute_or_adds WHERE panel_name_id = ?1 AND company_id IN "
        "(SELECT company_id FROM companies WHERE company_active = -1)");
    base_ = Prepare("SELECT panel_name FROM panel_names WHERE panel_name_id = ?1");
    active_ = Prepare("SELECT Company_ID FROM Companies WHERE Company_Active = -1;");
  }
  ~Floor() {
    for (sqlite3_stmt* s : {company_, commands_, substitute_, base_, active_, revisions_})
      sqlite3_finalize(s);
    sqlite3_close(db_);
  }
  Floor(const Floor&) = delete;
  Floor& operator=(const Floor&) = delete;

  int32_t CompanyId(int32_t rev) {
    sqlite3_bind_int(company_, 1, rev);
    int32_t company = 0;
    if (sqlite3_step(company_) == SQLITE_ROW) company = sqlite3_column_int(company_, 0);
    sqlite3_reset(company_);
    return company;
  }

  std::vector<int32_t> Commands(int32_t rev, int enabled) {
    std::vector<int32_t> ids;
    sqlite3_bind_int(commands_, 1, rev);
    sqlite3_bind_int(commands_, 2, enabled);
    while (sqlite3_step(commands_) == SQLITE_ROW) ids.push_back(sqlite3_column_int(commands_, 1));
    sqlite3_reset(commands_);
    return ids;
  }

  // The flags of getViewLogEnabledValues: event, ECP, fire, alarm.
  std::array<int16_t, 4> ViewLog(int32_t rev, int32_t parent_rev) {
    std::array<int16_t, 4> f{};
    const int32_t company = CompanyId(rev);
    if (company != 1 && company != 2 && company != 21) {
      f[0] = -1;
      return f;
    }
    std::vector<int32_t> merged = Commands(rev, 1);
    const std::vector<int32_t> disabled = Commands(rev, 0);
    const size_t own = merged.size();
    for (int32_t id : Commands(parent_rev, 1)) {
      if (std::find(merged.begin(), merged.begin() + static_cast<ptrdiff_t>(own), id) !=
              merged.begin() + static_cast<ptrdiff_t>(own) ||
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

  std::string PanelName(int32_t name_id) {
    std::string name;
    sqlite3_bind_int(substitute_, 1, name_id);
    if (sqlite3_step(substitute_) == SQLITE_ROW && sqlite3_column_type(substitute_, 0) != SQLITE_NULL)
      name = reinterpret_cast<const char*>(sqlite3_column_text(substitute_, 0));
    sqlite3_reset(substitute_);
    if (!name.empty()) return name;
    sqlite3_bind_int(base_, 1, name_id);
    if (sqlite3_step(base_) == SQLITE_ROW && sqlite3_column_type(base_, 0) != SQLITE_NULL)
      name = reinterpret_cast<const char*>(sqlite3_column_text(base_, 0));
    sqlite3_reset(base_);
    return name;
  }

  // GetPanelNamebyRevid: the active companies, every revision's row of the
  // join (stepped through, as the member reads them all), then the name.
  std::string PanelNameByRevid(int32_t rev) {
    std::string list;
    while (sqlite3_step(active_) == SQLITE_ROW) list += std::to_string(sqlite3_column_int(active_, 0)) + ",";
    sqlite3_reset(active_);
    if (list.empty()) return "";
    list.back() = ' ';
    if (list != revisions_list_) {
      sqlite3_finalize(revisions_);
      revisions_ = Prepare(kt::suite::Translate(RevisionsStatement(list)).c_str());
      revisions_list_ = list;
    }
    int32_t name_id = -1;
    while (sqlite3_step(revisions_) == SQLITE_ROW)
      if (sqlite3_column_int(revisions_, 0) == rev) name_id = sqlite3_column_int(revisions_, 1);
    sqlite3_reset(revisions_);
    return name_id < 0 ? "" : PanelName(name_id);
  }

  // The member's statement text (the library's dialect).
  static std::string RevisionsStatement(const std::string& companies) {
    return "SELECT DISTINCT panel_type_revision.panel_type_rev_id, panel_names.panel_name_id,  "
           "panel_names.panel_name as Orig_panel_name, "
           "iif(isnull(PNSA.panel_name),panel_names.panel_name,PNSA.panel_name) as panel_name_used, "
           "PNSA.panel_name FROM ((panel_names INNER JOIN panel_type_revision ON panel_names.panel_name_id = "
           "panel_type_revision.panel_name_id) LEFT JOIN panel_name_substitute_or_adds PNSA ON  "
           "(panel_names.panel_name_id = PNSA.panel_name_id AND PNSA.company_id IN (" +
           companies + ")) ) WHERE not panel_names.product_id is Null AND panel_names.family_id IS NOT Null";
  }

 private:
  sqlite3_stmt* Prepare(const char* sql) {
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, &s, nullptr) != SQLITE_OK) {
      std::fprintf(stderr, "floor: %s\n", sqlite3_errmsg(db_));
      std::abort();
    }
    return s;
  }
  sqlite3* db_ = nullptr;
  sqlite3_stmt *company_ = nullptr, *commands_ = nullptr, *substitute_ = nullptr, *base_ = nullptr,
               *active_ = nullptr, *revisions_ = nullptr;
  std::string revisions_list_;
};

// ---- clsCommon.GetCompanyIdFromPTRID

void BM_GetCompanyIdFromPTRID_Library(benchmark::State& state) {
  const BenchDb& db = Use(state);
  const std::vector<int32_t> ids = Ids(db.names, false);
  kt::clsCommon common;
  size_t i = 0;
  for (auto _ : state) {
    int32_t rev = ids[i++ & 4095];
    benchmark::DoNotOptimize(common.GetCompanyIdFromPTRID(rev));
  }
}

void BM_GetCompanyIdFromPTRID_Floor(benchmark::State& state) {
  Floor floor(Use(state).path);
  const std::vector<int32_t> ids = Ids(state.range(0) / kt::bench::kStatePerRevision, false);
  size_t i = 0;
  for (auto _ : state) benchmark::DoNotOptimize(floor.CompanyId(ids[i++ & 4095]));
}

// An experiment for the notes: the floor's query on a connection opened for
// the call (open, WAL pragma, prepare, step, close), as the member makes a
// new application component, and so a new connection, on every call.
void BM_GetCompanyIdFromPTRID_FloorNewConnection(benchmark::State& state) {
  const BenchDb& db = Use(state);
  const std::vector<int32_t> ids = Ids(db.names, false);
  size_t i = 0;
  for (auto _ : state) {
    sqlite3* c = nullptr;
    sqlite3_open_v2(db.path.c_str(), &c, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_busy_timeout(c, 5000);
    sqlite3_exec(c, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
    const std::string sql =
        "SELECT DISTINCT PNS.Company_ID as COMPANYID,PTR.panel_type_rev_id  FROM (((panel_names as PNS INNER "
        "JOIN "
        "panel_type_revision as PTR ON PNS.panel_name_id = PTR.panel_name_id ) LEFT JOIN "
        "panel_name_substitute_or_adds  as PNSA ON (PNS.panel_name_id = PNSA.panel_name_id )) ) WHERE "
        "PTR.panel_type_rev_id=" +
        std::to_string(ids[i++ & 4095]);
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v2(c, sql.c_str(), -1, &s, nullptr);
    if (sqlite3_step(s) == SQLITE_ROW) benchmark::DoNotOptimize(sqlite3_column_int(s, 0));
    sqlite3_finalize(s);
    sqlite3_close(c);
  }
}

// ---- clsCommon.getViewLogEnabledValues (revisions of companies 1, 2, 21:
// the StateData path; the parent is the revision before).

void BM_getViewLogEnabledValues_Library(benchmark::State& state) {
  const BenchDb& db = Use(state);
  const std::vector<int32_t> ids = Ids(db.names, true);
  kt::clsCommon common;
  size_t i = 0;
  int16_t e = 0, c = 0, f = 0, a = 0;
  for (auto _ : state) {
    const int32_t rev = ids[i++ & 4095];
    benchmark::DoNotOptimize(common.getViewLogEnabledValues(rev, rev - 1, e, c, f, a));
  }
}

void BM_getViewLogEnabledValues_Floor(benchmark::State& state) {
  Floor floor(Use(state).path);
  const std::vector<int32_t> ids = Ids(state.range(0) / kt::bench::kStatePerRevision, true);
  size_t i = 0;
  for (auto _ : state) {
    const int32_t rev = ids[i++ & 4095];
    benchmark::DoNotOptimize(floor.ViewLog(rev, rev - 1));
  }
}

// ---- clsSubscriber.GetPanelName

void BM_GetPanelName_Library(benchmark::State& state) {
  const BenchDb& db = Use(state);
  const std::vector<int32_t> ids = Ids(db.names, false);
  kt::clsSubscriber subscriber;
  std::string name;
  size_t i = 0;
  for (auto _ : state) {
    subscriber.GetPanelName(ids[i++ & 4095], name);
    benchmark::DoNotOptimize(name.data());
  }
}

// An experiment for the notes: one id again and again, so that the
// component's statement cache (200 texts per connection) always hits.
void BM_GetPanelName_LibrarySameId(benchmark::State& state) {
  Use(state);
  kt::clsSubscriber subscriber;
  std::string name;
  for (auto _ : state) {
    subscriber.GetPanelName(17, name);
    benchmark::DoNotOptimize(name.data());
  }
}

void BM_GetPanelName_Floor(benchmark::State& state) {
  Floor floor(Use(state).path);
  const std::vector<int32_t> ids = Ids(state.range(0) / kt::bench::kStatePerRevision, false);
  size_t i = 0;
  for (auto _ : state) benchmark::DoNotOptimize(floor.PanelName(ids[i++ & 4095]));
}

// ---- clsSubscriber.GetPanelNamebyRevid

// The member passes the name id through CInt: a name id past 32767
// overflows and the member answers "" (after the same full read).  The ids
// used here stay below that, so that every call finds its name.
constexpr int64_t kCIntMax = 32767;

void BM_GetPanelNamebyRevid_Library(benchmark::State& state) {
  const BenchDb& db = Use(state);
  const std::vector<int32_t> ids = Ids(std::min(db.names, kCIntMax), false);
  kt::clsSubscriber subscriber;
  std::string name;
  size_t i = 0;
  for (auto _ : state) {
    subscriber.GetPanelNamebyRevid(ids[i++ & 4095], name);
    benchmark::DoNotOptimize(name.data());
  }
}

void BM_GetPanelNamebyRevid_Floor(benchmark::State& state) {
  Floor floor(Use(state).path);
  const std::vector<int32_t> ids =
      Ids(std::min(state.range(0) / kt::bench::kStatePerRevision, kCIntMax), false);
  size_t i = 0;
  for (auto _ : state) benchmark::DoNotOptimize(floor.PanelNameByRevid(ids[i++ & 4095]));
}

// The library and the floor must agree before their times mean anything.
bool Agree(const BenchDb& db) {
  KtSetHostSetting("db", db.path.c_str());
  Floor floor(db.path);
  kt::clsCommon common;
  kt::clsSubscriber subscriber;
  bool ok = true;
  for (int32_t id : {int32_t{1}, int32_t{2}, int32_t{10}, int32_t{20}, static_cast<int32_t>(db.names)}) {
    int32_t rev = id;
    ok &= common.GetCompanyIdFromPTRID(rev) == floor.CompanyId(id);
    std::array<int16_t, 4> f{};
    common.getViewLogEnabledValues(id, id - 1, f[0], f[1], f[2], f[3]);
    ok &= f == floor.ViewLog(id, id - 1);
    std::string name;
    subscriber.GetPanelName(id, name);
    ok &= name == floor.PanelName(id) && !name.empty();
    subscriber.GetPanelNamebyRevid(id, name);
    ok &= id > kCIntMax ? name.empty() : name == floor.PanelNameByRevid(id) && !name.empty();
    if (!ok) std::fprintf(stderr, "library and floor disagree on id %d\n", id);
  }
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  // The logging component writes a line per log call; /dev/null takes them.
  KtSetHostSetting("log", "/dev/null");
  const auto large = static_cast<int64_t>(100000 * kt::bench::Scale());
  std::vector<int64_t> args;
  for (int64_t names : {std::min<int64_t>(1000, large), large}) {
    if (Databases().count(names * kt::bench::kStatePerRevision)) continue;
    BenchDb db = kt::bench::MakeDatabase(names);
    std::printf("generated %lld panel names, %lld StateData rows in %.1f s\n",
                static_cast<long long>(db.names), static_cast<long long>(db.state_rows), db.seconds);
    if (!Agree(db)) return 1;
    args.push_back(db.state_rows);
    Databases().emplace(db.state_rows, db);
  }
  std::fflush(stdout);
  using Fn = void (*)(benchmark::State&);
  const std::pair<const char*, Fn> all[] = {
      {"GetCompanyIdFromPTRID_Library", BM_GetCompanyIdFromPTRID_Library},
      {"GetCompanyIdFromPTRID_Floor", BM_GetCompanyIdFromPTRID_Floor},
      {"GetCompanyIdFromPTRID_FloorNewConnection", BM_GetCompanyIdFromPTRID_FloorNewConnection},
      {"getViewLogEnabledValues_Library", BM_getViewLogEnabledValues_Library},
      {"getViewLogEnabledValues_Floor", BM_getViewLogEnabledValues_Floor},
      {"GetPanelName_Library", BM_GetPanelName_Library},
      {"GetPanelName_Floor", BM_GetPanelName_Floor},
      {"GetPanelName_LibrarySameId", BM_GetPanelName_LibrarySameId},
      {"GetPanelNamebyRevid_Library", BM_GetPanelNamebyRevid_Library},
      {"GetPanelNamebyRevid_Floor", BM_GetPanelNamebyRevid_Floor},
  };
  for (const auto& [name, fn] : all) {
    auto* b = benchmark::RegisterBenchmark(name, fn)->ArgName("state_rows")->Unit(benchmark::kMicrosecond);
    for (int64_t a : args) b->Arg(a);
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  for (const auto& [rows, db] : Databases()) kt::bench::RemoveDatabase(db);
  return 0;
}
