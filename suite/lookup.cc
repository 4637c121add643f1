#include "lookup.h"

#include <cmath>

#include "base/vbtext.h"

namespace kt::suite {

bool FirstRow(Database& db, std::string_view sql, std::initializer_list<Value> params,
              std::optional<std::vector<Value>>& row, std::string& error) {
  RowSet rows;
  if (!db.Query(sql, std::span<const Value>(params.begin(), params.size()), rows, error)) return false;
  if (rows.rows.empty()) {
    row.reset();
  } else {
    row = std::move(rows.rows.front());
  }
  return true;
}

bool ReadSettingText(Database& db, const std::string& section, const std::string& key,
                     std::optional<std::string>& value, std::string& error) {
  std::optional<std::vector<Value>> row;
  if (!FirstRow(db,
                "SELECT Value FROM suite_settings WHERE lower(Section) = lower(?1) AND lower(Key) = "
                "lower(?2) LIMIT 1",
                {Value::Text(section), Value::Text(key)}, row, error)) {
    return false;
  }
  value.reset();
  if (row && !(*row)[0].IsNull()) {
    const Value& v = (*row)[0];
    if (v.type == Value::Type::kInteger) {
      value = std::to_string(v.integer);
    } else if (v.type == Value::Type::kReal) {
      value = base::FormatDouble(v.real);
    } else {
      value = v.text;
    }
  }
  return true;
}

namespace {
int64_t RealToInteger(double d) {
  d = base::RoundHalfEven(d);
  // Out of range (or not a number) cannot be a key or a flag: treat as none.
  if (!(d >= -9.2e18 && d <= 9.2e18)) return 0;
  return static_cast<int64_t>(d);
}
}  // namespace

int64_t AsInteger(const Value& v) {
  switch (v.type) {
    case Value::Type::kInteger:
      return v.integer;
    case Value::Type::kReal:
      return RealToInteger(v.real);
    case Value::Type::kText:
      if (auto n = base::ParseNumber(v.text)) return RealToInteger(*n);
      return 0;
    default:
      return 0;
  }
}

}  // namespace kt::suite
