// Which database a connection string names.
//
//   postgresql://... or postgres://...   a PostgreSQL database (libpq URI)
//   sqlite:PATH or a bare PATH           a SQLite file
//
// The choice is made here once; everything above the connection only sees
// statements and rows.
#pragma once

#include <string>
#include <string_view>

namespace kt::suite {

struct Target {
  enum class Kind { kSqlite, kPostgres };
  Kind kind = Kind::kSqlite;
  std::string location;  // the file path, or the whole PostgreSQL URI
};

Target ParseTarget(std::string_view text);

// The target as it may appear in messages and logs: a PostgreSQL URI loses
// its password, wherever in the URI it is given and however it is spelled.
std::string DisplayName(const Target& target);

// `message` with the target's password taken out: libpq's and the server's
// messages may repeat the URI or parts of it (a token it could not decode,
// an option's value).  The URI itself becomes its DisplayName, and every
// other occurrence of the password, as written in the URI, percent-decoded
// or percent-encoded, becomes "***".
std::string Scrubbed(std::string_view message, const Target& target);

}  // namespace kt::suite
