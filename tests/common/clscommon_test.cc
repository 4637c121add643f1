// clsCommon and the logging routines on a fake Env: the exact log lines, the
// log-enable merge rules and every failure path.
#include <gtest/gtest.h>

#include <array>
#include <thread>

#include "common/clsCommon.h"
#include "logging/LogModule.h"
#include "support/fake_env.h"

namespace kt {
namespace {

using test::FakeEnv;
using test::LogLine;
using test::Row;
using test::Rows;

const std::string kCompanySrc = "Keltrane->clsCommon->GetCompanyIdFromPTRID";
const std::string kCmdSrc = "Keltrane->clsCommon->getCommandIds";
const std::string kFlagSrc = "Keltrane->clsCommon->getViewLogEnabledValues";

std::string CompanyQuery(int32_t rev) {
  return "SELECT DISTINCT PNS.Company_ID as COMPANYID,PTR.panel_type_rev_id  FROM (((panel_names as PNS "
         "INNER JOIN "
         "panel_type_revision as PTR ON PNS.panel_name_id = PTR.panel_name_id ) LEFT JOIN "
         "panel_name_substitute_or_adds  as PNSA ON (PNS.panel_name_id = PNSA.panel_name_id )) ) WHERE "
         "PTR.panel_type_rev_id=" +
         std::to_string(rev);
}

std::string CommandQuery(int32_t rev, int enabled) {
  return "SELECT Panel_type_Rev_ID, Command_ID, Sequence_Number, State_Data FROM StateData  where "
         "Panel_type_Rev_ID=" +
         std::to_string(rev) + " and Sequence_Number=" + std::to_string(enabled);
}

Rows Company(Variant id) {
  return {Row{{"COMPANYID", id}, {"panel_type_rev_id", Variant::I4(1)}}};
}

Rows Commands(std::vector<int32_t> ids) {
  Rows rows;
  for (int32_t id : ids) rows.push_back(Row{{"Command_ID", Variant::I4(id)}});
  return rows;
}

TEST(CompanyLookup, FoundCompanyAndItsLogLines) {
  FakeEnv env;
  env.results[CompanyQuery(300)] = Company(Variant::I4(2));
  clsCommon c(env);
  int32_t rev = 300;
  EXPECT_EQ(c.GetCompanyIdFromPTRID(rev), 2);
  const std::vector<LogLine> expected = {
      {1, kCompanySrc, "Function Entry ::Input args = lPTRID =  300", std::nullopt},
      {1, kCompanySrc, "strQuery = " + CompanyQuery(300), std::nullopt},
      {1, kCompanySrc, "Function EXIT", std::nullopt},
  };
  EXPECT_EQ(env.log, expected);
}

struct NotFoundCase {
  const char* what;
  std::optional<Rows> rows;  // nullopt: no recordset at all
  int32_t error_number;
  std::string description;
};

class CompanyNotFound : public ::testing::TestWithParam<NotFoundCase> {};

TEST_P(CompanyNotFound, LogsAnErrorLineThenExit) {
  const NotFoundCase& c = GetParam();
  FakeEnv env;
  if (c.rows)
    env.results[CompanyQuery(-4)] = *c.rows;
  else
    env.no_recordset.push_back(CompanyQuery(-4));
  clsCommon common(env);
  int32_t rev = -4;
  EXPECT_EQ(common.GetCompanyIdFromPTRID(rev), 0);
  ASSERT_EQ(env.log.size(), 4u);
  EXPECT_EQ(env.log[2], (LogLine{1, kCompanySrc, c.description, c.error_number}));
  EXPECT_EQ(env.log[3].message, "Function EXIT");
  EXPECT_EQ(Err().number, 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, CompanyNotFound,
                         ::testing::Values(NotFoundCase{"no_row", Rows{}, 0, ""},
                                           NotFoundCase{"null_company", Company(Variant::Null()), 0, ""},
                                           NotFoundCase{"empty_company", Company(Variant::Str("")), 0, ""},
                                           NotFoundCase{"no_recordset", std::nullopt, 0, ""},
                                           NotFoundCase{"too_big", Company(Variant::R8(3e9)), 6, "Overflow"},
                                           NotFoundCase{"not_a_number", Company(Variant::Str("abc")), 13,
                                                        "Type mismatch"}),
                         [](const auto& info) { return std::string(info.param.what); });

TEST(CompanyLookup, CreationFailureIsLoggedAndKeepsThePreviousInstance) {
  FakeEnv env;
  env.results[CompanyQuery(1)] = Company(Variant::I4(5));
  clsCommon c(env);
  int32_t rev = 1;
  ASSERT_EQ(c.GetCompanyIdFromPTRID(rev), 5);
  env.fail_fixed = true;
  env.log.clear();
  EXPECT_EQ(c.GetCompanyIdFromPTRID(rev), 0);
  EXPECT_TRUE(c.HoldsApplication());
  ASSERT_EQ(env.log.size(), 3u) << "entry, error, exit";
  EXPECT_EQ(env.log[1].error_number, FakeEnv::kCreationFailure);
  EXPECT_EQ(env.log[2].message, "Function EXIT");
}

TEST(CompanyLookup, FailingStatementIsLoggedWithItsStatus) {
  FakeEnv env;
  env.failing[CompanyQuery(9)] = static_cast<int32_t>(0x80004005);
  clsCommon c(env);
  int32_t rev = 9;
  EXPECT_EQ(c.GetCompanyIdFromPTRID(rev), 0);
  ASSERT_EQ(env.log.size(), 4u);
  EXPECT_EQ(env.log[2], (LogLine{1, kCompanySrc, "statement failed", static_cast<int32_t>(0x80004005)}));
}

struct FlagCase {
  const char* what;
  int32_t company;  // 0: none found
  std::vector<int32_t> own_enabled, own_disabled, parent_enabled;
  std::array<int16_t, 4> flags;  // event, ECP, fire, alarm
  int used;                      // Commands_Used_count, -1 when not logged
};

class FlagTest : public ::testing::TestWithParam<FlagCase> {};

TEST_P(FlagTest, MergesOwnAndInheritedCommands) {
  const FlagCase& c = GetParam();
  FakeEnv env;
  if (c.company) env.results[CompanyQuery(300)] = Company(Variant::I4(c.company));
  env.results[CommandQuery(300, 1)] = Commands(c.own_enabled);
  env.results[CommandQuery(300, 0)] = Commands(c.own_disabled);
  env.results[CommandQuery(200, 1)] = Commands(c.parent_enabled);
  clsCommon common(env);
  int16_t e = -1, ecp = -1, fire = -1, alarm = -1;
  Variant r = common.getViewLogEnabledValues(300, 200, e, ecp, fire, alarm);
  EXPECT_TRUE(r.IsEmpty());
  EXPECT_EQ((std::array<int16_t, 4>{e, ecp, fire, alarm}), c.flags);
  // The member's own lines, whole: level, text and no error.
  const auto line = [](std::string text) { return LogLine{1, kFlagSrc, std::move(text), std::nullopt}; };
  std::vector<LogLine> own_lines, expected = {line("Function Entry"), line("lPTRID = 300")};
  for (const LogLine& l : env.log)
    if (l.source == kFlagSrc) own_lines.push_back(l);
  if (c.used >= 0) expected.push_back(line("Commands_Used_count = " + std::to_string(c.used)));
  expected.push_back(line("Function Exit"));
  EXPECT_EQ(own_lines, expected);
  EXPECT_EQ(env.log.front().source, kFlagSrc);
  const bool read_state = c.used >= 0;
  EXPECT_EQ(env.statements.size(), read_state ? 4u : 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FlagTest,
    ::testing::Values(FlagCase{"other_company", 5, {14, 51, 52}, {}, {}, {-1, 0, 0, 0}, -1},
                      FlagCase{"no_company", 0, {}, {}, {}, {-1, 0, 0, 0}, -1},
                      FlagCase{"own_event_and_ecp", 1, {14, 52}, {}, {}, {-1, -1, 0, 0}, 2},
                      FlagCase{"disabled_row_blocks_parent", 2, {}, {51}, {51}, {0, 0, 0, 0}, 0},
                      FlagCase{"inherited_fire_and_alarm", 21, {}, {}, {51}, {0, 0, -1, -1}, 1},
                      FlagCase{"no_rows_at_all", 1, {}, {}, {}, {0, 0, 0, 0}, 0},
                      FlagCase{
                          "duplicate_parent_ids_counted_twice", 1, {14}, {}, {52, 52, 14}, {-1, -1, 0, 0}, 3},
                      FlagCase{"unknown_ids_set_nothing", 2, {7, 8}, {}, {9}, {0, 0, 0, 0}, 3}),
    [](const auto& info) { return std::string(info.param.what); });

// getViewLogEnabledValues(300, parent) on a fresh object, revision 300 being
// company 1's: event, ECP, fire and alarm, each starting at `start`.
using Flags4 = std::array<int16_t, 4>;
Flags4 ViewFlags(FakeEnv& env, int32_t parent, int16_t start = -1) {
  env.results.emplace(CompanyQuery(300), Company(Variant::I4(1)));
  Flags4 f;
  f.fill(start);
  clsCommon(env).getViewLogEnabledValues(300, parent, f[0], f[1], f[2], f[3]);
  return f;
}

TEST(Flags, CommandIdLinesInOrder) {
  FakeEnv env;
  env.results[CommandQuery(300, 1)] = Commands({14});
  ViewFlags(env, 0);
  std::vector<std::string> first_call;
  for (const LogLine& l : env.log)
    if (l.source == kCmdSrc) first_call.push_back(l.message);
  ASSERT_GE(first_call.size(), 7u);
  EXPECT_EQ(std::vector<std::string>(first_call.begin(), first_call.begin() + 7),
            (std::vector<std::string>{"Function ENTRY", "lPTRID = 300", "blnEnabled = 1",
                                      "strQuery = " + CommandQuery(300, 1), "rsData.RecordCount = 1",
                                      "getCommandIds = 1", "Function Exit"}));
  // The disabled list finds no rows: no "getCommandIds = " line.
  EXPECT_EQ(first_call[7 + 4], "rsData.RecordCount = 0");
  EXPECT_EQ(first_call[7 + 5], "Function Exit");
}

TEST(Flags, NullCommandIdLeavesZeroAndReadingGoesOn) {
  FakeEnv env;
  env.results[CommandQuery(300, 1)] =
      Rows{Row{{"Command_ID", Variant::Null()}}, Row{{"Command_ID", Variant::I4(52)}}};
  EXPECT_EQ(ViewFlags(env, 0)[1], -1);
}

TEST(Flags, ListPast32767IdsEndsInTheHandler) {
  FakeEnv env;
  env.results[CommandQuery(300, 1)] = Commands(std::vector<int32_t>(32768, 14));
  EXPECT_EQ(ViewFlags(env, 0, 5)[0], 0) << "flags stay as far as they were set";
  ASSERT_GE(env.log.size(), 2u);
  EXPECT_EQ(env.log[env.log.size() - 2], (LogLine{1, kFlagSrc, "Overflow", 6}));
  EXPECT_EQ(env.log.back().message, "Function Exit");
}

TEST(Flags, FailingCommandReadCountsAsEmpty) {
  FakeEnv env;
  env.failing[CommandQuery(300, 0)] = static_cast<int32_t>(0x80004005);
  env.results[CommandQuery(300, 1)] = Commands({52});
  env.results[CommandQuery(200, 1)] = Commands({52, 51});
  EXPECT_EQ(ViewFlags(env, 200), (Flags4{0, -1, -1, -1}));
  bool error_line = false;
  for (const LogLine& l : env.log)
    if (l.source == kCmdSrc && l.error_number == static_cast<int32_t>(0x80004005)) error_line = true;
  EXPECT_TRUE(error_line);
}

TEST(InstalledPath, ProviderAnswerOrEmpty) {
  FakeEnv env;
  env.installed_path = [] { return std::string("C:\\Suite\\"); };
  EXPECT_EQ(clsCommon(env).GetVelmora20InstalledPath(), "C:\\Suite\\");
  env.installed_path = []() -> std::string { Raise(48); };
  EXPECT_EQ(clsCommon(env).GetVelmora20InstalledPath(), "");
  EXPECT_EQ(Err().number, 0);
}

TEST(LogModule, LoggerCreatedOncePerThreadAndAgainAfterAFailure) {
  FakeEnv env;
  WriteLog(env, 1, "s", "a");
  WriteLog(env, 1, "s", "b");
  EXPECT_EQ(env.logger_created, 1);
  env.fail_next_log_calls = 1;
  WriteLog(env, 1, "s", "lost");
  EXPECT_FALSE(ThreadHasLogger());
  WriteLog(env, 1, "s", "c");
  EXPECT_EQ(env.logger_created, 2);
  std::thread([&] { WriteLog(env, 1, "s", "other thread"); }).join();
  EXPECT_EQ(env.logger_created, 3);
  ASSERT_EQ(env.log.size(), 4u);
  EXPECT_EQ(env.log[2].message, "c");
}

TEST(LogModule, EachEnvLogsToItsOwnLogger) {
  FakeEnv first, second;
  WriteLog(first, 1, "s", "first");
  WriteLog(second, 1, "s", "second");
  WriteErrorLog(second, 1, "s", "second's error", 5);
  WriteLog(first, 1, "s", "first again");
  ASSERT_EQ(first.log.size(), 2u);
  ASSERT_EQ(second.log.size(), 2u);
  EXPECT_EQ(second.log[1].message, "second's error");
  EXPECT_EQ(first.logger_created + second.logger_created, 2);
}

TEST(LogModule, UnavailableLoggerNeverFailsTheCaller) {
  FakeEnv env;
  env.fail_logger = true;
  std::thread([&] {
    WriteLog(env, 1, "s", "x");
    WriteErrorLog(env, 1, "s", "y", 5);
    EXPECT_FALSE(ThreadHasLogger());
  }).join();
  EXPECT_TRUE(env.log.empty());
}

TEST(LogModule, ErrorRecordSurvivesWriteErrorLog) {
  FakeEnv env;
  for (int failing = 0; failing < 2; ++failing) {
    std::thread([&] {
      env.fail_next_log_calls = failing;
      Err() = ErrRecord{13, "src", "Type mismatch", "help.hlp", 42};
      const ErrRecord before = Err();
      WriteErrorLog(env, 1, "s", Err().description, Err().number);
      EXPECT_EQ(Err(), before) << "failing=" << failing;
    }).join();
  }
}

}  // namespace
}  // namespace kt
