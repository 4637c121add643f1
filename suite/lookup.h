// Single-row lookups shared by the configuration components.
#pragma once

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "db/database.h"

namespace kt::suite {

// The first row of a query with bound parameters; row is nullopt when there
// is none.  False with `error` set when the query fails.
bool FirstRow(Database& db, std::string_view sql, std::initializer_list<Value> params,
              std::optional<std::vector<Value>>& row, std::string& error);

// suite_settings' value for section and key (both compared without case);
// nullopt when there is no row or its value is Null.
bool ReadSettingText(Database& db, const std::string& section, const std::string& key,
                     std::optional<std::string>& value, std::string& error);

// A stored number as an integer: Null and non-numeric text are 0, reals are
// rounded half to even.
int64_t AsInteger(const Value& v);

}  // namespace kt::suite
