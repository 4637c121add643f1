// Interface value types as the class logic sees them: the tagged value
// (Variant) and growable one-dimensional arrays with a lower bound.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "frame/error.h"

namespace kt {

// A one-dimensional array as the interfaces pass it: either unallocated (no
// elements, no bounds) or allocated with a lower bound and its elements.
template <class T>
struct VbArray {
  bool allocated = false;
  int32_t lbound = 0;
  std::vector<T> items;

  // The upper bound; an unallocated array has none (run-time error 9).
  int32_t UBound() const {
    if (!allocated) Raise(vberr::kSubscript);
    return lbound + static_cast<int32_t>(items.size()) - 1;
  }
  int32_t LBound() const {
    if (!allocated) Raise(vberr::kSubscript);
    return lbound;
  }
  // Element i; an index outside the bounds is run-time error 9.
  T& At(int32_t i) {
    if (!allocated || i < lbound || static_cast<int64_t>(i) - lbound >= static_cast<int64_t>(items.size()))
      Raise(vberr::kSubscript);
    return items[static_cast<size_t>(i - lbound)];
  }
  const T& At(int32_t i) const { return const_cast<VbArray*>(this)->At(i); }
  // ReDim Preserve lo To hi: keeps the elements that stay inside the bounds.
  // A fixed-size array (see fixed) cannot be resized: run-time error 10.
  void RedimPreserve(int32_t lo, int32_t hi) {
    if (fixed) Raise(10);
    if (hi < lo - 1) Raise(vberr::kSubscript);
    if (allocated && lo != lbound) Raise(vberr::kSubscript);
    allocated = true;
    lbound = lo;
    items.resize(static_cast<size_t>(static_cast<int64_t>(hi) - lo + 1));
  }
  // ReDim lo To hi without Preserve: fresh zero elements.
  void Redim(int32_t lo, int32_t hi) {
    if (fixed) Raise(10);
    if (hi < lo - 1) Raise(vberr::kSubscript);
    allocated = true;
    lbound = lo;
    items.assign(static_cast<size_t>(static_cast<int64_t>(hi) - lo + 1), T{});
  }
  bool fixed = false;  // a caller's array of fixed size (its descriptor forbids resizing)

  bool operator==(const VbArray&) const = default;
};

class Variant;
using VariantArray = VbArray<Variant>;

struct NullValue {
  bool operator==(const NullValue&) const = default;
};
struct EmptyValue {
  bool operator==(const EmptyValue&) const = default;
};
struct BoolValue {
  bool value;
  bool operator==(const BoolValue&) const = default;
};
struct DateValue {
  double value;  // days since 1899-12-30, the time as fraction
  bool operator==(const DateValue&) const = default;
};
struct ErrorValue {
  int32_t scode;
  bool operator==(const ErrorValue&) const = default;
};

// A value that carries its own type.
class Variant {
 public:
  enum class Type : uint8_t { kEmpty, kNull, kString, kI2, kI4, kR8, kBool, kDate, kError, kArray };

  Variant() = default;
  static Variant Null() { return Variant(NullValue{}); }
  static Variant Str(std::string s) { return Variant(std::move(s)); }
  static Variant I2(int16_t v) { return Variant(v); }
  static Variant I4(int32_t v) { return Variant(v); }
  static Variant R8(double v) { return Variant(v); }
  static Variant Bool(bool v) { return Variant(BoolValue{v}); }
  static Variant Date(double v) { return Variant(DateValue{v}); }
  static Variant Error(int32_t scode) { return Variant(ErrorValue{scode}); }
  static Variant Array(VariantArray a) { return Variant(std::make_shared<VariantArray>(std::move(a))); }

  Type type() const { return static_cast<Type>(v_.index()); }
  bool IsEmpty() const { return type() == Type::kEmpty; }
  bool IsNull() const { return type() == Type::kNull; }
  bool IsString() const { return type() == Type::kString; }

  const std::string& AsString() const { return std::get<std::string>(v_); }
  int16_t AsI2() const { return std::get<int16_t>(v_); }
  int32_t AsI4() const { return std::get<int32_t>(v_); }
  double AsR8() const { return std::get<double>(v_); }
  bool AsBool() const { return std::get<BoolValue>(v_).value; }
  double AsDate() const { return std::get<DateValue>(v_).value; }
  int32_t AsError() const { return std::get<ErrorValue>(v_).scode; }
  const VariantArray& AsArray() const { return *std::get<std::shared_ptr<VariantArray>>(v_); }

  bool operator==(const Variant& o) const;

 private:
  using Storage = std::variant<EmptyValue, NullValue, std::string, int16_t, int32_t, double, BoolValue,
                               DateValue, ErrorValue, std::shared_ptr<VariantArray>>;
  template <class T>
  explicit Variant(T v) : v_(std::move(v)) {}
  Storage v_;
};

}  // namespace kt
