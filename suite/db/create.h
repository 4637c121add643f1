// Making a new suite database (the one place that may create the file).
#pragma once

#include <string>

namespace kt::suite {

// `target` is a path, "sqlite:PATH" or a postgresql:// URI.  For SQLite,
// creates the folder and the database file when missing, creates the tables
// and indexes that are missing and, with `demo`, inserts the demonstration
// rows (again without duplicates when they are present).  The file is left in
// WAL mode.  Returns "" on success, else what went wrong.
std::string CreateSuiteDatabase(const std::string& target, bool demo);

// The SQL texts built into the library.
extern const char* const kSchemaSql;
extern const char* const kDemoSql;

}  // namespace kt::suite
