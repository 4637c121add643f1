// clsINIData's construction and INI store over real profile files in a
// temporary suite tree (<tmp>/Bin is the library folder, so the INI file is
// <tmp>/Storage/Vizaride32.ini).
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>

#include "config/clsINIData.h"
#include "profile/profile_file.h"
#include "support/fake_env.h"

namespace kt {
namespace {

namespace fs = std::filesystem;

// The fake Env over real profile files, with switches for failing reads and writes.
struct IniEnv : test::FakeEnv {
  bool fail_reads = false, fail_writes = false;
  std::vector<std::string> writes;  // "section/key=value" for every write asked for

  size_t GetProfileString(const std::string& s, const std::string& k, const std::string& d,
                          std::string& buffer, size_t size, const std::string& file) override {
    if (fail_reads) Raise(vberr::kInvalidCall, "IniEnv", "read failed");
    return profile::GetPrivateProfileString(s, k, d, buffer, size, file);
  }
  bool WriteProfileString(const std::string& s, const std::string& k, const std::string& v,
                          const std::string& file) override {
    writes.push_back(s + "/" + k + "=" + v);
    return !fail_writes && profile::WritePrivateProfileString(s, k, v, file);
  }
};

struct NoMessages : ConfigServices {
  std::string ReadConfigValue(const std::string&, const std::string&, const std::string& d) override {
    return d;
  }
  std::string GetMessageText(int32_t&) override { return "message"; }
  int16_t GetCompanyClassValue(int32_t&) override { return 0; }
  int32_t GetAccountPanel(int32_t&, int32_t&) override { return 0; }
  int32_t GetRevisionCompany(int32_t&, int32_t&) override { return 0; }
  int32_t GetMappedCompany(int32_t&) override { return 0; }
  int16_t GetPanelNameFlag(int32_t&) override { return 0; }
  std::string GetProtocolSection(int32_t, std::string&) override { return ""; }
};

class IniStore : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    for (char& c : name)
      if (c == '/') c = '_';  // parameterised names carry a slash
    root_ = fs::temp_directory_path() / ("kt-ini-" + std::to_string(getpid()) + "-" + name);
    fs::remove_all(root_);
    fs::create_directories(root_ / "Bin");
    fs::create_directories(root_ / "Storage");
    Prepare(env_);
  }
  void TearDown() override { fs::remove_all(root_); }

  void Prepare(IniEnv& env) {
    env.module_dir = (root_ / "Bin").string();
    env.config_factory = [] { return std::make_unique<NoMessages>(); };
  }
  fs::path Ini() const { return root_ / "Storage" / "Vizaride32.ini"; }
  void WriteIni(const std::string& text) const { std::ofstream(Ini(), std::ios::binary) << text; }
  std::string Read(const std::string& section, const std::string& key) const {
    std::string buffer;
    const size_t n = profile::GetPrivateProfileString(section, key, "<none>", buffer, 4096, Ini().string());
    return buffer.substr(0, n);
  }

  fs::path root_;
  IniEnv env_;
};

// --- construction -----------------------------------------------------------

struct BoundCase {
  const char* name;
  std::optional<std::string> ini;  // file contents; none: no file
  int16_t com, tcp;
  int32_t error;  // 0: creation succeeds
};

class IniConstruction : public IniStore, public ::testing::WithParamInterface<BoundCase> {};

TEST_P(IniConstruction, ReadsThePortBounds) {
  const BoundCase& c = GetParam();
  if (c.ini) WriteIni(*c.ini);
  if (c.error != 0) {
    try {
      clsINIData ini(env_);
      FAIL() << "creation succeeded";
    } catch (const VbError& e) {
      EXPECT_EQ(e.number(), c.error);
    }
    return;
  }
  clsINIData ini(env_);
  EXPECT_EQ(ini.max_com_ports(), c.com);
  EXPECT_EQ(ini.max_tcpip_ports(), c.tcp);
}

INSTANTIATE_TEST_SUITE_P(
    Bounds, IniConstruction,
    ::testing::Values(
        BoundCase{"no_file", std::nullopt, 20, 20, 0},
        BoundCase{"no_keys", "[Communications]\nOther=1\n", 20, 20, 0},
        BoundCase{"empty_value", "[Communications]\nMaxComPorts=\n", 20, 20, 0},
        BoundCase{"both_set", "[Communications]\nMaxComPorts=12\nMaxTCPIPPorts=7\n", 12, 7, 0},
        BoundCase{"half_rounds_to_even_down", "[Communications]\nMaxComPorts=12.5\n", 12, 20, 0},
        BoundCase{"half_rounds_to_even_up", "[Communications]\nMaxTCPIPPorts=13.5\n", 20, 14, 0},
        BoundCase{"word", "[Communications]\nMaxComPorts=many\n", 0, 0, vberr::kTypeMismatch},
        BoundCase{"tcp_word", "[Communications]\nMaxTCPIPPorts=x\n", 0, 0, vberr::kTypeMismatch},
        BoundCase{"too_big", "[Communications]\nMaxComPorts=40000\n", 0, 0, vberr::kOverflow}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(IniStore, ConfigServicesFailureFailsCreation) {
  env_.fail_config = true;
  try {
    clsINIData ini(env_);
    FAIL() << "creation succeeded";
  } catch (const VbError& e) {
    EXPECT_EQ(e.number(), test::FakeEnv::kCreationFailure);
  }
}

struct PathCase {
  const char* name;
  const char* module_dir;
  const char* ini_file;
};

class IniPath : public ::testing::TestWithParam<PathCase> {};

TEST_P(IniPath, StorageBesideTheLibraryFolder) {
  IniEnv env;
  env.module_dir = GetParam().module_dir;
  env.config_factory = [] { return std::make_unique<NoMessages>(); };
  clsINIData ini(env);
  EXPECT_EQ(ini.ini_file(), GetParam().ini_file);
}

INSTANTIATE_TEST_SUITE_P(Folders, IniPath,
                         ::testing::Values(PathCase{"nested", "/a/b/Bin", "/a/b/Storage//Vizaride32.ini"},
                                           PathCase{"root", "/Bin", "/Storage//Vizaride32.ini"},
                                           PathCase{"no_separator", "Bin", "Storage//Vizaride32.ini"}),
                         [](const auto& info) { return std::string(info.param.name); });

// --- ini_get ----------------------------------------------------------------

struct GetCase {
  const char* name;
  std::string ini;
  const char* key;
  const char* fallback;
  std::string expected;
};

class IniGet : public IniStore, public ::testing::WithParamInterface<GetCase> {};

TEST_P(IniGet, ReadsOrFallsBack) {
  WriteIni(GetParam().ini);
  clsINIData ini(env_);
  EXPECT_EQ(ini.ini_get("S", GetParam().key, GetParam().fallback), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Values, IniGet,
                         ::testing::Values(GetCase{"present", "[S]\nK=value\n", "K", "d", "value"},
                                           GetCase{"empty_value_takes_default", "[S]\nK=\n", "K", "d", "d"},
                                           GetCase{"empty_value_empty_default", "[S]\nK=\n", "K", "", ""},
                                           GetCase{"missing_key", "[S]\nOther=1\n", "K", "d", "d"},
                                           GetCase{"missing_key_empty_default", "[S]\n", "K", "", ""},
                                           GetCase{"long_value_cut_to_buffer",
                                                   "[S]\nK=" + std::string(1500, 'x') + "\n", "K", "",
                                                   std::string(1199, 'x')}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(IniStore, GetFailureGivesEmptyText) {
  clsINIData ini(env_);
  env_.fail_reads = true;
  EXPECT_EQ(ini.ini_get("S", "K", "d"), "");
  EXPECT_EQ(Err().number, 0);
}

// --- ini_getE2Path ------------------------------------------------------------

const std::string kE2Default = "C:\\Program Files\\Brantwick\\Velmora20\\Storage";

TEST_F(IniStore, E2PathFromFileOrDefault) {
  clsINIData ini(env_);
  EXPECT_EQ(ini.ini_getE2Path(), kE2Default);
  WriteIni("[E2File]\nFile_Path=\n");
  EXPECT_EQ(ini.ini_getE2Path(), kE2Default);
  WriteIni("[E2File]\nFile_Path=/srv/e2\n");
  EXPECT_EQ(ini.ini_getE2Path(), "/srv/e2");
  EXPECT_TRUE(env_.log.empty());
}

TEST_F(IniStore, E2PathFailureIsLoggedAndGivesDefault) {
  WriteIni("[E2File]\nFile_Path=/srv/e2\n");
  clsINIData ini(env_);
  env_.fail_reads = true;
  EXPECT_EQ(ini.ini_getE2Path(), kE2Default);
  const std::vector<test::LogLine> expected = {
      {1, "Keltrane->clsINIData->ini_getE2Path", "Function Error #:5, Error :read failed", std::nullopt}};
  EXPECT_EQ(env_.log, expected);
}

// --- ini_write ----------------------------------------------------------------

struct WriteCase {
  const char* name;
  Variant value;
  std::string stored;  // "<none>": nothing written
};

class IniWrite : public IniStore, public ::testing::WithParamInterface<WriteCase> {};

TEST_P(IniWrite, StoresTheTextForm) {
  clsINIData ini(env_);
  ini.ini_write("Sec", "Key", GetParam().value);
  EXPECT_EQ(Read("Sec", "Key"), GetParam().stored);
  EXPECT_TRUE(env_.boxes.empty());
  EXPECT_EQ(Err().number, 0);
}

INSTANTIATE_TEST_SUITE_P(Values, IniWrite,
                         ::testing::Values(WriteCase{"text", Variant::Str("abc def"), "abc def"},
                                           WriteCase{"boolean", Variant::Bool(true), "True"},
                                           WriteCase{"number", Variant::I4(-42), "-42"},
                                           WriteCase{"null_writes_nothing", Variant::Null(), "<none>"}),
                         [](const auto& info) { return std::string(info.param.name); });

struct FailCase {
  const char* name;
  bool env_refuses;  // else the Storage folder is missing
};

class IniWriteFailure : public IniStore, public ::testing::WithParamInterface<FailCase> {};

TEST_P(IniWriteFailure, OneStopBoxWithTheThreeLines) {
  clsINIData ini(env_);
  if (GetParam().env_refuses)
    env_.fail_writes = true;
  else
    fs::remove_all(root_ / "Storage");
  ini.ini_write("Modem", "Speed", Variant::I4(9600));
  ASSERT_EQ(env_.boxes.size(), 1u);
  EXPECT_EQ(env_.boxes[0].text, "Error writing to Download.ini file\rSection: [Modem]\rSpeed = 9600");
  EXPECT_EQ(env_.boxes[0].title, "ini_write");
  EXPECT_EQ(env_.boxes[0].style, 16u);
  EXPECT_EQ(Err().number, 0);
}

INSTANTIATE_TEST_SUITE_P(Causes, IniWriteFailure,
                         ::testing::Values(FailCase{"refused", true}, FailCase{"no_storage_folder", false}),
                         [](const auto& info) { return std::string(info.param.name); });

// Separate processes, each with its own object, write into one file at once:
// no write may be lost.
TEST_F(IniStore, ConcurrentWritersFromSeparateProcessesLoseNothing) {
  constexpr int kWriters = 4, kKeys = 50;
  std::vector<pid_t> children;
  for (int w = 0; w < kWriters; ++w) {
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      int failures = 0;
      {
        IniEnv env;
        Prepare(env);
        clsINIData ini(env);
        for (int k = 0; k < kKeys; ++k)
          ini.ini_write("Writers", "w" + std::to_string(w) + "k" + std::to_string(k),
                        Variant::I4(w * 1000 + k));
        failures = static_cast<int>(env.boxes.size());
      }
      _exit(failures == 0 ? 0 : 1);
    }
    children.push_back(pid);
  }
  for (pid_t pid : children) {
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  for (int w = 0; w < kWriters; ++w)
    for (int k = 0; k < kKeys; ++k)
      EXPECT_EQ(Read("Writers", "w" + std::to_string(w) + "k" + std::to_string(k)),
                std::to_string(w * 1000 + k));
}

}  // namespace
}  // namespace kt
