// clsINIData: protocol support of an account's panel ("#id#" lists of
// Vizaride32.ini) and the TCP/IP setting of a panel revision.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "config/ini_fixture.h"

namespace kt {
namespace {

using test::FakeEnv;
using test::Rows;

// Account 7 -> revision 300 -> panel name 5; account 8 -> revision 400 -> panel name 0.
class Support : public test::IniFixture {
 protected:
  Support() {
    config_.accounts = {{7, {1, 300}}, {8, {1, 400}}};
    config_.revisions = {{300, {2, 5}}, {400, {2, 0}}};
  }
  clsINIData& Fresh(const std::string& ini) {
    clsINIData& made = Ini(ini);
    env_.profile_reads.clear();
    return made;
  }
};

// ---- IsSupported ------------------------------------------------------------

struct SupportCase {
  const char* name;
  int32_t account;
  const char* protocol;
  const char* ini;  // the [PanelSupported] lines
  bool fail;        // the configuration component fails
  int16_t expected;
  size_t component_calls;
  int reads;  // 0 none, 1 the protocol's list, 2 and the exclusions
};

class IsSupported : public Support, public ::testing::WithParamInterface<SupportCase> {};

TEST_P(IsSupported, Decides) {
  const SupportCase& c = GetParam();
  clsINIData& ini = Fresh(std::string("[PanelSupported]\n") + c.ini);
  if (c.fail) config_.fail_on = "";
  int32_t account = c.account;
  std::string protocol = c.protocol;
  int16_t support = 99;
  EXPECT_EQ(ini.IsSupported(account, protocol, support), c.expected);
  EXPECT_EQ(support, c.expected);
  EXPECT_EQ(config_.calls.size(), c.component_calls);
  const std::vector<std::string> reads = {"PanelSupported/TCP", "PanelSupported/CSRevIdsExcluded"};
  EXPECT_EQ(env_.profile_reads, std::vector<std::string>(reads.begin(), reads.begin() + c.reads));
  EXPECT_EQ(Err().number, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IsSupported,
    ::testing::ValuesIn(std::vector<SupportCase>{
        {"Listed", 7, "TCP", "TCP=#4#5#6#\nCSRevIdsExcluded=#301#\n", false, -1, 2, 2},
        {"ListedAlone", 7, "TCP", "TCP=#5#\n", false, -1, 2, 2},
        {"RevisionExcluded", 7, "TCP", "TCP=#5#\nCSRevIdsExcluded=#1#300#\n", false, 0, 2, 2},
        {"ExclusionWholeIdsOnly", 7, "TCP", "TCP=#5#\nCSRevIdsExcluded=#3000#1300#30#\n", false, -1, 2, 2},
        {"NameWholeIdsOnly", 7, "TCP", "TCP=#15#50#\nCSRevIdsExcluded=#1#\n", false, 0, 2, 1},
        {"NameNeedsBothMarks", 7, "TCP", "TCP=5#6#\n", false, 0, 2, 1},
        {"OtherProtocolListed", 7, "TCP", "GPRS=#5#\n", false, 0, 2, 1},
        {"NoPanelName", 8, "TCP", "TCP=#0#\n", false, 0, 2, 0},
        {"AccountZero", 0, "TCP", "TCP=#5#\n", false, 0, 0, 0},
        {"NegativeAccount", -7, "TCP", "TCP=#5#\n", false, 0, 0, 0},
        {"EmptyProtocol", 7, "", "TCP=#5#\n", false, 0, 0, 0},
        {"ComponentFails", 7, "TCP", "TCP=#5#\n", true, 0, 1, 0}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Support, RevisionIsAskedBeforeTheName) {
  int32_t account = 7;
  std::string protocol = "TCP";
  int16_t support = -1;
  Fresh("[PanelSupported]\nTCP=#5#\n").IsSupported(account, protocol, support);
  EXPECT_EQ(config_.calls, (std::vector<std::string>{"GetAccountPanel(7)", "GetRevisionCompany(300)"}));
}

// ---- IsTCPSupport of revision 12 ----------------------------------------------

const std::string kTcpQuery = "SELECT tcp_ip_value FROM panel_type_revision WHERE panel_type_rev_id = 12";

struct TcpCase {
  const char* name;
  Rows rows;
  int32_t reported_count;
  int16_t expected;
};

class TcpSupport : public Support, public ::testing::WithParamInterface<TcpCase> {};

TEST_P(TcpSupport, ValueDecides) {
  env_.results[kTcpQuery] = GetParam().rows;
  env_.reported_count = GetParam().reported_count;
  int32_t rev = 12;
  EXPECT_EQ(Ini().IsTCPSupport(rev), GetParam().expected);
  EXPECT_EQ(env_.statements, std::vector<std::string>{kTcpQuery});
  EXPECT_EQ(env_.tally->closes, 1);
  EXPECT_EQ(env_.tally->left_open, 0);
}

const Variant kNull = Variant::Null();
INSTANTIATE_TEST_SUITE_P(
    Values, TcpSupport,
    ::testing::ValuesIn(std::vector<TcpCase>{
        {"NoRow", {}, -2, 1},
        {"Null", {{{"tcp_ip_value", kNull}}}, -2, 1},
        {"Zero", {{{"tcp_ip_value", Variant::I4(0)}}}, -2, 0},
        {"EmptyText", {{{"TCP_IP_VALUE", Variant::Str("")}}}, -2, 0},
        {"False", {{{"tcp_ip_value", Variant::Bool(false)}}}, -2, 0},
        {"FirstRowCounts", {{{"tcp_ip_value", kNull}}, {{"tcp_ip_value", Variant::I4(1)}}}, -2, 1},
        {"CountUnknownReadsNothing", {{{"tcp_ip_value", Variant::I4(1)}}}, -1, 1}}),
    [](const auto& info) { return std::string(info.param.name); });

struct TcpErrorCase {
  const char* name;
  std::function<void(FakeEnv&)> setup;
  int32_t error;
  int closes;
};

class TcpSupportError : public Support, public ::testing::WithParamInterface<TcpErrorCase> {};

TEST_P(TcpSupportError, ErrorReachesCallerAndRecordsetIsClosed) {
  GetParam().setup(env_);
  int32_t rev = 12;
  try {
    Ini().IsTCPSupport(rev);
    ADD_FAILURE() << "no error";
  } catch (const VbError& e) {
    EXPECT_EQ(e.number(), GetParam().error);
    EXPECT_EQ(Err().number, GetParam().error);  // closing on the way out keeps the error
  }
  EXPECT_EQ(env_.tally->closes, GetParam().closes);
  EXPECT_EQ(env_.tally->left_open, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Errors, TcpSupportError,
    ::testing::ValuesIn(std::vector<TcpErrorCase>{
        {"CreationFails", [](FakeEnv& e) { e.fail_fixed = true; }, FakeEnv::kCreationFailure, 0},
        {"StatementFails", [](FakeEnv& e) { e.failing[kTcpQuery] = 3001; }, 3001, 0},
        {"NoRecordset", [](FakeEnv& e) { e.no_recordset.push_back(kTcpQuery); }, vberr::kObjectNotSet, 0},
        {"MissingColumn",
         [](FakeEnv& e) {
           e.results[kTcpQuery] = {{{"other", Variant::I4(1)}}};
         },
         3265, 1}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kt
