// clsINIData's command-line members: the option grammar, the account and
// user/port options, get_command_line_option's merge with the INI file, and
// the same members end to end through the keltrane host.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <nlohmann/json.hpp>

#include "config/clsINIData.h"
#include "db/create.h"
#include "profile/profile_file.h"
#include "support/fake_env.h"

namespace kt {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

// The fake Env over real profile files.
struct CmdEnv : test::FakeEnv {
  size_t GetProfileString(const std::string& s, const std::string& k, const std::string& d,
                          std::string& buffer, size_t size, const std::string& file) override {
    return profile::GetPrivateProfileString(s, k, d, buffer, size, file);
  }
  bool WriteProfileString(const std::string& s, const std::string& k, const std::string& v,
                          const std::string& file) override {
    ++writes;
    return profile::WritePrivateProfileString(s, k, v, file);
  }
  int writes = 0;
};

const std::string kSpaceMessage = "Option names cannot contain spaces.";

struct Messages : ConfigServices {
  explicit Messages(bool fail, std::vector<int32_t>* asked) : fail_(fail), asked_(asked) {}
  std::string ReadConfigValue(const std::string&, const std::string&, const std::string& d) override {
    return d;
  }
  std::string GetMessageText(int32_t& number) override {
    asked_->push_back(number);
    if (fail_) Raise(-2147467259, "FakeConfig", "no message table");
    return kSpaceMessage;
  }
  int16_t GetCompanyClassValue(int32_t&) override { return 0; }
  int32_t GetAccountPanel(int32_t&, int32_t&) override { return 0; }
  int32_t GetRevisionCompany(int32_t&, int32_t&) override { return 0; }
  int32_t GetMappedCompany(int32_t&) override { return 0; }
  int16_t GetPanelNameFlag(int32_t&) override { return 0; }
  std::string GetProtocolSection(int32_t, std::string&) override { return ""; }

 private:
  bool fail_;
  std::vector<int32_t>* asked_;
};

std::string TestDirName(const char* prefix) {
  std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
  for (char& c : name)
    if (c == '/') c = '_';
  return prefix + std::to_string(getpid()) + "-" + name;
}

class CommandLine : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / TestDirName("kt-cmd-");
    fs::remove_all(root_);
    fs::create_directories(root_ / "Bin");
    fs::create_directories(root_ / "Storage");
    env_.module_dir = (root_ / "Bin").string();
    env_.config_factory = [this] { return std::make_unique<Messages>(fail_messages_, &asked_); };
    ini_ = std::make_unique<clsINIData>(env_);
  }
  void TearDown() override {
    ini_.reset();
    fs::remove_all(root_);
  }
  fs::path IniFile() const { return root_ / "Storage" / "Vizaride32.ini"; }
  void WriteIni(const std::string& text) const { std::ofstream(IniFile(), std::ios::binary) << text; }
  std::string Stored(const std::string& section, const std::string& key) const {
    std::string buffer;
    const size_t n =
        profile::GetPrivateProfileString(section, key, "<none>", buffer, 4096, IniFile().string());
    return buffer.substr(0, n);
  }

  fs::path root_;
  CmdEnv env_;
  bool fail_messages_ = false;
  std::vector<int32_t> asked_;
  std::unique_ptr<clsINIData> ini_;
};

// --- command_Line_Get -----------------------------------------------------------

struct GetCase {
  const char* name;
  const char* option;
  Variant fallback;
  const char* cmd;
  Variant expected;
};

class CommandLineGet : public CommandLine, public ::testing::WithParamInterface<GetCase> {};

TEST_P(CommandLineGet, FindsTheValue) {
  const GetCase& c = GetParam();
  EXPECT_EQ(ini_->command_Line_Get(c.option, c.fallback, c.cmd), c.expected);
  EXPECT_TRUE(env_.boxes.empty());
}

const Variant kD = Variant::Str("d");

INSTANTIATE_TEST_SUITE_P(
    Grammar, CommandLineGet,
    ::testing::Values(GetCase{"bare_name", "U", kD, "/U=5", Variant::Str("5")},
                      GetCase{"slash_and_equals_given", "/U=", kD, "/x=1 /U=5", Variant::Str("5")},
                      GetCase{"name_ignores_case", "odbc", kD, "/ODBC=2", Variant::Str("2")},
                      GetCase{"first_occurrence_wins", "U", kD, "/U=1 /U=2", Variant::Str("1")},
                      GetCase{"value_ends_at_first_space", "U", kD, "/U=ab cd", Variant::Str("ab")},
                      GetCase{"option_at_the_very_end", "U", kD, "/odbc=1 /U=", Variant::Str("")},
                      GetCase{"quoted_value_keeps_opening_quote", "path", kD, "/path=\"C:\\My Files\" /x=1",
                              Variant::Str("\"C:\\My")},
                      GetCase{"only_a_space_ends_a_value", "U", kD, "/U=a\tb", Variant::Str("a\tb")},
                      GetCase{"longer_name_is_not_the_option", "U", kD, "/USER=5", kD},
                      GetCase{"missing_keeps_default_and_type", "U", Variant::I4(7), "/x=1", Variant::I4(7)},
                      GetCase{"empty_line", "U", Variant::Null(), "", Variant::Null()}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CommandLine, OptionWithSpaceShowsTheMessageAndGivesEmptyText) {
  EXPECT_EQ(ini_->command_Line_Get("my opt", kD, "/my opt=1"), Variant::Str(""));
  ASSERT_EQ(env_.boxes.size(), 1u);
  EXPECT_EQ(env_.boxes[0].text, kSpaceMessage);
  EXPECT_EQ(env_.boxes[0].title, "COMMAND LINE GET");
  EXPECT_EQ(env_.boxes[0].style, 64u);
  EXPECT_EQ(asked_, std::vector<int32_t>{1323});
}

TEST_F(CommandLine, MessageFailureGivesTheDefault) {
  fail_messages_ = true;
  ini_ = std::make_unique<clsINIData>(env_);
  EXPECT_EQ(ini_->command_Line_Get("my opt", Variant::I2(3), "/x=1"), Variant::I2(3));
  EXPECT_TRUE(env_.boxes.empty());
  EXPECT_EQ(Err().number, 0);
}

// --- GetTheValueFromCmdArgument ---------------------------------------------------

struct ValuesCase {
  const char* name;
  const char* cmd;
  int32_t user;  // lUserId before the call is 77
  int16_t odbc, port, schedule;
  bool cleared;  // cmdArgument emptied (the failure path)
};

class CmdValues : public CommandLine, public ::testing::WithParamInterface<ValuesCase> {};

TEST_P(CmdValues, SetsEveryOutput) {
  const ValuesCase& c = GetParam();
  std::string cmd = c.cmd;
  int32_t user = 77;
  int16_t odbc = 55, port = 55, schedule = 55;
  ini_->GetTheValueFromCmdArgument(cmd, user, odbc, port, schedule);
  EXPECT_EQ(user, c.user);
  EXPECT_EQ(odbc, c.odbc);
  EXPECT_EQ(port, c.port);
  EXPECT_EQ(schedule, c.schedule);
  EXPECT_EQ(cmd, c.cleared ? "" : c.cmd);
  EXPECT_EQ(Err().number, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Options, CmdValues,
    ::testing::Values(ValuesCase{"all", "/U=12 /odbc=3 /nCommPort=4 /SCHEDULE", 12, 3, 4, -1, false},
                      ValuesCase{"any_case", "/u=12 /ODBC=3 /ncommport=4 /schedule", 12, 3, 4, -1, false},
                      ValuesCase{"no_user_keeps_it", "/odbc=1", 77, 1, 0, 0, false},
                      ValuesCase{"nothing", "", 77, 0, 0, 0, false},
                      ValuesCase{"user_switch_inside_longer_word", "/USER=5 /odbc=1", 0, 1, 0, 0, false},
                      ValuesCase{"schedule_inside_longer_word", "/SCHEDULED", 77, 0, 0, -1, false},
                      ValuesCase{"half_rounds_to_even", "/odbc=2.5 /nCommPort=3.5", 77, 2, 4, 0, false},
                      ValuesCase{"user_at_end_is_empty_text", "/odbc=1 /U=", -1, -1, -1, -1, true},
                      ValuesCase{"word_for_odbc", "/U=1 /odbc=abc", -1, -1, -1, -1, true},
                      ValuesCase{"port_out_of_range", "/nCommPort=40000", -1, -1, -1, -1, true},
                      ValuesCase{"user_out_of_range", "/U=3000000000", -1, -1, -1, -1, true}),
    [](const auto& info) { return std::string(info.param.name); });

// --- GetAccountID ---------------------------------------------------------------------

struct AccountCase {
  const char* name;
  const char* cmd;
  int32_t id;
  bool cleared;
};

class AccountId : public CommandLine, public ::testing::WithParamInterface<AccountCase> {};

TEST_P(AccountId, FirstSpellingFoundDecides) {
  const AccountCase& c = GetParam();
  std::string cmd = c.cmd;
  int32_t id = -5;
  ini_->GetAccountID(cmd, id);
  EXPECT_EQ(id, c.id);
  EXPECT_EQ(cmd, c.cleared ? "" : c.cmd);
}

INSTANTIATE_TEST_SUITE_P(
    Spellings, AccountId,
    ::testing::Values(
        AccountCase{"account_id", "/ACCOUNT_ID=77", 77, false}, AccountCase{"short", "/x=1 /a=5", 5, false},
        AccountCase{"accountid", "/accountid=9", 9, false}, AccountCase{"account", "/Account=12", 12, false},
        AccountCase{"short_form_checked_first", "/account_id=7 /A=3", 3, false},
        AccountCase{"account_without_value", "/account 5", 0, false}, AccountCase{"none", "/U=4", 0, true},
        AccountCase{"empty", "", 0, true}, AccountCase{"not_a_number", "/a=x", 0, true}),
    [](const auto& info) { return std::string(info.param.name); });

// --- get_command_line_option -------------------------------------------------------------

struct OptionCase {
  const char* name;
  std::string ini;  // file contents
  const char* cmd;
  const char* key;
  const char* suffix;
  std::vector<int> answers;
  std::string result;
  std::string stored;  // Port or Dir in [Comm] afterwards
  size_t questions;
};

class CommandLineOption : public CommandLine, public ::testing::WithParamInterface<OptionCase> {};

TEST_P(CommandLineOption, MergesWithTheIniFile) {
  const OptionCase& c = GetParam();
  WriteIni(c.ini);
  env_.answers = c.answers;
  ini_->SetCommandLineArgument(c.cmd);
  EXPECT_EQ(ini_->get_command_line_option("Comm", c.key, Variant::Str("1"), c.suffix),
            Variant::Str(c.result));
  EXPECT_EQ(env_.boxes.size(), c.questions);
  const std::string key = std::string(c.key).find("Dir") != std::string::npos ? "Dir" : "Port";
  EXPECT_EQ(Stored("Comm", key), c.stored);
}

constexpr int kYes = mb::kAnswerYes, kNo = mb::kAnswerNo;

INSTANTIATE_TEST_SUITE_P(
    Merge, CommandLineOption,
    ::testing::Values(
        OptionCase{"unset_takes_command_line", "", "/Port=9", "Port", "", {}, "9", "9", 0},
        OptionCase{"unset_takes_default", "[Comm]\nPort=\n", "", "Port", "", {}, "1", "1", 0},
        OptionCase{"unset_written_even_with_noini", "", "/Port=9 /NOINI", "Port", "", {}, "9", "9", 0},
        OptionCase{"differs_answered_yes", "[Comm]\nPort=4\n", "/Port=9", "Port", "", {kYes}, "9", "9", 1},
        OptionCase{"differs_answered_no", "[Comm]\nPort=4\n", "/Port=9", "Port", "", {kNo}, "9", "4", 1},
        OptionCase{"no_prompt", "[Comm]\nPort=4\n", "/Port=9", "Port", "NO_PROMPT", {kYes}, "9", "4", 0},
        OptionCase{"noini_switch", "[Comm]\nPort=4\n", "/port=9 /NoIni", "Port", "", {kYes}, "9", "4", 0},
        OptionCase{"no_prompt_is_exact",
                   "[Comm]\nPort=4\n",
                   "/Port=9",
                   "Port",
                   "no_prompt",
                   {kNo},
                   "9no_prompt",
                   "4",
                   1},
        OptionCase{
            "differs_in_case_only", "[Comm]\nPort=abc\n", "/Port=ABC", "Port", "", {kYes}, "ABC", "abc", 0},
        OptionCase{
            "file_value_when_not_on_line", "[Comm]\nPort=4\n", "/x=1", "Port", "", {kYes}, "4", "4", 0},
        OptionCase{"key_with_slash_and_equals", "", "/Port=9", "/Port=", "", {}, "9", "9", 0},
        OptionCase{"key_with_space", "[Comm]\nPort=4\n", "/Port=9", "Po rt", "", {kYes}, "", "4", 0},
        OptionCase{"suffix_for_caller_only", "", "/Dir=/srv/x", "Dir", "\\", {}, "/srv/x\\", "/srv/x", 0},
        OptionCase{"suffix_not_doubled", "", "/Dir=/srv/x\\", "Dir", "\\", {}, "/srv/x\\", "/srv/x\\", 0},
        OptionCase{"suffix_after_yes", "[Comm]\nDir=/a\n", "/Dir=/b", "Dir", "/", {kYes}, "/b/", "/b", 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CommandLine, UpdateQuestionText) {
  WriteIni("[Comm]\nPort=4\n");
  ini_->SetCommandLineArgument("/Port=9");
  ini_->get_command_line_option("Comm", "Port", Variant::Str("1"), "");
  ASSERT_EQ(env_.boxes.size(), 1u);
  EXPECT_EQ(env_.boxes[0].text,
            "Value in Download.ini file is different from what you specified on the command line\r\r"
            "Section: [Comm]\rYou specified - Port = 9\rIni file has - Port = 4\r\rUpdate ini file?");
  EXPECT_EQ(env_.boxes[0].title, "");
  EXPECT_EQ(env_.boxes[0].style, 68u);
}

TEST_F(CommandLine, NullDefaultGivesEmptyAndWritesNothing) {
  ini_->SetCommandLineArgument("/Port=9");
  EXPECT_TRUE(ini_->get_command_line_option("Comm", "Port", Variant::Null(), "").IsEmpty());
  EXPECT_EQ(env_.writes, 0);
  EXPECT_TRUE(env_.boxes.empty());
  EXPECT_EQ(Err().number, 0);
}

// --- end to end through the keltrane host --------------------------------------------------

std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += (c == '\'') ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

class HostIni : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / TestDirName("kt-cmdhost-");
    fs::remove_all(root_);
    fs::create_directories(root_ / "Bin");
    fs::create_directories(root_ / "Storage");
    ASSERT_EQ(suite::CreateSuiteDatabase((root_ / "db" / "Suite.db").string(), true), "");
  }
  void TearDown() override { fs::remove_all(root_); }

  // One batch run; one parsed JSON line per input line.
  std::vector<json> Batch(const std::vector<json>& lines, const std::string& answer = "no",
                          const fs::path& module_dir = {}) {
    const fs::path in = root_ / "stdin";
    {
      std::ofstream s(in);
      for (const json& l : lines) s << l.dump() << "\n";
    }
    const std::string cmd = "KELTRANE_REGISTRY=" + Quote((root_ / "registry.json").string()) +
                            " bin/keltrane --module-dir " +
                            Quote((module_dir.empty() ? root_ / "Bin" : module_dir).string()) + " --db " +
                            Quote((root_ / "db" / "Suite.db").string()) + " --answer " + answer + " batch <" +
                            Quote(in.string()) + " 2>/dev/null";
    FILE* pipe = popen(cmd.c_str(), "r");
    std::string out;
    char buf[4096];
    for (size_t n; (n = fread(buf, 1, sizeof buf, pipe)) > 0;) out.append(buf, n);
    pclose(pipe);
    std::vector<json> result;
    std::istringstream stream(out);
    for (std::string line; std::getline(stream, line);) result.push_back(json::parse(line));
    return result;
  }
  static json New() { return {{"new", "o"}, {"target", "Keltrane.clsINIData"}}; }
  static json Call(const std::string& member, json args) {
    return {{"call", "o"}, {"member", member}, {"args", std::move(args)}};
  }
  static std::string Text(const json& v) {
    return v.is_object() ? v["value"].get<std::string>() : v.get<std::string>();
  }
  std::string Stored(const std::string& section, const std::string& key) const {
    std::string buffer;
    const size_t n = profile::GetPrivateProfileString(section, key, "<none>", buffer, 4096,
                                                      (root_ / "Storage" / "Vizaride32.ini").string());
    return buffer.substr(0, n);
  }

  fs::path root_;
};

TEST_F(HostIni, WriteThenReadTheRealFile) {
  const auto out =
      Batch({New(), Call("ini_write", {"Modem", "Speed", "9600"}), Call("ini_get", {"Modem", "Speed", "d"}),
             Call("ini_get", {"Modem", "Other", "d"})});
  ASSERT_EQ(out.size(), 4u);
  EXPECT_EQ(out[1]["boxes"], json::array());
  EXPECT_EQ(out[2]["result"], "9600");
  EXPECT_EQ(out[3]["result"], "d");
  EXPECT_EQ(Stored("Modem", "Speed"), "9600");
}

TEST_F(HostIni, WriteFailureBox) {
  const fs::path lonely = root_ / "Lonely" / "Bin";  // no Storage folder beside it
  fs::create_directories(lonely);
  const auto out = Batch({New(), Call("ini_write", {"Modem", "Speed", "9600"})}, "no", lonely);
  ASSERT_EQ(out.size(), 2u);
  ASSERT_EQ(out[1]["boxes"].size(), 1u);
  const json& box = out[1]["boxes"][0];
  EXPECT_EQ(box["text"], "Error writing to Download.ini file\rSection: [Modem]\rSpeed = 9600");
  EXPECT_EQ(box["title"], "ini_write");
  EXPECT_EQ(box["style"], 16);
  EXPECT_EQ(out[1]["hresult"], "0x00000000");
}

TEST_F(HostIni, OptionWithSpaceBox) {
  const auto out = Batch({New(), Call("command_Line_Get", {"my opt", "d", "/x=1"})});
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(Text(out[1]["result"]), "");
  ASSERT_EQ(out[1]["boxes"].size(), 1u);
  EXPECT_EQ(out[1]["boxes"][0]["title"], "COMMAND LINE GET");
  EXPECT_EQ(out[1]["boxes"][0]["style"], 64);
  EXPECT_EQ(out[1]["boxes"][0]["text"], "Option names cannot contain spaces. Please check the command line.");
}

class HostUpdateQuestion : public HostIni, public ::testing::WithParamInterface<const char*> {};

TEST_P(HostUpdateQuestion, AnswerDecidesTheFileNotTheResult) {
  const bool yes = std::string(GetParam()) == "yes";
  std::ofstream(root_ / "Storage" / "Vizaride32.ini") << "[Comm]\nPort=4\n";
  const auto out = Batch({New(), Call("CommandLineArgument", {"/Port=9"}),
                          Call("get_command_line_option", {"Comm", "Port", "1", ""})},
                         GetParam());
  ASSERT_EQ(out.size(), 3u);
  EXPECT_EQ(Text(out[2]["result"]), "9");
  ASSERT_EQ(out[2]["boxes"].size(), 1u);
  EXPECT_EQ(out[2]["boxes"][0]["style"], 68);
  EXPECT_EQ(out[2]["boxes"][0]["answer"], GetParam());
  EXPECT_EQ(Stored("Comm", "Port"), yes ? "9" : "4");
}

INSTANTIATE_TEST_SUITE_P(Answers, HostUpdateQuestion, ::testing::Values("yes", "no"));

}  // namespace
}  // namespace kt
