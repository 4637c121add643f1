// clsProfile: the current client, account, request and command ids and a
// record count that callers set and read, beside an in-memory table of
// client entries with up to 200 commands each.
//
// Threads: an object is used by one thread at a time (its COM class is
// apartment-threaded); it holds no lock.  Separate objects share nothing.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "frame/variant.h"

namespace kt {

inline constexpr int kCommandsPerEntry = 200;

struct ClientEntry {
  int32_t client_id = 0;
  int32_t account_id = 0;
  int32_t request_id = 0;
  int32_t command_id = 0;
  std::array<int32_t, kCommandsPerEntry> command_ids{};
  std::array<std::string, kCommandsPerEntry> command_texts;
};

class clsProfile {
 public:
  // Members kept for callers bound to the interface; they have no effect.
  void AddClientEntry() {}
  void GetProfileFile() {}
  void ReorderCommands(VbArray<std::string>& /*strCommands*/, VbArray<int32_t>& /*lCommandID*/) {}
  void ResetCommands() {}
  void ReadFromProfile() {}
  void SetCommands(std::string& /*strCommands*/, int32_t& /*lCommandID*/, int16_t& /*intIndex*/) {}
  void GetCommands(VbArray<std::string>& /*strCommands*/, VbArray<int32_t>& /*lCommandID*/) {}
  void GetRequestIDStatus(int16_t& /*intStatus*/) {}
  bool GetConnectionStatus() const { return false; }

  int32_t GetClientID() const { return client_id_; }
  void SetClientID(int32_t lNewValue) { client_id_ = lNewValue; }
  int32_t GetAccountID() const { return account_id_; }
  void SetAccountID(int32_t lNewValue) { account_id_ = lNewValue; }
  int32_t GetRequestID() const { return request_id_; }
  void SetRequestID(int32_t lNewValue) { request_id_ = lNewValue; }
  int32_t GetCommandID() const { return command_id_; }
  void SetCommandID(int32_t lNewValue) { command_id_ = lNewValue; }

  int32_t GetMaxRecord() const { return record_count_; }
  // Adds to the record count; a sum outside 32 bits raises overflow (6) and
  // leaves the count as it was.
  void SetMaxRecord(const int32_t& lNewValue);

  // Loads the last entry whose account id matches as the current one and
  // returns its index.
  int16_t GetAccountIDIndex(const int32_t& lAccountId);
  // Removes one entry by moving the later ones up; never below one entry.
  void DeleteClientEntry(const int16_t& intIndex);

  // The client-entry table.  No member allocates or fills it; the lookup and
  // delete members work on whatever it holds.
  VbArray<ClientEntry>& table() { return table_; }
  int16_t current_index() const { return current_index_; }
  const std::array<int32_t, kCommandsPerEntry>& current_command_ids() const { return current_command_ids_; }
  const std::array<std::string, kCommandsPerEntry>& current_command_texts() const {
    return current_command_texts_;
  }

 private:
  int32_t client_id_ = 0;
  int32_t account_id_ = 0;
  int32_t request_id_ = 0;
  int32_t command_id_ = 0;
  std::array<std::string, kCommandsPerEntry> current_command_texts_;
  std::array<int32_t, kCommandsPerEntry> current_command_ids_{};
  int16_t current_index_ = 0;
  VbArray<ClientEntry> table_;
  int32_t record_count_ = 0;
};

}  // namespace kt
