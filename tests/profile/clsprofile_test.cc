// The client-entry table algorithms, on tables set up directly (no member
// fills the table), and the record count's overflow.
#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "frame/error.h"
#include "profile/clsProfile.h"

namespace kt {
namespace {

// Entries 0..n-1 with the given account ids; entry i has client id 100+i,
// request id 200+i, command id 300+i and command j = (i*1000+j, "c<i>.<j>").
void Fill(clsProfile& p, const std::vector<int32_t>& accounts) {
  auto& t = p.table();
  t.Redim(0, static_cast<int32_t>(accounts.size()) - 1);
  for (size_t i = 0; i < accounts.size(); ++i) {
    ClientEntry& e = t.items[i];
    e.account_id = accounts[i];
    e.client_id = 100 + static_cast<int32_t>(i);
    e.request_id = 200 + static_cast<int32_t>(i);
    e.command_id = 300 + static_cast<int32_t>(i);
    for (int j = 0; j < kCommandsPerEntry; ++j) {
      e.command_ids[j] = static_cast<int32_t>(i) * 1000 + j;
      e.command_texts[j] = "c" + std::to_string(i) + "." + std::to_string(j);
    }
  }
}

// A test name from a case's description.
constexpr auto CaseName = [](const auto& info) {
  std::string name = info.param.what;
  for (char& ch : name)
    if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
  return name;
};

void SetCount(clsProfile& p, int32_t n) {
  int32_t delta = n - p.GetMaxRecord();
  p.SetMaxRecord(delta);
}

struct LookupCase {
  const char* what;
  int32_t record_count;
  int32_t account;
  int16_t result;
  int32_t client, acct, request, command;  // current ids afterwards
  int loaded;                              // entry whose commands are current, -1 for none
};

class LookupTest : public ::testing::TestWithParam<LookupCase> {};

TEST_P(LookupTest, ScansUpToTheRecordCount) {
  const LookupCase& c = GetParam();
  clsProfile p;
  p.SetClientID(7);
  p.SetAccountID(8);
  p.SetRequestID(9);
  p.SetCommandID(10);
  Fill(p, {10, 20, 30, 20, 50});
  SetCount(p, c.record_count);
  EXPECT_EQ(p.GetAccountIDIndex(c.account), c.result);
  EXPECT_EQ(p.GetClientID(), c.client);
  EXPECT_EQ(p.GetAccountID(), c.acct);
  EXPECT_EQ(p.GetRequestID(), c.request);
  EXPECT_EQ(p.GetCommandID(), c.command);
  if (c.loaded >= 0) {
    EXPECT_EQ(p.current_index(), c.loaded);
    EXPECT_EQ(p.current_command_ids()[199], c.loaded * 1000 + 199);
    EXPECT_EQ(p.current_command_texts()[0], "c" + std::to_string(c.loaded) + ".0");
  } else {
    EXPECT_EQ(p.current_command_texts()[0], "");
  }
  EXPECT_EQ(Err().number, 0) << "the handler leaves a clear error record";
}

INSTANTIATE_TEST_SUITE_P(
    Table, LookupTest,
    ::testing::Values(LookupCase{"last match wins", 5, 20, 3, 103, 20, 203, 303, 3},
                      LookupCase{"count bounds the scan", 3, 20, 1, 101, 20, 201, 301, 1},
                      LookupCase{"no match changes nothing", 5, 99, 0, 7, 8, 9, 10, -1},
                      LookupCase{"count past the end takes the handler", 7, 20, 3, -1, 0, -1, -1, 3},
                      LookupCase{"count zero scans nothing", 0, 10, 0, 7, 8, 9, 10, -1},
                      LookupCase{"match at index 0", 5, 10, 0, 100, 10, 200, 300, 0}),
    CaseName);

TEST(ProfileTable, SingleEntryTableIsNotScanned) {
  clsProfile p;
  Fill(p, {10});
  SetCount(p, 1);
  p.SetClientID(7);
  EXPECT_EQ(p.GetAccountIDIndex(10), 0);
  EXPECT_EQ(p.GetClientID(), 7);
}

struct DeleteCase {
  const char* what;
  std::vector<int32_t> before;
  int16_t index;
  std::vector<int32_t> after;
};

class DeleteTest : public ::testing::TestWithParam<DeleteCase> {};

TEST_P(DeleteTest, MovesLaterEntriesUp) {
  const DeleteCase& c = GetParam();
  clsProfile p;
  Fill(p, c.before);
  SetCount(p, 3);
  p.DeleteClientEntry(c.index);
  std::vector<int32_t> accounts;
  for (const ClientEntry& e : p.table().items) accounts.push_back(e.account_id);
  EXPECT_EQ(accounts, c.after);
  EXPECT_EQ(p.GetMaxRecord(), 3) << "the record count is not touched";
}

INSTANTIATE_TEST_SUITE_P(
    Table, DeleteTest,
    ::testing::Values(DeleteCase{"middle", {10, 20, 30, 40, 50}, 1, {10, 30, 40, 50}},
                      DeleteCase{"first", {10, 20, 30}, 0, {20, 30}},
                      DeleteCase{"beyond the end drops the last", {10, 20, 30, 40, 50}, 9, {10, 20, 30, 40}},
                      DeleteCase{"one entry stays", {10}, 0, {10}},
                      DeleteCase{"negative index changes nothing", {10, 20, 30}, -1, {10, 20, 30}}),
    CaseName);

TEST(ProfileTable, DeleteOnUnallocatedTableDoesNothing) {
  clsProfile p;
  p.DeleteClientEntry(0);
  EXPECT_FALSE(p.table().allocated);
}

TEST(ProfileRecordCount, AddsAndOverflows) {
  clsProfile p;
  p.SetMaxRecord(5);
  p.SetMaxRecord(3);
  EXPECT_EQ(p.GetMaxRecord(), 8);
  p.SetMaxRecord(-8);
  EXPECT_EQ(p.GetMaxRecord(), 0);
  p.SetMaxRecord(INT32_MAX);
  try {
    p.SetMaxRecord(1);
    FAIL() << "no overflow";
  } catch (const VbError& e) {
    EXPECT_EQ(e.number(), 6);
  }
  EXPECT_EQ(p.GetMaxRecord(), INT32_MAX);
}

}  // namespace
}  // namespace kt
