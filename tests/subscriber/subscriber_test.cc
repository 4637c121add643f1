// clsSubscriber: the statements it sends (recorded by fakes), its quiet
// failure paths, and its results on a real suite database.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "db/create.h"
#include "db/database.h"
#include "keltrane/ktrt.h"
#include "subscriber/clsSubscriber.h"
#include "support/fake_env.h"

namespace kt {
namespace {

namespace fs = std::filesystem;
using test::FakeEnv;
using test::Rows;
using Strings = std::vector<std::string>;

// ---- Calls: every output joined with '|'; outputs start as "old" / 77 so
// that an output left alone shows.
using Call = std::function<std::string(clsSubscriber&)>;

template <class F>
Call Named(F f) {
  return [f](clsSubscriber& s) {
    std::string n = "old";
    f(s, n);
    return n;
  };
}
Call PanelName(int32_t id) {
  return Named([=](clsSubscriber& s, std::string& n) { s.GetPanelName(id, n); });
}
Call ByProduct(int32_t product, int32_t family) {
  return Named([=](clsSubscriber& s, std::string& n) { s.GetPanelNamebyProductid(product, family, n); });
}
Call ByRevision(std::string rev, int32_t product = 12, int32_t family = 7) {
  return Named([=](clsSubscriber& s, std::string& n) {
    s.GetPanelNamebyProductidFamilyidRevNum(product, family, rev, n);
  });
}
Call ByNameId(int32_t id, int32_t product = 12, int32_t family = 7) {
  return Named([=](clsSubscriber& s, std::string& n) {
    s.GetPanelNamebyProductidAndPanel_NameID(product, family, id, n);
  });
}
Call ByRevid(int32_t rev) {
  return Named([=](clsSubscriber& s, std::string& n) { s.GetPanelNamebyRevid(rev, n); });
}
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
Call Command(int32_t id) {
  return [=](clsSubscriber& s) { return std::to_string(s.GetCommandIDFromPanelCommandDataID(id)); };
}
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
std::string Substitute(const char* id) {
  return std::string("SELECT panel_name FROM panel_name_substitute_or_adds WHERE panel_name_id = ") + id +
         kActive;
}
std::string Base(const char* id) {
  return std::string("SELECT panel_name FROM panel_names WHERE panel_name_id = ") + id;
}
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
// Model 7/12 revision 3: a company's name first (A) or the base name first (B).
const std::string kRevisionA =
    "SELECT DISTINCT  panel_names.panel_name_id , iif( ( Select Company_Active from Companies comp where "
    "comp.Company_id = PNSA.Company_id)  =   Yes ,  iif(isnull(panel_names.panel_name ) ,PNSA.panel_name, "
    "panel_names.panel_name) , panel_names.panel_name)  as panel_Name,PNSA.Company_id, "
    "panel_type_revision.panel_rev, panel_type_revision.panel_type_rev_id,panel_names.family_id,"
    "panel_names.product_id  FROM ((panel_names INNER JOIN panel_type_revision ON panel_names.panel_name_id "
    "= "
    "panel_type_revision.panel_name_id) LEFT JOIN panel_name_substitute_or_adds PNSA ON "
    "(panel_names.panel_name_id = PNSA.panel_name_id AND PNSA.company_id IN (1,2,5)) ) WHERE not "
    "panel_names.product_id is Null AND panel_names.family_id IS NOT Null AND panel_names.family_id = 7 AND "
    "panel_names.product_id = 12 AND panel_type_revision.panel_rev = 3 ORDER BY "
    "panel_type_revision.panel_type_rev_id";
std::string RevisionB(const std::string& list) {
  return "SELECT DISTINCT  panel_names.panel_name_id , iif( ( Select Company_Active from Companies comp "
         "where "
         "comp.Company_id = PNSA.Company_id)  =   Yes ,iif(isnull(PNSA.panel_name ) , "
         "panel_names.panel_name,PNSA.panel_name) , panel_names.panel_name)  as panel_Name,PNSA.Company_id, "
         "panel_type_revision.panel_rev, panel_type_revision.panel_type_rev_id,panel_names.family_id,"
         "panel_names.product_id  FROM ((panel_names INNER JOIN panel_type_revision ON "
         "panel_names.panel_name_id = "
         "panel_type_revision.panel_name_id)  LEFT JOIN panel_name_substitute_or_adds PNSA ON "
         "(panel_names.panel_name_id = PNSA.panel_name_id AND PNSA.company_id IN (" +
         list +
         " )) ) WHERE not panel_names.product_id is Null AND panel_names.family_id IS NOT Null AND "
         "panel_names.family_id = 7 AND panel_names.product_id = 12 AND panel_type_revision.panel_rev = 3 "
         "ORDER "
         "BY panel_type_revision.panel_type_rev_id";
}
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
Variant S(const char* s) {
  return Variant::Str(s);
}
Variant I(int32_t v) {
  return Variant::I4(v);
}
Rows NameRow(Variant name) {
  return {{{"Panel_Name", name}}};
}
Rows SubscriberRow(Variant panel) {
  return {{{"last_name", S("Harlow")},
           {"first_name", kNull},
           {"Receiver_Group", S("RG1")},
           {"account_number", S("100001")},
           {"panel_ID", panel}}};
}
const Rows kCompanyRows = {{{"Company_ID", I(1)}}, {{"Company_ID", I(2)}}, {{"Company_ID", I(5)}}};

using Setup = std::function<void(FakeEnv&)>;
Setup Rowsets(std::vector<std::pair<std::string, Rows>> results) {
  return [=](FakeEnv& e) {
    for (const auto& [statement, rows] : results) e.results[statement] = rows;
  };
}
Setup Configure(std::function<void(FakeEnv&)> f, std::vector<std::pair<std::string, Rows>> results = {}) {
  return [=](FakeEnv& e) {
    f(e);
    Rowsets(results)(e);
  };
}
Setup SettingIs(std::string value) {
  return Configure([=](FakeEnv& e) { e.settings["General/Company_name_mismatch"] = value; });
}
void NoFixed(FakeEnv& e) {
  e.fail_fixed = true;
}
void NoDownload(FakeEnv& e) {
  e.fail_download = true;
}

struct FakeCase {
  FakeCase(const char* n, Setup s, Call c, Strings st, std::string r = "")
      : name(n), setup(std::move(s)), call(std::move(c)), statements(std::move(st)), result(std::move(r)) {}
  const char* name;
  Setup setup;
  Call call;
  Strings statements;
  std::string result;
};
void PrintTo(const FakeCase& c, std::ostream* os) {
  *os << c.name;
}

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

const Setup kNone;
INSTANTIATE_TEST_SUITE_P(
    Operations, SubscriberStatements,
    ::testing::Values(
        FakeCase{"Phone",
                 kNone,
                 Save(true, "555", 7),
                 {"UPDATE panel SET panel_phone = '555' WHERE Panel_ID = 7"}},
        FakeCase{"PhoneNoPanel", kNone, Save(true, "555", 0), {}},
        FakeCase{"PhoneQuote",
                 kNone,
                 Save(true, "x' WHERE 1=1 --", 7),
                 {"UPDATE panel SET panel_phone = 'x'' WHERE 1=1 --' WHERE Panel_ID = 7"}},
        FakeCase{"Mode",
                 kNone,
                 Save(false, "''", 9),
                 {"UPDATE panel SET LastConnectionMode = '''''' WHERE Panel_ID = 9"}},
        FakeCase{"ModeNoPanel", kNone, Save(false, "TCP", -2), {}},
        FakeCase{"StatusZero",
                 kNone,
                 Status(0, 3),
                 {"update unattended_batches set state=3 where Unattended_Batch_ID =0"}},
        FakeCase{"StatusNegative",
                 kNone,
                 Status(-5, -1),
                 {"update unattended_batches set state=-1 where Unattended_Batch_ID =-5"}},
        FakeCase{"Subscriber",
                 Rowsets({{kSubscriber3, SubscriberRow(I(7))}, {kPanel7, {{{"panel_phone", S("555")}}}}}),
                 Subscriber(3),
                 {kSubscriber3, kPanel7},
                 "Harlow||RG1|100001|555"},
        FakeCase{"SubscriberNullPanel",
                 Rowsets({{kSubscriber3, SubscriberRow(kNull)}}),
                 Subscriber(3),
                 {kSubscriber3, "SELECT Panel_Type_Rev_ID,panel_phone FROM panel WHERE Panel_ID =0"},
                 "Harlow||RG1|100001|"},
        FakeCase{"SubscriberNoAccount", kNone, Subscriber(0), {}, "||||"},
        FakeCase{"Subscriber6",
                 Rowsets({{kSubscriber3, SubscriberRow(I(7))},
                          {kPanel7Mode, {{{"panel_phone", kNull}, {"LastConnectionMode", S("TCP")}}}}}),
                 Subscriber(3, true),
                 {kSubscriber3, kPanel7Mode},
                 "Harlow||RG1|100001||TCP"},
        // A row without Receiver_Group: what was read before it stays.
        FakeCase{
            "SubscriberFailsMidway",
            Rowsets({{kSubscriber3, {{{"last_name", S("H")}, {"first_name", S("M")}, {"panel_ID", I(7)}}}}}),
            Subscriber(3),
            {kSubscriber3},
            "H|M|||"},
        FakeCase{
            "Command", Rowsets({{kCommand4, {{{"Command_ID", I(301)}}}}}), Command(4), {kCommand4}, "301"},
        FakeCase{
            "CommandNull", Rowsets({{kCommand4, {{{"Command_ID", kNull}}}}}), Command(4), {kCommand4}, "0"},
        FakeCase{"NameSubstitute",
                 Rowsets({{Substitute("40"), NameRow(S("TV"))}}),
                 PanelName(40),
                 {Substitute("40")},
                 "TV"},
        FakeCase{"NameNullSubstitute",
                 Rowsets({{Substitute("40"), NameRow(kNull)}, {Base("40"), NameRow(S("VX"))}}),
                 PanelName(40),
                 {Substitute("40"), Base("40")},
                 "VX"},
        FakeCase{"Product", Rowsets({{kSimple, NameRow(S("VX"))}}), ByProduct(12, 7), {kSimple}, "VX"},
        FakeCase{"ProductEmptyName", Rowsets({{kSimple, NameRow(S(""))}}), ByProduct(12, 7), {kSimple}, ""},
        FakeCase{"RevisionA", Rowsets({{kRevisionA, NameRow(S("A"))}}), ByRevision("3"), {kRevisionA}, "A"},
        FakeCase{"RevisionB",
                 Configure([](FakeEnv& e) { e.company_list = "1,2"; }, {{RevisionB("1,2"), NameRow(S("B"))}}),
                 ByRevision("3"),
                 {RevisionB("1,2")},
                 "B"},
        FakeCase{
            "RevisionOtherSetting", SettingIs("Torvane Pro"), ByRevision("3"), {RevisionB("1,2,5"), kSimple}},
        FakeCase{"RevisionEmptyList",
                 Configure([](FakeEnv& e) { e.company_list = ""; }, {{kSimple, NameRow(S("VX"))}}),
                 ByRevision("x"),
                 {kSimple},
                 "VX"},
        FakeCase{"RevisionUnknown",
                 Rowsets({{kSimple, NameRow(S("VX"))}}),
                 ByRevision("3"),
                 {kRevisionA, kSimple},
                 "VX"},
        FakeCase{"RevisionNoRecordset",
                 Configure([](FakeEnv& e) { e.no_recordset = {kRevisionA}; }),
                 ByRevision("3"),
                 {kRevisionA}},
        FakeCase{"RevisionNotANumber", kNone, ByRevision("3 OR 1=1"), {}},
        FakeCase{"NameIdSubstitute",
                 Rowsets({{kNameIdSubstitute, NameRow(S("TV"))}}),
                 ByNameId(40),
                 {kNameIdSubstitute},
                 "TV"},
        FakeCase{"NameIdBase",
                 Rowsets({{kNameIdBase, NameRow(S("VX"))}}),
                 ByNameId(40),
                 {kNameIdSubstitute, kNameIdBase},
                 "VX"},
        FakeCase{"NameIdBaseFirst", SettingIs("TorVane"), ByNameId(40), {kNameIdBase}},
        FakeCase{"Information",
                 Rowsets({{kRevision301, {{{"panel_name_id", I(40)}, {"parent_panel_type_rev_id", I(300)}}}},
                          {Base("40"), NameRow(S("VX"))}}),
                 Information(301),
                 {kRevision301, Substitute("40"), Base("40")},
                 "VX|300"},
        FakeCase{"InformationNoRevision", kNone, Information(0), {}, "|-1"},
        FakeCase{"InformationUnknown", kNone, Information(301), {kRevision301}, "old|77"},
        FakeCase{
            "InformationBadParent",
            Rowsets({{kRevision301, {{{"panel_name_id", I(40)}, {"parent_panel_type_rev_id", S("zz")}}}}}),
            Information(301),
            {kRevision301},
            "|-1"},
        FakeCase{"Revid",
                 Rowsets({{kActiveCompanies, kCompanyRows},
                          {kRevisions,
                           {{{"panel_type_rev_id", I(300)}, {"panel_name_id", kNull}},
                            {{"panel_type_rev_id", I(301)}, {"panel_name_id", I(40)}}}},
                          {Substitute("40"), NameRow(S("TV"))}}),
                 ByRevid(301),
                 {kActiveCompanies, kRevisions, Substitute("40")},
                 "TV"},
        FakeCase{"RevidNoCompanies", kNone, ByRevid(301), {kActiveCompanies}}),
    [](const auto& info) { return std::string(info.param.name); });

// A component that cannot be created: the fallback, nothing sent through it.
INSTANTIATE_TEST_SUITE_P(
    MissingComponents, SubscriberStatements,
    ::testing::Values(
        FakeCase{"NoFixedName", NoFixed, PanelName(40), {}},
        FakeCase{"NoFixedCommand", NoFixed, Command(4), {}, "0"},
        FakeCase{"NoFixedInformation", NoFixed, Information(301), {}, "|-1"},
        // Without the fixed component the download one is not created.
        FakeCase{"NoFixedSubscriber", NoFixed, Subscriber(3), {}, "||||"},
        FakeCase{"NoFixedStatus",
                 NoFixed,
                 Status(12, 1),
                 {"update unattended_batches set state=1 where Unattended_Batch_ID =12"}},
        FakeCase{"NoDownloadSubscriber", NoDownload, Subscriber(3, true), {}, "|||||"},
        FakeCase{"NoDownloadPhone", NoDownload, Save(true, "1", 7), {}},
        FakeCase{"NoDownloadName",
                 Configure(NoDownload, {{Base("40"), NameRow(S("VX"))}}),
                 PanelName(40),
                 {Substitute("40"), Base("40")},
                 "VX"},
        FakeCase{"NoSettings", [](FakeEnv& e) { e.fail_settings = true; }, ByRevision("3"), {}},
        FakeCase{"NoCompanyList", [](FakeEnv& e) { e.fail_company_list = true; }, ByNameId(40), {}},
        FakeCase{"CompanyListFails", [](FakeEnv& e) { e.company_list.reset(); }, ByRevision("3"), {}}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- The suite database through the real components.
class SuiteDb {
 public:
  SuiteDb() {
    std::string pattern = (fs::temp_directory_path() / "kt-subscriber-XXXXXX").string();
    dir_ = mkdtemp(pattern.data());
    path_ = (dir_ / "Suite.db").string();
  }
  ~SuiteDb() {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  const std::string& path() const { return path_; }
  // The first column of the first row as text ("NULL", "-" for no row).
  std::string Value(const std::string& sql) {
    suite::Database db(path_);
    suite::RowSet rows;
    std::string error;
    EXPECT_TRUE(db.Query(sql, {}, rows, error)) << error;
    if (rows.rows.empty()) return "-";
    const suite::Value& v = rows.rows[0][0];
    return v.IsNull() ? "NULL" : v.type == suite::Value::Type::kInteger ? std::to_string(v.integer) : v.text;
  }

 private:
  fs::path dir_;
  std::string path_;
};

class SubscriberDatabase : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(suite::CreateSuiteDatabase(db_.path(), true), "");
    KtSetHostSetting("db", db_.path().c_str());
  }
  void TearDown() override { KtSetHostSetting("db", nullptr); }
  SuiteDb db_;
};

std::string Setting(const std::string& key, const std::string& value) {
  return "INSERT OR REPLACE INTO suite_settings VALUES ('General', '" + key + "', '" + value + "')";
}
std::string Mismatch(const char* value) {
  return Setting("Company_name_mismatch", value);
}
std::string Listed(const char* companies) {
  return Setting("Companies", companies);
}

struct DbCase {
  const char* name;
  Strings changes;  // run on the demo data before the call
  Call call;
  std::string expected;
};
void PrintTo(const DbCase& c, std::ostream* os) {
  *os << c.name;
}

class SubscriberReads : public SubscriberDatabase, public ::testing::WithParamInterface<DbCase> {};

TEST_P(SubscriberReads, GivesTheRowsValues) {
  for (const std::string& sql : GetParam().changes) db_.Value(sql);
  clsSubscriber subscriber;
  EXPECT_EQ(GetParam().call(subscriber), GetParam().expected);
}

// Name 40 (model 7/12, revisions 2-4) is "VX-2000"; active company 2 calls it
// "TV-2000 EU", inactive company 4 "OS-2000".  Name 50 (model 8/20) has no
// base name, only company 2's.  Active companies: 1, 2, 3, 5, 21.
INSTANTIATE_TEST_SUITE_P(
    Demo, SubscriberReads,
    ::testing::Values(
        DbCase{"NameActiveSubstitute", {}, PanelName(40), "TV-2000 EU"},
        DbCase{"NameSubstituteInactive",
               {"UPDATE Companies SET Company_Active = 0 WHERE Company_ID = 2"},
               PanelName(40),
               "VX-2000"},
        DbCase{"NameOnlySubstitute", {}, PanelName(50), "TV-4100 EU"},
        DbCase{"NameNullBase", {"INSERT INTO panel_names(panel_name_id) VALUES (51)"}, PanelName(51), ""},
        DbCase{"Product", {}, ByProduct(12, 7), "VX-2000"},
        DbCase{"ProductNullName", {}, ByProduct(20, 8), ""},
        DbCase{"RevisionSettingAbsent", {}, ByRevision("3"), "VX-2000"},
        DbCase{"RevisionSettingUpperCase", {Mismatch("TORVANE")}, ByRevision("3"), "VX-2000"},
        DbCase{"RevisionSettingOther", {Mismatch("Zelm")}, ByRevision("3"), "TV-2000 EU"},
        DbCase{"RevisionCompany5Missing", {Listed("1,2")}, ByRevision("3"), "TV-2000 EU"},
        DbCase{"RevisionAllListed", {Listed("1,2,5")}, ByRevision("3"), "VX-2000"},
        DbCase{"RevisionInactiveCompany", {Mismatch("Zelm"), Listed("4")}, ByRevision("3"), "VX-2000"},
        DbCase{"RevisionNullBase", {}, ByRevision("1", 20, 8), "TV-4100 EU"},
        DbCase{"RevisionEmptyList", {Listed("")}, ByRevision("3"), "VX-2000"},
        DbCase{"RevisionEmptyListNullBase", {Listed("")}, ByRevision("1", 20, 8), ""},
        DbCase{"RevisionNotFound", {Mismatch("Zelm")}, ByRevision("9"), "VX-2000"},
        DbCase{"RevisionModelUnknown", {}, ByRevision("1", 99), ""},
        DbCase{"RevisionHostile", {}, ByRevision("3 OR 1=1"), ""},
        DbCase{"NameIdSettingAbsent", {}, ByNameId(40), "TV-2000 EU"},
        DbCase{"NameIdBaseFirst", {Mismatch("torVANE")}, ByNameId(40), "VX-2000"},
        DbCase{"NameIdCompanyMissing", {Mismatch("Torvane"), Listed("1,5")}, ByNameId(40), "TV-2000 EU"},
        DbCase{"NameIdEmptyList", {Mismatch("Torvane"), Listed("")}, ByNameId(40), "TV-2000 EU"},
        DbCase{"NameIdInactiveSubstitute", {}, ByNameId(61, 31, 9), "ZR-16"},
        DbCase{"NameIdWrongModel", {Mismatch("Torvane")}, ByNameId(40, 11), ""},
        DbCase{"Information", {}, Information(301), "TV-2000 EU|300"},
        DbCase{"InformationNoParent", {}, Information(310), "VX-1000|77"},
        DbCase{"InformationUnknown", {}, Information(9999), "old|77"},
        DbCase{"InformationNullName",
               {"INSERT INTO panel_type_revision(panel_type_rev_id) VALUES (500)"},
               Information(500),
               "|-1"},
        DbCase{"Revid", {}, ByRevid(301), "TV-2000 EU"}, DbCase{"RevidWithoutProduct", {}, ByRevid(360), ""},
        DbCase{"RevidWithoutFamily",
               {"UPDATE panel_names SET family_id = NULL WHERE panel_name_id = 10"},
               ByRevid(310),
               ""},
        DbCase{"RevidNameIdBeyond16Bits", {}, ByRevid(400), ""},
        DbCase{"RevidNoActiveCompany", {"UPDATE Companies SET Company_Active = 0"}, ByRevid(301), ""},
        DbCase{"Subscriber", {}, Subscriber(1), "Harlow|Mina|RG1|100001|555-0142"},
        DbCase{"SubscriberNulls", {}, Subscriber(3), "|Priya|RG2|100003|"},
        DbCase{"SubscriberWithoutPanel", {}, Subscriber(4), "Vance|Tomas|RG2|100004|"},
        DbCase{"Subscriber6", {}, Subscriber(2, true), "Okafor|Dele|RG1|100002|555-0177|TCP"},
        DbCase{"Subscriber6NullMode",
               {"INSERT INTO Subscriber VALUES (6, 'Ruiz', 'Ana', 'RG4', '6', 12)"},
               Subscriber(6, true),
               "Ruiz|Ana|RG4|6|555-0111|"},
        DbCase{"CommandNull", {}, Command(5), "0"}, DbCase{"Command", {}, Command(2), "102"}),
    [](const auto& info) { return std::string(info.param.name); });

// Whatever the text holds, it lands in panel 7 only.
class SubscriberUpdates : public SubscriberDatabase,
                          public ::testing::WithParamInterface<std::tuple<bool, const char*>> {};

TEST_P(SubscriberUpdates, ChangeOnlyThePanel) {
  const auto [phone, value] = GetParam();
  const std::string column = phone ? "panel_phone" : "LastConnectionMode";
  const std::string others =
      "SELECT group_concat(Panel_ID || '=' || ifnull(" + column + ", 'NULL')) FROM panel WHERE Panel_ID <> 7";
  const std::string before = db_.Value(others);
  clsSubscriber subscriber;
  Save(phone, value, 7)(subscriber);
  EXPECT_EQ(db_.Value("SELECT " + column + " FROM panel WHERE Panel_ID = 7"), value);
  EXPECT_EQ(db_.Value(others), before);
  EXPECT_EQ(db_.Value("SELECT count(*) FROM panel"), "5");
}

INSTANTIATE_TEST_SUITE_P(Texts, SubscriberUpdates,
                         ::testing::Combine(::testing::Bool(),
                                            ::testing::Values("555-0199", "O'Brien's", "x' WHERE 1=1 --",
                                                              "'; DROP TABLE panel; --")));

TEST_F(SubscriberDatabase, NoPanelIdAndBatchState) {
  const std::string phones = "SELECT group_concat(ifnull(panel_phone, 'NULL')) FROM panel";
  const std::string before = db_.Value(phones);
  clsSubscriber subscriber;
  subscriber.SavePanelPhoneNumber("555", 0);
  subscriber.UpdateTheStatus(12, 5);
  EXPECT_EQ(db_.Value(phones), before);
  EXPECT_EQ(db_.Value("SELECT group_concat(state) FROM unattended_batches"), "5,2");
}

// The command-line host through the COM face: outputs come back in args.
std::string Shell(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += (c == '\'') ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

TEST_F(SubscriberDatabase, HostCallsGiveOutputsInArgs) {
  if (!fs::exists("bin/keltrane")) GTEST_SKIP() << "bin/keltrane is not built";
  const auto run = [&](const Strings& args) {
    std::string cmd = "KELTRANE_REGISTRY=" + Shell(db_.path() + ".json") + " bin/keltrane --db " +
                      Shell(db_.path()) + " call Keltrane.clsSubscriber";
    for (const std::string& a : args) cmd += " " + Shell(a);
    FILE* pipe = popen(cmd.c_str(), "r");
    std::string out;
    char buf[4096];
    for (size_t n; (n = fread(buf, 1, sizeof buf, pipe)) > 0;) out.append(buf, n);
    EXPECT_EQ(WEXITSTATUS(pclose(pipe)), 0) << out;
    return nlohmann::json::parse(out, nullptr, false)["args"];
  };
  EXPECT_EQ(run({"GetPanelName", "40", "\"\""}), nlohmann::json::parse(R"([40, "TV-2000 EU"])"));
  EXPECT_EQ(run({"GetPanelInformation", "301", "\"\"", "0"}),
            nlohmann::json::parse(R"([301, "TV-2000 EU", 300])"));
}

}  // namespace
}  // namespace kt
