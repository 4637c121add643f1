// clsINIData: modem settings exported to download.ini for the 16-bit modules.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "config/clsINIData.h"
#include "frame/error.h"
#include "profile/profile_file.h"
#include "support/fake_env.h"

namespace kt {
namespace {

namespace fs = std::filesystem;
using test::FakeEnv;

using Write = std::tuple<std::string, std::string, std::string>;  // section, key, value

// Profile writes go to the real files and are recorded in order; with
// fail_writes they fail before touching the file.
struct WritingEnv : FakeEnv {
  bool fail_writes = false;
  std::vector<Write> writes;
  bool WriteProfileString(const std::string& s, const std::string& k, const std::string& v,
                          const std::string& file) override {
    writes.emplace_back(s, k, v);
    return !fail_writes && profile::WritePrivateProfileString(s, k, v, file);
  }
};

struct NoConfig : ConfigServices {
  std::string ReadConfigValue(const std::string&, const std::string&, const std::string& d) override {
    return d;
  }
  std::string GetMessageText(int32_t&) override { return {}; }
  int16_t GetCompanyClassValue(int32_t&) override { return 0; }
  int32_t GetAccountPanel(int32_t&, int32_t&) override { return 0; }
  int32_t GetRevisionCompany(int32_t&, int32_t&) override { return 0; }
  int32_t GetMappedCompany(int32_t&) override { return 0; }
  int16_t GetPanelNameFlag(int32_t&) override { return 0; }
  std::string GetProtocolSection(int32_t, std::string&) override { return {}; }
};

class Modem16Test : public ::testing::Test {
 protected:
  Modem16Test() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "-" + info->name();
    for (char& c : name)
      if (c == '/') c = '_';
    dir_ = fs::temp_directory_path() / ("kt-modem16-" + std::to_string(getpid()) + "-" + name);
    fs::create_directories(dir_ / "Bin");
    fs::create_directories(dir_ / "Win");
    env_.module_dir = (dir_ / "Bin").string();
    env_.windows_dir = (dir_ / "Win").string();
    env_.config_factory = [] { return std::make_unique<NoConfig>(); };
    ini_ = std::make_unique<clsINIData>(env_);
  }
  ~Modem16Test() override { fs::remove_all(dir_); }

  // Port 3 of the given company with a fixed set of settings.
  Variant Export(int32_t company, const std::string& model, int32_t mode = -1,
                 const std::string& text = "x") {
    return ini_->Update16BitModemSettings(company, 3, model, 1, 0, -1, 2, text, text, text, text, text, mode,
                                          text);
  }

  std::string Download(const std::string& section, const std::string& key) {
    std::string value;
    profile::GetPrivateProfileString(section, key, "<missing>", value, 256,
                                     (dir_ / "Win" / "download.ini").string());
    return value;
  }

  fs::path dir_;
  WritingEnv env_;
  std::unique_ptr<clsINIData> ini_;
};

struct ModelCase {
  const char* given;
  const char* exported;
};

class ModelNameTest : public Modem16Test, public ::testing::WithParamInterface<ModelCase> {};

TEST_P(ModelNameTest, WrittenAsThe16BitModulesNameIt) {
  Export(1, GetParam().given);
  EXPECT_EQ(Download("TORVANE Comm Server", "CommPort3"), GetParam().exported);
}

INSTANTIATE_TEST_SUITE_P(
    Models, ModelNameTest,
    ::testing::Values(ModelCase{"Hayes Optima 336  External", "Hayes Optima 336 External"},
                      ModelCase{"Torvane RMX  2400", "Torvane RMX 2400"},
                      ModelCase{"Hayes SMARTMODEM  2400", "Hayes SMARTMODEM 2400"},
                      ModelCase{"Hayes Smartmodem  1200 w/vol", "Hayes Smartmodem 1200 w/vol"},
                      ModelCase{"Hayes Smartmodem  1200", "Hayes Smartmodem 1200"},
                      ModelCase{"REPKO  336", "REPKO 336"},
                      ModelCase{"Torvane RMX 2400 for  ZELM", "Torvane RMX 2400 for ZELM"},
                      ModelCase{"Torvane RMX 2400 for  Ostrel", "Torvane RMX 2400 for Ostrel"},
                      ModelCase{"Hayes Smartmodem Optima 2400 FAX", "Hayes Smartmodem Optima 2400 FAX96"},
                      ModelCase{"Hayes Accura 144 V4.0", "Hayes Accura 14.4"},
                      ModelCase{"Hayes Optima SMARTMODEM 2400", "Hayes Smartmodem Optima 2400"},
                      ModelCase{"New HayesOptima24 Smartmodem", "New Hayes Optima 24 Smartmodem"},
                      ModelCase{"US Robotics Sportster 14.4", "US RoboticsSportster 14.4"},
                      ModelCase{"Torvane RMX 2400 for Varnok", "Torvane RMX 2400 for Pellan"},
                      // Near misses pass unchanged: other case, one blank less, part of a name.
                      ModelCase{"repko  336", "repko  336"}, ModelCase{"REPKO 336", "REPKO 336"},
                      ModelCase{"Hayes SmartModem  2400", "Hayes SmartModem  2400"},
                      ModelCase{"Hayes Smartmodem  1200 w/vol x", "Hayes Smartmodem  1200 w/vol x"},
                      ModelCase{"Hayes Smartmodem Optima 2400 FAX96", "Hayes Smartmodem Optima 2400 FAX96"},
                      ModelCase{"Torvane RMX 2400 for Pellan", "Torvane RMX 2400 for Pellan"},
                      ModelCase{"", ""}));

TEST_F(Modem16Test, ThirteenKeysInOrder) {
  const Variant result = ini_->Update16BitModemSettings(1, 3, "REPKO  336", 1, 0, -1, 2, "ATX4", "12", "34",
                                                        "5", "60", -1, "9,");
  EXPECT_TRUE(result.IsEmpty());
  const std::string s = "TORVANE Comm Server";
  const std::vector<Write> expected = {{s, "CommPort3", "REPKO 336"},
                                       {s, "touch_tone3", "-1"},
                                       {s, "speaker_on3", "0"},
                                       {s, "speaker_off_after_connect3", "0"},
                                       {s, "speaker_volume3", "2"},
                                       {s, "Aux_AT_Commands3", "ATX4"},
                                       {s, "f7702_local_code3", "12"},
                                       {s, "f7702_remote_code3", "34"},
                                       {s, "f7702_ring_count3", "5"},
                                       {s, "f7702_carrier_duration3", "60"},
                                       {s, "f7702_mode3", "0"},
                                       {s, "dialer_prefix3", "9,"},
                                       {"TORVANE Comm Interactive", "Comm_Port", "3"}};
  EXPECT_EQ(env_.writes, expected);
  for (const auto& [section, key, value] : expected) EXPECT_EQ(Download(section, key), value) << key;
  EXPECT_TRUE(env_.boxes.empty());
}

TEST_F(Modem16Test, ModeOtherThanMinusOneIsKept) {
  Export(4, "m", -2);
  EXPECT_EQ(Download("OSTREL Comm Server", "f7702_mode3"), "-2");
  Export(4, "m", 7);
  EXPECT_EQ(Download("OSTREL Comm Server", "f7702_mode3"), "7");
}

TEST_F(Modem16Test, EmptyTextsWrittenAsEmptyValues) {
  Export(3, "", -1, "");
  for (const char* key : {"CommPort3", "Aux_AT_Commands3", "f7702_local_code3", "f7702_remote_code3",
                          "f7702_ring_count3", "f7702_carrier_duration3", "dialer_prefix3"})
    EXPECT_EQ(Download("ZELM Comm Server", key), "") << key;
}

TEST_F(Modem16Test, UnknownCompanyWritesToTheEmptySectionName) {
  Export(9, "REPKO  336");
  ASSERT_EQ(env_.writes.size(), 13u);
  for (const auto& w : env_.writes) EXPECT_EQ(std::get<0>(w), "");
  EXPECT_EQ(std::get<1>(env_.writes.back()), "Comm_Port");
}

TEST_F(Modem16Test, EveryFailedWriteIsReportedAndTheRestGoOn) {
  env_.fail_writes = true;
  Export(2, "REPKO  336");
  ASSERT_EQ(env_.writes.size(), 13u);
  ASSERT_EQ(env_.boxes.size(), 13u);
  for (size_t i = 0; i < 13; ++i) {
    const auto& [section, key, value] = env_.writes[i];
    EXPECT_EQ(env_.boxes[i].text,
              "Error writing to Download.ini file\rSection: [" + section + "]\r" + key + " = " + value);
    EXPECT_EQ(env_.boxes[i].title, "ini_write");
    EXPECT_EQ(env_.boxes[i].style, 16u);
  }
  EXPECT_EQ(env_.boxes[0].text,
            "Error writing to Download.ini file\rSection: [TORVANE Comm Server]\rCommPort3 = REPKO 336");
  EXPECT_EQ(env_.boxes[12].text,
            "Error writing to Download.ini file\rSection: [TORVANE Comm Interactive]\rComm_Port = 3");
  EXPECT_FALSE(fs::exists(dir_ / "Win" / "download.ini"));
  EXPECT_EQ(Err().number, 0);
}

struct ValueCase {
  const char* name;
  Variant value;
  bool written;
  const char* text;
};

class WriteValueTest : public Modem16Test, public ::testing::WithParamInterface<ValueCase> {};

TEST_P(WriteValueTest, TextForm) {
  ini_->ini_write_16Bit("S", "K", GetParam().value);
  EXPECT_TRUE(env_.boxes.empty());
  EXPECT_EQ(Err().number, 0);
  if (!GetParam().written) {
    EXPECT_TRUE(env_.writes.empty());
    return;
  }
  EXPECT_EQ(env_.writes, (std::vector<Write>{{"S", "K", GetParam().text}}));
  EXPECT_EQ(Download("S", "K"), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Values, WriteValueTest,
                         ::testing::Values(ValueCase{"Null", Variant::Null(), false, ""},
                                           ValueCase{"Empty", Variant(), true, ""},
                                           ValueCase{"MinusOne", Variant::I2(-1), true, "-1"},
                                           ValueCase{"Long", Variant::I4(70000), true, "70000"},
                                           ValueCase{"Bool", Variant::Bool(true), true, "True"},
                                           ValueCase{"Text", Variant::Str("a b"), true, "a b"},
                                           ValueCase{"ErrorValue", Variant::Error(5), false, ""}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kt
