// clsINIData's construction and INI store over real profile files in a
// temporary suite tree.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "config/ini_fixture.h"

namespace kt {
namespace {

using test::IniFixture;

// --- construction -----------------------------------------------------------

struct BoundCase {
  const char* name;
  std::optional<std::string> ini;  // the [Communications] lines; none: no file
  int16_t com, tcp;
  int32_t error;  // 0: creation succeeds; kCreationFailure: the configuration component cannot be made
};

class IniConstruction : public IniFixture, public ::testing::WithParamInterface<BoundCase> {};

TEST_P(IniConstruction, ReadsThePortBounds) {
  const BoundCase& c = GetParam();
  if (c.ini) tree_.WriteIni("[Communications]\n" + *c.ini);
  env_.fail_config = c.error == test::FakeEnv::kCreationFailure;
  try {
    clsINIData ini(env_);
    EXPECT_EQ(c.error, 0) << "creation succeeded";
    EXPECT_EQ(ini.max_com_ports(), c.com);
    EXPECT_EQ(ini.max_tcpip_ports(), c.tcp);
  } catch (const VbError& e) {
    EXPECT_EQ(e.number(), c.error);
  }
}

INSTANTIATE_TEST_SUITE_P(Bounds, IniConstruction,
                         ::testing::ValuesIn(std::vector<BoundCase>{
                             {"no_file", std::nullopt, 20, 20, 0},
                             {"empty_value", "MaxComPorts=\n", 20, 20, 0},
                             {"both_set", "MaxComPorts=12\nMaxTCPIPPorts=7\n", 12, 7, 0},
                             {"half_rounds_to_even_down", "MaxComPorts=12.5\n", 12, 20, 0},
                             {"half_rounds_to_even_up", "MaxTCPIPPorts=13.5\n", 20, 14, 0},
                             {"word", "MaxComPorts=many\n", 0, 0, vberr::kTypeMismatch},
                             {"too_big", "MaxComPorts=40000\n", 0, 0, vberr::kOverflow},
                             {"no_config_component", std::nullopt, 0, 0, test::FakeEnv::kCreationFailure}}),
                         [](const auto& info) { return std::string(info.param.name); });

class IniPath : public IniFixture,
                public ::testing::WithParamInterface<std::pair<const char*, const char*>> {};

TEST_P(IniPath, StorageBesideTheLibraryFolder) {
  env_.module_dir = GetParam().first;
  EXPECT_EQ(Ini().ini_file(), GetParam().second);
}

INSTANTIATE_TEST_SUITE_P(Folders, IniPath,
                         ::testing::Values(std::pair("/a/b/Bin", "/a/b/Storage//Vizaride32.ini"),
                                           std::pair("/Bin", "/Storage//Vizaride32.ini"),
                                           std::pair("Bin", "Storage//Vizaride32.ini"),
                                           std::pair("C:\\A\\B\\Bin", "C:\\A\\B\\Storage//Vizaride32.ini"),
                                           std::pair("C:\\A\\B/Bin", "C:\\A\\B/Storage//Vizaride32.ini")));

// --- ini_get ----------------------------------------------------------------

std::string Repeat(const std::string& text, size_t times) {
  std::string out;
  while (times-- > 0) out += text;
  return out;
}

struct GetCase {
  const char* name;
  std::string ini;  // the [S] lines
  const char* fallback;
  std::string expected;
};

class IniGet : public IniFixture, public ::testing::WithParamInterface<GetCase> {};

TEST_P(IniGet, ReadsOrFallsBack) {
  EXPECT_EQ(Ini("[S]\n" + GetParam().ini).ini_get("S", "K", GetParam().fallback), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Values, IniGet,
                         ::testing::ValuesIn(std::vector<GetCase>{
                             {"present", "K=value\n", "d", "value"},
                             {"empty_value_takes_default", "K=\n", "d", "d"},
                             {"missing_key", "Other=1\n", "d", "d"},
                             {"long_value_cut_to_buffer", "K=" + Repeat("\xC3\xA9", 1500) + "\n", "",
                              Repeat("\xC3\xA9", 1199)}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(IniFixture, GetFailureGivesEmptyText) {
  Ini("[S]\nK=v\n");
  env_.fail_profile_reads = true;
  EXPECT_EQ(Ini().ini_get("S", "K", "d"), "");
  EXPECT_EQ(Err().number, 0);
}

// --- ini_getE2Path ------------------------------------------------------------

const std::string kE2Default = "C:\\Program Files\\Brantwick\\Velmora20\\Storage";

TEST_F(IniFixture, E2PathFromFileOrDefault) {
  EXPECT_EQ(Ini().ini_getE2Path(), kE2Default);
  tree_.WriteIni("[E2File]\nFile_Path=\n");
  EXPECT_EQ(Ini().ini_getE2Path(), kE2Default);
  tree_.WriteIni("[E2File]\nFile_Path=/srv/e2\n");
  EXPECT_EQ(Ini().ini_getE2Path(), "/srv/e2");
  tree_.WriteIni("[E2File]\nFile_Path=" + Repeat("\xC3\xA9", 800) + "\n");
  EXPECT_EQ(Ini().ini_getE2Path(), Repeat("\xC3\xA9", 699));
  EXPECT_TRUE(env_.log.empty());
}

TEST_F(IniFixture, E2PathFailureIsLoggedAndGivesDefault) {
  Ini("[E2File]\nFile_Path=/srv/e2\n");
  env_.fail_profile_reads = true;
  EXPECT_EQ(Ini().ini_getE2Path(), kE2Default);
  EXPECT_EQ(env_.log, (std::vector<test::LogLine>{{1, "Keltrane->clsINIData->ini_getE2Path",
                                                   "Function Error #:5, Error :read failed", std::nullopt}}));
}

// --- ini_write ----------------------------------------------------------------

class IniWrite : public IniFixture, public ::testing::WithParamInterface<std::pair<Variant, const char*>> {};

TEST_P(IniWrite, StoresTheTextForm) {
  Ini().ini_write("Sec", "Key", GetParam().first);
  EXPECT_EQ(Stored("Sec", "Key"), GetParam().second);
  EXPECT_TRUE(env_.boxes.empty());
  EXPECT_EQ(Err().number, 0);
}

INSTANTIATE_TEST_SUITE_P(Values, IniWrite,
                         ::testing::Values(std::pair(Variant::Str("abc def"), "abc def"),
                                           std::pair(Variant::Bool(true), "True"),
                                           std::pair(Variant::Null(), "<none>")));  // Null writes nothing

}  // namespace
}  // namespace kt
