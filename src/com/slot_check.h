// Compile-time agreement between a member table row and the C++ slot it
// binds: the row's parameter types and directions, and its result, must be
// what the slot's signature takes, or the table does not compile.  A 16-bit
// integer and a boolean are both SHORT to C++, and so are both arrays
// SAFEARRAY*; those pairs are told apart only by the row.
#pragma once

#include <cstddef>
#include <span>
#include <type_traits>

#include "com/member_table.h"

namespace kt::com {

// Whether a slot parameter of C++ type T can carry a declared parameter.
template <class T>
consteval bool SlotTakes(ParamType type, Dir dir) {
  using enum ParamType;
  const bool in = dir == Dir::kIn;
  if constexpr (std::is_same_v<T, BSTR>) return in && type == kBstr;
  if constexpr (std::is_same_v<T, LONG>) return in && type == kI4;
  if constexpr (std::is_same_v<T, SHORT>) return in && (type == kI2 || type == kBool);
  if constexpr (std::is_same_v<T, DATE>) return in && type == kDate;
  if constexpr (std::is_same_v<T, VARIANT>) return in && type == kVariant;
  if constexpr (std::is_same_v<T, BSTR*>) return !in && type == kBstr;
  if constexpr (std::is_same_v<T, LONG*>) return !in && type == kI4;
  if constexpr (std::is_same_v<T, SHORT*>) return !in && (type == kI2 || type == kBool);
  if constexpr (std::is_same_v<T, DATE*>) return !in && type == kDate;
  if constexpr (std::is_same_v<T, VARIANT*>) return !in && type == kVariant;
  if constexpr (std::is_same_v<T, SAFEARRAY**>) return !in && (type == kBstrArray || type == kI4Array);
  return false;
}

// Whether a slot parameter of C++ type T can take a declared result.
template <class T>
consteval bool SlotReturns(ParamType type) {
  using enum ParamType;
  if constexpr (std::is_same_v<T, BSTR*>) return type == kBstr;
  if constexpr (std::is_same_v<T, LONG*>) return type == kI4;
  if constexpr (std::is_same_v<T, SHORT*>) return type == kI2 || type == kBool;
  if constexpr (std::is_same_v<T, DATE*>) return type == kDate;
  if constexpr (std::is_same_v<T, VARIANT*>) return type == kVariant;
  return false;
}

// The slot takes the declared parameters in order, then the result's
// out-pointer when there is a result.
template <class I, class... A>
consteval bool SlotMatches(HRESULT (I::*)(A...), std::span<const ParamInfo> params, ParamType result) {
  const bool has_result = result != ParamType::kNone;
  if (params.size() + (has_result ? 1 : 0) != sizeof...(A)) return false;
  bool ok = true;
  size_t i = 0;
  ((ok = ok && (i < params.size() ? SlotTakes<A>(params[i].type, params[i].dir) : SlotReturns<A>(result)),
    ++i),
   ...);
  return ok;
}

}  // namespace kt::com
