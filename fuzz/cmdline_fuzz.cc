// clsINIData's command-line members over an Env of fakes.  The input is an
// option name, a NUL, then the command line (no NUL: the whole input is the
// command line and the option name is empty).  The INI file is a fixed one
// written once; profile writes fail, so it never changes.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>

#include "config/clsINIData.h"
#include "frame/convert.h"
#include "fuzz_util.h"
#include "support/fake_env.h"

namespace {

using kt::Variant;
using kt::fuzz::Fail;

struct Config : kt::ConfigServices {
  std::string ReadConfigValue(const std::string&, const std::string&, const std::string& d) override {
    return d;
  }
  std::string GetMessageText(int32_t&) override { return "Option names cannot contain spaces."; }
  int16_t GetCompanyClassValue(int32_t&) override { return 0; }
  int32_t GetAccountPanel(int32_t&, int32_t&) override { return 0; }
  int32_t GetRevisionCompany(int32_t&, int32_t&) override { return 0; }
  int32_t GetMappedCompany(int32_t&) override { return 0; }
  int16_t GetPanelNameFlag(int32_t&) override { return 0; }
  std::string GetProtocolSection(int32_t, std::string&) override { return ""; }
};

const char kIni[] =
    "[Communications]\r\nMaxComPorts=8\r\nMaxTCPIPPorts=4\r\n"
    "[Options]\r\nU=12\r\nodbc=1\r\nnCommPort=3\r\nschedule=yes\r\nPath=C:\\Suite\\Storage\r\n"
    "a=7\r\naccount=42\r\n";

const std::string& BinDir() {
  static const std::string dir = [] {
    const std::string root = kt::fuzz::ScratchDir();
    std::filesystem::create_directories(root + "/Bin");
    std::filesystem::create_directories(root + "/Storage");
    std::ofstream(root + "/Storage/Vizaride32.ini", std::ios::binary) << kIni;
    return root + "/Bin";
  }();
  return dir;
}

bool Contains(std::string_view text, std::string_view part) {
  return text.find(part) != std::string_view::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const size_t nul = input.find('\0');
  const std::string option(nul == std::string_view::npos ? std::string_view() : input.substr(0, nul));
  const std::string cmd(nul == std::string_view::npos ? input : input.substr(nul + 1));

  kt::test::FakeEnv env;
  env.module_dir = BinDir();
  env.windows_dir = kt::fuzz::ScratchDir();
  env.fail_profile_writes = true;
  env.config_factory = [] { return std::make_unique<Config>(); };
  // Some runs answer Yes to "Update ini file?" so the failing write is reached too.
  if (size % 3 == 0) env.answers = {kt::mb::kAnswerYes, kt::mb::kAnswerOk};
  kt::clsINIData ini(env);

  // command_Line_Get: the default, "" for a name with a space, or a word of the line.
  const Variant fallback = Variant::Str("<default>");
  const Variant got = ini.command_Line_Get(option, fallback, cmd);
  if (Contains(option, " ")) {
    if (got != Variant::Str("")) Fail("an option name with a space gave a value", option);
  } else if (got != fallback) {
    if (!got.IsString()) Fail("command_Line_Get gave a non-string", option);
    const std::string& value = got.AsString();
    if (Contains(value, " ") || !Contains(cmd, value)) Fail("the value is not a word of the line", value);
  }

  std::string arg = cmd;
  int32_t user = 0;
  int16_t odbc = 0, port = 0, schedule = 0;
  ini.GetTheValueFromCmdArgument(arg, user, odbc, port, schedule);
  if (schedule != 0 && schedule != -1) Fail("the schedule switch is not a Boolean");

  std::string account_arg = cmd;
  int32_t account = -5;
  ini.GetAccountID(account_arg, account);
  if (account_arg != cmd && !account_arg.empty()) Fail("GetAccountID changed the line", account_arg);

  // get_command_line_option merges the line with the INI file.
  static const char* const kSections[] = {"Options", "Communications", "Absent"};
  static const char* const kSuffixes[] = {"", "NO_PROMPT", "\\", ".ini"};
  ini.SetCommandLineArgument(cmd);
  const std::string suffix = kSuffixes[size % 4];
  const Variant merged =
      ini.get_command_line_option(kSections[(size / 4) % 3], option, Variant::Str("dflt"), suffix);
  if (merged.IsString() && suffix != "NO_PROMPT" && !Contains(option, " ")) {
    const std::string& text = merged.AsString();
    if (text.size() < suffix.size() || text.compare(text.size() - suffix.size(), suffix.size(), suffix) != 0)
      Fail("the suffix is missing", text);
  }
  if (!env.profile_writes.empty() && ini.ini_get("Options", "U", "") != "12")
    Fail("the INI file changed although writes fail");
  return 0;
}
