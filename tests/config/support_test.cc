// clsINIData: protocol support of an account's panel ("#id#" lists of
// Vizaride32.ini) and the TCP/IP setting of a panel revision.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "config/clsINIData.h"
#include "frame/error.h"
#include "profile/profile_file.h"
#include "support/fake_env.h"

namespace kt {
namespace {

namespace fs = std::filesystem;
using test::FakeEnv;
using test::FakeRecordset;
using test::Row;
using test::Rows;

// Account 7 -> revision 300 -> panel name 5; account 8 -> revision 400 ->
// panel name 0.  Calls are counted; fail makes the first one raise.
struct ChainConfig : ConfigServices {
  std::vector<std::string>* calls;
  bool fail = false;
  explicit ChainConfig(std::vector<std::string>* c) : calls(c) {}
  void Note(const std::string& what) {
    calls->push_back(what);
    if (fail) Raise(-2147467259, "FakeConfig", "call failed");
  }
  std::string ReadConfigValue(const std::string&, const std::string&, const std::string& d) override {
    return d;
  }
  std::string GetMessageText(int32_t&) override { return {}; }
  int16_t GetCompanyClassValue(int32_t&) override { return 0; }
  int32_t GetAccountPanel(int32_t& account, int32_t& rev) override {
    Note("GetAccountPanel");
    rev = account == 7 ? 300 : account == 8 ? 400 : 0;
    return 1;
  }
  int32_t GetRevisionCompany(int32_t& rev, int32_t& name) override {
    Note("GetRevisionCompany");
    name = rev == 300 ? 5 : 0;
    return 2;
  }
  int32_t GetMappedCompany(int32_t&) override { return 0; }
  int16_t GetPanelNameFlag(int32_t&) override { return 0; }
  std::string GetProtocolSection(int32_t, std::string&) override { return {}; }
};

// Profile reads go to the real files and are recorded ("section/key").
struct ReadingEnv : FakeEnv {
  std::vector<std::string> reads;
  size_t GetProfileString(const std::string& s, const std::string& k, const std::string& d,
                          std::string& buffer, size_t size, const std::string& file) override {
    reads.push_back(s + "/" + k);
    return profile::GetPrivateProfileString(s, k, d, buffer, size, file);
  }
  // Recordsets of the TCP/IP lookup report their closes and whether they
  // were left open.
  struct Counted : FakeRecordset {
    Counted(Rows rows, int32_t count, ReadingEnv& e) : FakeRecordset(std::move(rows), count), env(e) {}
    ~Counted() override {
      env.closes += closes;
      env.left_open += State();
    }
    ReadingEnv& env;
  };
  struct CountingApp : FixedApplication {
    explicit CountingApp(ReadingEnv& e) : env(e) {}
    RecordsetPtr OpenRecordset(const std::string& statement, RecordsetPtr) override {
      RecordsetPtr plain = env.Open(statement);  // records, fails, or answers no recordset
      if (plain == nullptr) return nullptr;
      return std::make_unique<Counted>(env.results[statement], env.reported_count, env);
    }
    ReadingEnv& env;
  };
  std::unique_ptr<FixedApplication> CreateFixedApplication() override {
    if (fail_fixed) FailCreate("fixed application");
    return std::make_unique<CountingApp>(*this);
  }
  int32_t reported_count = -2;
  int closes = 0;
  int left_open = 0;
};

class SupportTest : public ::testing::Test {
 protected:
  SupportTest() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "-" + info->name();
    for (char& c : name)
      if (c == '/') c = '_';
    dir_ = fs::temp_directory_path() / ("kt-support-" + std::to_string(getpid()) + "-" + name);
    fs::create_directories(dir_ / "Bin");
    fs::create_directories(dir_ / "Storage");
    env_.module_dir = (dir_ / "Bin").string();
    env_.config_factory = [this] {
      auto c = std::make_unique<ChainConfig>(&calls_);
      config_ = c.get();
      return c;
    };
  }
  ~SupportTest() override { fs::remove_all(dir_); }

  clsINIData& Ini(const std::string& ini_text) {
    std::ofstream(dir_ / "Storage" / "Vizaride32.ini") << ini_text;
    ini_ = std::make_unique<clsINIData>(env_);
    env_.reads.clear();
    return *ini_;
  }

  fs::path dir_;
  ReadingEnv env_;
  std::vector<std::string> calls_;
  ChainConfig* config_ = nullptr;
  std::unique_ptr<clsINIData> ini_;
};

// ---- IsSupported ------------------------------------------------------------

struct SupportCase {
  const char* name;
  int32_t account;
  std::string protocol;
  std::string ini;  // the [PanelSupported] lines
  bool fail;
  int16_t expected;
  size_t component_calls;
  std::vector<std::string> reads;
};

class IsSupportedTest : public SupportTest, public ::testing::WithParamInterface<SupportCase> {};

TEST_P(IsSupportedTest, Decides) {
  const SupportCase& c = GetParam();
  clsINIData& ini = Ini("[PanelSupported]\n" + c.ini);
  config_->fail = c.fail;
  int32_t account = c.account;
  std::string protocol = c.protocol;
  int16_t support = 99;
  EXPECT_EQ(ini.IsSupported(account, protocol, support), c.expected);
  EXPECT_EQ(support, c.expected);
  EXPECT_EQ(calls_.size(), c.component_calls);
  EXPECT_EQ(env_.reads, c.reads);
  EXPECT_EQ(Err().number, 0);
}

const std::vector<std::string> kListOnly = {"PanelSupported/TCP"};
const std::vector<std::string> kListAndExclusions = {"PanelSupported/TCP", "PanelSupported/CSRevIdsExcluded"};

INSTANTIATE_TEST_SUITE_P(
    Cases, IsSupportedTest,
    ::testing::Values(SupportCase{"Listed", 7, "TCP", "TCP=#4#5#6#\nCSRevIdsExcluded=#301#\n", false, -1, 2,
                                  kListAndExclusions},
                      SupportCase{"ListedAlone", 7, "TCP", "TCP=#5#\n", false, -1, 2, kListAndExclusions},
                      SupportCase{"RevisionExcluded", 7, "TCP", "TCP=#5#\nCSRevIdsExcluded=#1#300#\n", false,
                                  0, 2, kListAndExclusions},
                      SupportCase{"ExclusionWholeIdsOnly", 7, "TCP",
                                  "TCP=#5#\nCSRevIdsExcluded=#3000#1300#30#\n", false, -1, 2,
                                  kListAndExclusions},
                      SupportCase{"NameWholeIdsOnly", 7, "TCP", "TCP=#15#50#\nCSRevIdsExcluded=#1#\n", false,
                                  0, 2, kListOnly},
                      SupportCase{"NameNeedsBothMarks", 7, "TCP", "TCP=5#6#\n", false, 0, 2, kListOnly},
                      SupportCase{"OtherProtocolListed", 7, "TCP", "GPRS=#5#\n", false, 0, 2, kListOnly},
                      SupportCase{"NoPanelName", 8, "TCP", "TCP=#0#\n", false, 0, 2, {}},
                      SupportCase{"AccountZero", 0, "TCP", "TCP=#5#\n", false, 0, 0, {}},
                      SupportCase{"NegativeAccount", -7, "TCP", "TCP=#5#\n", false, 0, 0, {}},
                      SupportCase{"EmptyProtocol", 7, "", "TCP=#5#\n", false, 0, 0, {}},
                      SupportCase{"ComponentFails", 7, "TCP", "TCP=#5#\n", true, 0, 1, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SupportTest, RevisionIsAskedBeforeTheName) {
  clsINIData& ini = Ini("[PanelSupported]\nTCP=#5#\n");
  int32_t account = 7;
  std::string protocol = "TCP";
  int16_t support = -1;
  ini.IsSupported(account, protocol, support);
  EXPECT_EQ(calls_, (std::vector<std::string>{"GetAccountPanel", "GetRevisionCompany"}));
}

// ---- IsTCPSupport -------------------------------------------------------------

const std::string kTcpQuery = "SELECT tcp_ip_value FROM panel_type_revision WHERE panel_type_rev_id = 12";

struct TcpCase {
  const char* name;
  Rows rows;
  int32_t reported_count;
  int16_t expected;
};

class TcpSupportTest : public SupportTest, public ::testing::WithParamInterface<TcpCase> {};

TEST_P(TcpSupportTest, ValueDecides) {
  clsINIData& ini = Ini("");
  env_.results[kTcpQuery] = GetParam().rows;
  env_.reported_count = GetParam().reported_count;
  int32_t rev = 12;
  EXPECT_EQ(ini.IsTCPSupport(rev), GetParam().expected);
  EXPECT_EQ(env_.statements, std::vector<std::string>{kTcpQuery});
  EXPECT_EQ(env_.closes, 1);
  EXPECT_EQ(env_.left_open, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Values, TcpSupportTest,
    ::testing::Values(TcpCase{"NoRow", {}, -2, 1},
                      TcpCase{"Null", {{{"tcp_ip_value", Variant::Null()}}}, -2, 1},
                      TcpCase{"Zero", {{{"tcp_ip_value", Variant::I4(0)}}}, -2, 0},
                      TcpCase{"EmptyText", {{{"TCP_IP_VALUE", Variant::Str("")}}}, -2, 0},
                      TcpCase{"False", {{{"tcp_ip_value", Variant::Bool(false)}}}, -2, 0},
                      TcpCase{"FirstRowCounts",
                              {{{"tcp_ip_value", Variant::Null()}}, {{"tcp_ip_value", Variant::I4(1)}}},
                              -2,
                              1},
                      TcpCase{"CountUnknownReadsNothing", {{{"tcp_ip_value", Variant::I4(1)}}}, -1, 1}),
    [](const auto& info) { return std::string(info.param.name); });

struct TcpErrorCase {
  const char* name;
  int setup;  // 0 creation fails, 1 statement fails, 2 no recordset, 3 missing column
  int32_t error;
  int closes;
};

class TcpSupportErrorTest : public SupportTest, public ::testing::WithParamInterface<TcpErrorCase> {};

TEST_P(TcpSupportErrorTest, ErrorReachesCallerAndRecordsetIsClosed) {
  clsINIData& ini = Ini("");
  switch (GetParam().setup) {
    case 0:
      env_.fail_fixed = true;
      break;
    case 1:
      env_.failing[kTcpQuery] = 3001;
      break;
    case 2:
      env_.no_recordset.push_back(kTcpQuery);
      break;
    default:
      env_.results[kTcpQuery] = {{{"other", Variant::I4(1)}}};
      break;
  }
  int32_t rev = 12;
  try {
    ini.IsTCPSupport(rev);
    ADD_FAILURE() << "no error";
  } catch (const VbError& e) {
    EXPECT_EQ(e.number(), GetParam().error);
    EXPECT_EQ(Err().number, GetParam().error);  // closing on the way out keeps the error
  }
  EXPECT_EQ(env_.closes, GetParam().closes);
  EXPECT_EQ(env_.left_open, 0);
}

INSTANTIATE_TEST_SUITE_P(Errors, TcpSupportErrorTest,
                         ::testing::Values(TcpErrorCase{"CreationFails", 0, FakeEnv::kCreationFailure, 0},
                                           TcpErrorCase{"StatementFails", 1, 3001, 0},
                                           TcpErrorCase{"NoRecordset", 2, vberr::kObjectNotSet, 0},
                                           TcpErrorCase{"MissingColumn", 3, 3265, 1}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kt
