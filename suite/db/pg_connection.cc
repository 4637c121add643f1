// The PostgreSQL backend over libpq.
//
// Timeouts keep a member from hanging on a dead server: 5 s to connect, 30 s
// per statement, and TCP keepalives so a vanished peer is noticed.  A
// connection the server dropped fails its statement (the member reports it)
// and is replaced by the pool on the next one.  Statements run with text
// parameters; a text seen a second time is prepared on the server and run
// by name from then on, so one-off texts (ids spliced in) cost one round
// trip and repeated ones skip parsing and planning.
#include <libpq-fe.h>

#include <cstdlib>
#include <unordered_set>

#include "base/vbtext.h"
#include "db/connection.h"

namespace kt::suite {
namespace {

// Type OIDs of the built-in types the schema uses (pg_type.h).
constexpr Oid kBool = 16, kBytea = 17, kInt8 = 20, kInt2 = 21, kInt4 = 23, kOid = 26, kFloat4 = 700,
              kFloat8 = 701, kNumeric = 1700;

std::string Trimmed(const char* message) {
  std::string text = message != nullptr ? message : "";
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  return text;
}

Value CellValue(const PGresult* res, int row, int column) {
  if (PQgetisnull(res, row, column)) return Value::Null();
  const char* text = PQgetvalue(res, row, column);
  const int length = PQgetlength(res, row, column);
  switch (PQftype(res, column)) {
    case kBool:
      // As SQLite gives a comparison's value.
      return Value::Integer(text[0] == 't' ? 1 : 0);
    case kInt2:
    case kInt4:
    case kInt8:
    case kOid:
      return Value::Integer(std::strtoll(text, nullptr, 10));
    case kNumeric:
      // sum() and avg() of integers come back as numeric: whole values are
      // integers, as SQLite gives them.
      if (std::string_view(text, static_cast<size_t>(length)).find_first_of(".eEN") ==
          std::string_view::npos) {
        return Value::Integer(std::strtoll(text, nullptr, 10));
      }
      return Value::Real(std::strtod(text, nullptr));
    case kFloat4:
    case kFloat8:
      return Value::Real(std::strtod(text, nullptr));
    case kBytea: {
      size_t size = 0;
      unsigned char* bytes = PQunescapeBytea(reinterpret_cast<const unsigned char*>(text), &size);
      Value v;
      v.type = Value::Type::kBlob;
      if (bytes != nullptr) v.text.assign(reinterpret_cast<const char*>(bytes), size);
      PQfreemem(bytes);
      return v;
    }
    default:
      return Value::Text(std::string(text, static_cast<size_t>(length)));
  }
}

// ?1, ?2, ... outside quoted text become $1, $2, ...
std::string WithDollarMarkers(const std::string& sql) {
  if (sql.find('?') == std::string::npos) return sql;
  std::string out;
  out.reserve(sql.size());
  char quote = 0;
  for (size_t i = 0; i < sql.size(); ++i) {
    const char c = sql[i];
    if (quote != 0) {
      if (c == quote) quote = 0;
    } else if (c == '\'' || c == '"') {
      quote = c;
    } else if (c == '?' && i + 1 < sql.size() && sql[i + 1] >= '0' && sql[i + 1] <= '9') {
      out += '$';
      continue;
    }
    out += c;
  }
  return out;
}

class PgConnection final : public Connection {
 public:
  PgConnection(const Target& target, PGconn* conn) : Connection(target, Dialect::kPostgres), conn_(conn) {}
  ~PgConnection() override { PQfinish(conn_); }

  bool Broken() const override { return PQstatus(conn_) != CONNECTION_OK; }
  bool Usable() override { return !Broken(); }

  bool Run(const std::string& statement, std::span<const Value> params, RowSet& out,
           std::string& error) override {
    out = RowSet{};
    if (Broken()) {
      error = "PostgreSQL: the connection to the server was lost";
      return false;
    }
    const std::string sql = WithDollarMarkers(statement);
    // Parameters in text form; blobs in binary.
    std::vector<std::string> texts(params.size());
    std::vector<const char*> values(params.size());
    std::vector<int> lengths(params.size()), formats(params.size());
    for (size_t i = 0; i < params.size(); ++i) {
      const Value& v = params[i];
      switch (v.type) {
        case Value::Type::kNull:
          values[i] = nullptr;
          continue;
        case Value::Type::kInteger:
          texts[i] = std::to_string(v.integer);
          break;
        case Value::Type::kReal:
          texts[i] = base::FormatDouble(v.real);
          break;
        case Value::Type::kBlob:
          formats[i] = 1;
          [[fallthrough]];
        case Value::Type::kText:
          texts[i] = v.text;
          break;
      }
      values[i] = texts[i].c_str();
      lengths[i] = static_cast<int>(texts[i].size());
    }
    const int n = static_cast<int>(params.size());
    PGresult* res = nullptr;
    bool prepare_failed = false;
    if (const std::string* name = PreparedName(sql, n, prepare_failed, error)) {
      res = PQexecPrepared(conn_, name->c_str(), n, values.data(), lengths.data(), formats.data(), 0);
    } else if (prepare_failed) {
      return false;
    } else {
      res = PQexecParams(conn_, sql.c_str(), n, nullptr, values.data(), lengths.data(), formats.data(), 0);
    }
    const bool ok = Collect(res, out, error);
    PQclear(res);
    return ok;
  }

 private:
  // The server-side name of a statement run before; null the first time,
  // and on failure (with `failed` and `error` set).
  const std::string* PreparedName(const std::string& sql, int params, bool& failed, std::string& error) {
    if (auto it = prepared_.find(sql); it != prepared_.end()) return &it->second;
    if (seen_.insert(sql).second) {
      if (seen_.size() > kCacheLimit) seen_ = {sql};
      return nullptr;
    }
    if (prepared_.size() >= kCacheLimit) {
      PQclear(PQexec(conn_, "DEALLOCATE ALL"));
      prepared_.clear();
    }
    std::string name = "kt" + std::to_string(++next_name_);
    PGresult* res = PQprepare(conn_, name.c_str(), sql.c_str(), params, nullptr);
    const bool ok = PQresultStatus(res) == PGRES_COMMAND_OK;
    failed = !ok;
    if (!ok) error = "PostgreSQL: " + Trimmed(PQresultErrorMessage(res));
    PQclear(res);
    if (!ok) return nullptr;
    return &prepared_.emplace(sql, std::move(name)).first->second;
  }

  bool Collect(const PGresult* res, RowSet& out, std::string& error) {
    const ExecStatusType status = PQresultStatus(res);
    if (status == PGRES_COMMAND_OK) return true;
    if (status != PGRES_TUPLES_OK) {
      const std::string why = Trimmed(res != nullptr ? PQresultErrorMessage(res) : PQerrorMessage(conn_));
      error = "PostgreSQL: " + (why.empty() ? Trimmed(PQerrorMessage(conn_)) : why);
      // Statements prepared on a connection that is gone are gone with it.
      if (Broken()) prepared_.clear();
      return false;
    }
    const int columns = PQnfields(res), rows = PQntuples(res);
    out.has_columns = true;
    for (int c = 0; c < columns; ++c) out.columns.emplace_back(PQfname(res, c));
    out.rows.reserve(static_cast<size_t>(rows));
    for (int r = 0; r < rows; ++r) {
      std::vector<Value> row;
      row.reserve(static_cast<size_t>(columns));
      for (int c = 0; c < columns; ++c) row.push_back(CellValue(res, r, c));
      out.rows.push_back(std::move(row));
    }
    return true;
  }

  PGconn* conn_;
  std::unordered_map<std::string, std::string> prepared_;
  std::unordered_set<std::string> seen_;
  unsigned long next_name_ = 0;
};

}  // namespace

PGconn* ConnectPostgres(const Target& target, std::string& why) {
  // Our defaults come first so that the same settings given in the URI win.
  const char* keys[] = {"connect_timeout",  "options",         "keepalives_idle", "keepalives_interval",
                        "keepalives_count", "client_encoding", "dbname",          nullptr};
  const char* values[] = {"5",    "-c statement_timeout=30000", "10",   "5", "3",
                          "UTF8", target.location.c_str(),      nullptr};
  PGconn* conn = PQconnectdbParams(keys, values, 1);
  if (conn != nullptr && PQstatus(conn) == CONNECTION_OK) return conn;
  why = conn != nullptr ? Trimmed(PQerrorMessage(conn)) : std::string("out of memory");
  PQfinish(conn);
  return nullptr;
}

std::unique_ptr<Connection> OpenPostgres(const Target& target, std::string& error) {
  std::string why;
  PGconn* conn = ConnectPostgres(target, why);
  if (conn == nullptr) {
    error = "cannot open database " + DisplayName(target) + ": " + why;
    return nullptr;
  }
  return std::make_unique<PgConnection>(target, conn);
}

}  // namespace kt::suite
