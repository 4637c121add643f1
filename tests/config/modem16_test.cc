// clsINIData: modem settings exported to download.ini for the 16-bit modules.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "config/ini_fixture.h"

namespace kt {
namespace {

using Write = std::tuple<std::string, std::string, std::string>;  // section, key, value

class Modem16 : public test::IniFixture {
 protected:
  // Port 3 of the given company with one text for every text setting.
  Variant Export(int32_t company, const std::string& model, int32_t mode = -1,
                 const std::string& text = "x") {
    return Ini().Update16BitModemSettings(company, 3, model, 1, 0, -1, 2, text, text, text, text, text, mode,
                                          text);
  }
  // The writes asked for, as "section|key=value".
  std::vector<std::string> Writes() const {
    std::vector<std::string> out;
    for (const std::string& w : env_.profile_writes) out.push_back(w.substr(w.find('|') + 1));
    return out;
  }
};

// Port 3 of a TORVANE company (1 or 2) with distinct settings, and what it writes.
Variant ExportAll(clsINIData& ini, int32_t company) {
  return ini.Update16BitModemSettings(company, 3, "REPKO  336", 1, 0, -1, 2, "ATX4", "12", "34", "5", "60",
                                      -1, "9,");
}
const std::string kServer = "TORVANE Comm Server";
const std::vector<Write> kThirteen = {{kServer, "CommPort3", "REPKO 336"},
                                      {kServer, "touch_tone3", "-1"},
                                      {kServer, "speaker_on3", "0"},
                                      {kServer, "speaker_off_after_connect3", "0"},
                                      {kServer, "speaker_volume3", "2"},
                                      {kServer, "Aux_AT_Commands3", "ATX4"},
                                      {kServer, "f7702_local_code3", "12"},
                                      {kServer, "f7702_remote_code3", "34"},
                                      {kServer, "f7702_ring_count3", "5"},
                                      {kServer, "f7702_carrier_duration3", "60"},
                                      {kServer, "f7702_mode3", "0"},
                                      {kServer, "dialer_prefix3", "9,"},
                                      {"TORVANE Comm Interactive", "Comm_Port", "3"}};

class ModelName : public Modem16,
                  public ::testing::WithParamInterface<std::pair<const char*, const char*>> {};

TEST_P(ModelName, WrittenAsThe16BitModulesNameIt) {
  Export(1, GetParam().first);
  EXPECT_EQ(Download("TORVANE Comm Server", "CommPort3"), GetParam().second);
}

// A sample of the renames (a doubled blank, a longer name before its prefix, a
// name changed outright), not the whole list, which would restate the code.
INSTANTIATE_TEST_SUITE_P(
    Models, ModelName,
    ::testing::Values(std::pair("Hayes Smartmodem  1200 w/vol", "Hayes Smartmodem 1200 w/vol"),
                      std::pair("Hayes Smartmodem  1200", "Hayes Smartmodem 1200"),
                      std::pair("REPKO  336", "REPKO 336"),
                      std::pair("Hayes Smartmodem Optima 2400 FAX", "Hayes Smartmodem Optima 2400 FAX96"),
                      std::pair("New HayesOptima24 Smartmodem", "New Hayes Optima 24 Smartmodem"),
                      std::pair("Torvane RMX 2400 for Varnok", "Torvane RMX 2400 for Pellan"),
                      // Near misses pass unchanged: other case, one blank less, part of a name.
                      std::pair("repko  336", "repko  336"), std::pair("REPKO 336", "REPKO 336"),
                      std::pair("Hayes SmartModem  2400", "Hayes SmartModem  2400"),
                      std::pair("Hayes Smartmodem  1200 w/vol x", "Hayes Smartmodem  1200 w/vol x"),
                      std::pair("Hayes Smartmodem Optima 2400 FAX96", "Hayes Smartmodem Optima 2400 FAX96"),
                      std::pair("Torvane RMX 2400 for Pellan", "Torvane RMX 2400 for Pellan"),
                      std::pair("", "")));

TEST_F(Modem16, ThirteenKeysInOrder) {
  EXPECT_TRUE(ExportAll(Ini(), 1).IsEmpty());
  std::vector<std::string> expected;
  for (const auto& [section, key, value] : kThirteen) {
    expected.push_back(section + "|" + key + "=" + value);
    EXPECT_EQ(Download(section, key), value) << key;
  }
  EXPECT_EQ(Writes(), expected);
  EXPECT_TRUE(env_.boxes.empty());
}

TEST_F(Modem16, ModeOtherThanMinusOneIsKept) {
  Export(4, "m", -2);
  EXPECT_EQ(Download("OSTREL Comm Server", "f7702_mode3"), "-2");
}

TEST_F(Modem16, EmptyTextsWrittenAsEmptyValues) {
  Export(3, "", -1, "");
  for (const char* key : {"CommPort3", "Aux_AT_Commands3", "f7702_local_code3", "f7702_remote_code3",
                          "f7702_ring_count3", "f7702_carrier_duration3", "dialer_prefix3"})
    EXPECT_EQ(Download("ZELM Comm Server", key), "") << key;
}

TEST_F(Modem16, UnknownCompanyWritesToTheEmptySectionName) {
  Export(9, "REPKO  336");
  ASSERT_EQ(Writes().size(), 13u);
  for (const std::string& w : Writes()) EXPECT_EQ(w[0], '|') << w;
  EXPECT_EQ(Writes().back(), "|Comm_Port=3");
}

TEST_F(Modem16, EveryFailedWriteIsReportedAndTheRestGoOn) {
  env_.fail_profile_writes = true;
  ExportAll(Ini(), 2);
  ASSERT_EQ(env_.boxes.size(), 13u);
  for (size_t i = 0; i < 13; ++i) {
    const auto& [section, key, value] = kThirteen[i];
    EXPECT_EQ(env_.boxes[i].text,
              "Error writing to Download.ini file\rSection: [" + section + "]\r" + key + " = " + value);
    EXPECT_EQ(env_.boxes[i].title, "ini_write");
    EXPECT_EQ(env_.boxes[i].style, 16u);
  }
  EXPECT_FALSE(std::filesystem::exists(tree_.DownloadIni()));
  EXPECT_EQ(Err().number, 0);
}

struct ValueCase {
  const char* name;
  Variant value;
  const char* written;  // nullptr: nothing written
};

class WriteValue : public Modem16, public ::testing::WithParamInterface<ValueCase> {};

TEST_P(WriteValue, TextForm) {
  Ini().ini_write_16Bit("S", "K", GetParam().value);
  EXPECT_TRUE(env_.boxes.empty());
  EXPECT_EQ(Err().number, 0);
  const char* text = GetParam().written;
  EXPECT_EQ(Writes(),
            text ? std::vector<std::string>{std::string("S|K=") + text} : std::vector<std::string>{});
  EXPECT_EQ(Download("S", "K"), text ? text : "<none>");
}

INSTANTIATE_TEST_SUITE_P(Values, WriteValue,
                         ::testing::ValuesIn(std::vector<ValueCase>{
                             {"Null", Variant::Null(), nullptr},
                             {"Empty", Variant(), ""},
                             {"MinusOne", Variant::I2(-1), "-1"},
                             {"Long", Variant::I4(70000), "70000"},
                             {"Bool", Variant::Bool(true), "True"},
                             {"Text", Variant::Str("a b"), "a b"},
                             {"ErrorValue", Variant::Error(5), nullptr}}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kt
