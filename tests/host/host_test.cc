// The keltrane host as scripts drive it: JSON out, exit codes, usage errors.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <nlohmann/json.hpp>

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

struct Result {
  int status;
  std::string out;
  std::string err;
};

std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += (c == '\'') ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

class HostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("keltrane-host-" + std::to_string(getpid()) + "-" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_ / "Bin");
  }
  void TearDown() override { fs::remove_all(dir_); }

  Result Run(const std::vector<std::string>& args, const std::string& input = "") {
    return RunProgram("bin/keltrane --module-dir " + Quote((dir_ / "Bin").string()), args, input);
  }
  Result RunProgram(const std::string& program, const std::vector<std::string>& args,
                    const std::string& input = "") {
    std::string cmd = "KELTRANE_REGISTRY=" + Quote((dir_ / "registry.json").string()) + " " + program;
    for (const std::string& a : args) cmd += " " + Quote(a);
    const fs::path in = dir_ / "stdin", err = dir_ / "stderr";
    std::ofstream(in) << input;
    cmd += " <" + Quote(in.string()) + " 2>" + Quote(err.string());
    FILE* pipe = popen(cmd.c_str(), "r");
    std::string out;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, pipe)) > 0) out.append(buf, n);
    const int status = pclose(pipe);
    std::stringstream e;
    e << std::ifstream(err).rdbuf();
    return {WEXITSTATUS(status), out, e.str()};
  }

  fs::path dir_;
};

TEST_F(HostTest, CallPrintsOneObject) {
  Result r = Run({"call", "Keltrane.clsProfile", "SetMaxRecord", "5"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(json::parse(r.out),
            json::parse(R"({"hresult": "0x00000000", "result": null, "args": [5], "error": null,
                            "boxes": [], "log": []})"));
}

TEST_F(HostTest, DispatchIdAndClassIdWork) {
  Result r = Run({"call", "{ACAC1532-F0D3-4066-B5DB-3CC28A234EA3}", "0x6003002B"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(json::parse(r.out)["result"], false);
}

TEST_F(HostTest, BatchKeepsStateAndReportsOverflow) {
  Result r = Run({"batch"},
                 "{\"new\": \"s\", \"target\": \"Keltrane.clsProfile\"}\n"
                 "{\"call\": \"s\", \"member\": \"SetMaxRecord\", \"args\": [2147483647]}\n"
                 "{\"call\": \"s\", \"member\": \"setmaxrecord\", \"args\": [1]}\n"
                 "not json \xff\n" +
                     std::string(100000, '[') +
                     "\n"
                     "{\"call\": \"s\", \"member\": \"GetMaxRecord\"}\n"
                     "{\"release\": \"s\"}\n");
  std::vector<json> lines;
  std::istringstream in(r.out);
  for (std::string line; std::getline(in, line);) lines.push_back(json::parse(line));
  ASSERT_EQ(lines.size(), 7u) << r.out;
  lines.erase(lines.begin() + 4);
  EXPECT_EQ(lines[3], json({{"usage", "not a JSON object: not json \uFFFD"}}));
  EXPECT_EQ(lines[0], json({{"ok", true}}));
  EXPECT_EQ(lines[2]["hresult"], "0x800A0006");
  EXPECT_EQ(lines[2]["error"]["number"], 6);
  EXPECT_EQ(lines[2]["error"]["description"], "Overflow");
  EXPECT_EQ(lines[4]["result"], 2147483647);
  EXPECT_EQ(lines[5], json({{"ok", true}}));
  EXPECT_EQ(r.status, 1);
}

struct UsageCase {
  const char* what;
  std::vector<std::string> args;
};

class HostUsageTest : public HostTest, public ::testing::WithParamInterface<UsageCase> {};

TEST_P(HostUsageTest, OneLineOnStderrAndExitTwo) {
  Result r = Run(GetParam().args);
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out, "");
  EXPECT_FALSE(r.err.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HostUsageTest,
    ::testing::Values(UsageCase{"unknown_class", {"call", "Keltrane.clsNothing", "GetMaxRecord"}},
                      UsageCase{"unknown_member", {"call", "Keltrane.clsProfile", "Nothing"}},
                      UsageCase{"unknown_dispid", {"call", "Keltrane.clsProfile", "0x7FFFFFFF"}},
                      UsageCase{"wrong_count", {"call", "Keltrane.clsProfile", "SetMaxRecord"}},
                      UsageCase{"read_only", {"call", "Keltrane.clsProfile", "GetMaxRecord", "1"}},
                      UsageCase{"unknown_option",
                                {"--nothing", "call", "Keltrane.clsProfile", "GetMaxRecord"}},
                      UsageCase{"bad_answer", {"--answer", "maybe", "members", "Keltrane.clsProfile"}},
                      UsageCase{"not_a_number", {"call", "Keltrane.clsProfile", "SetClientID", "abc"}},
                      UsageCase{"invalid_utf8", {"call", "Keltrane.clsProfile", "SetClientID", "\xff"}},
                      UsageCase{"nested_too_deep",
                                {"call", "Keltrane.clsINIData", "ini_write", "S", "K",
                                 std::string(30000, '[') + std::string(30000, ']')}},
                      // A refused element after a string: under the sanitizers a leak
                      // of the list or its strings ends the host with another status.
                      UsageCase{"refused_array_element",
                                {"call", "Keltrane.clsProfile", "GetCommands", R"(["a", {"b": 1}])", "null"}},
                      UsageCase{"refused_list_element",
                                {"call", "Keltrane.clsINIData", "ini_write", "S", "K", R"(["a", {"b": 1}])"}},
                      UsageCase{"no_command", {}}),
    [](const auto& info) { return std::string(info.param.what); });

TEST_F(HostTest, MembersListSlotsInOrder) {
  Result r = Run({"members", "Keltrane.clsINIData"});
  ASSERT_EQ(r.status, 0) << r.err;
  json list = json::parse(r.out);
  ASSERT_EQ(list.size(), 22u);
  EXPECT_EQ(list[7]["slot"], 14);
  EXPECT_EQ(list[7]["kind"], "propget");
  EXPECT_EQ(list[8]["kind"], "propput");
  EXPECT_EQ(list[7]["dispid"], list[8]["dispid"]);
  EXPECT_EQ(list[3]["params"][2],
            json({{"name", "strModem"}, {"type", "SAFEARRAY(BSTR)"}, {"dir", "inout"}}));
}

TEST_F(HostTest, ClassesListIdentitiesAndMembers) {
  Result r = Run({"classes"});
  ASSERT_EQ(r.status, 0) << r.err;
  json list = json::parse(r.out);
  ASSERT_EQ(list.size(), 4u);
  EXPECT_EQ(list[2]["progid"], "Keltrane.clsProfile");
  EXPECT_EQ(list[2]["clsid"], "{ACAC1532-F0D3-4066-B5DB-3CC28A234EA3}");
  EXPECT_EQ(list[2]["interface"], "_clsProfile");
  EXPECT_EQ(list[1]["members"], json::parse(Run({"members", "Keltrane.clsINIData"}).out));
}

TEST_F(HostTest, MemberWithoutHandlerFailsWithTheComponentsError) {
  Result r =
      Run({"--db", (dir_ / "missing.db").string(), "call", "Keltrane.clsINIData", "IsTCPSupport", "300"});
  EXPECT_EQ(r.status, 1);
  json j = json::parse(r.out);
  EXPECT_EQ(j["hresult"], "0x80004005");
  EXPECT_NE(j["error"]["description"].get<std::string>().find("missing.db"), std::string::npos);
}

TEST_F(HostTest, LogFileRotatesBySizeAndKeepsTheSetCount) {
  const std::string log = (dir_ / "k.log").string();
  for (int i = 0; i < 6; ++i)
    ASSERT_EQ(Run({"--log", log, "--log-max-bytes", "400", "--log-keep", "2", "--db",
                   (dir_ / "none.db").string(), "call", "Keltrane.clsCommon", "GetCompanyIdFromPTRID", "300"})
                  .status,
              0);
  EXPECT_TRUE(fs::exists(log + ".1"));
  EXPECT_TRUE(fs::exists(log + ".2"));
  EXPECT_FALSE(fs::exists(log + ".3"));
  std::ifstream rotated(log + ".1");
  std::string line;
  std::getline(rotated, line);
  EXPECT_EQ(std::count(line.begin(), line.end(), '\t'), 4)
      << "whole lines: time, level, source, message, number";
}

TEST_F(HostTest, RegisterWritesAndUnregisterRemovesEveryEntry) {
  ASSERT_EQ(Run({"register"}).status, 0);
  json store = json::parse(std::ifstream(dir_ / "registry.json"));
  const std::string text = store.dump();
  for (const char* id : {"EFA1C806-FDC1-4BA4-B4A3-DFC8442319F0", "9163608E-1800-436D-890E-3439E1FAB0F9",
                         "ACAC1532-F0D3-4066-B5DB-3CC28A234EA3", "45068536-C6D5-4544-8071-6B8E5A418891",
                         "2F6428C3-5E00-4974-80B7-0912C70DE6FB", "D0BAC09F-ED2B-4364-8AF5-82E34E855B40",
                         "AECDE49F-1EF3-4943-A861-3CA6D6FD572D", "Keltrane.clsINIData"})
    EXPECT_NE(text.find(id), std::string::npos) << id;
  ASSERT_EQ(Run({"unregister"}).status, 0);
  const std::string after = json::parse(std::ifstream(dir_ / "registry.json")).dump();
  EXPECT_EQ(after.find("ACAC1532"), std::string::npos);
  EXPECT_EQ(after.find("Keltrane."), std::string::npos);
}

// A library copied into a folder of its own, away from the run time and the
// stand-ins, finds the database in the Storage folder beside that folder.
TEST_F(HostTest, DefaultDatabaseIsBesideTheCreatingLibrary) {
  const fs::path app = dir_ / "App" / "Bin";
  fs::create_directories(app);
  for (const char* file : {"keltrane", "libKeltrane.so.6"}) fs::copy_file(fs::path("bin") / file, app / file);
  const std::string program = "env -u KELTRANE_DB LD_LIBRARY_PATH=" + Quote(fs::absolute("bin").string()) +
                              " " + (app / "keltrane").string();
  ASSERT_EQ(RunProgram(program, {"init", "--demo"}).status, 0);
  ASSERT_TRUE(fs::exists(dir_ / "App" / "Storage" / "Suite.db"));
  Result r = RunProgram(program, {"call", "Keltrane.clsSubscriber", "GetPanelName", "40", "\"\""});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(json::parse(r.out)["args"][1], "TV-2000 EU");
}

TEST_F(HostTest, HelpOnEveryCommand) {
  for (const char* command : {"call", "batch", "members", "classes", "init", "register", "unregister"}) {
    Result r = Run({command, "--help"});
    EXPECT_EQ(r.status, 0) << command;
    EXPECT_NE(r.out.find("Usage"), std::string::npos) << command;
  }
}

}  // namespace
