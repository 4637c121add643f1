// Arguments and results of a late-bound call as the host reads them from
// JSON and prints them back.
#pragma once

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "base/ole_text.h"
#include "members.h"

namespace kt::host {

using json = nlohmann::ordered_json;

// Input is nested at most this deep: deeper values would exhaust the stack
// of every recursive step after parsing (conversion, output, clean-up).
constexpr int kMaxNesting = 64;

// JSON text; discarded (is_discarded()) when it does not parse.  Throws
// UsageError when it is nested deeper than kMaxNesting.
json ParseJson(const std::string& text);

// An ARG of the command line: JSON when it parses as JSON, else plain text.
json ParseArg(const std::string& text);

// A value as JSON text for output and messages; text that is not valid UTF-8
// is shown with U+FFFD in place of the bad bytes, never an exception.
std::string Dump(const json& j);

// The arguments of one call in their declared types.  In/out parameters are
// passed by reference, so the values after the call are what the member left.
class ArgPack {
 public:
  // Throws UsageError when an argument cannot take its parameter's type.
  ArgPack(const MemberDesc& member, const std::vector<json>& args);
  ~ArgPack();
  ArgPack(const ArgPack&) = delete;
  ArgPack& operator=(const ArgPack&) = delete;

  DISPPARAMS* params() { return &params_; }
  json After() const;

 private:
  const MemberDesc& member_;
  std::vector<VARIANT> values_;  // declaration order
  std::vector<VARIANT> passed_;  // last-first, as Invoke takes them
  DISPID put_id_ = DISPID_PROPERTYPUT;
  DISPPARAMS params_{};
};

// A value of a declared type as JSON output shows it.
json ValueToJson(const VARIANT& v, VARTYPE type);
// A tagged value: {"type": "...", "value": ...}.
json TaggedToJson(const VARIANT& v);
// DATE as YYYY-MM-DDTHH:MM:SS, to the nearest second.
std::string DateText(double date);

}  // namespace kt::host
