// Member table rows checked against _clsProfile::GetAccountIDIndex(LONG*
// lAccountId, SHORT* result), one per compilation (-DKT_ROW_<name> picks
// it).  The tests slot_check.<name> compile this file and expect the
// matching row to compile and every other to be refused by SlotMatches; the
// matching row shows the refusals come from the check, not a broken file.
#include "com/slot_check.h"
#include "keltrane/keltrane.h"

namespace kt::com {

using enum ParamType;
using enum Dir;

#if defined(KT_ROW_matches)
constexpr ParamInfo kRow[] = {{"lAccountId", kI4, kInOut}};
constexpr ParamType kResult = kI2;
#elif defined(KT_ROW_i2_for_long_ref)
constexpr ParamInfo kRow[] = {{"lAccountId", kI2, kInOut}};
constexpr ParamType kResult = kI2;
#elif defined(KT_ROW_by_value_for_ref)
constexpr ParamInfo kRow[] = {{"lAccountId", kI4, kIn}};
constexpr ParamType kResult = kI2;
#elif defined(KT_ROW_array_for_long_ref)
constexpr ParamInfo kRow[] = {{"lAccountId", kI4Array, kInOut}};
constexpr ParamType kResult = kI2;
#elif defined(KT_ROW_string_result)
constexpr ParamInfo kRow[] = {{"lAccountId", kI4, kInOut}};
constexpr ParamType kResult = kBstr;
#elif defined(KT_ROW_result_left_out)
constexpr ParamInfo kRow[] = {{"lAccountId", kI4, kInOut}};
constexpr ParamType kResult = kNone;
#elif defined(KT_ROW_extra_param)
constexpr ParamInfo kRow[] = {{"lAccountId", kI4, kInOut}, {"more", kI4, kInOut}};
constexpr ParamType kResult = kI2;
#endif

static_assert(SlotMatches(&_clsProfile::GetAccountIDIndex, kRow, kResult), "row refused by SlotMatches");

}  // namespace kt::com
