// Builds without libpq (Windows): a PostgreSQL target is refused with a
// reason, as any connection that cannot be opened is.
#include "db/connection.h"

namespace kt::suite {

std::unique_ptr<Connection> OpenPostgres(const Target& target, std::string& error) {
  error = "cannot open database " + DisplayName(target) +
          ": this build has no PostgreSQL client (use a SQLite file)";
  return nullptr;
}

}  // namespace kt::suite

namespace kt::suite {

std::string RunPostgresScript(const Target& target, const std::string&) {
  std::string error;
  OpenPostgres(target, error);
  return error;
}

}  // namespace kt::suite
