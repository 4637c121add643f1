// The application, configuration, settings and company list components,
// created by class id through the object run time as the library does.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "suite_test_util.h"

namespace kt::suite::testing {
namespace {

// ---- Identity -------------------------------------------------------------

struct ClassCase {
  const char* name;
  const CLSID* clsid;
  const IID* iid;
};
const ClassCase kClasses[] = {
    {"DownloadApplication", &CLSID_KtDownloadApplication, &IID_IKtDownloadApplication},
    {"FixedApplication", &CLSID_KtFixedApplication, &IID_IKtFixedApplication},
    {"ConfigServices", &CLSID_KtConfigServices, &IID_IKtConfigServices},
    {"Settings", &CLSID_KtSettings, &IID_IKtSettings},
    {"CompanyList", &CLSID_KtCompanyList, &IID_IKtCompanyList},
    {"Logger", &CLSID_KtLogger, &IID_IKtLogger},
    {"Recordset", &CLSID_KtRecordset, &IID_IKtRecordset},
};

class IdentityTest : public ::testing::TestWithParam<ClassCase> {};

TEST_P(IdentityTest, AnswersItsInterfacesOnly) {
  Ref<IUnknown> unknown = Create<IUnknown>(*GetParam().clsid, IID_IUnknown);
  ASSERT_TRUE(unknown);
  for (const IID* iid : {&IID_IUnknown, &IID_IDispatch, GetParam().iid}) {
    void* p = nullptr;
    ASSERT_EQ(unknown->QueryInterface(*iid, &p), S_OK);
    // Every interface is the same object.
    EXPECT_EQ(p, static_cast<void*>(unknown.get()));
    static_cast<IUnknown*>(p)->Release();
  }
  void* p = reinterpret_cast<void*>(1);
  EXPECT_EQ(unknown->QueryInterface(IID_IClassFactory, &p), E_NOINTERFACE);
  EXPECT_EQ(p, nullptr);
  Ref<IDispatch> dispatch = Create<IDispatch>(*GetParam().clsid, IID_IDispatch);
  UINT count = 7;
  EXPECT_EQ(dispatch->GetTypeInfoCount(&count), S_OK);
  EXPECT_EQ(count, 0u);
}

INSTANTIATE_TEST_SUITE_P(Classes, IdentityTest, ::testing::ValuesIn(kClasses),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- Application components ---------------------------------------------

class ApplicationTest : public DemoDatabaseTest {
 protected:
  // OpenRecordset with the library's trailing arguments.
  template <class App>
  static HRESULT OpenOn(App* app, const std::string& statement, IKtRecordset** rs) {
    VARIANT a, b;
    VariantInit(&a);
    VariantInit(&b);
    a.vt = b.vt = VT_NULL;
    return app->OpenRecordset(Bstr(statement), rs, -1, &a, &b);
  }
  static LONG CountOf(IKtRecordset* rs) {
    LONG n = -1;
    EXPECT_EQ(rs->get_RecordCount(&n), S_OK);
    return n;
  }
};

TEST_F(ApplicationTest, PassedRecordsetIsReleasedAndReplaced) {
  Ref<IKtFixedApplication> app =
      Create<IKtFixedApplication>(CLSID_KtFixedApplication, IID_IKtFixedApplication);
  IKtRecordset* passed = nullptr;
  ASSERT_EQ(CoCreateInstance(CLSID_KtRecordset, nullptr, CLSCTX_INPROC_SERVER, IID_IKtRecordset,
                             reinterpret_cast<void**>(&passed)),
            S_OK);
  passed->AddRef();  // our own reference, to watch the component drop its one
  IKtRecordset* rs = passed;
  ASSERT_EQ(OpenOn(app.get(), "SELECT * FROM Companies WHERE Company_Active = Yes", &rs), S_OK);
  ASSERT_NE(rs, nullptr);
  EXPECT_NE(rs, passed);
  EXPECT_EQ(passed->Release(), 0u);
  Ref<IKtRecordset> result(rs);
  LONG state = 0;
  ASSERT_EQ(result->get_State(&state), S_OK);
  EXPECT_EQ(state, 1);
  EXPECT_EQ(CountOf(result.get()), 5);
}

TEST_F(ApplicationTest, SelectWithoutRowsGivesEmptyOpenRecordset) {
  Ref<IKtFixedApplication> app =
      Create<IKtFixedApplication>(CLSID_KtFixedApplication, IID_IKtFixedApplication);
  Ref<IKtRecordset> rs;
  ASSERT_EQ(OpenOn(app.get(), "SELECT * FROM panel WHERE Panel_ID = 999", rs.put()), S_OK);
  ASSERT_TRUE(rs);
  EXPECT_EQ(CountOf(rs.get()), 0);
  VARIANT_BOOL eof = VARIANT_FALSE;
  ASSERT_EQ(rs->get_EOF(&eof), S_OK);
  EXPECT_EQ(eof, VARIANT_TRUE);
}

TEST_F(ApplicationTest, UpdateGivesNoRecordsetAndIsSeenByOthers) {
  Ref<IKtDownloadApplication> app =
      Create<IKtDownloadApplication>(CLSID_KtDownloadApplication, IID_IKtDownloadApplication);
  Ref<IKtRecordset> rs = Create<IKtRecordset>(CLSID_KtRecordset, IID_IKtRecordset);
  IKtRecordset* raw = rs.get();
  raw->AddRef();
  ASSERT_EQ(OpenOn(app.get(), "UPDATE panel SET panel_phone = '555-0100' WHERE Panel_ID = 7", &raw), S_OK);
  EXPECT_EQ(raw, nullptr);
  // A second component (its own connection) reads the change.
  Ref<IKtFixedApplication> reader =
      Create<IKtFixedApplication>(CLSID_KtFixedApplication, IID_IKtFixedApplication);
  Ref<IKtRecordset> check;
  ASSERT_EQ(OpenOn(reader.get(), "SELECT panel_phone FROM panel WHERE Panel_ID =7", check.put()), S_OK);
  VARIANT v;
  VariantInit(&v);
  ASSERT_EQ(check->get_Field(Bstr("PANEL_PHONE"), &v), S_OK);
  ASSERT_EQ(v.vt, VT_BSTR);
  EXPECT_EQ(Take(v.bstrVal), "555-0100");
}

TEST_F(ApplicationTest, NullRecordsetArgumentStillRunsTheStatement) {
  Ref<IKtDownloadApplication> app =
      Create<IKtDownloadApplication>(CLSID_KtDownloadApplication, IID_IKtDownloadApplication);
  ASSERT_EQ(OpenOn(app.get(), "update unattended_batches set state=3 where Unattended_Batch_ID =12", nullptr),
            S_OK);
  Ref<IKtRecordset> rs;
  ASSERT_EQ(
      OpenOn(app.get(), "SELECT state FROM unattended_batches WHERE Unattended_Batch_ID = 12", rs.put()),
      S_OK);
  VARIANT v;
  VariantInit(&v);
  ASSERT_EQ(rs->get_Field(Bstr("state"), &v), S_OK);
  EXPECT_EQ(v.lVal, 3);
}

// ExecuteStatement hands back a recordset: open for rows, closed otherwise.
struct ExecuteCase {
  const char* statement;
  LONG state;
};
class ExecuteTest : public ApplicationTest, public ::testing::WithParamInterface<ExecuteCase> {};

TEST_P(ExecuteTest, ReturnsRecordset) {
  Ref<IKtDownloadApplication> app =
      Create<IKtDownloadApplication>(CLSID_KtDownloadApplication, IID_IKtDownloadApplication);
  Ref<IUnknown> result;
  ASSERT_EQ(app->ExecuteStatement(Bstr(GetParam().statement), result.put()), S_OK) << TakeError().description;
  ASSERT_TRUE(result);
  Ref<IKtRecordset> rs;
  ASSERT_EQ(result->QueryInterface(IID_IKtRecordset, reinterpret_cast<void**>(rs.put())), S_OK);
  LONG state = -1;
  ASSERT_EQ(rs->get_State(&state), S_OK);
  EXPECT_EQ(state, GetParam().state);
}

INSTANTIATE_TEST_SUITE_P(
    Statements, ExecuteTest,
    ::testing::Values(ExecuteCase{"UPDATE panel SET LastConnectionMode = 'TCP' WHERE Panel_ID = 7", 0},
                      ExecuteCase{"DELETE FROM panel_command_data WHERE Command_ID IS NULL", 0},
                      ExecuteCase{"SELECT * FROM Subscriber", 1}));

// Failures carry the component's name, SQLite's message, the database and the
// statement as translated.
struct FailureCase {
  const char* name;
  const char* statement;
  const char* message;
};
const FailureCase kFailures[] = {
    {"NoSuchTable", "SELECT * FROM nosuch", "no such table: nosuch"},
    {"NoSuchColumn", "SELECT nosuch FROM panel WHERE x = True", "no such column: nosuch"},
    {"Syntax", "SELECT FROM WHERE", "syntax error"},
    {"Constraint", "INSERT INTO Companies(Company_ID) VALUES (1)", "UNIQUE constraint failed"},
};

class FailureTest : public ApplicationTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(FailureTest, FixedApplicationReports) {
  Ref<IKtFixedApplication> app =
      Create<IKtFixedApplication>(CLSID_KtFixedApplication, IID_IKtFixedApplication);
  Ref<IKtRecordset> rs;
  EXPECT_TRUE(FAILED(OpenOn(app.get(), GetParam().statement, rs.put())));
  const ErrorText e = TakeError();
  EXPECT_EQ(e.source, "KeltraneSuite.FixedApplication");
  EXPECT_NE(e.description.find(GetParam().message), std::string::npos) << e.description;
  EXPECT_NE(e.description.find(db_path_), std::string::npos) << e.description;
}

TEST_P(FailureTest, DownloadApplicationReports) {
  Ref<IKtDownloadApplication> app =
      Create<IKtDownloadApplication>(CLSID_KtDownloadApplication, IID_IKtDownloadApplication);
  Ref<IUnknown> result;
  EXPECT_TRUE(FAILED(app->ExecuteStatement(Bstr(GetParam().statement), result.put())));
  EXPECT_FALSE(result);
  const ErrorText e = TakeError();
  EXPECT_EQ(e.source, "KeltraneSuite.DownloadApplication");
  EXPECT_NE(e.description.find(GetParam().message), std::string::npos) << e.description;
}

INSTANTIATE_TEST_SUITE_P(Statements, FailureTest, ::testing::ValuesIn(kFailures),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ApplicationTest, TranslatedStatementAppearsInFailure) {
  Ref<IKtFixedApplication> app =
      Create<IKtFixedApplication>(CLSID_KtFixedApplication, IID_IKtFixedApplication);
  Ref<IKtRecordset> rs;
  EXPECT_TRUE(FAILED(OpenOn(app.get(), "SELECT nosuch FROM panel WHERE isnull(x)", rs.put())));
  EXPECT_NE(TakeError().description.find("SELECT nosuch FROM panel WHERE (x IS NULL)"), std::string::npos);
}

TEST_F(ApplicationTest, MissingDatabaseFailsThenOpensWhenCreated) {
  const std::string missing = dir_ / "elsewhere/Suite.db";
  SetHost("db", "sqlite:" + missing);
  Ref<IKtFixedApplication> app =
      Create<IKtFixedApplication>(CLSID_KtFixedApplication, IID_IKtFixedApplication);
  Ref<IKtRecordset> rs;
  EXPECT_TRUE(FAILED(OpenOn(app.get(), "SELECT * FROM panel", rs.put())));
  const ErrorText e = TakeError();
  EXPECT_EQ(e.source, "KeltraneSuite.FixedApplication");
  EXPECT_NE(e.description.find("cannot open database " + missing), std::string::npos) << e.description;
  EXPECT_FALSE(std::filesystem::exists(missing));
  // The same component retries on its next statement.
  ASSERT_EQ(CreateSuiteDatabase(missing, true), "");
  ASSERT_EQ(OpenOn(app.get(), "SELECT * FROM panel", rs.put()), S_OK);
  EXPECT_EQ(CountOf(rs.get()), 5);
}

TEST_F(ApplicationTest, CorruptDatabaseFailsWithoutCrashing) {
  const std::string corrupt = dir_ / "corrupt.db";
  std::ofstream(corrupt, std::ios::binary) << std::string(8192, '\x7f');
  SetHost("db", corrupt);
  Ref<IKtDownloadApplication> app =
      Create<IKtDownloadApplication>(CLSID_KtDownloadApplication, IID_IKtDownloadApplication);
  for (int i = 0; i < 2; ++i) {
    Ref<IUnknown> result;
    EXPECT_TRUE(FAILED(app->ExecuteStatement(Bstr("SELECT * FROM panel"), result.put())));
    const ErrorText e = TakeError();
    EXPECT_NE(e.description.find("cannot open database " + corrupt), std::string::npos) << e.description;
    EXPECT_NE(e.description.find("not a database"), std::string::npos) << e.description;
  }
}

// Without the "db" setting the database is Storage/Suite.db beside the
// module folder.
TEST_F(ApplicationTest, DefaultDatabaseBesideModuleFolder) {
  ClearHost("db");
  std::filesystem::create_directories(dir_.path() / "bin");
  SetHost("module-dir", dir_ / "bin");
  const std::string path = dir_ / "Storage/Suite.db";
  ASSERT_EQ(CreateSuiteDatabase(path, true), "");
  Ref<IKtFixedApplication> app =
      Create<IKtFixedApplication>(CLSID_KtFixedApplication, IID_IKtFixedApplication);
  Ref<IKtRecordset> rs;
  ASSERT_EQ(OpenOn(app.get(), "SELECT * FROM Companies", rs.put()), S_OK) << TakeError().description;
  EXPECT_EQ(CountOf(rs.get()), 7);
}

// ---- Configuration services ----------------------------------------------

struct SettingCase {
  const char* section;
  const char* key;
  const char* default_value;
  const char* expected;
};
const SettingCase kSettings[] = {
    {"Protocol", "Protocols", "0", "2"},
    {"protocol", "PROTOCOL1", "", "/1/2/21/"},
    {"CommandGroups", "CommandType3", "", "/301/302/303/"},
    {"ProtocolSections", "2", "", "Protocol ZELM"},
    {"Protocol", "Protocol9", "none", "none"},
    {"NoSection", "Protocols", "dflt", "dflt"},
    {"General", "Company_name_mismatch", "N", "N"},
};

class SettingTest : public DemoDatabaseTest, public ::testing::WithParamInterface<SettingCase> {};

TEST_P(SettingTest, ConfigServicesReadConfigValue) {
  const SettingCase& c = GetParam();
  Ref<IKtConfigServices> cfg = Create<IKtConfigServices>(CLSID_KtConfigServices, IID_IKtConfigServices);
  BSTR out = nullptr;
  ASSERT_EQ(cfg->ReadConfigValue(Bstr(c.section), Bstr(c.key), Bstr(c.default_value), &out), S_OK);
  EXPECT_EQ(Take(out), c.expected);
}

TEST_P(SettingTest, SettingsReadSetting) {
  const SettingCase& c = GetParam();
  Ref<IKtSettings> settings = Create<IKtSettings>(CLSID_KtSettings, IID_IKtSettings);
  BSTR out = nullptr;
  ASSERT_EQ(settings->ReadSetting(Bstr(c.section), Bstr(c.key), Bstr(c.default_value), &out), S_OK);
  EXPECT_EQ(Take(out), c.expected);
}

INSTANTIATE_TEST_SUITE_P(DemoSettings, SettingTest, ::testing::ValuesIn(kSettings));

class ConfigTest : public DemoDatabaseTest {
 protected:
  void SetUp() override {
    DemoDatabaseTest::SetUp();
    cfg_ = Create<IKtConfigServices>(CLSID_KtConfigServices, IID_IKtConfigServices);
  }
  Ref<IKtConfigServices> cfg_;
};

// Number -> number lookups; 0 when the key is not there.
struct NumberCase {
  const char* name;
  LONG key;
  LONG expected;
};
class CompanyClassTest : public ConfigTest, public ::testing::WithParamInterface<NumberCase> {};
TEST_P(CompanyClassTest, ClassValue) {
  LONG company = GetParam().key;
  SHORT value = -9;
  ASSERT_EQ(cfg_->GetCompanyClassValue(&company, &value), S_OK);
  EXPECT_EQ(value, GetParam().expected);
}
INSTANTIATE_TEST_SUITE_P(Demo, CompanyClassTest,
                         ::testing::Values(NumberCase{"Torvane", 1, 1}, NumberCase{"TorvaneFire", 21, 5},
                                           NumberCase{"Ostrel", 4, 3}, NumberCase{"None", 99, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

class MappedCompanyTest : public ConfigTest, public ::testing::WithParamInterface<NumberCase> {};
TEST_P(MappedCompanyTest, Mapped) {
  LONG company = GetParam().key, mapped = -9;
  ASSERT_EQ(cfg_->GetMappedCompany(&company, &mapped), S_OK);
  EXPECT_EQ(mapped, GetParam().expected);
}
INSTANTIATE_TEST_SUITE_P(Demo, MappedCompanyTest,
                         ::testing::Values(NumberCase{"Europe", 2, 1}, NumberCase{"Fire", 21, 1},
                                           NumberCase{"ZelmPro", 6, 3}, NumberCase{"Unmapped", 1, 0},
                                           NumberCase{"None", 99, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

class PanelNameFlagTest : public ConfigTest, public ::testing::WithParamInterface<NumberCase> {};
TEST_P(PanelNameFlagTest, Flag) {
  LONG name = GetParam().key;
  SHORT flag = -9;
  ASSERT_EQ(cfg_->GetPanelNameFlag(&name, &flag), S_OK);
  EXPECT_EQ(flag, GetParam().expected);
}
INSTANTIATE_TEST_SUITE_P(Demo, PanelNameFlagTest,
                         ::testing::Values(NumberCase{"Set", 40, -1}, NumberCase{"Clear", 10, 0},
                                           NumberCase{"None", 99, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

struct PairCase {
  const char* name;
  LONG key;
  LONG first, second;
};

class AccountPanelTest : public ConfigTest, public ::testing::WithParamInterface<PairCase> {};
TEST_P(AccountPanelTest, ThroughLongReference) {
  LONG account = GetParam().key, panel = -9, revision = -9;
  VARIANT ref;
  VariantInit(&ref);
  ref.vt = VT_BYREF | VT_I4;
  ref.plVal = &revision;
  ASSERT_EQ(cfg_->GetAccountPanel(&account, &ref, &panel), S_OK);
  EXPECT_EQ(panel, GetParam().first);
  EXPECT_EQ(revision, GetParam().second);
}
TEST_P(AccountPanelTest, ThroughVariantReference) {
  LONG account = GetParam().key, panel = -9;
  VARIANT target, ref;
  VariantInit(&target);
  VariantInit(&ref);
  ref.vt = VT_BYREF | VT_VARIANT;
  ref.pvarVal = &target;
  ASSERT_EQ(cfg_->GetAccountPanel(&account, &ref, &panel), S_OK);
  EXPECT_EQ(target.vt, VT_I4);
  EXPECT_EQ(target.lVal, GetParam().second);
}
INSTANTIATE_TEST_SUITE_P(Demo, AccountPanelTest,
                         ::testing::Values(PairCase{"Account1", 1, 7, 300}, PairCase{"Account5", 5, 11, 400},
                                           PairCase{"NullPhonePanel", 3, 9, 340},
                                           PairCase{"NullPanel", 4, 0, 0}, PairCase{"None", 99, 0, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

class RevisionCompanyTest : public ConfigTest, public ::testing::WithParamInterface<PairCase> {};
TEST_P(RevisionCompanyTest, NameAndCompany) {
  LONG revision = GetParam().key, name = -9, company = -9;
  ASSERT_EQ(cfg_->GetRevisionCompany(&revision, &name, &company), S_OK);
  EXPECT_EQ(name, GetParam().first);
  EXPECT_EQ(company, GetParam().second);
}
INSTANTIATE_TEST_SUITE_P(Demo, RevisionCompanyTest,
                         ::testing::Values(PairCase{"Rev300", 300, 40, 1}, PairCase{"Rev321", 321, 50, 2},
                                           PairCase{"NameAbove16Bits", 400, 40000, 1},
                                           PairCase{"None", 999, 0, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ConfigTest, MessageAndProtocolTexts) {
  LONG number = 1323;
  BSTR text = nullptr;
  ASSERT_EQ(cfg_->GetMessageText(&number, &text), S_OK);
  EXPECT_EQ(Take(text), "Option names cannot contain spaces. Please check the command line.");
  number = 4242;
  ASSERT_EQ(cfg_->GetMessageText(&number, &text), S_OK);
  EXPECT_EQ(Take(text), "");
  const std::pair<LONG, const char*> sections[] = {{1, "Protocol TORVANE"}, {2, "Protocol ZELM"}, {3, ""}};
  for (const auto& [protocol, expected] : sections) {
    Bstr scratch("kept");
    BSTR section = nullptr;
    ASSERT_EQ(cfg_->GetProtocolSection(protocol, scratch.out(), &section), S_OK);
    EXPECT_EQ(Take(section), expected) << protocol;
    EXPECT_EQ(Take(SysAllocString(*scratch.out())), "kept");
  }
}

TEST_F(ConfigTest, LookupOnMissingTableFailsWithErrorInfo) {
  Ref<IKtFixedApplication> app =
      Create<IKtFixedApplication>(CLSID_KtFixedApplication, IID_IKtFixedApplication);
  Ref<IKtRecordset> rs;
  VARIANT a, b;
  VariantInit(&a);
  VariantInit(&b);
  ASSERT_EQ(app->OpenRecordset(Bstr("DROP TABLE suite_messages"), rs.put(), -1, &a, &b), S_OK);
  LONG number = 1323;
  BSTR text = nullptr;
  EXPECT_EQ(cfg_->GetMessageText(&number, &text), E_FAIL);
  const ErrorText e = TakeError();
  EXPECT_EQ(e.source, "KeltraneSuite.ConfigServices");
  EXPECT_NE(e.description.find("no such table: suite_messages"), std::string::npos) << e.description;
}

// ---- Company list --------------------------------------------------------

TEST_F(ConfigTest, CompanyListFromActiveCompaniesOrSetting) {
  Ref<IKtCompanyList> list = Create<IKtCompanyList>(CLSID_KtCompanyList, IID_IKtCompanyList);
  BSTR text = nullptr;
  ASSERT_EQ(list->GetCompanyList(&text), S_OK);
  EXPECT_EQ(Take(text), "1,2,3,5,21");
  Ref<IKtDownloadApplication> app =
      Create<IKtDownloadApplication>(CLSID_KtDownloadApplication, IID_IKtDownloadApplication);
  Ref<IUnknown> result;
  ASSERT_EQ(
      app->ExecuteStatement(
          Bstr("INSERT INTO suite_settings(Section, Key, Value) VALUES ('general', 'COMPANIES', '1, 21')"),
          result.put()),
      S_OK);
  ASSERT_EQ(list->GetCompanyList(&text), S_OK);
  EXPECT_EQ(Take(text), "1, 21");
}

struct ListedCase {
  SHORT company;
  const char* list;
  bool listed;
};
class IsCompanyInListTest : public ::testing::TestWithParam<ListedCase> {};
TEST_P(IsCompanyInListTest, Membership) {
  Ref<IKtCompanyList> list = Create<IKtCompanyList>(CLSID_KtCompanyList, IID_IKtCompanyList);
  SHORT company = GetParam().company;
  Bstr text(GetParam().list);
  VARIANT_BOOL listed = 7;
  ASSERT_EQ(list->IsCompanyInList(&company, text.out(), &listed), S_OK);
  EXPECT_EQ(listed, GetParam().listed ? VARIANT_TRUE : VARIANT_FALSE);
}
INSTANTIATE_TEST_SUITE_P(Lists, IsCompanyInListTest,
                         ::testing::Values(ListedCase{2, "1,2,5", true}, ListedCase{2, " 1 , 2 ,5 ", true},
                                           ListedCase{5, "5", true}, ListedCase{12, "1,2,5", false},
                                           ListedCase{1, "11,21", false}, ListedCase{2, "12", false},
                                           ListedCase{5, "", false}, ListedCase{3, "1,x,3", true},
                                           ListedCase{0, "1,,2", false}, ListedCase{-1, "-1", true},
                                           ListedCase{21, "2 1", false}));

}  // namespace
}  // namespace kt::suite::testing
