// clsSubscriber: the statements it sends (recorded by fakes), its quiet
// failure paths, and its results on a real suite database.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "com/env/default_env.h"
#include "db/create.h"
#include "db/database.h"
#include "keltrane/ktrt.h"
#include "subscriber/clsSubscriber.h"
#include "support/fake_env.h"
#include "support/host_runner.h"

namespace kt {
namespace {

using test::FakeEnv;
using test::Rows;
using Strings = std::vector<std::string>;

// ---- Calls: every output joined with '|'; outputs start as "old" / 77 so
// that an output left alone shows.
using Call = std::function<std::string(clsSubscriber&)>;

Call Named(std::function<void(clsSubscriber&, std::string&)> f, std::string initial = "old") {
  return [f, initial](clsSubscriber& s) {
    std::string n = initial;
    f(s, n);
    return n;
  };
}
const auto PanelName = [](int32_t id) { return Named([=](auto& s, auto& n) { s.GetPanelName(id, n); }); };
const auto ByProduct = [](int32_t product, int32_t family) {
  return Named([=](auto& s, auto& n) { s.GetPanelNamebyProductid(product, family, n); });
};
const auto ByRevision = [](std::string rev, int32_t product = 12, int32_t family = 7) {
  return Named([=](auto& s, auto& n) { s.GetPanelNamebyProductidFamilyidRevNum(product, family, rev, n); });
};
const auto ByNameId = [](int32_t id, int32_t product = 12, int32_t family = 7, std::string initial = "old") {
  return Named([=](auto& s, auto& n) { s.GetPanelNamebyProductidAndPanel_NameID(product, family, id, n); },
               initial);
};
const auto ByRevid = [](int32_t rev) {
  return Named([=](auto& s, auto& n) { s.GetPanelNamebyRevid(rev, n); });
};
Call Information(int32_t rev) {
  return [=](clsSubscriber& s) {
    std::string n = "old";
    int32_t parent = 77;
    s.GetPanelInformation(rev, n, parent);
    return n + "|" + std::to_string(parent);
  };
}
// GetSubscriberInformation, or with `mode` GetSubscriber_Information.
Call Subscriber(int32_t account, bool mode = false) {
  return [=](clsSubscriber& s) {
    std::string o[6] = {"o", "o", "o", "o", "o", "o"};
    if (mode)
      s.GetSubscriber_Information(account, o[0], o[1], o[2], o[3], o[4], o[5]);
    else
      s.GetSubscriberInformation(account, o[0], o[1], o[2], o[3], o[4]);
    std::string joined = o[0];
    for (int i = 1; i < (mode ? 6 : 5); ++i) joined += "|" + o[i];
    return joined;
  };
}
const auto Command = [](int32_t id) {
  return [=](clsSubscriber& s) { return std::to_string(s.GetCommandIDFromPanelCommandDataID(id)); };
};
Call Save(bool phone, std::string value, int32_t panel) {
  return [=](clsSubscriber& s) {
    phone ? s.SavePanelPhoneNumber(value, panel) : s.SavePanelLastConnectionType(value, panel);
    return std::string();
  };
}
Call Status(int32_t batch, int16_t state) {
  return [=](clsSubscriber& s) {
    s.UpdateTheStatus(batch, state);
    return std::string();
  };
}

// ---- Statements the fakes expect.
const std::string kActive = " AND company_id IN (SELECT company_id FROM companies WHERE company_active = -1)";
const std::string kSubstitute40 =
    "SELECT panel_name FROM panel_name_substitute_or_adds WHERE panel_name_id = 40" + kActive;
const std::string kBase40 = "SELECT panel_name FROM panel_names WHERE panel_name_id = 40";
const std::string kSimple = "SELECT Panel_Name FROM panel_names WHERE Family_id =7and Product_id =12";
const std::string kSubscriber3 = "select * from Subscriber where Account_id = 3";
const std::string kPanel7 = "SELECT Panel_Type_Rev_ID,panel_phone FROM panel WHERE Panel_ID =7";
const std::string kPanel7Mode =
    "SELECT Panel_Type_Rev_ID,panel_phone,LastConnectionMode FROM panel WHERE Panel_ID =7";
const std::string kRevision301 =
    "SELECT panel_name_id,parent_panel_type_rev_id FROM panel_type_revision WHERE panel_type_rev_id = 301";
const std::string kCommand4 = "SELECT Command_ID FROM panel_command_data WHERE panel_command_data_id =4";
const std::string kActiveCompanies = "SELECT Company_ID FROM Companies WHERE Company_Active = -1;";
const std::string kNameIdSubstitute =
    "SELECT Panel_Name FROM panel_name_substitute_or_adds WHERE panel_name_id = 40" + kActive;
const std::string kNameIdBase =
    "SELECT Panel_Name FROM panel_names WHERE Family_id =7 and Product_id =12 and panel_name_id =40";
// Model 7/12 revision 3: the base name unless it is Null (A, companies 1,2,5), or
// the company's name unless it is Null (B, the given companies).
std::string Revision(bool a, const std::string& list) {
  return "SELECT DISTINCT  panel_names.panel_name_id , iif( ( Select Company_Active from Companies comp "
         "where "
         "comp.Company_id = PNSA.Company_id)  =   Yes ," +
         std::string(a ? "  iif(isnull(panel_names.panel_name ) ,PNSA.panel_name, panel_names.panel_name)"
                       : "iif(isnull(PNSA.panel_name ) , panel_names.panel_name,PNSA.panel_name)") +
         " , panel_names.panel_name)  as panel_Name,PNSA.Company_id, panel_type_revision.panel_rev, "
         "panel_type_revision.panel_type_rev_id,panel_names.family_id,panel_names.product_id  FROM "
         "((panel_names "
         "INNER JOIN panel_type_revision ON panel_names.panel_name_id = panel_type_revision.panel_name_id)" +
         (a ? " " : "  ") +
         "LEFT JOIN panel_name_substitute_or_adds PNSA ON (panel_names.panel_name_id = PNSA.panel_name_id "
         "AND "
         "PNSA.company_id IN (" +
         list + (a ? "" : " ") +
         ")) ) WHERE not panel_names.product_id is Null AND panel_names.family_id IS NOT Null AND "
         "panel_names.family_id = 7 AND panel_names.product_id = 12 AND panel_type_revision.panel_rev = 3 "
         "ORDER BY "
         "panel_type_revision.panel_type_rev_id";
}
const std::string kRevisionA = Revision(true, "1,2,5"), kRevisionB12 = Revision(false, "1,2");
const std::string kRevisions =
    "SELECT DISTINCT panel_type_revision.panel_type_rev_id, panel_names.panel_name_id,  "
    "panel_names.panel_name "
    "as Orig_panel_name, iif(isnull(PNSA.panel_name),panel_names.panel_name,PNSA.panel_name) as "
    "panel_name_used, PNSA.panel_name FROM ((panel_names INNER JOIN panel_type_revision ON "
    "panel_names.panel_name_id = panel_type_revision.panel_name_id) LEFT JOIN panel_name_substitute_or_adds "
    "PNSA ON  (panel_names.panel_name_id = PNSA.panel_name_id AND PNSA.company_id IN (1,2,5 )) ) WHERE not "
    "panel_names.product_id is Null AND panel_names.family_id IS NOT Null";

// ---- Scripted fakes.
const Variant kNull = Variant::Null();
const auto S = [](const char* s) { return Variant::Str(s); };
const auto I = [](int32_t v) { return Variant::I4(v); };
const auto NameRow = [](Variant name) { return Rows{{{"Panel_Name", name}}}; };
const auto Row = [](const char* column, Variant v) { return Rows{{{column, v}}}; };
const auto SubscriberRow = [](Variant panel) {
  return Rows{{{"last_name", S("Harlow")},
               {"first_name", kNull},
               {"Receiver_Group", S("RG1")},
               {"account_number", S("100001")},
               {"panel_ID", panel}}};
};
const Rows kRevision301Row = {{{"panel_name_id", I(40)}, {"parent_panel_type_rev_id", I(300)}}};
const Rows kRevisionRows = {{{"panel_type_rev_id", I(300)}, {"panel_name_id", kNull}},
                            {{"panel_type_rev_id", I(301)}, {"panel_name_id", I(40)}}};
const Rows kTV = NameRow(S("TV"));
const Rows kCompanyRows = {{{"Company_ID", I(1)}}, {{"Company_ID", I(2)}}, {{"Company_ID", I(5)}}};

using Setup = std::function<void(FakeEnv&)>;
using Results = std::vector<std::pair<std::string, Rows>>;
Setup Configure(std::function<void(FakeEnv&)> f, Results results = {}) {
  return [=](FakeEnv& e) {
    if (f) f(e);
    for (const auto& [statement, rows] : results) e.results[statement] = rows;
  };
}
const auto Rowsets = [](Results results) { return Configure(nullptr, std::move(results)); };
const auto SettingIs = [](std::string value) {
  return Configure([=](FakeEnv& e) { e.settings["General/Company_name_mismatch"] = value; });
};
const auto Companies = [](std::string list, Results results = {}) {
  return Configure([=](FakeEnv& e) { e.company_list = list; }, std::move(results));
};
const Setup kNone, kNoFixed = [](FakeEnv&e) { e.fail_fixed = true; };
const Setup kNoDownload = [](FakeEnv& e) { e.fail_download = true; };
const std::string kUpdate7 = "UPDATE panel SET panel_phone = '555' WHERE Panel_ID = 7";
const std::string kStatus = "update unattended_batches set state=";
const std::string kPanel0 = "SELECT Panel_Type_Rev_ID,panel_phone FROM panel WHERE Panel_ID =0";

struct FakeCase {
  const char* name;
  Setup setup;
  Call call;
  Strings statements;
  std::string result = "";
};

class SubscriberStatements : public ::testing::TestWithParam<FakeCase> {};

TEST_P(SubscriberStatements, SendsTheseStatementsAndGivesThisResult) {
  const FakeCase& c = GetParam();
  FakeEnv env;
  if (c.setup) c.setup(env);
  std::string result;
  {
    clsSubscriber subscriber(env);
    result = c.call(subscriber);
  }
  EXPECT_EQ(env.statements, c.statements);
  EXPECT_EQ(result, c.result);
  EXPECT_EQ(Err().number, 0);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Operations, SubscriberStatements, ::testing::ValuesIn(std::vector<FakeCase>{
    {"Phone", kNone, Save(true, "555", 7), {kUpdate7}},
    {"PhoneNoPanel", kNone, Save(true, "555", 0), {}},
    {"PhoneQuote", kNone, Save(true, "x' WHERE 1=1 --", 7),
     {"UPDATE panel SET panel_phone = 'x'' WHERE 1=1 --' WHERE Panel_ID = 7"}},
    {"Mode", kNone, Save(false, "''", 9),
     {"UPDATE panel SET LastConnectionMode = '''''' WHERE Panel_ID = 9"}},
    {"ModeNoPanel", kNone, Save(false, "TCP", -2), {}},
    {"StatusZero", kNone, Status(0, 3), {kStatus + "3 where Unattended_Batch_ID =0"}},
    {"Subscriber", Rowsets({{kSubscriber3, SubscriberRow(I(7))}, {kPanel7, Row("panel_phone", S("555"))}}),
     Subscriber(3), {kSubscriber3, kPanel7}, "Harlow||RG1|100001|555"},
    {"SubscriberNullPanel", Rowsets({{kSubscriber3, SubscriberRow(kNull)}}), Subscriber(3),
     {kSubscriber3, kPanel0}, "Harlow||RG1|100001|"},
    {"SubscriberNoAccount", kNone, Subscriber(0), {}, "||||"},
    {"Subscriber6", Rowsets({{kSubscriber3, SubscriberRow(I(7))},
                             {kPanel7Mode, {{{"panel_phone", kNull}, {"LastConnectionMode", S("TCP")}}}}}),
     Subscriber(3, true), {kSubscriber3, kPanel7Mode}, "Harlow||RG1|100001||TCP"},
    // A row without Receiver_Group: what was read before it stays.
    {"SubscriberFailsMidway",
     Rowsets({{kSubscriber3, {{{"last_name", S("H")}, {"first_name", S("M")}, {"panel_ID", I(7)}}}}}),
     Subscriber(3), {kSubscriber3}, "H|M|||"},
    {"Command", Rowsets({{kCommand4, Row("Command_ID", I(301))}}), Command(4), {kCommand4}, "301"},
    {"CommandNull", Rowsets({{kCommand4, Row("Command_ID", kNull)}}), Command(4), {kCommand4}, "0"},
    {"NameSubstitute", Rowsets({{kSubstitute40, NameRow(S("TV"))}}), PanelName(40), {kSubstitute40}, "TV"},
    {"NameNullSubstitute", Rowsets({{kSubstitute40, NameRow(kNull)}, {kBase40, NameRow(S("VX"))}}),
     PanelName(40), {kSubstitute40, kBase40}, "VX"},
    {"Product", Rowsets({{kSimple, NameRow(S("VX"))}}), ByProduct(12, 7), {kSimple}, "VX"},
    {"RevisionA", Rowsets({{kRevisionA, NameRow(S("A"))}}), ByRevision("3"), {kRevisionA}, "A"},
    {"RevisionB", Companies("1,2", {{kRevisionB12, NameRow(S("B"))}}), ByRevision("3"), {kRevisionB12}, "B"},
    {"RevisionOtherSetting", SettingIs("Torvane Pro"), ByRevision("3"), {Revision(false, "1,2,5"), kSimple}},
    {"RevisionEmptyList", Companies("", {{kSimple, NameRow(S("VX"))}}), ByRevision("x"), {kSimple}, "VX"},
    {"RevisionUnknown", Rowsets({{kSimple, NameRow(S("VX"))}}), ByRevision("3"), {kRevisionA, kSimple}, "VX"},
    {"RevisionNoRecordset", Configure([](FakeEnv& e) { e.no_recordset = {kRevisionA}; }), ByRevision("3"),
     {kRevisionA}},
    {"RevisionNotANumber", kNone, ByRevision("3 OR 1=1"), {}},
    {"NameIdSubstitute", Rowsets({{kNameIdSubstitute, NameRow(S("TV"))}}), ByNameId(40), {kNameIdSubstitute},
     "TV"},
    // No company name (or an empty one): the caller's own text ends the search.
    {"NameIdCallersText", Rowsets({{kNameIdSubstitute, NameRow(S(""))}}), ByNameId(40), {kNameIdSubstitute},
     "old"},
    {"NameIdBase", Rowsets({{kNameIdSubstitute, NameRow(S(""))}, {kNameIdBase, NameRow(S("VX"))}}),
     ByNameId(40, 12, 7, ""), {kNameIdSubstitute, kNameIdBase}, "VX"},
    {"NameIdBaseFirst", SettingIs("TorVane"), ByNameId(40), {kNameIdBase}},
    {"Information", Rowsets({{kRevision301, kRevision301Row}, {kBase40, NameRow(S("VX"))}}), Information(301),
     {kRevision301, kSubstitute40, kBase40}, "VX|300"},
    {"InformationNoRevision", kNone, Information(0), {}, "|-1"},
    {"InformationUnknown", kNone, Information(301), {kRevision301}, "old|77"},
    {"InformationBadParent",
     Rowsets({{kRevision301, {{{"panel_name_id", I(40)}, {"parent_panel_type_rev_id", S("zz")}}}}}),
     Information(301), {kRevision301}, "|-1"},
    {"Revid",
     Rowsets({{kActiveCompanies, kCompanyRows}, {kRevisions, kRevisionRows}, {kSubstitute40, kTV}}),
     ByRevid(301), {kActiveCompanies, kRevisions, kSubstitute40}, "TV"},
    {"RevidNoCompanies", kNone, ByRevid(301), {kActiveCompanies}}}),
    [](const auto& info) { return std::string(info.param.name); });

// A component that cannot be created: the fallback, nothing sent through it.
INSTANTIATE_TEST_SUITE_P(MissingComponents, SubscriberStatements, ::testing::ValuesIn(std::vector<FakeCase>{
    {"NoFixedName", kNoFixed, PanelName(40), {}},
    {"NoFixedCommand", kNoFixed, Command(4), {}, "0"},
    {"NoFixedInformation", kNoFixed, Information(301), {}, "|-1"},
    // Without the fixed component the download one is not created.
    {"NoFixedSubscriber", kNoFixed, Subscriber(3), {}, "||||"},
    {"NoFixedStatus", kNoFixed, Status(12, 1), {kStatus + "1 where Unattended_Batch_ID =12"}},
    {"NoDownloadSubscriber", kNoDownload, Subscriber(3, true), {}, "|||||"},
    {"NoDownloadPhone", kNoDownload, Save(true, "1", 7), {}},
    {"NoDownloadName", Configure(kNoDownload, {{kBase40, NameRow(S("VX"))}}), PanelName(40),
     {kSubstitute40, kBase40}, "VX"},
    {"NoSettings", [](FakeEnv& e) { e.fail_settings = true; }, ByRevision("3"), {}},
    {"NoCompanyList", [](FakeEnv& e) { e.fail_company_list = true; }, ByNameId(40), {}},
    {"CompanyListFails", [](FakeEnv& e) { e.company_list.reset(); }, ByRevision("3"), {}}}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

// ---- The suite database through the real components.
class SubscriberDatabase : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(suite::CreateSuiteDatabase(tree_.Db(), true), "");
    KtSetHostSetting("db", tree_.Db().c_str());
  }
  void TearDown() override { KtSetHostSetting("db", nullptr); }
  // The first column of every row as text ("NULL"), joined by commas; "-"
  // for no row.
  std::string Value(const std::string& sql) {
    suite::Database db(tree_.Db());
    suite::RowSet rows;
    std::string error;
    EXPECT_TRUE(db.Query(sql, {}, rows, error)) << error;
    if (rows.rows.empty()) return "-";
    std::string text;
    for (const auto& row : rows.rows) {
      const suite::Value& v = row[0];
      if (!text.empty()) text += ',';
      text += v.IsNull()                               ? "NULL"
              : v.type == suite::Value::Type::kInteger ? std::to_string(v.integer)
                                                       : v.text;
    }
    return text;
  }
  test::TempTree tree_;
};

const std::string kInactive = "UPDATE Companies SET Company_Active = 0";
std::string Setting(const std::string& key, const std::string& value) {
  return "INSERT INTO suite_settings VALUES ('General', '" + key + "', '" + value + "')";
}
const auto Mismatch = [](const char* value) { return Setting("Company_name_mismatch", value); };
const auto Listed = [](const char* companies) { return Setting("Companies", companies); };

struct DbCase {
  const char* name;
  Strings changes;  // run on the demo data before the call
  Call call;
  std::string expected;
};

class SubscriberReads : public SubscriberDatabase, public ::testing::WithParamInterface<DbCase> {};

TEST_P(SubscriberReads, GivesTheRowsValues) {
  for (const std::string& sql : GetParam().changes) Value(sql);
  clsSubscriber subscriber{com::DefaultEnv()};
  EXPECT_EQ(GetParam().call(subscriber), GetParam().expected);
}

// Name 40 (model 7/12, revisions 2-4) is "VX-2000"; active company 2 calls it
// "TV-2000 EU", inactive company 4 "OS-2000".  Name 50 (model 8/20) has no
// base name, only company 2's.  Active companies: 1, 2, 3, 5, 21.
// clang-format off
INSTANTIATE_TEST_SUITE_P(Demo, SubscriberReads, ::testing::ValuesIn(std::vector<DbCase>{
    {"NameActiveSubstitute", {}, PanelName(40), "TV-2000 EU"},
    {"NameSubstituteInactive", {kInactive + " WHERE Company_ID = 2"}, PanelName(40), "VX-2000"},
    {"NameOnlySubstitute", {}, PanelName(50), "TV-4100 EU"},
    {"NameNullBase", {"INSERT INTO panel_names(panel_name_id) VALUES (51)"}, PanelName(51), ""},
    {"Product", {}, ByProduct(12, 7), "VX-2000"},
    {"ProductNullName", {}, ByProduct(20, 8), ""},
    {"RevisionSettingAbsent", {}, ByRevision("3"), "VX-2000"},
    {"RevisionSettingUpperCase", {Mismatch("TORVANE")}, ByRevision("3"), "VX-2000"},
    {"RevisionSettingOther", {Mismatch("Zelm")}, ByRevision("3"), "TV-2000 EU"},
    {"RevisionCompany5Missing", {Listed("1,2")}, ByRevision("3"), "TV-2000 EU"},
    {"RevisionInactiveCompany", {Mismatch("Zelm"), Listed("4")}, ByRevision("3"), "VX-2000"},
    {"RevisionNullBase", {}, ByRevision("1", 20, 8), "TV-4100 EU"},
    {"RevisionEmptyListNullBase", {Listed("")}, ByRevision("1", 20, 8), ""},
    {"RevisionNotFound", {Mismatch("Zelm")}, ByRevision("9"), "VX-2000"},
    {"RevisionModelUnknown", {}, ByRevision("1", 99), ""},
    {"RevisionHostile", {}, ByRevision("3 OR 1=1"), ""},
    // Numbers beyond 32 bits find nothing on either backend.
    {"RevisionBeyond32Bits", {}, ByRevision("2147483648"), "VX-2000"},
    {"RevisionCompanyBeyond32Bits", {Mismatch("Zelm"), Listed("4294967298,2")}, ByRevision("3"), "TV-2000 EU"},
    {"NameIdSettingAbsent", {}, ByNameId(40), "TV-2000 EU"},
    {"NameIdBaseFirst", {Mismatch("torVANE")}, ByNameId(40), "VX-2000"},
    {"NameIdCompanyMissing", {Mismatch("Torvane"), Listed("1,5")}, ByNameId(40), "TV-2000 EU"},
    {"NameIdInactiveSubstitute", {}, ByNameId(61, 31, 9, ""), "ZR-16"},
    {"NameIdWrongModel", {Mismatch("Torvane")}, ByNameId(40, 11), ""},
    {"Information", {}, Information(301), "TV-2000 EU|300"},
    {"InformationNoParent", {}, Information(310), "VX-1000|77"},
    {"InformationUnknown", {}, Information(9999), "old|77"},
    {"InformationNullName", {"INSERT INTO panel_type_revision(panel_type_rev_id) VALUES (500)"},
     Information(500), "|-1"},
    {"Revid", {}, ByRevid(301), "TV-2000 EU"},
    {"RevidWithoutProduct", {}, ByRevid(360), ""},
    {"RevidWithoutFamily", {"UPDATE panel_names SET family_id = NULL WHERE panel_name_id = 10"}, ByRevid(310),
     ""},
    {"RevidNameIdBeyond16Bits", {}, ByRevid(400), ""},
    {"RevidNoActiveCompany", {kInactive}, ByRevid(301), ""},
    {"Subscriber", {}, Subscriber(1), "Harlow|Mina|RG1|100001|555-0142"},
    {"SubscriberNulls", {}, Subscriber(3), "|Priya|RG2|100003|"},
    {"SubscriberWithoutPanel", {}, Subscriber(4), "Vance|Tomas|RG2|100004|"},
    {"Subscriber6", {}, Subscriber(2, true), "Okafor|Dele|RG1|100002|555-0177|TCP"},
    {"Subscriber6NullMode", {"INSERT INTO Subscriber VALUES (6, 'Ruiz', 'Ana', 'RG4', '6', 12)"},
     Subscriber(6, true), "Ruiz|Ana|RG4|6|555-0111|"},
    {"CommandNull", {}, Command(5), "0"},
    {"Command", {}, Command(2), "102"}}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

// Whatever the text holds, it lands in panel 7 only.
class SubscriberUpdates : public SubscriberDatabase,
                          public ::testing::WithParamInterface<std::tuple<bool, const char*>> {};

TEST_P(SubscriberUpdates, ChangeOnlyThePanel) {
  const auto [phone, value] = GetParam();
  const std::string column = phone ? "panel_phone" : "LastConnectionMode";
  const std::string others = "SELECT Panel_ID || '=' || coalesce(" + column +
                             ", 'NULL') FROM panel WHERE Panel_ID <> 7 ORDER BY Panel_ID";
  const std::string before = Value(others);
  clsSubscriber subscriber{com::DefaultEnv()};
  Save(phone, value, 7)(subscriber);
  EXPECT_EQ(Value("SELECT " + column + " FROM panel WHERE Panel_ID = 7"), value);
  EXPECT_EQ(Value(others), before);
  EXPECT_EQ(Value("SELECT count(*) FROM panel"), "5");
}

INSTANTIATE_TEST_SUITE_P(Texts, SubscriberUpdates,
                         ::testing::Combine(::testing::Bool(),
                                            ::testing::Values("555-0199", "O'Brien's", "x' WHERE 1=1 --",
                                                              "'; DROP TABLE panel; --")));

TEST_F(SubscriberDatabase, NoPanelIdAndBatchState) {
  const std::string phones = "SELECT coalesce(panel_phone, 'NULL') FROM panel ORDER BY Panel_ID";
  const std::string before = Value(phones);
  clsSubscriber subscriber{com::DefaultEnv()};
  subscriber.SavePanelPhoneNumber("555", 0);
  subscriber.UpdateTheStatus(12, 5);
  EXPECT_EQ(Value(phones), before);
  EXPECT_EQ(Value("SELECT state FROM unattended_batches ORDER BY Unattended_Batch_ID"), "5,2");
}

// The command-line host through the COM face: outputs come back in args.
TEST_F(SubscriberDatabase, HostCallsGiveOutputsInArgs) {
  const auto args = [&](Strings call) {
    call.insert(call.begin(), {"call", "Keltrane.clsSubscriber"});
    const test::HostRun run = tree_.Host(call);
    EXPECT_EQ(run.status, 0) << run.err << run.out;
    return run.Json()["args"];
  };
  EXPECT_EQ(args({"GetPanelName", "40", "\"\""}), nlohmann::json::parse(R"([40, "TV-2000 EU"])"));
  EXPECT_EQ(args({"GetPanelInformation", "301", "\"\"", "0"}),
            nlohmann::json::parse(R"([301, "TV-2000 EU", 300])"));
}

// Four host processes at once, each writing its own panel's phone again and
// again and reading it back through its subscriber: every process reads its
// own last write, and every panel ends with its process's last value.
TEST_F(SubscriberDatabase, HostProcessesUpdatingAtOnceLoseNothing) {
  constexpr int kRounds = 40;
  const std::pair<int, int> panels[] = {{7, 1}, {8, 2}, {9, 3}, {11, 5}};  // panel, its account
  std::vector<std::vector<nlohmann::json>> outputs(std::size(panels));
  std::vector<std::thread> hosts;
  for (size_t p = 0; p < std::size(panels); ++p) {
    hosts.emplace_back([&, p] {
      std::vector<std::pair<std::string, nlohmann::json>> calls;
      for (int i = 0; i < kRounds; ++i) {
        const std::string phone = "p" + std::to_string(p) + "-" + std::to_string(i);
        calls.emplace_back("SavePanelPhoneNumber", nlohmann::json{phone, panels[p].first});
        calls.emplace_back("GetSubscriber_Information",
                           nlohmann::json{panels[p].second, "", "", "", "", "", ""});
      }
      outputs[p] = tree_.Batch("Keltrane.clsSubscriber", calls);
    });
  }
  for (std::thread& t : hosts) t.join();
  for (size_t p = 0; p < std::size(panels); ++p) {
    ASSERT_EQ(outputs[p].size(), 2u * kRounds);
    for (int i = 0; i < kRounds; ++i) {
      EXPECT_EQ(outputs[p][2 * i]["hresult"], "0x00000000") << outputs[p][2 * i];
      EXPECT_EQ(outputs[p][2 * i + 1]["args"][5], "p" + std::to_string(p) + "-" + std::to_string(i));
    }
    EXPECT_EQ(Value("SELECT panel_phone FROM panel WHERE Panel_ID = " + std::to_string(panels[p].first)),
              "p" + std::to_string(p) + "-" + std::to_string(kRounds - 1));
  }
}

}  // namespace
}  // namespace kt
