// Rows materialised from one statement: column names as SQLite reports them
// and one value per column, in SQLite's own storage classes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kt::suite {

struct Value {
  enum class Type { kNull, kInteger, kReal, kText, kBlob };
  Type type = Type::kNull;
  int64_t integer = 0;
  double real = 0;
  std::string text;  // TEXT, or the bytes of a BLOB

  static Value Null() { return {}; }
  static Value Integer(int64_t v) { return {Type::kInteger, v, 0, {}}; }
  static Value Real(double v) { return {Type::kReal, 0, v, {}}; }
  static Value Text(std::string v) { return {Type::kText, 0, 0, std::move(v)}; }
  bool IsNull() const { return type == Type::kNull; }
};

struct RowSet {
  // True when the statement yields rows (a SELECT), even when none came.
  bool has_columns = false;
  std::vector<std::string> columns;
  std::vector<std::vector<Value>> rows;
};

}  // namespace kt::suite
