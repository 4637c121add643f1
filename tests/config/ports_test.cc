// clsINIData: port lists read from Vizaride32.ini, the company sections of
// download.ini, and the same members end to end through the keltrane host.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "config/clsINIData.h"
#include "db/create.h"
#include "frame/error.h"
#include "profile/profile_file.h"
#include "support/fake_env.h"

namespace kt {
namespace {

namespace fs = std::filesystem;
using test::FakeEnv;

fs::path TestDir(const char* what) {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = std::string(info->test_suite_name()) + "-" + info->name();
  for (char& c : name)
    if (c == '/') c = '_';
  return fs::temp_directory_path() /
         ("kt-" + std::string(what) + "-" + std::to_string(getpid()) + "-" + name);
}

// Profile reads go to the real files.
struct ProfileEnv : FakeEnv {
  size_t GetProfileString(const std::string& s, const std::string& k, const std::string& d,
                          std::string& buffer, size_t size, const std::string& file) override {
    return profile::GetPrivateProfileString(s, k, d, buffer, size, file);
  }
};

// Protocol sections by id; any other id fails the way the component does.
class SectionConfig : public ConfigServices {
 public:
  std::string ReadConfigValue(const std::string&, const std::string&, const std::string& d) override {
    return d;
  }
  std::string GetMessageText(int32_t&) override { return {}; }
  int16_t GetCompanyClassValue(int32_t&) override { return 0; }
  int32_t GetAccountPanel(int32_t&, int32_t&) override { return 0; }
  int32_t GetRevisionCompany(int32_t&, int32_t&) override { return 0; }
  int32_t GetMappedCompany(int32_t&) override { return 0; }
  int16_t GetPanelNameFlag(int32_t&) override { return 0; }
  std::string GetProtocolSection(int32_t protocol, std::string& scratch) override {
    scratch = "scratch";
    if (protocol == 1) return "Protocol TORVANE";
    Raise(-2147467259, "FakeConfig", "no such protocol");
  }
};

VbArray<std::string> Array(int32_t lbound, std::vector<std::string> items, bool fixed = false) {
  VbArray<std::string> a;
  a.allocated = true;
  a.lbound = lbound;
  a.items = std::move(items);
  a.fixed = fixed;
  return a;
}

class PortsTest : public ::testing::Test {
 protected:
  PortsTest() : dir_(TestDir("ports")) {
    fs::create_directories(dir_ / "Bin");
    fs::create_directories(dir_ / "Storage");
    env_.module_dir = (dir_ / "Bin").string();
    env_.windows_dir = dir_.string();
    env_.config_factory = [] { return std::make_unique<SectionConfig>(); };
  }
  ~PortsTest() override { fs::remove_all(dir_); }

  clsINIData& Ini(const std::string& ini_text) {
    std::ofstream(dir_ / "Storage" / "Vizaride32.ini") << ini_text;
    ini_ = std::make_unique<clsINIData>(env_);
    return *ini_;
  }

  fs::path dir_;
  ProfileEnv env_;
  std::unique_ptr<clsINIData> ini_;
};

const std::string kTorvane = "[Protocol TORVANE]\n";

struct PortCase {
  const char* name;
  std::string ini;
  bool tcp;
  int32_t protocol;
  VbArray<std::string> before;
  VbArray<std::string> after;
};

class PortListTest : public PortsTest, public ::testing::WithParamInterface<PortCase> {};

TEST_P(PortListTest, ReadsList) {
  const PortCase& c = GetParam();
  clsINIData& ini = Ini(c.ini);
  int32_t company = 7, protocol = c.protocol;
  VbArray<std::string> ports = c.before;
  if (c.tcp)
    ini.GetTCPIPPortInformation(company, protocol, ports);
  else
    ini.GetModemInformation(company, protocol, ports);
  EXPECT_EQ(ports.allocated, c.after.allocated);
  EXPECT_EQ(ports.lbound, c.after.lbound);
  EXPECT_EQ(ports.items, c.after.items);
  EXPECT_EQ(Err().number, 0);
}

std::vector<std::string> UpTo20(std::map<size_t, std::string> set) {
  std::vector<std::string> v(21);
  for (auto& [i, s] : set) v[i] = s;
  return v;
}

INSTANTIATE_TEST_SUITE_P(
    Lists, PortListTest,
    ::testing::Values(
        PortCase{"EmptyKeyKeepsItsPlace",
                 "[ComPorts]\nNumber=2\n" + kTorvane + "CommPort1=COM1\nCommPort2=\nCommPort3=COM3\n",
                 false,
                 1,
                 {},
                 Array(0, {"", "COM1", "", "COM3"})},
        PortCase{"ShortListRunsToTheBound",
                 "[ComPorts]\nNumber=5\n" + kTorvane + "CommPort1=A\nCommPort7=B\n",
                 false,
                 1,
                 {},
                 Array(0, UpTo20({{1, "A"}, {7, "B"}}))},
        PortCase{"BoundFromCommunications",
                 "[Communications]\nMaxComPorts=3\n[ComPorts]\nNumber=9\n" + kTorvane +
                     "CommPort1=A\nCommPort4=B\n",
                 false,
                 1,
                 {},
                 Array(0, {"", "A", "", ""})},
        PortCase{"BoundBelowOneStillReadsTheFirst",
                 "[Communications]\nMaxComPorts=0\n[ComPorts]\nNumber=1\n" + kTorvane + "CommPort1=COM9\n",
                 false,
                 1,
                 {},
                 Array(0, {"", "COM9"})},
        PortCase{"ShrinksTheCallersArrayKeepingElementZero",
                 "[ComPorts]\nNumber=1\n" + kTorvane + "CommPort1=COM1\n", false, 1,
                 Array(0, {"z", "a", "b", "c"}), Array(0, {"z", "COM1"})},
        PortCase{"NumberMissingLeavesArray", kTorvane + "CommPort1=COM1\n", false, 1, Array(0, {"x", "y"}),
                 Array(0, {"x", "y"})},
        PortCase{"NumberWordLeavesArray", "[ComPorts]\nNumber=two\n" + kTorvane + "CommPort1=COM1\n", false,
                 1, Array(0, {"x", "y"}), Array(0, {"x", "y"})},
        PortCase{"NumberZeroLeavesArrayUnallocated",
                 "[ComPorts]\nNumber=0\n" + kTorvane + "CommPort1=COM1\n",
                 false,
                 1,
                 {},
                 {}},
        PortCase{"NumberBeyond16BitsFallsBack", "[ComPorts]\nNumber=40000\n" + kTorvane + "CommPort1=COM1\n",
                 false, 1, Array(0, {"z", "a"}), Array(0, {"z", "", "", "", ""})},
        PortCase{"UnknownProtocolFallsBack",
                 "[ComPorts]\nNumber=1\n" + kTorvane + "CommPort1=COM1\n",
                 false,
                 99,
                 {},
                 Array(0, {"", "", "", "", ""})},
        PortCase{"TcpUsesItsOwnKeys",
                 "[Communications]\nMaxTCPIPPorts=2\n[ComPorts]\nNumber=1\n[TcpIpPorts]\nNumber=1\n" +
                     kTorvane + "CommPort1=COM1\nTcpIpPort2=10.0.0.2:80\n",
                 true,
                 1,
                 {},
                 Array(0, {"", "", "10.0.0.2:80"})}),
    [](const auto& info) { return std::string(info.param.name); });

struct FailCase {
  const char* name;
  std::string ini;
  VbArray<std::string> before;
  int32_t error;
};

class PortFallbackFailsTest : public PortsTest, public ::testing::WithParamInterface<FailCase> {};

// When the caller's array cannot take the fallback shape, the fallback's
// own error is what the caller gets.
TEST_P(PortFallbackFailsTest, ErrorReachesCaller) {
  clsINIData& ini = Ini(GetParam().ini);
  int32_t company = 1, protocol = 1;
  VbArray<std::string> ports = GetParam().before;
  try {
    ini.GetModemInformation(company, protocol, ports);
    ADD_FAILURE() << "no error";
  } catch (const VbError& e) {
    EXPECT_EQ(e.number(), GetParam().error);
    EXPECT_EQ(Err().number, GetParam().error);
  }
  EXPECT_EQ(ports.items, GetParam().before.items);
}

INSTANTIATE_TEST_SUITE_P(
    Arrays, PortFallbackFailsTest,
    ::testing::Values(FailCase{"FixedSize", "[ComPorts]\nNumber=1\n" + kTorvane + "CommPort1=COM1\n",
                               Array(0, {"a", "b"}, true), 10},
                      FailCase{"LowerBoundOne", "[ComPorts]\nNumber=1\n" + kTorvane + "CommPort1=COM1\n",
                               Array(1, {"a", "b"}), 9}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PortsTest, FixedArrayUntouchedWhenThereIsNothingToRead) {
  clsINIData& ini = Ini(kTorvane + "CommPort1=COM1\n");
  int32_t company = 1, protocol = 1;
  VbArray<std::string> ports = Array(0, {"a", "b"}, true);
  EXPECT_NO_THROW(ini.GetModemInformation(company, protocol, ports));
  EXPECT_EQ(ports.items, (std::vector<std::string>{"a", "b"}));
}

// ---- company sections -------------------------------------------------------

struct SectionCase {
  int32_t company;
  const char* interactive;
  const char* server;
};

class CommSectionsTest : public PortsTest, public ::testing::WithParamInterface<SectionCase> {};

TEST_P(CommSectionsTest, Names) {
  clsINIData& ini = Ini("");
  int32_t company = GetParam().company;
  std::string interactive = "old", server = "old";
  ini.getCommSections(company, interactive, server);
  EXPECT_EQ(interactive, GetParam().interactive);
  EXPECT_EQ(server, GetParam().server);
}

INSTANTIATE_TEST_SUITE_P(Companies, CommSectionsTest,
                         ::testing::Values(SectionCase{1, "TORVANE Comm Interactive", "TORVANE Comm Server"},
                                           SectionCase{2, "TORVANE Comm Interactive", "TORVANE Comm Server"},
                                           SectionCase{3, "ZELM Comm Interactive", "ZELM Comm Server"},
                                           SectionCase{6, "ZELM Comm Interactive", "ZELM Comm Server"},
                                           SectionCase{4, "OSTREL Comm Interactive", "OSTREL Comm Server"},
                                           SectionCase{5, "", ""}, SectionCase{0, "", ""},
                                           SectionCase{-1, "", ""}));

// ---- end to end through the keltrane host ----------------------------------

std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += (c == '\'') ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

class HostRoundTrip : public ::testing::Test {
 protected:
  HostRoundTrip() : dir_(TestDir("host")) {
    fs::create_directories(dir_ / "Bin");
    fs::create_directories(dir_ / "Storage");
    fs::create_directories(dir_ / "Win");
    std::ofstream(dir_ / "Storage" / "Vizaride32.ini")
        << "[Communications]\nMaxComPorts=20\nMaxTCPIPPorts=20\n[ComPorts]\nNumber=2\n"
           "[Protocol TORVANE]\nCommPort1=COM1\nCommPort2=\nCommPort3=COM3\n";
    db_ = (dir_ / "Suite.db").string();
    const std::string failure = suite::CreateSuiteDatabase(db_, true);
    EXPECT_EQ(failure, "");
  }
  ~HostRoundTrip() override { fs::remove_all(dir_); }

  nlohmann::json Call(const std::vector<std::string>& args) {
    std::string cmd = "KELTRANE_REGISTRY=" + Quote((dir_ / "registry.json").string()) +
                      " bin/keltrane --module-dir " + Quote((dir_ / "Bin").string()) + " --windows-dir " +
                      Quote((dir_ / "Win").string()) + " --db " + Quote(db_) + " call Keltrane.clsINIData";
    for (const std::string& a : args) cmd += " " + Quote(a);
    cmd += " </dev/null 2>" + Quote((dir_ / "stderr").string());
    FILE* pipe = popen(cmd.c_str(), "r");
    std::string out;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, pipe)) > 0) out.append(buf, n);
    const int status = pclose(pipe);
    std::stringstream err;
    err << std::ifstream(dir_ / "stderr").rdbuf();
    EXPECT_EQ(WEXITSTATUS(status), 0) << err.str() << out;
    return nlohmann::json::parse(out, nullptr, false);
  }

  std::string Download(const std::string& section, const std::string& key) {
    std::string value;
    profile::GetPrivateProfileString(section, key, "<missing>", value, 256,
                                     (dir_ / "Win" / "download.ini").string());
    return value;
  }

  fs::path dir_;
  std::string db_;
};

TEST_F(HostRoundTrip, ModemPortsOfTheDemoProtocol) {
  nlohmann::json j = Call({"GetModemInformation", "1", "1", "null"});
  ASSERT_FALSE(j.is_discarded());
  EXPECT_EQ(j["hresult"], "0x00000000");
  EXPECT_EQ(j["args"][2]["lbound"], 0);
  EXPECT_EQ(j["args"][2]["items"], nlohmann::json::array({"", "COM1", "", "COM3"}));
}

TEST_F(HostRoundTrip, CommSectionsOfEveryDemoCompany) {
  // The demo Companies table.
  const std::map<int, std::string> prefix = {{1, "TORVANE"}, {2, "TORVANE"}, {3, "ZELM"}, {4, "OSTREL"},
                                             {5, ""},        {6, "ZELM"},    {21, ""}};
  for (const auto& [company, name] : prefix) {
    nlohmann::json j = Call({"getCommSections", std::to_string(company), "", ""});
    ASSERT_FALSE(j.is_discarded());
    EXPECT_EQ(j["args"][1], name.empty() ? "" : name + " Comm Interactive") << company;
    EXPECT_EQ(j["args"][2], name.empty() ? "" : name + " Comm Server") << company;
  }
}

TEST_F(HostRoundTrip, ModemSettingsReachDownloadIni) {
  nlohmann::json j = Call({"Update16BitModemSettings", "3", "2", "Torvane RMX 2400 for  ZELM", "1", "true",
                           "1", "4", "ATM1", "11", "22", "3", "45", "-1", "9,"});
  ASSERT_FALSE(j.is_discarded());
  EXPECT_EQ(j["hresult"], "0x00000000");
  EXPECT_EQ(Download("ZELM Comm Server", "CommPort2"), "Torvane RMX 2400 for ZELM");
  EXPECT_EQ(Download("ZELM Comm Server", "touch_tone2"), "-1");
  EXPECT_EQ(Download("ZELM Comm Server", "speaker_on2"), "0");  // true arrives as -1, not 1
  EXPECT_EQ(Download("ZELM Comm Server", "speaker_off_after_connect2"), "-1");
  EXPECT_EQ(Download("ZELM Comm Server", "speaker_volume2"), "4");
  EXPECT_EQ(Download("ZELM Comm Server", "f7702_mode2"), "0");
  EXPECT_EQ(Download("ZELM Comm Server", "dialer_prefix2"), "9,");
  EXPECT_EQ(Download("ZELM Comm Interactive", "Comm_Port"), "2");
}

}  // namespace
}  // namespace kt
