// The PostgreSQL backend over libpq.
//
// Every wait on the server is bounded on this side: the connection runs in
// libpq's non-blocking mode and each wait is a poll() with a deadline, so
// neither a server that stopped answering nor a lost peer holds a call.
// Connecting ends after 5 s (or the URI's connect_timeout), a statement
// after 30 s (or the session's own statement_timeout); see
// WaitLimitOverrideMs.  The server's statement_timeout is set to the same
// limit when the session has none, so the server normally ends a long
// statement first and the session stays usable; a statement that runs out
// of time on this side closes the connection, whose state is then unknown
// (a cancel request could itself hang on a stalled server).  TCP keepalives
// notice a vanished peer between statements, and before every statement
// whatever the server sent since the last one is read, so a session it
// ended (a restart, an administrator's kill) is replaced before a statement
// is sent into it.
//
// The session's string rules are ours whatever the server, database, role
// or URI say: standard_conforming_strings is on, so a backslash in quoted
// text is an ordinary character, as the library writes its text (quotes
// doubled, nothing else escaped).  With it off, a value ending in a
// backslash would end the quoted text early and the rest of the value would
// run as SQL.  The server reports the setting whenever it changes; after a
// statement that turned it off it is turned on again before the next one.
//
// Statements run with text parameters; a text seen a second time is
// prepared on the server and run by name from then on, so one-off texts
// (ids spliced in) cost one round trip and repeated ones skip parsing and
// planning.  Messages of libpq and the server are passed on without the
// URI's password.
#include <libpq-fe.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
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

using Clock = std::chrono::steady_clock;

// How much longer than the server's statement_timeout this side waits, so
// that the server's own cancel, which keeps the session, normally comes
// first.
constexpr int kGraceMs = 1000;

std::string Duration(int ms) {
  return ms % 1000 == 0 ? std::to_string(ms / 1000) + " s" : std::to_string(ms) + " ms";
}

// Waits for `events` on `fd` until `deadline`: > 0 ready, 0 the time ran
// out, < 0 poll() failed.
int WaitFor(int fd, short events, Clock::time_point deadline) {
  for (;;) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    pollfd p{fd, events, 0};
    const int n = poll(&p, 1, static_cast<int>(std::clamp<long long>(left, 0, INT_MAX)));
    if (n >= 0 || errno != EINTR) return n;
  }
}

// The server's notices would go to stderr; the last one is kept instead
// (a session the server ended says why in one).
void KeepNotice(void* last, const char* message) {
  *static_cast<std::string*>(last) = Trimmed(message);
}

bool Succeeded(const PGresult* res) {
  const ExecStatusType status = PQresultStatus(res);
  return status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
}

// One libpq connection with the library's limits and string rules.
class Session {
 public:
  explicit Session(Target target) : target_(std::move(target)) {}
  ~Session() { PQfinish(conn_); }
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // Connects and sets the session up; false with the reason in `why`.
  bool Open(std::string& why) {
    const int override_ms = WaitLimitOverrideMs();
    // Our defaults come first so that the same settings given in the URI
    // win (libpq's connect_timeout is read below as the limit of the wait).
    const char* keys[] = {"connect_timeout",
                          "keepalives_idle",
                          "keepalives_interval",
                          "keepalives_count",
                          "client_encoding",
                          "dbname",
                          nullptr};
    const char* values[] = {"5", "10", "5", "3", "UTF8", target_.location.c_str(), nullptr};
    conn_ = PQconnectStartParams(keys, values, 1);
    if (conn_ == nullptr) {
      why = "out of memory";
      return false;
    }
    int connect_ms = override_ms > 0 ? override_ms : kConnectLimitMs;
    if (override_ms == 0) {
      if (PQconninfoOption* options = PQconninfo(conn_)) {
        for (const PQconninfoOption* o = options; o->keyword != nullptr; ++o) {
          if (std::string_view(o->keyword) == "connect_timeout" && o->val != nullptr &&
              std::atoi(o->val) > 0) {
            connect_ms = std::atoi(o->val) * 1000;
          }
        }
        PQconninfoFree(options);
      }
    }
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(connect_ms);
    PostgresPollingStatusType state = PGRES_POLLING_WRITING;
    while (PQstatus(conn_) != CONNECTION_BAD && state != PGRES_POLLING_OK && state != PGRES_POLLING_FAILED) {
      const int ready = WaitFor(PQsocket(conn_), state == PGRES_POLLING_READING ? POLLIN : POLLOUT, deadline);
      if (ready <= 0) {
        why = ready == 0 ? "no answer from the server within " + Duration(connect_ms) : std::strerror(errno);
        return false;
      }
      state = PQconnectPoll(conn_);
    }
    if (PQstatus(conn_) != CONNECTION_OK) {
      why = Scrubbed(Trimmed(PQerrorMessage(conn_)), target_);
      return false;
    }
    PQsetnonblocking(conn_, 1);
    PQsetNoticeProcessor(conn_, KeepNotice, &notice_);
    // One round trip: the string rules, the server's statement_timeout when
    // the session has none, and the one in force.
    limit_ms_ = override_ms > 0 ? override_ms : kStatementLimitMs;
    const std::string setup =
        "SET standard_conforming_strings = on; "
        "SELECT set_config('statement_timeout', '" +
        std::to_string(limit_ms_) +
        "', false) WHERE current_setting('statement_timeout') = '0'; "
        "SELECT setting FROM pg_settings WHERE name = 'statement_timeout'";
    PGresult* res = Exec(setup, why);
    if (res == nullptr) return false;
    const long long server_ms = PQntuples(res) == 1 ? std::atoll(PQgetvalue(res, 0, 0)) : 0;
    PQclear(res);
    if (override_ms == 0 && server_ms > 0) {
      limit_ms_ = static_cast<int>(std::min<long long>(server_ms, INT_MAX / 2));
    }
    return StringRulesKept(why);
  }

  bool Broken() const { return abandoned_ || PQstatus(conn_) != CONNECTION_OK; }

  // Reads what the server sent since the last statement (one poll() when it
  // sent nothing): false when it ended the session.  Its last message comes
  // first, the end of the connection on a later read.
  bool Alive() {
    for (int reads = 0; reads < 4 && !Broken(); ++reads) {
      pollfd p{PQsocket(conn_), POLLIN, 0};
      if (poll(&p, 1, 0) <= 0 || PQconsumeInput(conn_) == 0) break;
      PQisBusy(conn_);  // parses it: a notice, a changed setting
    }
    return !Broken();
  }

  // Before a statement: the session must be there and read quoted text as
  // written; false with `error` set otherwise.
  bool Ready(std::string& error) {
    if (Broken()) {
      error = Scrubbed("PostgreSQL: the connection to the server was lost" +
                           (notice_.empty() ? std::string() : " (" + notice_ + ")"),
                       target_);
      return false;
    }
    const char* rules = PQparameterStatus(conn_, "standard_conforming_strings");
    if (rules != nullptr && std::string_view(rules) == "on") return true;
    PGresult* res = Exec("SET standard_conforming_strings = on", error);
    PQclear(res);
    return res != nullptr && StringRulesKept(error);
  }

  // Sends a text of statements and waits for its results; see Finish.
  PGresult* Exec(const std::string& sql, std::string& error) {
    if (PQsendQuery(conn_, sql.c_str()) == 0) {
      error = Reason(nullptr);
      return nullptr;
    }
    return Finish(error);
  }

  // The results of what was just sent, waited for within the statement
  // limit: the last one, or the first that failed (null, with `error` set).
  // When the time runs out the connection is closed.
  PGresult* Finish(std::string& error) {
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(limit_ms_ + kGraceMs);
    PGresult* kept = nullptr;
    for (;;) {
      if (!Await(deadline, error)) {
        PQclear(kept);
        return nullptr;
      }
      PGresult* res = PQgetResult(conn_);
      if (res == nullptr) break;
      const ExecStatusType status = PQresultStatus(res);
      if (status == PGRES_COPY_IN || status == PGRES_COPY_OUT || status == PGRES_COPY_BOTH) {
        // Statements give rows, never a stream of data to send or take.
        PQclear(res);
        PQclear(kept);
        error = "PostgreSQL: COPY to or from the client is not supported; the connection was closed";
        Abandon();
        return nullptr;
      }
      if (kept != nullptr && !Succeeded(kept)) {
        PQclear(res);
      } else {
        PQclear(kept);
        kept = res;
      }
    }
    if (kept == nullptr || !Succeeded(kept)) {
      error = Reason(kept);
      PQclear(kept);
      return nullptr;
    }
    return kept;
  }

  // "PostgreSQL: " and the complaint of a result, else of the connection.
  std::string Reason(const PGresult* res) const {
    std::string why = res != nullptr ? Trimmed(PQresultErrorMessage(res)) : std::string();
    if (why.empty()) why = Trimmed(PQerrorMessage(conn_));
    if (why.empty()) why = PQresultStatus(res) == PGRES_EMPTY_QUERY ? "the statement is empty" : "no result";
    return Scrubbed("PostgreSQL: " + why, target_);
  }

  PGconn* conn() const { return conn_; }

 private:
  // Waits until a result can be taken without blocking, sending what is
  // still buffered meanwhile.
  bool Await(Clock::time_point deadline, std::string& error) {
    for (;;) {
      const int flushed = PQflush(conn_);
      // A lost connection: PQgetResult gives libpq's account of it at once.
      if (PQstatus(conn_) == CONNECTION_BAD) return true;
      if (flushed == 0 && PQisBusy(conn_) == 0) return true;
      const int ready =
          flushed < 0 ? -1 : WaitFor(PQsocket(conn_), POLLIN | (flushed != 0 ? POLLOUT : 0), deadline);
      if (ready == 0) {
        error = "PostgreSQL: the server gave no answer within the statement limit of " + Duration(limit_ms_) +
                "; the connection was closed";
        Abandon();
        return false;
      }
      if (ready < 0 || (PQconsumeInput(conn_) == 0 && PQstatus(conn_) != CONNECTION_BAD)) {
        error =
            ready < 0 && flushed >= 0 ? "PostgreSQL: " + std::string(std::strerror(errno)) : Reason(nullptr);
        Abandon();
        return false;
      }
    }
  }

  // Closes the socket under libpq: the connection counts as broken, and the
  // server sees it gone.
  void Abandon() {
    abandoned_ = true;
    shutdown(PQsocket(conn_), SHUT_RDWR);
  }

  bool StringRulesKept(std::string& error) const {
    const char* rules = PQparameterStatus(conn_, "standard_conforming_strings");
    if (rules != nullptr && std::string_view(rules) == "on") return true;
    error =
        "PostgreSQL: the server does not keep standard_conforming_strings on, so quoted text would not be "
        "read as "
        "written; statements are refused";
    return false;
  }

  Target target_;
  PGconn* conn_ = nullptr;
  std::string notice_;
  int limit_ms_ = kStatementLimitMs;
  bool abandoned_ = false;
};

class PgConnection final : public Connection {
 public:
  explicit PgConnection(const Target& target) : Connection(target, Dialect::kPostgres), session_(target) {}

  bool Open(std::string& why) { return session_.Open(why); }

  bool Usable() override { return session_.Alive(); }

  bool Run(const std::string& statement, std::span<const Value> params, RowSet& out,
           std::string& error) override {
    out = RowSet{};
    if (!session_.Ready(error)) return false;
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
    PGconn* conn = session_.conn();
    int sent = 0;
    bool prepare_failed = false;
    if (const std::string* name = PreparedName(sql, n, prepare_failed, error)) {
      sent = PQsendQueryPrepared(conn, name->c_str(), n, values.data(), lengths.data(), formats.data(), 0);
    } else if (prepare_failed) {
      return false;
    } else {
      sent =
          PQsendQueryParams(conn, sql.c_str(), n, nullptr, values.data(), lengths.data(), formats.data(), 0);
    }
    PGresult* res = sent != 0 ? session_.Finish(error) : nullptr;
    if (sent == 0) error = session_.Reason(nullptr);
    const bool ok = res != nullptr && Collect(res, out);
    PQclear(res);
    // Statements prepared on a connection that is gone are gone with it.
    if (session_.Broken()) prepared_.clear();
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
      PGresult* res = session_.Exec("DEALLOCATE ALL", error);
      PQclear(res);
      if (res == nullptr) {
        failed = true;
        return nullptr;
      }
      prepared_.clear();
    }
    std::string name = "kt" + std::to_string(++next_name_);
    PGresult* res = nullptr;
    if (PQsendPrepare(session_.conn(), name.c_str(), sql.c_str(), params, nullptr) != 0) {
      res = session_.Finish(error);
    } else {
      error = session_.Reason(nullptr);
    }
    PQclear(res);
    failed = res == nullptr;
    if (failed) return nullptr;
    return &prepared_.emplace(sql, std::move(name)).first->second;
  }

  static bool Collect(const PGresult* res, RowSet& out) {
    if (PQresultStatus(res) != PGRES_TUPLES_OK) return true;
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

  Session session_;
  std::unordered_map<std::string, std::string> prepared_;
  std::unordered_set<std::string> seen_;
  unsigned long next_name_ = 0;
};

}  // namespace

std::unique_ptr<Connection> OpenPostgres(const Target& target, std::string& error) {
  auto connection = std::make_unique<PgConnection>(target);
  std::string why;
  if (!connection->Open(why)) {
    error = "cannot open database " + DisplayName(target) + ": " + why;
    return nullptr;
  }
  return connection;
}

std::string RunPostgresScript(const Target& target, const std::string& script) {
  Session session(target);
  std::string why;
  if (session.Open(why)) PQclear(session.Exec(script, why));
  return why;
}

}  // namespace kt::suite
