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
// its password.
std::string DisplayName(const Target& target);

}  // namespace kt::suite
