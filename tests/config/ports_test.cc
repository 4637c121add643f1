// clsINIData: port lists read from Vizaride32.ini, the company sections of
// download.ini, and the same members end to end through the keltrane host.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "config/ini_fixture.h"
#include "db/create.h"

namespace kt {
namespace {

using nlohmann::json;
using test::IniFixture;

VbArray<std::string> Array(int32_t lbound, std::vector<std::string> items, bool fixed = false) {
  VbArray<std::string> a;
  a.allocated = true;
  a.lbound = lbound;
  a.items = std::move(items);
  a.fixed = fixed;
  return a;
}

// Protocol 1 is "Protocol TORVANE"; any other protocol's section cannot be found.
class Ports : public IniFixture {
 protected:
  Ports() { config_.sections[1] = "Protocol TORVANE"; }
};

const std::string kTorvane = "[Protocol TORVANE]\n";
const std::string kOneCom = "[ComPorts]\nNumber=1\n" + kTorvane + "CommPort1=COM1\n";

struct PortCase {
  const char* name;
  std::string ini;
  bool tcp;
  int32_t protocol;
  VbArray<std::string> before, after;
};

class PortList : public Ports, public ::testing::WithParamInterface<PortCase> {};

TEST_P(PortList, ReadsList) {
  const PortCase& c = GetParam();
  int32_t company = 7, protocol = c.protocol;
  VbArray<std::string> ports = c.before;
  if (c.tcp)
    Ini(c.ini).GetTCPIPPortInformation(company, protocol, ports);
  else
    Ini(c.ini).GetModemInformation(company, protocol, ports);
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

const std::string kNumber = "[ComPorts]\nNumber=";
const VbArray<std::string> kXY = Array(0, {"x", "y"});
// clang-format off
INSTANTIATE_TEST_SUITE_P(Lists, PortList, ::testing::ValuesIn(std::vector<PortCase>{
    {"EmptyKeyKeepsItsPlace", kNumber + "2\n" + kTorvane + "CommPort1=COM1\nCommPort2=\nCommPort3=COM3\n",
     false, 1, {}, Array(0, {"", "COM1", "", "COM3"})},
    {"ShortListRunsToTheBound", kNumber + "5\n" + kTorvane + "CommPort1=A\nCommPort7=B\n", false, 1, {},
     Array(0, UpTo20({{1, "A"}, {7, "B"}}))},
    {"BoundFromCommunications", "[Communications]\nMaxComPorts=3\n" + kNumber + "9\n" + kTorvane +
     "CommPort1=A\nCommPort4=B\n", false, 1, {}, Array(0, {"", "A", "", ""})},
    {"BoundBelowOneStillReadsTheFirst", "[Communications]\nMaxComPorts=0\n" + kOneCom, false, 1, {},
     Array(0, {"", "COM1"})},
    {"ShrinksTheCallersArrayKeepingElementZero", kOneCom, false, 1, Array(0, {"z", "a", "b", "c"}),
     Array(0, {"z", "COM1"})},
    {"NumberMissingLeavesArray", kTorvane + "CommPort1=COM1\n", false, 1, kXY, kXY},
    {"NumberWordLeavesArray", kNumber + "two\n" + kTorvane + "CommPort1=COM1\n", false, 1, kXY, kXY},
    {"NumberZeroLeavesArrayUnallocated", kNumber + "0\n" + kTorvane + "CommPort1=COM1\n", false, 1, {}, {}},
    {"NumberBeyond16BitsFallsBack", kNumber + "40000\n" + kTorvane + "CommPort1=COM1\n", false, 1,
     Array(0, {"z", "a"}), Array(0, {"z", "", "", "", ""})},
    {"UnknownProtocolFallsBack", kOneCom, false, 99, {}, Array(0, {"", "", "", "", ""})},
    {"TcpUsesItsOwnKeys", "[Communications]\nMaxTCPIPPorts=2\n[TcpIpPorts]\nNumber=1\n" + kOneCom +
     "TcpIpPort2=10.0.0.2:80\n", true, 1, {}, Array(0, {"", "", "10.0.0.2:80"})}}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

// When the caller's array cannot take the fallback shape, the fallback's
// own error is what the caller gets.
class PortFallbackFails : public Ports,
                          public ::testing::WithParamInterface<std::pair<VbArray<std::string>, int32_t>> {};

TEST_P(PortFallbackFails, ErrorReachesCaller) {
  int32_t company = 1, protocol = 1;
  VbArray<std::string> ports = GetParam().first;
  try {
    Ini(kOneCom).GetModemInformation(company, protocol, ports);
    ADD_FAILURE() << "no error";
  } catch (const VbError& e) {
    EXPECT_EQ(e.number(), GetParam().second);
    EXPECT_EQ(Err().number, GetParam().second);
  }
  EXPECT_EQ(ports.items, GetParam().first.items);
}

INSTANTIATE_TEST_SUITE_P(Arrays, PortFallbackFails,
                         ::testing::Values(std::pair(Array(0, {"a", "b"}, true), 10),  // fixed size
                                           std::pair(Array(1, {"a", "b"}), 9)));       // lower bound one

TEST_F(Ports, FixedArrayUntouchedWhenThereIsNothingToRead) {
  int32_t company = 1, protocol = 1;
  VbArray<std::string> ports = Array(0, {"a", "b"}, true);
  EXPECT_NO_THROW(Ini(kTorvane + "CommPort1=COM1\n").GetModemInformation(company, protocol, ports));
  EXPECT_EQ(ports.items, (std::vector<std::string>{"a", "b"}));
}

// ---- end to end through the keltrane host ----------------------------------

class HostRoundTrip : public ::testing::Test {
 protected:
  void SetUp() override {
    tree_.WriteIni(
        "[Communications]\nMaxComPorts=20\nMaxTCPIPPorts=20\n[ComPorts]\nNumber=2\n[TcpIpPorts]\nNumber=1\n"
        "[Protocol TORVANE]\nCommPort1=COM1\nCommPort2=\nCommPort3=COM3\nTcpIpPort1=10.0.0.1:5\n");
    ASSERT_EQ(suite::CreateSuiteDatabase(tree_.Db(), true), "");
  }
  json Call(std::vector<std::string> args) {
    args.insert(args.begin(), {"call", "Keltrane.clsINIData"});
    const test::HostRun run = tree_.Host(args);
    EXPECT_EQ(run.status, 0) << run.err << run.out;
    return run.Json();
  }
  test::TempTree tree_;
};

// Every array member from the shell: each word is one argument, whatever
// brackets, commas, dashes or "--" it holds.
struct ArrayCall {
  const char* name;
  std::vector<std::string> words;  // target, member, arguments
  json args;
};
void PrintTo(const ArrayCall& c, std::ostream* os) {
  *os << c.name;
}
class HostArrays : public HostRoundTrip, public ::testing::WithParamInterface<ArrayCall> {};
TEST_P(HostArrays, EachWordIsOneArgument) {
  std::vector<std::string> words = GetParam().words;
  words.insert(words.begin(), "call");
  const test::HostRun run = tree_.Host(words);
  ASSERT_EQ(run.status, 0) << run.err << run.out;
  EXPECT_EQ(run.Json()["args"], GetParam().args);
}
const json kNone = {{"lbound", nullptr}, {"items", json::array()}};
json List(json items) {
  return {{"lbound", 0}, {"items", std::move(items)}};
}
INSTANTIATE_TEST_SUITE_P(
    Call, HostArrays,
    ::testing::Values(ArrayCall{"Modem",
                                {"Keltrane.clsINIData", "GetModemInformation", "1", "1", R"(["x"])"},
                                {1, 1, List({"x", "COM1", "", "COM3"})}},
                      ArrayCall{"TcpIp",
                                {"Keltrane.clsINIData", "GetTCPIPPortInformation", "1", "1", "[]"},
                                {1, 1, List({"", "10.0.0.1:5"})}},
                      ArrayCall{"Commands",
                                {"Keltrane.clsProfile", "GetCommands", R"(["a","b"])", "[7]"},
                                {List({"a", "b"}), List({7})}},
                      ArrayCall{"CommandsNull",
                                {"Keltrane.clsProfile", "GetCommands", "null", "[]"},
                                {kNone, List(json::array())}},
                      ArrayCall{"Reorder",
                                {"Keltrane.clsProfile", "ReorderCommands", R"(["--","-x","a,b"," "])", "[1]"},
                                {List({"--", "-x", "a,b", " "}), List({1})}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(HostRoundTrip, CommSectionsOfEveryDemoCompany) {
  // The demo Companies table, in one batch run.
  const std::map<int, std::string> prefix = {{1, "TORVANE"}, {2, "TORVANE"}, {3, "ZELM"}, {4, "OSTREL"},
                                             {5, ""},        {6, "ZELM"},    {21, ""}};
  std::vector<std::pair<std::string, json>> calls;
  for (const auto& [company, name] : prefix)
    calls.emplace_back("getCommSections", json::array({company, "", ""}));
  const auto lines = tree_.Batch("Keltrane.clsINIData", calls);
  ASSERT_EQ(lines.size(), prefix.size());
  size_t i = 0;
  for (const auto& [company, name] : prefix) {
    const json& args = lines[i++]["args"];
    EXPECT_EQ(args[1], name.empty() ? "" : name + " Comm Interactive") << company;
    EXPECT_EQ(args[2], name.empty() ? "" : name + " Comm Server") << company;
  }
}

TEST_F(HostRoundTrip, ModemSettingsReachDownloadIni) {
  const json j = Call({"Update16BitModemSettings", "3", "2", "Torvane RMX 2400 for  ZELM", "1", "true", "1",
                       "4", "ATM1", "11", "22", "3", "45", "-1", "9,"});
  EXPECT_EQ(j["hresult"], "0x00000000");
  const std::map<std::string, std::string> server = {{"CommPort2", "Torvane RMX 2400 for ZELM"},
                                                     {"touch_tone2", "-1"},
                                                     {"speaker_on2", "0"},  // true arrives as -1, not 1
                                                     {"speaker_off_after_connect2", "-1"},
                                                     {"speaker_volume2", "4"},
                                                     {"f7702_mode2", "0"},
                                                     {"dialer_prefix2", "9,"}};
  for (const auto& [key, value] : server)
    EXPECT_EQ(test::TempTree::Read(tree_.DownloadIni(), "ZELM Comm Server", key), value) << key;
  EXPECT_EQ(test::TempTree::Read(tree_.DownloadIni(), "ZELM Comm Interactive", "Comm_Port"), "2");
}

}  // namespace
}  // namespace kt
