// clsINIData: command groups and protocol groups ("/id/" lists), the class
// value of an account's panel, and the XML date form.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "config/ini_fixture.h"

namespace kt {
namespace {

using test::IniFixture;

// ---- "/id/" lists of command groups and protocols -------------------------

struct GroupCase {
  const char* name;
  std::optional<std::string> count;                // nullopt: the count key is missing
  std::vector<std::optional<std::string>> groups;  // group 1, 2, ...; nullopt: missing
  int32_t id, command_index, protocol_index;
};

class GroupList : public IniFixture, public ::testing::WithParamInterface<GroupCase> {};

TEST_P(GroupList, CommandAndProtocolGroups) {
  const GroupCase& c = GetParam();
  for (auto [section, count, item] : {std::tuple("CommandGroups", "CommandTypes", "CommandType"),
                                      std::tuple("Protocol", "Protocols", "Protocol")}) {
    const std::string prefix = std::string(section) + "|";
    if (c.count) config_.values[prefix + count] = *c.count;
    for (size_t i = 0; i < c.groups.size(); ++i)
      if (c.groups[i]) config_.values[prefix + item + std::to_string(i + 1)] = *c.groups[i];
  }
  int32_t id = c.id;
  int16_t id16 = static_cast<int16_t>(c.id);
  EXPECT_EQ(Ini().GetCommandTypeIndex(id), c.command_index);
  EXPECT_EQ(Ini().GetCommandType(id), c.command_index);
  EXPECT_EQ(Ini().GetProtocolIndex(id16), c.protocol_index);
  EXPECT_EQ(id, c.id);
  EXPECT_EQ(Err().number, 0);
}

INSTANTIATE_TEST_SUITE_P(Ids, GroupList,
                         ::testing::ValuesIn(std::vector<GroupCase>{
                             {"WholeIdOnly", "2", {"/101/110/", "/10/"}, 10, 2, 2},
                             {"PrefixOfAnIdIsNoMatch", "1", {"/101/110/"}, 10, 0, 0},
                             {"Negative", "1", {"/-3/"}, -3, 1, 1},
                             {"FirstGroupWins", "2", {"/7/8/", "/7/"}, 7, 1, 1},
                             {"GroupsPastTheCountAreNotRead", "1", {"/1/", "/9/"}, 9, 0, 0},
                             {"MissingGroupIsSkipped", "3", {"/1/", std::nullopt, "/9/"}, 9, 3, 3},
                             {"NoSlashesNoMatch", "1", {"9"}, 9, 0, 0},
                             {"CountMissing", std::nullopt, {"/9/"}, 9, -1, 0},
                             {"CountWord", "two", {"/9/"}, 9, -1, -1},
                             {"CountZero", "0", {"/9/"}, 9, 0, 0},
                             {"CountRoundsHalfToEven", "2.5", {"/1/", "/2/", "/9/"}, 9, 0, 0},
                             {"CountBeyond16Bits", "40000", {"/9/"}, 9, -1, -1}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(IniFixture, GroupReadFailureGivesMinusOne) {
  config_.values["CommandGroups|CommandTypes"] = "2";
  config_.values["Protocol|Protocols"] = "2";
  config_.fail_on = "ReadConfigValue(CommandType2)";
  int32_t id = 5;
  EXPECT_EQ(Ini().GetCommandTypeIndex(id), -1);
  EXPECT_EQ(Ini().GetCommandType(id), -1);
  config_.fail_on = "ReadConfigValue(Protocol1)";
  int16_t company = 1;
  EXPECT_EQ(Ini().GetProtocolIndex(company), -1);
  EXPECT_EQ(Err().number, 0);
}

// ---- class value and company of an account's panel ------------------------

// Account 11 -> panel 500, revision 321 -> (company, panel name 77).
class ClassValue : public IniFixture {
 protected:
  void Chain(int32_t company) {
    config_.accounts[11] = {500, 321};
    config_.revisions[321] = {company, 77};
    config_.class_values = {{0, 9}, {2, 4}, {3, 5}};
  }
  // "result|revision|panel|panel name|company"
  std::string Classify() {
    int32_t account = 11, rev = 0, panel = 0, name = 0;
    int16_t company = -5;
    const int16_t result = Ini().GetClassValueToInstatiate(account, rev, panel, name, company);
    return std::to_string(result) + "|" + std::to_string(rev) + "|" + std::to_string(panel) + "|" +
           std::to_string(name) + "|" + std::to_string(company);
  }
};

struct ClassCase {
  const char* name;
  int32_t mapped;
  int16_t flag;
  const char* class_query;  // the company whose class value is asked for
  const char* result;
};

class ClassChoice : public ClassValue, public ::testing::WithParamInterface<ClassCase> {};

TEST_P(ClassChoice, ChainAndChoice) {
  Chain(2);
  config_.mapped[2] = GetParam().mapped;
  config_.flags[77] = GetParam().flag;
  EXPECT_EQ(Classify(), GetParam().result);
  EXPECT_EQ(config_.calls,
            (std::vector<std::string>{"GetAccountPanel(11)", "GetRevisionCompany(321)", "GetMappedCompany(2)",
                                      "GetPanelNameFlag(77)",
                                      std::string("GetCompanyClassValue(") + GetParam().class_query + ")"}));
}

INSTANTIATE_TEST_SUITE_P(Cases, ClassChoice,
                         ::testing::ValuesIn(std::vector<ClassCase>{
                             {"FlagZeroUsesMapped", 3, 0, "3", "5|321|500|77|3"},
                             {"FlagZeroUnmappedAsksCompanyZero", 0, 0, "0", "9|321|500|77|2"},
                             {"FlagSetUsesOwnCompany", 3, 1, "2", "4|321|500|77|3"},
                             {"FlagSetUnmapped", 0, -1, "2", "4|321|500|77|2"}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ClassValue, CompanyBeyond16BitsGivesZeroAndKeepsEarlierOutputs) {
  Chain(70000);
  config_.class_values[70000] = 3;
  EXPECT_EQ(Classify(), "0|321|500|77|-5");
  EXPECT_EQ(Err().number, 0);
}

TEST_F(ClassValue, FailingComponentCallGivesZero) {
  Chain(2);
  config_.fail_on = "GetPanelNameFlag";
  EXPECT_EQ(Classify(), "0|321|500|77|-5");
}

// ---- XML date form ---------------------------------------------------------

class XmlDate : public IniFixture, public ::testing::WithParamInterface<std::pair<double, const char*>> {};

TEST_P(XmlDate, Formats) {
  double date = GetParam().first;
  EXPECT_EQ(Ini().ChangeDateTimeToXMLFormat(date), GetParam().second);
  EXPECT_EQ(Err().number, 0);
}

INSTANTIATE_TEST_SUITE_P(Dates, XmlDate,
                         ::testing::Values(std::pair(39512.0 + (14 * 3600 + 7 * 60 + 9) / 86400.0,
                                                     "2008-03-05T14:07:09"),
                                           std::pair(36526.0 + 86399.0 / 86400.0, "2000-01-01T23:59:59"),
                                           std::pair(2958466.0, ""), std::pair(-700000.0, "")));

}  // namespace
}  // namespace kt
