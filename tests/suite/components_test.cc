// The application, configuration, settings and company list components,
// created by class id through the object run time as the library does.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>
#include <utility>

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
  for (const IID* iid : {&IID_IDispatch, GetParam().iid}) {
    void* p = nullptr;
    ASSERT_EQ(unknown->QueryInterface(*iid, &p), S_OK);
    EXPECT_EQ(p, static_cast<void*>(unknown.get()));  // every interface is the same object
    static_cast<IUnknown*>(p)->Release();
  }
  void* p = reinterpret_cast<void*>(1);
  EXPECT_EQ(unknown->QueryInterface(IID_IClassFactory, &p), E_NOINTERFACE);
  EXPECT_EQ(p, nullptr);
  UINT count = 7;
  EXPECT_EQ(static_cast<IDispatch*>(unknown.get())->GetTypeInfoCount(&count), S_OK);
  EXPECT_EQ(count, 0u);
}

INSTANTIATE_TEST_SUITE_P(Classes, IdentityTest, ::testing::ValuesIn(kClasses),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- Application components ---------------------------------------------

using ApplicationTest = DemoDatabaseTest;

// The passed recordset is released and replaced: by an open one for rows,
// by none for an update (also when none was passed); a second component, on
// its own connection, reads the change.
TEST_F(ApplicationTest, PassedRecordsetIsReleasedAndReplaced) {
  Ref<IKtRecordset> passed = Create<IKtRecordset>(CLSID_KtRecordset, IID_IKtRecordset);
  for (auto [statement, count] :
       {std::pair{"SELECT * FROM Companies WHERE Company_Active = Yes", 5},
        std::pair{"UPDATE panel SET panel_phone = '555-0100' WHERE Panel_ID = 7", -1}}) {
    IKtRecordset* rs = passed.get();
    rs->AddRef();  // the component's reference, which it must drop
    ASSERT_EQ(OpenOn(Download().get(), statement, &rs), S_OK);
    EXPECT_EQ(passed->AddRef(), 2u);
    passed->Release();
    Ref<IKtRecordset> result(rs);
    EXPECT_EQ(result ? CountOf(rs) : -1, count) << statement;
  }
  ASSERT_EQ(
      OpenOn(Fixed().get(), "update unattended_batches set state=3 where Unattended_Batch_ID =12", nullptr),
      S_OK);
  EXPECT_EQ(FieldOf(Open("SELECT panel_phone FROM panel WHERE Panel_ID =7").get(), "PANEL_PHONE"),
            "BSTR:555-0100");
  EXPECT_EQ(
      FieldOf(Open("SELECT state FROM unattended_batches WHERE Unattended_Batch_ID = 12").get(), "state"),
      "I4:3");
}

// ExecuteStatement hands back a recordset: open for rows, closed otherwise.
TEST_F(ApplicationTest, ExecuteStatementReturnsRecordset) {
  for (const auto& [statement, open] :
       {std::pair{"UPDATE panel SET LastConnectionMode = 'TCP' WHERE Panel_ID = 7", 0},
        std::pair{"SELECT * FROM Subscriber", 1}}) {
    Ref<IUnknown> result;
    ASSERT_EQ(Download()->ExecuteStatement(Bstr(statement), result.put()), S_OK) << TakeError().description;
    Ref<IKtRecordset> rs;
    ASSERT_EQ(result->QueryInterface(IID_IKtRecordset, reinterpret_cast<void**>(rs.put())), S_OK);
    LONG state = -1;
    ASSERT_EQ(rs->get_State(&state), S_OK);
    EXPECT_EQ(state, open) << statement;
  }
}

// Failures carry the component's name, the backend's message, the database
// and the statement as translated.
TEST_F(ApplicationTest, FailuresReportMessageDatabaseAndTranslation) {
  struct Failure {
    const char *statement, *sqlite, *postgres;
  };
  const Failure failures[] = {
      {"SELECT * FROM nosuch", "no such table: nosuch", "relation \"nosuch\" does not exist"},
      {"SELECT FROM WHERE", "syntax error", "syntax error"},
      {"INSERT INTO Companies(Company_ID) VALUES (1)", "UNIQUE constraint failed", "duplicate key value"},
      {"SELECT nosuch FROM panel WHERE isnull(x)", "SELECT nosuch FROM panel WHERE (x IS NULL)",
       "SELECT nosuch FROM panel WHERE (x IS NULL)"},
  };
  for (const auto& [statement, sqlite, postgres] : failures) {
    const char* message = OnPostgres() ? postgres : sqlite;
    Ref<IKtRecordset> rs;
    EXPECT_TRUE(FAILED(OpenOn(Fixed().get(), statement, rs.put())));
    ErrorText e = TakeError();
    EXPECT_EQ(e.source, "KeltraneSuite.FixedApplication");
    EXPECT_NE(e.description.find(message), std::string::npos) << e.description;
    EXPECT_NE(e.description.find(db_path_), std::string::npos) << e.description;
    Ref<IUnknown> result;
    EXPECT_TRUE(FAILED(Download()->ExecuteStatement(Bstr(statement), result.put())));
    EXPECT_FALSE(result);
    e = TakeError();
    EXPECT_EQ(e.source, "KeltraneSuite.DownloadApplication");
    EXPECT_NE(e.description.find(message), std::string::npos) << e.description;
  }
  // The library hides most of these from its callers: the log keeps each.
  std::ifstream log(dir_ / "Keltrane.log");
  size_t logged = 0;
  for (std::string line; std::getline(log, line);)
    logged += line.find("\t1\tKeltraneSuite.") != std::string::npos && line.ends_with("\t-2147467259");
  EXPECT_EQ(logged, 2 * std::size(failures));
}

// A missing or corrupt file fails every statement with the database named,
// without crashing; the same component opens the missing one once created.
TEST_F(ApplicationTest, MissingOrCorruptDatabaseFailsUntilCreated) {
  KT_SQLITE_ONLY();
  const std::string corrupt = dir_ / "corrupt.db", missing = dir_ / "elsewhere/Suite.db";
  std::ofstream(corrupt, std::ios::binary) << std::string(8192, '\x7f');
  for (const auto& [setting, path, why] :
       {std::tuple{corrupt, corrupt, "not a database"}, std::tuple{"sqlite:" + missing, missing, ""}}) {
    SetHost("db", setting);
    Ref<IKtFixedApplication> app = Fixed();
    Ref<IKtRecordset> rs;
    for (int i = 0; i < 2; ++i) {
      EXPECT_TRUE(FAILED(OpenOn(app.get(), "SELECT * FROM panel", rs.put())));
      const ErrorText e = TakeError();
      EXPECT_EQ(e.source, "KeltraneSuite.FixedApplication");
      EXPECT_NE(e.description.find("cannot open database " + path), std::string::npos) << e.description;
      EXPECT_NE(e.description.find(why), std::string::npos) << e.description;
    }
    EXPECT_FALSE(std::filesystem::exists(missing));
    if (path != missing) continue;
    ASSERT_EQ(CreateSuiteDatabase(missing, true), "");
    ASSERT_EQ(OpenOn(app.get(), "SELECT * FROM panel", rs.put()), S_OK);
    EXPECT_EQ(CountOf(rs.get()), 5);
  }
}

// A host that names no database gets the one the environment names, and
// without that Storage/Suite.db beside the module folder (left empty here,
// so the two are told apart).
TEST_F(ApplicationTest, DatabaseFromEnvironmentThenBesideModuleFolder) {
  ClearHost("db");
  SetHost("module-dir", dir_ / "bin");
  setenv("KELTRANE_DB", db_path_.c_str(), 1);
  EXPECT_EQ(CountOf(Open("SELECT * FROM Companies").get()), 7);
  unsetenv("KELTRANE_DB");
  if (OnPostgres()) return;
  ASSERT_EQ(CreateSuiteDatabase(dir_ / "Storage/Suite.db", false), "");
  EXPECT_EQ(CountOf(Open("SELECT * FROM Companies").get()), 0);
}

// ---- Configuration services ----------------------------------------------

using ConfigTest = DemoDatabaseTest;

TEST_F(ConfigTest, ConfigServicesAndSettingsReadValues) {
  const char* const kSettings[][4] = {
      {"Protocol", "Protocols", "0", "2"},
      {"protocol", "PROTOCOL1", "", "/1/2/21/"},
      {"ProtocolSections", "2", "", "Protocol ZELM"},
      {"Protocol", "Protocol9", "none", "none"},
      {"NoSection", "Protocols", "dflt", "dflt"},
  };
  Ref<IKtConfigServices> cfg = Create<IKtConfigServices>(CLSID_KtConfigServices, IID_IKtConfigServices);
  Ref<IKtSettings> settings = Create<IKtSettings>(CLSID_KtSettings, IID_IKtSettings);
  for (const auto& [section, key, default_value, expected] : kSettings) {
    BSTR out = nullptr;
    ASSERT_EQ(cfg->ReadConfigValue(Bstr(section), Bstr(key), Bstr(default_value), &out), S_OK);
    EXPECT_EQ(Take(out), expected) << section << "/" << key;
    ASSERT_EQ(settings->ReadSetting(Bstr(section), Bstr(key), Bstr(default_value), &out), S_OK);
    EXPECT_EQ(Take(out), expected) << section << "/" << key;
  }
}

// Number -> number lookups; 0 when the key is not there.
TEST_F(ConfigTest, NumberLookups) {
  using P = std::pair<LONG, LONG>;
  using T = std::tuple<LONG, LONG, LONG>;
  Ref<IKtConfigServices> cfg = Create<IKtConfigServices>(CLSID_KtConfigServices, IID_IKtConfigServices);
  for (auto [company, expected] : {P{1, 1}, P{21, 5}, P{4, 3}, P{99, 0}}) {
    LONG key = company;
    SHORT value = -9;
    ASSERT_EQ(cfg->GetCompanyClassValue(&key, &value), S_OK);
    EXPECT_EQ(value, expected) << "class of " << company;
  }
  for (auto [company, expected] : {P{2, 1}, P{21, 1}, P{6, 3}, P{1, 0}, P{99, 0}}) {
    LONG key = company, mapped = -9;
    ASSERT_EQ(cfg->GetMappedCompany(&key, &mapped), S_OK);
    EXPECT_EQ(mapped, expected) << "mapping of " << company;
  }
  for (auto [name, expected] : {P{40, -1}, P{10, 0}, P{99, 0}}) {
    LONG key = name;
    SHORT flag = -9;
    ASSERT_EQ(cfg->GetPanelNameFlag(&key, &flag), S_OK);
    EXPECT_EQ(flag, expected) << "flag of " << name;
  }
  for (auto [rev, name, company] : {T{300, 40, 1}, T{321, 50, 2}, T{400, 40000, 1}, T{999, 0, 0}}) {
    LONG key = rev, got_name = -9, got_company = -9;
    ASSERT_EQ(cfg->GetRevisionCompany(&key, &got_name, &got_company), S_OK);
    EXPECT_EQ(P(got_name, got_company), P(name, company)) << "revision " << rev;
  }
}

// The revision comes back through a long or a variant reference.
TEST_F(ConfigTest, AccountPanel) {
  Ref<IKtConfigServices> cfg = Create<IKtConfigServices>(CLSID_KtConfigServices, IID_IKtConfigServices);
  using T = std::tuple<LONG, LONG, LONG>;
  for (auto [account, panel, revision] :
       {T{1, 7, 300}, T{5, 11, 400}, T{3, 9, 340}, T{4, 0, 0}, T{99, 0, 0}}) {
    LONG key = account, got_panel = -9, got_revision = -9;
    VARIANT target, ref;
    VariantInit(&target);
    ref.vt = VT_BYREF | VT_I4;
    ref.plVal = &got_revision;
    ASSERT_EQ(cfg->GetAccountPanel(&key, &ref, &got_panel), S_OK);
    EXPECT_EQ(got_panel, panel) << account;
    EXPECT_EQ(got_revision, revision) << account;
    ref.vt = VT_BYREF | VT_VARIANT;
    ref.pvarVal = &target;
    ASSERT_EQ(cfg->GetAccountPanel(&key, &ref, &got_panel), S_OK);
    EXPECT_EQ(target.vt, VT_I4);
    EXPECT_EQ(target.lVal, revision) << account;
  }
}

TEST_F(ConfigTest, MessageAndProtocolTexts) {
  Ref<IKtConfigServices> cfg = Create<IKtConfigServices>(CLSID_KtConfigServices, IID_IKtConfigServices);
  using P = std::pair<LONG, const char*>;
  for (auto [number, expected] :
       {P{1323, "Option names cannot contain spaces. Please check the command line."}, P{4242, ""}}) {
    BSTR text = nullptr;
    ASSERT_EQ(cfg->GetMessageText(&number, &text), S_OK);
    EXPECT_EQ(Take(text), expected);
  }
  for (auto [protocol, expected] : {P{1, "Protocol TORVANE"}, P{2, "Protocol ZELM"}, P{3, ""}}) {
    Bstr scratch("kept");
    BSTR section = nullptr;
    ASSERT_EQ(cfg->GetProtocolSection(protocol, scratch.out(), &section), S_OK);
    EXPECT_EQ(Take(section), expected) << protocol;
    EXPECT_EQ(Take(SysAllocString(*scratch.out())), "kept");
  }
  // A lookup on a missing table fails with error info.
  Ref<IKtRecordset> rs;
  ASSERT_EQ(OpenOn(Fixed().get(), "DROP TABLE suite_messages", rs.put()), S_OK);
  LONG number = 1323;
  BSTR text = nullptr;
  EXPECT_EQ(cfg->GetMessageText(&number, &text), E_FAIL);
  const ErrorText e = TakeError();
  EXPECT_EQ(e.source, "KeltraneSuite.ConfigServices");
  EXPECT_NE(e.description.find(OnPostgres() ? "relation \"suite_messages\" does not exist"
                                            : "no such table: suite_messages"),
            std::string::npos)
      << e.description;
}

// ---- Company list --------------------------------------------------------

TEST_F(ConfigTest, CompanyListFromActiveCompaniesOrSetting) {
  Ref<IKtCompanyList> list = Create<IKtCompanyList>(CLSID_KtCompanyList, IID_IKtCompanyList);
  BSTR text = nullptr;
  ASSERT_EQ(list->GetCompanyList(&text), S_OK);
  EXPECT_EQ(Take(text), "1,2,3,5,21");
  Ref<IUnknown> result;
  ASSERT_EQ(
      Download()->ExecuteStatement(
          Bstr("INSERT INTO suite_settings(Section, Key, Value) VALUES ('general', 'COMPANIES', '1, 21')"),
          result.put()),
      S_OK);
  ASSERT_EQ(list->GetCompanyList(&text), S_OK);
  EXPECT_EQ(Take(text), "1, 21");
}

TEST(CompanyList, IsCompanyInList) {
  const std::tuple<SHORT, const char*, bool> kCases[] = {
      {2, "1,2,5", true},  {2, " 1 , 2 ,5 ", true}, {5, "5", true},     {12, "1,2,5", false},
      {1, "11,21", false}, {5, "", false},          {3, "1,x,3", true}, {0, "1,,2", false},
      {-1, "-1", true},    {21, "2 1", false},
  };
  Ref<IKtCompanyList> list = Create<IKtCompanyList>(CLSID_KtCompanyList, IID_IKtCompanyList);
  for (auto [company, text, listed] : kCases) {
    Bstr list_text(text);
    VARIANT_BOOL got = 7;
    ASSERT_EQ(list->IsCompanyInList(&company, list_text.out(), &got), S_OK);
    EXPECT_EQ(got, listed ? VARIANT_TRUE : VARIANT_FALSE) << company << " in '" << text << "'";
  }
}

}  // namespace
}  // namespace kt::suite::testing
