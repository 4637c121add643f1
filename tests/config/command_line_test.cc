// clsINIData's command-line members: the option grammar, the account and
// user/port options, get_command_line_option's merge with the INI file, and
// the same members end to end through the keltrane host.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "config/ini_fixture.h"
#include "db/create.h"

namespace kt {
namespace {

using nlohmann::json;
using test::IniFixture;

const Variant kD = Variant::Str("d");

// --- command_Line_Get ----------------------------------------------------------

struct GetCase {
  const char* name;
  const char* option;
  Variant fallback;
  const char* cmd;
  Variant expected;
};

class CommandLineGet : public IniFixture, public ::testing::WithParamInterface<GetCase> {};

TEST_P(CommandLineGet, FindsTheValue) {
  const GetCase& c = GetParam();
  EXPECT_EQ(Ini().command_Line_Get(c.option, c.fallback, c.cmd), c.expected);
  EXPECT_TRUE(env_.boxes.empty());
}

INSTANTIATE_TEST_SUITE_P(Grammar, CommandLineGet,
                         ::testing::ValuesIn(std::vector<GetCase>{
                             {"slash_and_equals_given", "/U=", kD, "/x=1 /U=5", Variant::Str("5")},
                             {"name_ignores_case", "odbc", kD, "/ODBC=2", Variant::Str("2")},
                             {"first_occurrence_wins", "U", kD, "/U=1 /U=2", Variant::Str("1")},
                             {"value_ends_at_first_space", "U", kD, "/U=ab cd", Variant::Str("ab")},
                             {"option_at_the_very_end", "U", kD, "/odbc=1 /U=", Variant::Str("")},
                             {"quoted_value_keeps_opening_quote", "path", kD, "/path=\"C:\\My Files\" /x=1",
                              Variant::Str("\"C:\\My")},
                             {"only_a_space_ends_a_value", "U", kD, "/U=a\tb", Variant::Str("a\tb")},
                             {"longer_name_is_not_the_option", "U", kD, "/USER=5", kD},
                             {"missing_keeps_default_and_type", "U", Variant::I4(7), "/x=1", Variant::I4(7)},
                             {"empty_line", "U", Variant::Null(), "", Variant::Null()}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(IniFixture, MessageFailureGivesTheDefault) {
  config_.fail_on = "GetMessageText";
  EXPECT_EQ(Ini().command_Line_Get("my opt", Variant::I2(3), "/x=1"), Variant::I2(3));
  EXPECT_TRUE(env_.boxes.empty());
  EXPECT_EQ(Err().number, 0);
}

// --- GetTheValueFromCmdArgument: user, odbc, port, schedule (before: 77, 55, 55, 55) ---

struct ValuesCase {
  const char* name;
  const char* cmd;
  int32_t user;
  int16_t odbc, port, schedule;
  bool cleared;  // cmdArgument emptied (the failure path)
};

class CmdValues : public IniFixture, public ::testing::WithParamInterface<ValuesCase> {};

TEST_P(CmdValues, SetsEveryOutput) {
  const ValuesCase& c = GetParam();
  std::string cmd = c.cmd;
  int32_t user = 77;
  int16_t odbc = 55, port = 55, schedule = 55;
  Ini().GetTheValueFromCmdArgument(cmd, user, odbc, port, schedule);
  EXPECT_EQ(std::vector<int32_t>({user, odbc, port, schedule}),
            std::vector<int32_t>({c.user, c.odbc, c.port, c.schedule}));
  EXPECT_EQ(cmd, c.cleared ? "" : c.cmd);
  EXPECT_EQ(Err().number, 0);
}

INSTANTIATE_TEST_SUITE_P(Options, CmdValues,
                         ::testing::ValuesIn(std::vector<ValuesCase>{
                             {"all", "/U=12 /odbc=3 /nCommPort=4 /SCHEDULE", 12, 3, 4, -1, false},
                             {"any_case", "/u=12 /ODBC=3 /ncommport=4 /schedule", 12, 3, 4, -1, false},
                             {"no_user_keeps_it", "/odbc=1", 77, 1, 0, 0, false},
                             {"user_switch_inside_longer_word", "/USER=5 /odbc=1", 0, 1, 0, 0, false},
                             {"schedule_inside_longer_word", "/SCHEDULED", 77, 0, 0, -1, false},
                             {"half_rounds_to_even", "/odbc=2.5 /nCommPort=3.5", 77, 2, 4, 0, false},
                             {"user_at_end_is_empty_text", "/odbc=1 /U=", -1, -1, -1, -1, true},
                             {"word_for_odbc", "/U=1 /odbc=abc", -1, -1, -1, -1, true},
                             {"port_out_of_range", "/nCommPort=40000", -1, -1, -1, -1, true},
                             {"user_out_of_range", "/U=3000000000", -1, -1, -1, -1, true}}),
                         [](const auto& info) { return std::string(info.param.name); });

// --- GetAccountID ------------------------------------------------------------------

struct AccountCase {
  const char* name;
  const char* cmd;
  int32_t id;
  bool cleared;
};

class AccountId : public IniFixture, public ::testing::WithParamInterface<AccountCase> {};

TEST_P(AccountId, FirstSpellingFoundDecides) {
  std::string cmd = GetParam().cmd;
  int32_t id = -5;
  Ini().GetAccountID(cmd, id);
  EXPECT_EQ(id, GetParam().id);
  EXPECT_EQ(cmd, GetParam().cleared ? "" : GetParam().cmd);
}

INSTANTIATE_TEST_SUITE_P(Spellings, AccountId,
                         ::testing::ValuesIn(std::vector<AccountCase>{
                             {"account_id", "/ACCOUNT_ID=77", 77, false},
                             {"short", "/x=1 /a=5", 5, false},
                             {"accountid", "/accountid=9", 9, false},
                             {"account", "/Account=12", 12, false},
                             {"short_form_checked_first", "/account_id=7 /A=3", 3, false},
                             {"account_without_value", "/account 5", 0, false},
                             {"none", "/U=4", 0, true},
                             {"empty", "", 0, true},
                             {"not_a_number", "/a=x", 0, true}}),
                         [](const auto& info) { return std::string(info.param.name); });

// --- get_command_line_option (default "1") -------------------------------------------------

struct OptionCase {
  const char* name;
  const char* file;  // the [Comm] value of Port or Dir; nullptr: no INI file
  const char* cmd;
  const char* key;
  const char* suffix;
  int answer;  // 0: none scripted
  const char* result;
  const char* stored;  // Port or Dir in [Comm] afterwards
  size_t questions;
};

class CommandLineOption : public IniFixture, public ::testing::WithParamInterface<OptionCase> {};

TEST_P(CommandLineOption, MergesWithTheIniFile) {
  const OptionCase& c = GetParam();
  const std::string key = std::string(c.key).find("Dir") != std::string::npos ? "Dir" : "Port";
  if (c.file) tree_.WriteIni("[Comm]\n" + key + "=" + c.file + "\n");
  if (c.answer) env_.answers = {c.answer};
  Ini().SetCommandLineArgument(c.cmd);
  EXPECT_EQ(Ini().get_command_line_option("Comm", c.key, Variant::Str("1"), c.suffix),
            Variant::Str(c.result));
  EXPECT_EQ(env_.boxes.size(), c.questions);
  EXPECT_EQ(Stored("Comm", key), c.stored);
}

constexpr int kYes = mb::kAnswerYes, kNo = mb::kAnswerNo;

INSTANTIATE_TEST_SUITE_P(
    Merge, CommandLineOption,
    ::testing::ValuesIn(std::vector<OptionCase>{
        {"unset_takes_command_line", nullptr, "/Port=9", "Port", "", 0, "9", "9", 0},
        {"unset_takes_default", "", "", "Port", "", 0, "1", "1", 0},
        {"unset_written_even_with_noini", nullptr, "/Port=9 /NOINI", "Port", "", 0, "9", "9", 0},
        {"differs_answered_yes", "4", "/Port=9", "Port", "", kYes, "9", "9", 1},
        {"differs_answered_no", "4", "/Port=9", "Port", "", kNo, "9", "4", 1},
        {"no_prompt", "4", "/Port=9", "Port", "NO_PROMPT", kYes, "9", "4", 0},
        {"noini_switch", "4", "/port=9 /NoIni", "Port", "", kYes, "9", "4", 0},
        {"no_prompt_is_exact", "4", "/Port=9", "Port", "no_prompt", kNo, "9no_prompt", "4", 1},
        {"differs_in_case_only", "abc", "/Port=ABC", "Port", "", kYes, "ABC", "abc", 0},
        {"differs_in_case_beyond_ascii", "m\xC3\xBCller\xCF\x82", "/Port=M\xC3\x9CLLER\xCE\xA3", "Port", "",
         kYes, "M\xC3\x9CLLER\xCE\xA3", "m\xC3\xBCller\xCF\x82", 0},
        {"sharp_s_has_no_simple_upper_case", "\xC3\x9F", "/Port=SS", "Port", "", kNo, "SS", "\xC3\x9F", 1},
        {"file_value_when_not_on_line", "4", "/x=1", "Port", "", kYes, "4", "4", 0},
        {"key_with_slash_and_equals", nullptr, "/Port=9", "/Port=", "", 0, "9", "9", 0},
        {"key_with_space", "4", "/Port=9", "Po rt", "", kYes, "", "4", 0},
        {"suffix_for_caller_only", nullptr, "/Dir=/srv/x", "Dir", "\\", 0, "/srv/x\\", "/srv/x", 0},
        {"suffix_not_doubled", nullptr, "/Dir=/srv/x\\", "Dir", "\\", 0, "/srv/x\\", "/srv/x\\", 0},
        {"suffix_after_yes", "/a", "/Dir=/b", "Dir", "/", kYes, "/b/", "/b", 1}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(IniFixture, UpdateQuestionText) {
  Ini("[Comm]\nPort=4\n").SetCommandLineArgument("/Port=9");
  Ini().get_command_line_option("Comm", "Port", Variant::Str("1"), "");
  EXPECT_EQ(Box(),
            "Value in Download.ini file is different from what you specified on the command line\r\r"
            "Section: [Comm]\rYou specified - Port = 9\rIni file has - Port = 4\r\rUpdate ini file?||68");
}

TEST_F(IniFixture, NullDefaultGivesEmptyAndWritesNothing) {
  Ini().SetCommandLineArgument("/Port=9");
  EXPECT_TRUE(Ini().get_command_line_option("Comm", "Port", Variant::Null(), "").IsEmpty());
  EXPECT_TRUE(env_.profile_writes.empty());
  EXPECT_TRUE(env_.boxes.empty());
  EXPECT_EQ(Err().number, 0);
}

// --- end to end through the keltrane host ----------------------------------------------------

class HostIni : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(suite::CreateSuiteDatabase(tree_.Db(), true), ""); }
  std::vector<json> Batch(const std::vector<std::pair<std::string, json>>& calls,
                          const std::string& answer = "no", const std::filesystem::path& module_dir = {}) {
    return tree_.Batch("Keltrane.clsINIData", calls, {"--answer", answer}, module_dir);
  }
  static std::string Text(const json& v) {
    return v.is_object() ? v["value"].get<std::string>() : v.get<std::string>();
  }
  test::TempTree tree_;
};

TEST_F(HostIni, WriteThenReadTheRealFile) {
  const auto out = Batch({{"ini_write", {"Modem", "Speed", "9600"}},
                          {"ini_get", {"Modem", "Speed", "d"}},
                          {"ini_get", {"Modem", "Other", "d"}}});
  EXPECT_EQ(out[0]["boxes"], json::array());
  EXPECT_EQ(out[1]["result"], "9600");
  EXPECT_EQ(out[2]["result"], "d");
  EXPECT_EQ(test::TempTree::Read(tree_.Ini(), "Modem", "Speed"), "9600");
}

TEST_F(HostIni, WriteFailureBox) {
  const std::filesystem::path lonely = tree_.root / "Lonely" / "Bin";  // no Storage folder beside it
  std::filesystem::create_directories(lonely);
  const auto out = Batch({{"ini_write", {"Modem", "Speed", "9600"}}}, "no", lonely);
  EXPECT_EQ(out[0]["boxes"],
            json::parse(R"([{"text": "Error writing to Download.ini file\rSection: [Modem]\rSpeed = 9600",
                                               "title": "ini_write", "style": 16, "answer": null}])"));
  EXPECT_EQ(out[0]["hresult"], "0x00000000");
}

TEST_F(HostIni, OptionWithSpaceBox) {
  const auto out = Batch({{"command_Line_Get", {"my opt", "d", "/x=1"}}});
  EXPECT_EQ(Text(out[0]["result"]), "");
  EXPECT_EQ(out[0]["boxes"], json::parse(R"([{"title": "COMMAND LINE GET", "style": 64, "answer": null,
      "text": "Option names cannot contain spaces. Please check the command line."}])"));
}

}  // namespace
}  // namespace kt
