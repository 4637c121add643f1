// Several processes sharing the suite's files: the log and the database.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "suite_test_util.h"

namespace kt::suite::testing {
namespace {

// Runs body in `count` child processes (argument: the child's number) and
// returns the exit codes; a child exits with 0 when body returns true.
template <class Body>
std::vector<int> RunChildren(int count, Body body) {
  std::vector<pid_t> pids;
  for (int c = 0; c < count; ++c) {
    const pid_t pid = fork();
    if (pid == 0) _exit(body(c) ? 0 : 1);
    pids.push_back(pid);
  }
  std::vector<int> codes;
  for (pid_t pid : pids) {
    int status = 0;
    waitpid(pid, &status, 0);
    codes.push_back(WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
  }
  return codes;
}

std::vector<std::string> ReadLines(const std::string& path) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

using LoggerTest = DemoDatabaseTest;

TEST_F(LoggerTest, ProcessesAppendWholeLines) {
  const std::string log = dir_ / "Keltrane.log";
  const auto codes = RunChildren(4, [](int child) {
    Ref<IKtLogger> logger = Create<IKtLogger>(CLSID_KtLogger, IID_IKtLogger);
    if (!logger) return false;
    for (int i = 0; i < 100; ++i) {
      const std::string message = "child " + std::to_string(child) + " line " + std::to_string(i);
      if (FAILED(logger->LogEntry(3, Bstr("Suite.Test"), Bstr(message + std::string(200, '.')))))
        return false;
    }
    return true;
  });
  EXPECT_EQ(codes, std::vector<int>(4, 0));
  const std::regex line_format(
      R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z\t3\tSuite\.Test\tchild (\d) line (\d+)\.{200}\t-)");
  std::set<std::pair<int, int>> seen;
  const std::vector<std::string> lines = ReadLines(log);
  EXPECT_EQ(lines.size(), 400u);
  for (const std::string& line : lines) {
    std::smatch m;
    ASSERT_TRUE(std::regex_match(line, m, line_format)) << line;
    seen.emplace(std::stoi(m[1]), std::stoi(m[2]));
  }
  EXPECT_EQ(seen.size(), 400u);
}

// Fields as written: control characters escaped, error number or "-".
TEST_F(LoggerTest, EachEntryIsOneLine) {
  struct {
    const char *source, *message;
    LONG error;  // 0: a plain entry
    const char* fields;
  } const kEntries[] = {
      {"clsCommon", "Function ENTRY", 0, "5\tclsCommon\tFunction ENTRY\t-"},
      {"s", "m", -2147467259, "5\ts\tm\t-2147467259"},
      {"a\tb", "one\r\ntwo\tthree", 0, "5\ta\\tb\tone\\r\\ntwo\\tthree\t-"},
      {"Zürich", "Größe", 0, "5\tZürich\tGröße\t-"},
      {"a\\nb", "\x01\x7F\\", 0, "5\ta\\\\nb\t\\x01\\x7F\\\\\t-"},
  };
  Ref<IKtLogger> logger = Create<IKtLogger>(CLSID_KtLogger, IID_IKtLogger);
  for (const auto& c : kEntries) {
    const HRESULT hr = c.error == 0 ? logger->LogEntry(5, Bstr(c.source), Bstr(c.message))
                                    : logger->LogErrorEntry(5, Bstr(c.source), Bstr(c.message), c.error);
    ASSERT_EQ(hr, S_OK) << TakeError().description;
  }
  const std::vector<std::string> lines = ReadLines(dir_ / "Keltrane.log");
  ASSERT_EQ(lines.size(), std::size(kEntries));
  for (size_t i = 0; i < lines.size(); ++i) {
    ASSERT_EQ(lines[i].find('\t'), 24u) << lines[i];  // 2026-12-05T23:11:02.123Z
    EXPECT_EQ(lines[i].substr(25), kEntries[i].fields);
  }
  // The time is UTC now, to the millisecond.
  std::tm t{};
  const char* rest = strptime(lines[0].c_str(), "%Y-%m-%dT%H:%M:%S.", &t);
  ASSERT_NE(rest, nullptr) << lines[0];
  EXPECT_LT(std::abs(timegm(&t) - std::time(nullptr)), 60) << lines[0];
  EXPECT_TRUE(std::isdigit(rest[0]) && std::isdigit(rest[1]) && std::isdigit(rest[2]) && rest[3] == 'Z');
}

// A component keeps its file open, but each entry goes to the file at the
// path the setting names now: after another process rotated the log, after
// it was removed, after the setting changed; without the setting, a new
// component writes Storage/Keltrane.log beside the module folder.
TEST_F(LoggerTest, EachEntryGoesToTheFileAtThePath) {
  const std::string log = dir_ / "Keltrane.log";
  Ref<IKtLogger> logger = Create<IKtLogger>(CLSID_KtLogger, IID_IKtLogger);
  const auto entry = [&](const char* message) {
    ASSERT_EQ(logger->LogEntry(1, Bstr("s"), Bstr(message)), S_OK);
  };
  entry("first");
  std::filesystem::rename(log, log + ".1");
  entry("after rotation");
  std::filesystem::remove(log);
  entry("after removal");
  SetHost("log", dir_ / "Other.log");
  entry("elsewhere");
  ClearHost("log");
  SetHost("module-dir", dir_ / "bin");
  std::filesystem::create_directories(dir_.path / "Storage");
  Ref<IKtLogger> beside = Create<IKtLogger>(CLSID_KtLogger, IID_IKtLogger);  // its folder is fixed when made
  ASSERT_EQ(beside->LogEntry(1, Bstr("s"), Bstr("default place")), S_OK) << TakeError().description;
  const auto messages = [](const std::string& file) {
    std::vector<std::string> out;
    for (const std::string& line : ReadLines(file)) out.push_back(line.substr(line.find("\ts\t") + 3));
    return out;
  };
  EXPECT_EQ(messages(log + ".1"), std::vector<std::string>{"first\t-"});
  EXPECT_EQ(messages(log), std::vector<std::string>{"after removal\t-"});
  EXPECT_EQ(messages(dir_ / "Other.log"), std::vector<std::string>{"elsewhere\t-"});
  EXPECT_EQ(messages(dir_ / "Storage/Keltrane.log"), std::vector<std::string>{"default place\t-"});
}

// A path in no folder, a link or a FIFO planted at the log's path: the entry
// fails at once with the path named and nothing is written through the
// link; the same component writes again once the path is usable.
TEST_F(LoggerTest, RefusesBadPathsLinksAndFifos) {
  const std::string log = dir_ / "Keltrane.log", target = dir_ / "target", fifo = dir_ / "fifo.log";
  std::ofstream(target) << "kept\n";
  ASSERT_EQ(symlink(target.c_str(), log.c_str()), 0);
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  Ref<IKtLogger> logger = Create<IKtLogger>(CLSID_KtLogger, IID_IKtLogger);
  alarm(20);  // a blocked open fails the test instead of hanging it
  for (const std::string& path : {dir_ / "no/such/folder/Keltrane.log", log, fifo}) {
    SetHost("log", path);
    EXPECT_TRUE(FAILED(logger->LogErrorEntry(1, Bstr("s"), Bstr("m"), 5))) << path;
    const ErrorText e = TakeError();
    EXPECT_EQ(e.source, "KeltraneSuite.Logger");
    EXPECT_NE(e.description.find(path), std::string::npos) << e.description;
  }
  alarm(0);
  EXPECT_EQ(ReadLines(target), std::vector<std::string>{"kept"});
  SetHost("log", dir_ / "Other.log");
  EXPECT_EQ(logger->LogEntry(1, Bstr("s"), Bstr("m")), S_OK);
}

// Four processes, each through its own component, increment one row; WAL
// and the busy timeout must serialise them without a lost update or a
// "database is locked" failure.
TEST_F(DemoDatabaseTest, ConcurrentUpdatesLoseNothing) {
  constexpr int kChildren = 4, kUpdates = 200;
  const std::string failures = dir_ / "failures.txt";
  const auto codes = RunChildren(kChildren, [&](int) {
    Ref<IKtDownloadApplication> app = Download();
    if (!app) return false;
    for (int i = 0; i < kUpdates; ++i) {
      Ref<IUnknown> result;
      if (FAILED(app->ExecuteStatement(
              Bstr("UPDATE unattended_batches SET state = state + 1 WHERE Unattended_Batch_ID = 12"),
              result.put()))) {
        std::ofstream(failures, std::ios::app) << TakeError().description << "\n";
        return false;
      }
    }
    return true;
  });
  EXPECT_EQ(codes, std::vector<int>(kChildren, 0));
  EXPECT_TRUE(ReadLines(failures).empty()) << ReadLines(failures).front();
  // The demo row starts at 0.
  EXPECT_EQ(
      FieldOf(Open("SELECT state FROM unattended_batches WHERE Unattended_Batch_ID = 12").get(), "state"),
      "I4:" + std::to_string(kChildren * kUpdates));
}

}  // namespace
}  // namespace kt::suite::testing
