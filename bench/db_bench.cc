// Database members through the real components (com::DefaultEnv() over the
// suite's stand-ins) against the same queries run as prepared statements on
// one open connection (the floor): on SQLite, and on PostgreSQL when
// KELTRANE_TEST_PG names a server (make bench starts a throwaway one), where
// the floor is libpq with server-side prepared statements.
//
// Two generated databases per backend: a small one (1,000 panel names and
// revisions, 10,000 StateData rows) and a large one (100,000 names and
// revisions, 1,000,000 StateData rows; BENCH_SCALE scales it).  Every
// benchmark runs on each; the arguments are the StateData row count and the
// backend (pg:0 SQLite, pg:1 PostgreSQL).  Ids cycle through a fixed
// pseudo-random sequence.  The library's members are called through its COM
// objects, as hosts call them (each call one member call of the frame).
//
// Also: clsINIData's ini_get and GetModemInformation (20 ports) on a settings
// file in Storage/ of the build folder.  KT_BENCH_SYSCALLS=N runs every
// member N times between marks for scripts/syscalls-per-call.py instead.
#include <benchmark/benchmark.h>
#include <libpq-fe.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench_com.h"
#include "bench_db.h"
#include "com/env/default_env.h"
#include "common/clsCommon.h"
#include "db/dialect.h"
#include "keltrane/ktrt.h"
#include "logging/LogModule.h"
#include "subscriber/clsSubscriber.h"

namespace {

using kt::bench::BenchDb;

// Keyed by (StateData rows, backend).
std::map<std::pair<int64_t, int64_t>, BenchDb>& Databases() {
  static std::map<std::pair<int64_t, int64_t>, BenchDb> dbs;
  return dbs;
}

const BenchDb& Use(benchmark::State& state) {
  const BenchDb& db = Databases().at({state.range(0), state.range(1)});
  KtSetHostSetting("db", db.path.c_str());
  return db;
}

using kt::bench::Ids;
using kt::bench::kCIntMax;

// ---- The floor: one connection, statements prepared once, ids bound.

class SqliteFloor {
 public:
  explicit SqliteFloor(const std::string& path) {
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
  ~SqliteFloor() {
    for (sqlite3_stmt* s : {company_, commands_, substitute_, base_, active_, revisions_})
      sqlite3_finalize(s);
    sqlite3_close(db_);
  }
  SqliteFloor(const SqliteFloor&) = delete;
  SqliteFloor& operator=(const SqliteFloor&) = delete;

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

  std::array<int16_t, 4> ViewLog(int32_t rev, int32_t parent_rev) {
    return kt::bench::ViewLogFlags(*this, rev, parent_rev);
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
      revisions_ = Prepare(kt::suite::Translate(kt::bench::RevisionsStatement(list)).c_str());
      revisions_list_ = list;
    }
    int32_t name_id = -1;
    while (sqlite3_step(revisions_) == SQLITE_ROW)
      if (sqlite3_column_int(revisions_, 0) == rev) name_id = sqlite3_column_int(revisions_, 1);
    sqlite3_reset(revisions_);
    return name_id < 0 ? "" : PanelName(name_id);
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

// The PostgreSQL floor: libpq, statements prepared on the server once, ids
// sent as text parameters.
class PgFloor {
 public:
  explicit PgFloor(const std::string& target) : conn_(PQconnectdb(target.c_str())) {
    if (PQstatus(conn_) != CONNECTION_OK) Die();
    Prepare("company",
            "SELECT DISTINCT PNS.Company_ID as COMPANYID,PTR.panel_type_rev_id  FROM (((panel_names as PNS "
            "INNER JOIN panel_type_revision as PTR ON PNS.panel_name_id = PTR.panel_name_id ) LEFT JOIN "
            "panel_name_substitute_or_adds  as PNSA ON (PNS.panel_name_id = PNSA.panel_name_id )) ) WHERE "
            "PTR.panel_type_rev_id=$1");
    Prepare("commands",
            "SELECT Panel_type_Rev_ID, Command_ID, Sequence_Number, State_Data FROM StateData  where "
            "Panel_type_Rev_ID=$1 and Sequence_Number=$2");
    Prepare("substitute",
            "SELECT panel_name FROM panel_name_substitute_or_adds WHERE panel_name_id = $1 AND company_id IN "
            "(SELECT company_id FROM companies WHERE company_active = -1)");
    Prepare("base", "SELECT panel_name FROM panel_names WHERE panel_name_id = $1");
    Prepare("active", "SELECT Company_ID FROM Companies WHERE Company_Active = -1");
  }
  ~PgFloor() { PQfinish(conn_); }
  PgFloor(const PgFloor&) = delete;
  PgFloor& operator=(const PgFloor&) = delete;

  int32_t CompanyId(int32_t rev) {
    Result r = Run("company", {rev});
    return PQntuples(r.get()) > 0 ? std::atoi(PQgetvalue(r.get(), 0, 0)) : 0;
  }

  std::vector<int32_t> Commands(int32_t rev, int enabled) {
    Result r = Run("commands", {rev, enabled});
    std::vector<int32_t> ids;
    for (int i = 0; i < PQntuples(r.get()); ++i) ids.push_back(std::atoi(PQgetvalue(r.get(), i, 1)));
    return ids;
  }

  std::array<int16_t, 4> ViewLog(int32_t rev, int32_t parent_rev) {
    return kt::bench::ViewLogFlags(*this, rev, parent_rev);
  }

  std::string PanelName(int32_t name_id) {
    for (const char* statement : {"substitute", "base"}) {
      Result r = Run(statement, {name_id});
      if (PQntuples(r.get()) > 0 && !PQgetisnull(r.get(), 0, 0)) return PQgetvalue(r.get(), 0, 0);
    }
    return "";
  }

  std::string PanelNameByRevid(int32_t rev) {
    std::string list;
    Result active = Run("active", {});
    for (int i = 0; i < PQntuples(active.get()); ++i)
      list += std::string(PQgetvalue(active.get(), i, 0)) + ",";
    if (list.empty()) return "";
    list.back() = ' ';
    if (list != revisions_list_) {
      if (!revisions_list_.empty()) PQclear(PQexec(conn_, "DEALLOCATE revisions"));
      Prepare(
          "revisions",
          kt::suite::Translate(kt::bench::RevisionsStatement(list), kt::suite::Dialect::kPostgres).c_str());
      revisions_list_ = list;
    }
    Result r = Run("revisions", {});
    int32_t name_id = -1;
    for (int i = 0; i < PQntuples(r.get()); ++i)
      if (std::atoi(PQgetvalue(r.get(), i, 0)) == rev) name_id = std::atoi(PQgetvalue(r.get(), i, 1));
    return name_id < 0 ? "" : PanelName(name_id);
  }

 private:
  using Result = std::unique_ptr<PGresult, decltype(&PQclear)>;

  [[noreturn]] void Die() {
    std::fprintf(stderr, "floor: %s\n", PQerrorMessage(conn_));
    std::abort();
  }
  void Prepare(const char* name, const char* sql) {
    Result r(PQprepare(conn_, name, sql, 0, nullptr), PQclear);
    if (PQresultStatus(r.get()) != PGRES_COMMAND_OK) Die();
  }
  Result Run(const char* name, std::initializer_list<int32_t> params) {
    std::array<std::string, 2> text;
    std::array<const char*, 2> values{};
    size_t n = 0;
    for (int32_t p : params) {
      text[n] = std::to_string(p);
      values[n] = text[n].c_str();
      ++n;
    }
    Result r(PQexecPrepared(conn_, name, static_cast<int>(n), values.data(), nullptr, nullptr, 0), PQclear);
    if (PQresultStatus(r.get()) != PGRES_TUPLES_OK) Die();
    return r;
  }

  PGconn* conn_;
  std::string revisions_list_;
};

// ---- The library's members through its COM objects.

class Members {
 public:
  Members()
      : common_(kt::bench::Create<_clsCommon>(CLSID_clsCommon, IID__clsCommon)),
        subscriber_(kt::bench::Create<_clsSubscriber>(CLSID_clsSubscriber, IID__clsSubscriber)),
        ini_(kt::bench::Create<_clsINIData>(CLSID_clsINIData, IID__clsINIData)) {}
  ~Members() {
    for (BSTR b : {name_, section_, key_, default_}) SysFreeString(b);
    ini_->Release();
    subscriber_->Release();
    common_->Release();
  }
  Members(const Members&) = delete;
  Members& operator=(const Members&) = delete;

  LONG CompanyId(LONG rev) {
    LONG result = 0;
    Check(common_->GetCompanyIdFromPTRID(&rev, &result));
    return result;
  }
  SHORT ViewLog(LONG rev) {
    SHORT e = 0, c = 0, f = 0, a = 0;
    VARIANT result;
    VariantInit(&result);
    Check(common_->getViewLogEnabledValues(rev, rev - 1, &e, &c, &f, &a, &result));
    VariantClear(&result);
    return static_cast<SHORT>(e + c + f + a);
  }
  const OLECHAR* PanelName(LONG id) {
    Free();
    Check(subscriber_->GetPanelName(id, &name_));
    return name_;
  }
  const OLECHAR* PanelNameByRevid(LONG rev) {
    Free();
    Check(subscriber_->GetPanelNamebyRevid(rev, &name_));
    return name_;
  }
  // The last key of the settings file's last section (Storage/Vizaride32.ini).
  const OLECHAR* IniGet() {
    Free();
    Check(ini_->ini_get(section_, key_, default_, &name_));
    return name_;
  }
  // Protocol 1's twenty ports: the count, then CommPort1..CommPort20.
  LONG Modems() {
    LONG company = 1, protocol = 1;
    SAFEARRAY* ports = nullptr;
    Check(ini_->GetModemInformation(&company, &protocol, &ports));
    LONG upper = 0;
    if (ports == nullptr || SafeArrayGetUBound(ports, 1, &upper) != S_OK) std::abort();
    SafeArrayDestroy(ports);
    return upper;
  }

 private:
  static void Check(HRESULT hr) {
    if (hr != S_OK) {
      std::fprintf(stderr, "member call failed: 0x%08x\n", static_cast<unsigned>(hr));
      std::abort();
    }
  }
  void Free() {
    SysFreeString(name_);
    name_ = nullptr;
  }
  // The arguments as a caller passes them: BSTRs (a length before the text).
  BSTR section_ = SysAllocString(u"Section25");
  BSTR key_ = SysAllocString(u"Key20");
  BSTR default_ = SysAllocString(u"");

  _clsCommon* common_;
  _clsSubscriber* subscriber_;
  _clsINIData* ini_;
  BSTR name_ = nullptr;
};

// ---- clsCommon.GetCompanyIdFromPTRID

void BM_GetCompanyIdFromPTRID_Library(benchmark::State& state) {
  const BenchDb& db = Use(state);
  const std::vector<int32_t> ids = Ids(db.names, false);
  Members members;
  size_t i = 0;
  for (auto _ : state) benchmark::DoNotOptimize(members.CompanyId(ids[i++ & 4095]));
}

template <class Floor>
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

// An experiment for the notes: one log line as the members write them (the
// library's logging routine, the logging component, a write to the log).
void BM_LogLine(benchmark::State& state) {
  const std::string source = "Keltrane->clsCommon->getCommandIds";
  const std::string message = "strQuery = SELECT Panel_type_Rev_ID, Command_ID FROM StateData where x=1";
  for (auto _ : state) kt::WriteLog(kt::com::DefaultEnv(), 1, source, message);
}

// An experiment for the notes: one stat() of the log file, what each
// once-per-call check of an outside file costs on this machine.
void BM_Stat(benchmark::State& state) {
  struct stat st {};
  for (auto _ : state) benchmark::DoNotOptimize(::stat("db_bench.log", &st));
}

// ---- clsCommon.getViewLogEnabledValues (revisions of companies 1, 2, 21:
// the StateData path; the parent is the revision before).

void BM_getViewLogEnabledValues_Library(benchmark::State& state) {
  const BenchDb& db = Use(state);
  const std::vector<int32_t> ids = Ids(db.names, true);
  Members members;
  size_t i = 0;
  for (auto _ : state) benchmark::DoNotOptimize(members.ViewLog(ids[i++ & 4095]));
}

template <class Floor>
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
  Members members;
  size_t i = 0;
  for (auto _ : state) benchmark::DoNotOptimize(members.PanelName(ids[i++ & 4095]));
}

// An experiment for the notes: one id again and again, so that the
// component's statement cache (200 texts per connection) always hits.
void BM_GetPanelName_LibrarySameId(benchmark::State& state) {
  Use(state);
  Members members;
  for (auto _ : state) benchmark::DoNotOptimize(members.PanelName(17));
}

template <class Floor>
void BM_GetPanelName_Floor(benchmark::State& state) {
  Floor floor(Use(state).path);
  const std::vector<int32_t> ids = Ids(state.range(0) / kt::bench::kStatePerRevision, false);
  size_t i = 0;
  for (auto _ : state) benchmark::DoNotOptimize(floor.PanelName(ids[i++ & 4095]));
}

// ---- clsSubscriber.GetPanelNamebyRevid

// The ids used here stay below kCIntMax, so that every call finds its name.

void BM_GetPanelNamebyRevid_Library(benchmark::State& state) {
  const BenchDb& db = Use(state);
  const std::vector<int32_t> ids = Ids(std::min(db.names, kCIntMax), false);
  Members members;
  size_t i = 0;
  for (auto _ : state) benchmark::DoNotOptimize(members.PanelNameByRevid(ids[i++ & 4095]));
}

template <class Floor>
void BM_GetPanelNamebyRevid_Floor(benchmark::State& state) {
  Floor floor(Use(state).path);
  const std::vector<int32_t> ids =
      Ids(std::min(state.range(0) / kt::bench::kStatePerRevision, kCIntMax), false);
  size_t i = 0;
  for (auto _ : state) benchmark::DoNotOptimize(floor.PanelNameByRevid(ids[i++ & 4095]));
}

// ---- clsINIData.ini_get and GetModemInformation (SQLite only: the
// protocol's section comes from the database).

void BM_ini_get_Library(benchmark::State& state) {
  Use(state);
  Members members;
  for (auto _ : state) benchmark::DoNotOptimize(members.IniGet());
}

void BM_GetModemInformation_Library(benchmark::State& state) {
  Use(state);
  Members members;
  for (auto _ : state) benchmark::DoNotOptimize(members.Modems());
}

constexpr int kPorts = 20;

// Storage/Vizaride32.ini beside bin/ (the folder the library is linked into):
// 25 sections of 20 keys, then protocol 1's port count and twenty ports.
void WriteSettings(const std::vector<std::string>& databases) {
  std::filesystem::create_directories("Storage");
  std::ofstream out("Storage/Vizaride32.ini", std::ios::trunc | std::ios::binary);
  for (int s = 1; s <= 25; ++s) {
    out << "[Section" << s << "]\r\n";
    for (int k = 1; k <= 20; ++k) out << "Key" << k << "=value-" << s << "-" << k << "\r\n";
  }
  out << "[ComPorts]\r\nNumber=" << kPorts << "\r\n[Protocol TORVANE]\r\n";
  for (int p = 1; p <= kPorts; ++p) out << "CommPort" << p << "=COM" << p << "\r\n";
  for (const std::string& path : databases) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) std::abort();
    kt::bench::Exec(db,
                    "INSERT INTO suite_settings(Section, Key, Value) VALUES ('ProtocolSections', '1', "
                    "'Protocol TORVANE')");
    sqlite3_close(db);
  }
}

bool IniAgrees() {
  Members members;
  const OLECHAR* v = members.IniGet();
  const std::u16string value = v == nullptr ? u"" : v;
  const LONG ports = members.Modems();
  const bool ok = value == u"value-25-20" && ports == kPorts;
  if (!ok) {
    std::fprintf(stderr,
                 "Storage/Vizaride32.ini: ini_get read %zu characters, GetModemInformation %d ports\n",
                 value.size(), static_cast<int>(ports));
  }
  return ok;
}

// KT_BENCH_SYSCALLS: each member (and the SQLite floor) n times on the large
// SQLite database, between marks.
void CountSyscalls(const BenchDb& db, long n) {
  using kt::bench::CountSyscalls;
  KtSetHostSetting("db", db.path.c_str());
  const std::vector<int32_t> ids = Ids(db.names, false);
  const std::vector<int32_t> state_ids = Ids(db.names, true);
  const std::vector<int32_t> small_ids = Ids(std::min(db.names, kCIntMax), false);
  Members m;
  SqliteFloor floor(db.path);
  CountSyscalls("GetCompanyIdFromPTRID", n, [&](long i) { m.CompanyId(ids[i & 4095]); });
  CountSyscalls("GetCompanyIdFromPTRID_Floor", n, [&](long i) { floor.CompanyId(ids[i & 4095]); });
  CountSyscalls("getViewLogEnabledValues", n, [&](long i) { m.ViewLog(state_ids[i & 4095]); });
  CountSyscalls("getViewLogEnabledValues_Floor", n, [&](long i) {
    const int32_t rev = state_ids[i & 4095];
    floor.ViewLog(rev, rev - 1);
  });
  CountSyscalls("GetPanelName", n, [&](long i) { m.PanelName(ids[i & 4095]); });
  CountSyscalls("GetPanelName_Floor", n, [&](long i) { floor.PanelName(ids[i & 4095]); });
  CountSyscalls("GetPanelNamebyRevid", std::min(n, 5L),
                [&](long i) { m.PanelNameByRevid(small_ids[i & 4095]); });
  CountSyscalls("ini_get", n, [&](long) { m.IniGet(); });
  CountSyscalls("GetModemInformation", n, [&](long) { m.Modems(); });
}

// The library and the floor must agree before their times mean anything.
template <class Floor>
bool Agree(const BenchDb& db) {
  KtSetHostSetting("db", db.path.c_str());
  Floor floor(db.path);
  kt::clsCommon common{kt::com::DefaultEnv()};
  kt::clsSubscriber subscriber{kt::com::DefaultEnv()};
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

// A floor benchmark on the floor of the backend in its second argument.
template <void (*OnSqlite)(benchmark::State&), void (*OnPostgres)(benchmark::State&)>
void ByBackend(benchmark::State& state) {
  (state.range(1) != 0 ? OnPostgres : OnSqlite)(state);
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  // The logging component writes a line per log call to a real file in the
  // build folder (rotated at its default size), as it would for a user:
  // /dev/null would hide the cost of the file checks and the writes.
  KtSetHostSetting("log", "db_bench.log");
  const auto large = static_cast<int64_t>(100000 * kt::bench::Scale());
  const char* pg = std::getenv("KELTRANE_TEST_PG");
  std::vector<std::pair<int64_t, int64_t>> args;  // (StateData rows, backend)
  for (int64_t backend : {0, 1}) {
    if (backend == 1 && kt::bench::SyscallCalls() > 0) break;
    if (backend == 1 && (pg == nullptr || *pg == '\0')) {
      std::printf("KELTRANE_TEST_PG is not set: no PostgreSQL runs (make bench starts a server)\n");
      break;
    }
    for (int64_t names : {std::min<int64_t>(1000, large), large}) {
      if (Databases().count({names * kt::bench::kStatePerRevision, backend})) continue;
      BenchDb db = backend == 0 ? kt::bench::MakeDatabase(names) : kt::bench::MakePgDatabase(pg, names);
      std::printf("%s: generated %lld panel names, %lld StateData rows in %.1f s\n",
                  backend == 0 ? "SQLite" : "PostgreSQL", static_cast<long long>(db.names),
                  static_cast<long long>(db.state_rows), db.seconds);
      if (!(backend == 0 ? Agree<SqliteFloor>(db) : Agree<PgFloor>(db))) return 1;
      args.emplace_back(db.state_rows, backend);
      Databases().emplace(std::pair(db.state_rows, backend), db);
    }
  }
  std::vector<std::string> sqlite_files;
  for (const auto& [key, db] : Databases())
    if (key.second == 0) sqlite_files.push_back(db.path);
  WriteSettings(sqlite_files);
  KtSetHostSetting("db", Databases().begin()->second.path.c_str());
  if (!IniAgrees()) return 1;
  std::fflush(stdout);
  if (const long n = kt::bench::SyscallCalls(); n > 0) {
    CountSyscalls(Databases().at(args.back()), n);
    for (const auto& [key, db] : Databases()) kt::bench::RemoveDatabase(db);
    return 0;
  }
  using Fn = void (*)(benchmark::State&);
  struct Entry {
    const char* name;
    Fn fn;
    bool sqlite_only;
  };
  const Entry all[] = {
      {"GetCompanyIdFromPTRID_Library", BM_GetCompanyIdFromPTRID_Library, false},
      {"GetCompanyIdFromPTRID_Floor",
       ByBackend<BM_GetCompanyIdFromPTRID_Floor<SqliteFloor>, BM_GetCompanyIdFromPTRID_Floor<PgFloor>>,
       false},
      {"GetCompanyIdFromPTRID_FloorNewConnection", BM_GetCompanyIdFromPTRID_FloorNewConnection, true},
      {"LogLine", BM_LogLine, true},
      {"Stat", BM_Stat, true},
      {"getViewLogEnabledValues_Library", BM_getViewLogEnabledValues_Library, false},
      {"getViewLogEnabledValues_Floor",
       ByBackend<BM_getViewLogEnabledValues_Floor<SqliteFloor>, BM_getViewLogEnabledValues_Floor<PgFloor>>,
       false},
      {"GetPanelName_Library", BM_GetPanelName_Library, false},
      {"GetPanelName_Floor", ByBackend<BM_GetPanelName_Floor<SqliteFloor>, BM_GetPanelName_Floor<PgFloor>>,
       false},
      {"GetPanelName_LibrarySameId", BM_GetPanelName_LibrarySameId, false},
      {"GetPanelNamebyRevid_Library", BM_GetPanelNamebyRevid_Library, false},
      {"GetPanelNamebyRevid_Floor",
       ByBackend<BM_GetPanelNamebyRevid_Floor<SqliteFloor>, BM_GetPanelNamebyRevid_Floor<PgFloor>>, false},
      {"ini_get_Library", BM_ini_get_Library, true},
      {"GetModemInformation_Library", BM_GetModemInformation_Library, true},
  };
  for (const auto& [name, fn, sqlite_only] : all) {
    auto* b =
        benchmark::RegisterBenchmark(name, fn)->ArgNames({"state_rows", "pg"})->Unit(benchmark::kMicrosecond);
    for (const auto& [rows, backend] : args)
      if (backend == 0 || !sqlite_only) b->Args({rows, backend});
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  for (const auto& [key, db] : Databases()) {
    if (key.second == 0)
      kt::bench::RemoveDatabase(db);
    else
      kt::bench::RemovePgDatabase(pg, db);
  }
  return 0;
}
