// clsINIData: command groups and protocol groups ("/id/" lists), the class
// value of an account's panel, and the XML date form.
#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "base/vbtext.h"
#include "config/clsINIData.h"
#include "frame/error.h"
#include "support/fake_env.h"

namespace kt {
namespace {

using test::FakeEnv;

// Configuration values and the account -> revision -> company chain, with
// every call recorded in order.
struct ConfigScript {
  std::map<std::string, std::string> values;                 // "section|key"
  std::map<int32_t, std::pair<int32_t, int32_t>> accounts;   // account -> (panel, revision)
  std::map<int32_t, std::pair<int32_t, int32_t>> revisions;  // revision -> (company, panel name)
  std::map<int32_t, int32_t> mapped;                         // company -> mapped company
  std::map<int32_t, int16_t> flags;                          // panel name -> flag
  std::map<int32_t, int16_t> class_values;                   // company -> class value
  std::optional<std::string> fail_on;                        // call name that raises
  std::vector<std::string> calls;
};

class ScriptedConfig : public ConfigServices {
 public:
  explicit ScriptedConfig(ConfigScript& s) : s_(s) {}
  std::string ReadConfigValue(const std::string& section, const std::string& key,
                              const std::string& default_value) override {
    Call("ReadConfigValue(" + key + ")");
    auto it = s_.values.find(section + "|" + key);
    return it == s_.values.end() ? default_value : it->second;
  }
  std::string GetMessageText(int32_t&) override { return {}; }
  int16_t GetCompanyClassValue(int32_t& company) override {
    Call("GetCompanyClassValue(" + std::to_string(company) + ")");
    return s_.class_values[company];
  }
  int32_t GetAccountPanel(int32_t& account, int32_t& panel_type_rev) override {
    Call("GetAccountPanel(" + std::to_string(account) + ")");
    panel_type_rev = s_.accounts[account].second;
    return s_.accounts[account].first;
  }
  int32_t GetRevisionCompany(int32_t& panel_type_rev, int32_t& panel_name) override {
    Call("GetRevisionCompany(" + std::to_string(panel_type_rev) + ")");
    panel_name = s_.revisions[panel_type_rev].second;
    return s_.revisions[panel_type_rev].first;
  }
  int32_t GetMappedCompany(int32_t& company) override {
    Call("GetMappedCompany(" + std::to_string(company) + ")");
    return s_.mapped[company];
  }
  int16_t GetPanelNameFlag(int32_t& panel_name) override {
    Call("GetPanelNameFlag(" + std::to_string(panel_name) + ")");
    return s_.flags[panel_name];
  }
  std::string GetProtocolSection(int32_t, std::string&) override { return {}; }

 private:
  void Call(const std::string& what) {
    s_.calls.push_back(what);
    if (s_.fail_on && what.rfind(*s_.fail_on, 0) == 0) Raise(-2147467259, "FakeConfig", "call failed");
  }
  ConfigScript& s_;
};

class CatalogueTest : public ::testing::Test {
 protected:
  CatalogueTest() {
    env_.config_factory = [this] { return std::make_unique<ScriptedConfig>(script_); };
  }
  clsINIData& Ini() {
    if (!ini_) ini_ = std::make_unique<clsINIData>(env_);
    return *ini_;
  }
  ConfigScript script_;
  FakeEnv env_;
  std::unique_ptr<clsINIData> ini_;
};

// ---- "/id/" lists of command groups and protocols -------------------------

struct GroupCase {
  const char* name;
  std::optional<std::string> count;                // nullopt: the count key is missing
  std::vector<std::optional<std::string>> groups;  // group 1, 2, ...; nullopt: missing
  int32_t id;
  int32_t command_index;   // GetCommandTypeIndex / GetCommandType
  int32_t protocol_index;  // GetProtocolIndex
};

class GroupListTest : public CatalogueTest, public ::testing::WithParamInterface<GroupCase> {
 protected:
  void Load(const char* section, const char* count_key, const char* item_key) {
    const GroupCase& c = GetParam();
    if (c.count) script_.values[std::string(section) + "|" + count_key] = *c.count;
    for (size_t i = 0; i < c.groups.size(); ++i)
      if (c.groups[i])
        script_.values[std::string(section) + "|" + item_key + std::to_string(i + 1)] = *c.groups[i];
  }
};

TEST_P(GroupListTest, CommandGroup) {
  Load("CommandGroups", "CommandTypes", "CommandType");
  int32_t id = GetParam().id;
  EXPECT_EQ(Ini().GetCommandTypeIndex(id), GetParam().command_index);
  EXPECT_EQ(Ini().GetCommandType(id), GetParam().command_index);
  EXPECT_EQ(id, GetParam().id);
  EXPECT_EQ(Err().number, 0);
}

TEST_P(GroupListTest, ProtocolGroup) {
  Load("Protocol", "Protocols", "Protocol");
  int16_t id = static_cast<int16_t>(GetParam().id);
  EXPECT_EQ(Ini().GetProtocolIndex(id), GetParam().protocol_index);
  EXPECT_EQ(Err().number, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Ids, GroupListTest,
    ::testing::Values(GroupCase{"WholeIdOnly", "2", {"/101/110/", "/10/"}, 10, 2, 2},
                      GroupCase{"PrefixOfAnIdIsNoMatch", "1", {"/101/110/"}, 10, 0, 0},
                      GroupCase{"Negative", "1", {"/-3/"}, -3, 1, 1},
                      GroupCase{"PositiveDoesNotMatchNegative", "1", {"/-3/"}, 3, 0, 0},
                      GroupCase{"FirstGroupWins", "2", {"/7/8/", "/7/"}, 7, 1, 1},
                      GroupCase{"LastGroupFound", "3", {"/1/", "/2/", "/9/"}, 9, 3, 3},
                      GroupCase{"GroupsPastTheCountAreNotRead", "1", {"/1/", "/9/"}, 9, 0, 0},
                      GroupCase{"MissingGroupIsSkipped", "3", {"/1/", std::nullopt, "/9/"}, 9, 3, 3},
                      GroupCase{"NoSlashesNoMatch", "1", {"9"}, 9, 0, 0},
                      GroupCase{"CountMissing", std::nullopt, {"/9/"}, 9, -1, 0},
                      GroupCase{"CountWord", "two", {"/9/"}, 9, -1, -1},
                      GroupCase{"CountEmpty", "", {"/9/"}, 9, -1, -1},
                      GroupCase{"CountZero", "0", {"/9/"}, 9, 0, 0},
                      GroupCase{"CountRoundsHalfToEven", "2.5", {"/1/", "/2/", "/9/"}, 9, 0, 0},
                      GroupCase{"CountBeyond16Bits", "40000", {"/9/"}, 9, -1, -1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CatalogueTest, GroupReadFailureGivesMinusOne) {
  script_.values["CommandGroups|CommandTypes"] = "2";
  script_.values["Protocol|Protocols"] = "2";
  script_.fail_on = "ReadConfigValue(CommandType2)";
  int32_t id = 5;
  EXPECT_EQ(Ini().GetCommandTypeIndex(id), -1);
  EXPECT_EQ(Ini().GetCommandType(id), -1);
  script_.fail_on = "ReadConfigValue(Protocol1)";
  int16_t company = 1;
  EXPECT_EQ(Ini().GetProtocolIndex(company), -1);
  EXPECT_EQ(Err().number, 0);
}

// ---- class value and company of an account's panel ------------------------

struct ClassCase {
  const char* name;
  int32_t company;  // of the revision
  int32_t mapped;
  int16_t flag;
  const char* class_query;  // the company whose class value is asked for
  int16_t result;
  int16_t company_out;
};

class ClassValueTest : public CatalogueTest, public ::testing::WithParamInterface<ClassCase> {};

TEST_P(ClassValueTest, ChainAndChoice) {
  const ClassCase& c = GetParam();
  script_.accounts[11] = {500, 321};
  script_.revisions[321] = {c.company, 77};
  script_.mapped[c.company] = c.mapped;
  script_.flags[77] = c.flag;
  script_.class_values = {{0, 9}, {2, 4}, {3, 5}};
  int32_t account = 11, rev = 0, panel = 0, name = 0;
  int16_t company = -5;
  EXPECT_EQ(Ini().GetClassValueToInstatiate(account, rev, panel, name, company), c.result);
  EXPECT_EQ(rev, 321);
  EXPECT_EQ(panel, 500);
  EXPECT_EQ(name, 77);
  EXPECT_EQ(company, c.company_out);
  const std::vector<std::string> order = {
      "GetAccountPanel(11)", "GetRevisionCompany(321)", "GetMappedCompany(" + std::to_string(c.company) + ")",
      "GetPanelNameFlag(77)", std::string("GetCompanyClassValue(") + c.class_query + ")"};
  EXPECT_EQ(script_.calls, order);
}

INSTANTIATE_TEST_SUITE_P(Cases, ClassValueTest,
                         ::testing::Values(ClassCase{"FlagZeroUsesMapped", 2, 3, 0, "3", 5, 3},
                                           ClassCase{"FlagZeroUnmappedAsksCompanyZero", 2, 0, 0, "0", 9, 2},
                                           ClassCase{"FlagSetUsesOwnCompany", 2, 3, 1, "2", 4, 3},
                                           ClassCase{"FlagSetUnmapped", 2, 0, -1, "2", 4, 2}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(CatalogueTest, CompanyBeyond16BitsGivesZeroAndKeepsEarlierOutputs) {
  script_.accounts[11] = {500, 321};
  script_.revisions[321] = {70000, 77};
  script_.class_values[70000] = 3;
  int32_t account = 11, rev = 0, panel = 0, name = 0;
  int16_t company = -5;
  EXPECT_EQ(Ini().GetClassValueToInstatiate(account, rev, panel, name, company), 0);
  EXPECT_EQ(rev, 321);
  EXPECT_EQ(panel, 500);
  EXPECT_EQ(name, 77);
  EXPECT_EQ(company, -5);
  EXPECT_EQ(Err().number, 0);
}

TEST_F(CatalogueTest, FailingComponentCallGivesZero) {
  script_.accounts[11] = {500, 321};
  script_.revisions[321] = {2, 77};
  script_.class_values[2] = 4;
  script_.fail_on = "GetPanelNameFlag";
  int32_t account = 11, rev = 0, panel = 0, name = 0;
  int16_t company = -5;
  EXPECT_EQ(Ini().GetClassValueToInstatiate(account, rev, panel, name, company), 0);
  EXPECT_EQ(name, 77);
  EXPECT_EQ(company, -5);
}

// ---- XML date form ---------------------------------------------------------

struct DateCase {
  const char* name;
  double serial;
  const char* text;
};

class XmlDateTest : public CatalogueTest, public ::testing::WithParamInterface<DateCase> {};

TEST_P(XmlDateTest, Formats) {
  double date = GetParam().serial;
  EXPECT_EQ(Ini().ChangeDateTimeToXMLFormat(date), GetParam().text);
  EXPECT_EQ(Err().number, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Dates, XmlDateTest,
    ::testing::Values(DateCase{"Afternoon", 39512.0 + (14 * 3600 + 7 * 60 + 9) / 86400.0,
                               "2008-03-05T14:07:09"},
                      DateCase{"Midnight", 36526.0, "2000-01-01T00:00:00"},
                      DateCase{"LeapDay", 36585.5, "2000-02-29T12:00:00"},
                      DateCase{"After1900NonLeapFebruary", 61.0, "1900-03-01T00:00:00"},
                      DateCase{"BeforeDayZero", -1.25, "1899-12-29T06:00:00"},
                      DateCase{"LastSecondOfADay", 36526.0 + 86399.0 / 86400.0, "2000-01-01T23:59:59"},
                      DateCase{"PastYear9999", 2958466.0, ""}, DateCase{"BeforeYear100", -700000.0, ""}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kt
