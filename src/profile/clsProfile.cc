#include "profile/clsProfile.h"

#include "frame/convert.h"
#include "frame/handler.h"

namespace kt {

void clsProfile::SetMaxRecord(const int32_t& lNewValue) {
  // No handler: an overflow reaches the caller and the count stays.
  record_count_ = AddI4(record_count_, lNewValue);
}

int16_t clsProfile::GetAccountIDIndex(const int32_t& lAccountId) {
  int16_t result = 0;
  OnErrorLeave(
      [&] {
        // An unallocated table has no upper bound: error 9 takes the handler.
        if (table_.UBound() <= 0) return;
        // The bound trusts the record count, not the table's size; it is
        // taken once, before the scan.
        const int32_t last = SubI4(record_count_, 1);
        for (int64_t i = 0; i <= last; ++i) {
          const ClientEntry& entry = table_.At(static_cast<int32_t>(i));
          if (entry.account_id != lAccountId) continue;
          // Every match loads over the previous one: the last match wins.
          result = CheckedI2(i);
          current_index_ = result;
          account_id_ = entry.account_id;
          request_id_ = entry.request_id;
          command_id_ = entry.command_id;
          client_id_ = entry.client_id;
          for (int j = 0; j < kCommandsPerEntry; ++j) {
            current_command_ids_[j] = entry.command_ids[j];
            current_command_texts_[j] = entry.command_texts[j];
          }
        }
      },
      [&] {
        client_id_ = -1;
        account_id_ = 0;
        request_id_ = -1;
        command_id_ = -1;
      });
  return result;
}

void clsProfile::DeleteClientEntry(const int16_t& intIndex) {
  OnErrorLeave([&] {
    int16_t n = CheckedI2(table_.UBound());
    for (int32_t i = intIndex; i <= n - 1; ++i) table_.At(i) = table_.At(i + 1);
    n = CheckedI2(table_.UBound());
    // The table never shrinks below its entry 0.
    if (n == 0) return;
    table_.RedimPreserve(0, n - 1);
  });
}

}  // namespace kt
