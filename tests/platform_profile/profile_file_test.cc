#include "profile/profile_file.h"

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "base/vbtext.h"
#include "keltrane/ktrt.h"
#include "support/temp_folder.h"

namespace kt::profile {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

std::string Slurp(const fs::path& path) {
  std::ostringstream out;
  out << std::ifstream(path, std::ios::binary).rdbuf();
  return out.str();
}
void Spit(const fs::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

std::string Read(const std::string& file, const std::string& section, const std::string& key) {
  std::string buffer;
  GetPrivateProfileString(section, key, "<none>", buffer, 1024, file);
  return buffer;
}

// A file written only by WritePrivateProfileString into one section is its
// header followed by whole CRLF-ended key lines; returns the key line count.
size_t CountKeyLines(const std::string& text, const std::string& header) {
  EXPECT_EQ(text.rfind(header + "\r\n", 0), 0u);
  EXPECT_TRUE(text.ends_with("\r\n"));
  size_t lines = 0;
  for (size_t start = text.find("\r\n") + 2; start < text.size(); ++lines) {
    size_t end = std::min(text.find("\r\n", start), text.size());
    EXPECT_NE(text.substr(start, end - start).find('='), std::string::npos)
        << text.substr(start, end - start);
    start = end + 2;
  }
  return lines;
}

struct ReadCase {
  const char* name;
  std::string text;
  const char* key;
  std::string default_value;
  size_t size;
  std::string want;
  const char* section = "Panel";
};
void PrintTo(const ReadCase& c, std::ostream* os) {
  *os << c.name;
}
class ReadTable : public ::testing::TestWithParam<ReadCase> {};
TEST_P(ReadTable, CopiesValueOrDefault) {
  const ReadCase& c = GetParam();
  test::TempFolder dir;
  Spit(dir / "p.ini", c.text);
  std::string buffer = "stale";
  // The count is in characters; no text here goes beyond U+FFFF, so that is
  // one UTF-16 unit each (a stray byte becomes one U+FFFD).
  EXPECT_EQ(GetPrivateProfileString(c.section, c.key, c.default_value, buffer, c.size, dir / "p.ini"),
            base::Utf8ToUtf16(c.want).size());
  EXPECT_EQ(buffer, c.want);
}
const std::string kLong = [] {
  std::string text;
  for (int i = 0; i < 1500; ++i) text += "\xC3\xA9";  // two bytes, one character
  return text;
}();
INSTANTIATE_TEST_SUITE_P(
    Table, ReadTable,
    ::testing::Values(
        ReadCase{"CaseInsensitive", "[PANEL]\nBaudRate=96\n", "baudrate", "d", 99, "96"},
        ReadCase{"BlanksTrimmed", "  [ panel ]\t\n\t Baud \t=\t 96 00 \t\n", "Baud", "d", 99, "96 00"},
        ReadCase{"DoubleQuotes", "[Panel]\nk = \" a b \" \n", "k", "d", 99, " a b "},
        ReadCase{"SingleQuotes", "[Panel]\nk='x'\n", "k", "d", 99, "x"},
        ReadCase{"UnmatchedQuotes", "[Panel]\nk=\"x'\n", "k", "d", 99, "\"x'"},
        ReadCase{"LoneQuote", "[Panel]\nk=\"\n", "k", "d", 99, "\""},
        ReadCase{"EqualsInValue", "[Panel]\nk=a=b\n", "k", "d", 99, "a=b"},
        ReadCase{"Comments", "[Panel]\n;k=1\n  ; k=2\nk\nk=3\n", "k", "d", 99, "3"},
        ReadCase{"SemicolonKey", "[Panel]\n;[x]\n;k=c\n", ";k", "d", 99, "c"},
        ReadCase{"ArgumentsTrimmed", "[Panel]\nk=v\n", " \tk\t", "d", 99, "v", "\tPanel "},
        ReadCase{"HeaderRunsToLastBracket", "[Pa]nel] ; c\n[Pa\nk=1\n", "k", "d", 99, "1", "pa]nel"},
        ReadCase{"TopLevelKeys", "k=0\n[Panel]\nk=1\n", "k", "d", 99, "0", ""},
        ReadCase{"EmptyHeaderNotTopLevel", "j=0\n[ ]\nk=1\n", "k", "d", 99, "d", ""},
        ReadCase{"EmptyKey", "[Panel]\n=v\n", "", "d", 99, "v"},
        ReadCase{"FirstDuplicateKey", "[Panel]\nk=1\nK=2\n", "k", "d", 99, "1"},
        ReadCase{"OnlyFirstSectionSearched", "[Panel]\nj=1\n[Panel]\nk=2\n", "k", "d", 99, "d"},
        ReadCase{"OtherSection", "k=0\n[Panel1]\nk=1\n[Panel]\n[b]\nk=2\n", "k", "d", 99, "d"},
        ReadCase{"CrLf", "[Panel]\r\nk=v\r\nj=w\r\n", "k", "d", 99, "v"},
        ReadCase{"CrAtEndOfFile", "[Panel]\r\nk=v\r", "k", "d", 99, "v"},
        ReadCase{"MixedLineEnds", "[Panel]\rj=1\rk=v\r\n", "k", "d", 99, "v"},
        ReadCase{"NulEndsLine", "[Panel]\nk=ab\0cd\n"s, "k", "d", 99, "ab"},
        ReadCase{"LeadingNulReadsAsEmpty", "\0\n[Panel]\nk=v\n"s, "k", "d", 99, "d"},
        ReadCase{"Bom", "\xEF\xBB\xBF[Panel]\nk=v\n", "k", "d", 99, "v"},
        ReadCase{"EmptyValue", "[Panel]\nk= \t\r\n", "k", "d", 99, ""},
        ReadCase{"DefaultTrimmedAtEnd", "[Panel]\n", "k", "  abc \t ", 99, "  abc"},
        ReadCase{"DefaultQuotes", "", "k", "'dflt' ", 99, "dflt"},
        ReadCase{"ValueCut700", "[Panel]\nk=" + kLong, "k", "d", 700, kLong.substr(0, 2 * 699)},
        ReadCase{"ValueCut1200", "[Panel]\nk=" + kLong, "k", "d", 1200, kLong.substr(0, 2 * 1199)},
        ReadCase{"SizeZero", "[Panel]\nk=abc\n", "k", "d", 0, ""},
        ReadCase{"DefaultCut", "", "k", "\xC3\xA9\xFF\xE2\x82\xACz", 4, "\xC3\xA9\xFF\xE2\x82\xAC"},
        ReadCase{"DefaultCutLowestContinuation", "", "k", "\xE2\x82\x80zz", 2, "\xE2\x82\x80"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ProfileRead, MissingFileGivesDefault) {
  test::TempFolder dir;
  std::string buffer;
  EXPECT_EQ(GetPrivateProfileString("s", "k", "fallback ", buffer, 99, dir / "none.ini"), 8u);
  EXPECT_EQ(buffer, "fallback");
}

struct WriteCase {
  const char* name;
  std::optional<std::string> before;  // nullopt: no file yet
  const char* section;
  const char* value;
  std::string after;
  const char* key = "Key";
  const char* reads = nullptr;  // what the key reads back as; nullptr: the value
};
void PrintTo(const WriteCase& c, std::ostream* os) {
  *os << c.name;
}
class WriteTable : public ::testing::TestWithParam<WriteCase> {};
TEST_P(WriteTable, EditsOnlyTheKeyLine) {
  const WriteCase& c = GetParam();
  test::TempFolder dir;
  if (c.before) Spit(dir / "p.ini", *c.before);
  ASSERT_TRUE(WritePrivateProfileString(c.section, c.key, c.value, dir / "p.ini"));
  EXPECT_EQ(Slurp(dir / "p.ini"), c.after);
  EXPECT_EQ(Read(dir / "p.ini", c.section, c.key), c.reads ? c.reads : c.value);
}
INSTANTIATE_TEST_SUITE_P(
    Table, WriteTable,
    ::testing::Values(
        WriteCase{"NewFileCrLf", std::nullopt, "S", "v", "[S]\r\nKey=v\r\n"},
        WriteCase{"EmptyValue", "", "S", "", "[S]\r\nKey=\r\n"},
        WriteCase{"Replace", "; c \r\n[a]\r\nx = 1\r\n  key = old ; c\r\n\r\n[b]\r\nkey=b\r\n", "A", "new",
                  "; c \r\n[a]\r\nx = 1\r\nkey=new\r\n\r\n[b]\r\nkey=b\r\n"},
        WriteCase{"ReplaceFirstOfDuplicates", "[a]\nkey=1\nkey=2\n[a]\nkey=3\n", "a", "4",
                  "[a]\nkey=4\nkey=2\n[a]\nkey=3\n"},
        WriteCase{"ReplaceKeepsLineEnds", "[a]\r\nkey=1\nx=2", "a", "5", "[a]\r\nkey=5\nx=2"},
        WriteCase{"NamesMatchedTrimmed", "[a]\r\nKey1=old\r\n", " A\t", "  v  ", "[a]\r\nKey1=v  \r\n",
                  "\tKEY1 ", "v"},
        WriteCase{"NewNamesLoseLeadingBlanks", std::nullopt, "  New  ", " \t", "[New  ]\r\nNew  =\r\n",
                  "  New  ", ""},
        WriteCase{"EmptyKey", "[a]\n=1\n", "a", "2", "[a]\n=2\n", ""},
        WriteCase{"TopLevelAfterLastKey", "a=1\n\n[s]\nb=2\n", "", "v", "a=1\nKey=v\n\n[s]\nb=2\n"},
        WriteCase{"TopLevelFirstLine", "\xEF\xBB\xBF[]\r\nKey=1\r\n", "", "v",
                  "\xEF\xBB\xBFKey=v\r\n[]\r\nKey=1\r\n"},
        WriteCase{"AfterLastKey", "[a]\nx=1\n; note\n\n[b]\ny=2\n", "a", "v",
                  "[a]\nx=1\nKey=v\n; note\n\n[b]\ny=2\n"},
        WriteCase{"BeforeTrailingBlanks", " [ A ] \nx=1\n\n\n", "a", "v", " [ A ] \nx=1\nKey=v\n\n\n"},
        WriteCase{"EmptySection", "[a]\n\n[b]\n", "a", "v", "[a]\nKey=v\n\n[b]\n"},
        WriteCase{"AfterUnendedLastLine", "[a]\nx=1", "a", "v", "[a]\nx=1\nKey=v\n"},
        WriteCase{"NewSectionCrLf", "[a]\r\nx=1\r\n", "b", "v", "[a]\r\nx=1\r\n\r\n[b]\r\nKey=v\r\n"},
        WriteCase{"NewSectionAfterBlank", "key=0\n\n", "b", "v", "key=0\n\n[b]\nKey=v\n"},
        WriteCase{"NewSectionUnended", "[a]\nx=1", "b", "v", "[a]\nx=1\n\n[b]\nKey=v\n"},
        // A lone CR is a line end like the others, and the first line's end is the file's.
        WriteCase{"AfterLastKeyEndedByLoneCr", "[a]\nx=1\r", "a", "v", "[a]\nx=1\rKey=v\n"},
        WriteCase{"HeaderEndedByLoneCr", "[a]\r", "a", "v", "[a]\rKey=v\r"},
        WriteCase{"NewSectionAfterLoneCr", "[a]\n\r", "b", "v", "[a]\n\r[b]\nKey=v\n"},
        WriteCase{"NewSectionBeforeLeadingNul", "\0x\n"s, "a", "v", "[a]\r\nKey=v\r\n\0x\n"s},
        WriteCase{"BomKept", "\xEF\xBB\xBF[a]\r\nkey=1\r\n", "a", "2", "\xEF\xBB\xBF[a]\r\nkey=2\r\n"},
        WriteCase{"Utf16Kept", "\xFF\xFE[\0a\0]\0\n\0"s, "a", "\xC3\xA9",
                  "\xFF\xFE[\0a\0]\0\n\0K\0e\0y\0=\0\xE9\0\n\0"s}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ProfileWrite, BadTargetsFailAndCreateNothing) {
  test::TempFolder dir;
  Spit(dir / "plain", "data");
  EXPECT_FALSE(WritePrivateProfileString("s", "k", "v", dir / "absent/p.ini"));
  EXPECT_FALSE(WritePrivateProfileString("s", "k", "v", dir / "plain/p.ini"));
  EXPECT_FALSE(WritePrivateProfileString("s", "k", "v", ""));
  EXPECT_FALSE(fs::exists(dir / "absent"));
  EXPECT_FALSE(fs::exists(dir / "p.ini"));
  EXPECT_EQ(Slurp(dir / "plain"), "data");
}

// The folder is writable, so only the file's own permission forbids the
// change (a rename alone would ignore it).  Root ignores permission bits, so
// the write then runs in a child process as "nobody".
TEST(ProfileWrite, ReadOnlyFileFailsUnchanged) {
  test::TempFolder dir;
  Spit(dir / "p.ini", "[s]\nk=1\n");
  ASSERT_EQ(chmod((dir / "p.ini").c_str(), 0444) | chmod(dir.path.c_str(), 0777), 0);
  pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(2);
    _exit(WritePrivateProfileString("s", "k", "2", dir / "p.ini") ? 1 : 0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  if (WIFEXITED(status) && WEXITSTATUS(status) == 2) GTEST_SKIP() << "cannot switch to an unprivileged user";
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "write to a read-only file succeeded";
  EXPECT_EQ(Slurp(dir / "p.ini"), "[s]\nk=1\n");
}

TEST(ProfileWrite, KeepsPermissionsAndLeavesNoTemporaryFile) {
  test::TempFolder dir;
  Spit(dir / "p.ini", "[s]\nk=1\n");
  chmod((dir / "p.ini").c_str(), 0640);
  ASSERT_TRUE(WritePrivateProfileString("s", "k", "2", dir / "p.ini"));
  EXPECT_EQ(fs::status(dir / "p.ini").permissions(), fs::perms(0640));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path), {}), 2);  // p.ini and p.ini.lock
}

// Past RLIMIT_FSIZE a write raises SIGXFSZ, which ends a process by default:
// the write fails instead, the signal neither blocked nor pending after it,
// and the old file stays with no temporary file beside it.
TEST(ProfileWrite, FileSizeLimitFailsCleanly) {
  test::TempFolder dir;
  Spit(dir / "p.ini", "[s]\nk=1\n");
  pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    const rlimit limit{4096, 4096};
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(3);
    if (WritePrivateProfileString("s", "k", std::string(8192, 'v'), dir / "p.ini")) _exit(1);
    sigset_t mask, pending;
    pthread_sigmask(SIG_SETMASK, nullptr, &mask);
    sigpending(&pending);
    _exit(sigismember(&mask, SIGXFSZ) || sigismember(&pending, SIGXFSZ) ? 2 : 0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "wait status " << status;
  EXPECT_EQ(Slurp(dir / "p.ini"), "[s]\nk=1\n");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path), {}), 2);  // p.ini and p.ini.lock
}

// Operators share the folder through a group: a rewrite keeps the file's
// group and mode, the lock file gets the file's mode whatever the umask, and
// an operator who may only read the lock file still takes it.  Giving the
// file another group needs root.
TEST(ProfileWrite, SharedFolderKeepsGroupAccess) {
  if (geteuid() != 0) GTEST_SKIP() << "changing a file's group needs root";
  test::TempFolder dir;
  const std::string file = dir / "p.ini";
  Spit(file, "[s]\nk=1\n");
  ASSERT_EQ(chown(file.c_str(), 0, 65534) | chmod(file.c_str(), 0664) | chmod(dir.path.c_str(), 0777), 0);
  const mode_t umask_was = umask(022);
  const bool written = WritePrivateProfileString("s", "k", "2", file);
  umask(umask_was);
  ASSERT_TRUE(written);
  struct stat info {};
  ASSERT_EQ(stat(file.c_str(), &info), 0);
  EXPECT_EQ(info.st_gid, 65534u);
  EXPECT_EQ(info.st_mode & 07777, 0664u);
  ASSERT_EQ(stat((file + ".lock").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0664u);
  ASSERT_EQ(chmod((file + ".lock").c_str(), 0444), 0);
  pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0) _exit(2);
    _exit(WritePrivateProfileString("s", "k", "3", file) ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "wait status " << status;
  EXPECT_EQ(Read(file, "s", "k"), "3");
}

// Names and sizes of a folder's entries, links not followed.
std::set<std::string> Listing(const fs::path& dir) {
  std::set<std::string> out;
  for (const auto& entry : fs::directory_iterator(dir)) {
    struct stat info {};
    lstat(entry.path().c_str(), &info);
    out.insert(entry.path().filename().string() + " " + std::to_string(info.st_size));
  }
  return out;
}

// Something other than a plain profile file at p.ini or at its lock file.
// Reading and writing must neither block (a FIFO) nor take in without end (a
// device, a huge file), nor create or change anything through a link planted
// at the lock file; a link at p.ini itself to a plain file is followed.
struct PlantCase {
  const char* name;
  void (*plant)(const test::TempFolder& dir);
  const char* reads;  // what key k of section s reads as
  bool writes = false;
};
void PrintTo(const PlantCase& c, std::ostream* os) {
  *os << c.name;
}
class Planted : public ::testing::TestWithParam<PlantCase> {};
TEST_P(Planted, NeitherBlocksNorFollowsLinksOut) {
  const PlantCase& c = GetParam();
  test::TempFolder dir;
  c.plant(dir);
  const std::set<std::string> before = Listing(dir.path);
  pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    alarm(5);
    // Room for the process as it is and a little more: a read without end
    // runs out here rather than taking the machine's memory.
    size_t pages = 0;
    std::ifstream("/proc/self/statm") >> pages;
    const rlim_t room = pages * sysconf(_SC_PAGESIZE) + (256u << 20);
    const rlimit limit{room, room};
    setrlimit(RLIMIT_AS, &limit);
    try {
      if (Read(dir / "p.ini", "s", "k") != c.reads) _exit(1);
      _exit(WritePrivateProfileString("s", "k", "22", dir / "p.ini") == c.writes ? 0 : 2);
    } catch (...) {
      _exit(3);  // out of memory: never back into the test runner
    }
  }
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "wait status " << status;
  if (c.writes) {
    EXPECT_TRUE(fs::is_symlink(dir / "p.ini"));
    EXPECT_EQ(Read(dir / "p.ini", "s", "k"), "22");
  } else {
    EXPECT_EQ(Listing(dir.path), before);
  }
}
INSTANTIATE_TEST_SUITE_P(
    Table, Planted,
    ::testing::Values(PlantCase{"FifoAtPath",
                                [](const test::TempFolder& d) {
                                  ASSERT_EQ(mkfifo((d / "p.ini").c_str(), 0644), 0);
                                },
                                "<none>"},
                      PlantCase{"LinkToDevice",
                                [](const test::TempFolder& d) {
                                  ASSERT_EQ(symlink("/dev/zero", (d / "p.ini").c_str()), 0);
                                },
                                "<none>"},
                      PlantCase{"FileOverSizeCap",
                                [](const test::TempFolder& d) {
                                  Spit(d / "p.ini", "[s]\nk=1\n");
                                  ASSERT_EQ(truncate((d / "p.ini").c_str(), 17 << 20), 0);
                                },
                                "<none>"},
                      PlantCase{"LinkAtLockFile",
                                [](const test::TempFolder& d) {
                                  Spit(d / "p.ini", "[s]\nk=1\n");
                                  ASSERT_EQ(symlink((d / "victim").c_str(), (d / "p.ini.lock").c_str()), 0);
                                },
                                "1"},
                      PlantCase{"FifoAtLockFile",
                                [](const test::TempFolder& d) {
                                  Spit(d / "p.ini", "[s]\nk=1\n");
                                  ASSERT_EQ(mkfifo((d / "p.ini.lock").c_str(), 0644), 0);
                                },
                                "1"},
                      PlantCase{"LinkToFileFollowed",
                                [](const test::TempFolder& d) {
                                  Spit(d / "real.ini", "[s]\nk=1\n");
                                  ASSERT_EQ(symlink("real.ini", (d / "p.ini").c_str()), 0);
                                },
                                "1", true}),
    [](const auto& info) { return std::string(info.param.name); });

// Each write reads, edits and replaces the whole file under the lock, so
// writers in other processes never undo each other's keys.
TEST(ProfileProcesses, ParallelWritersLoseNoKeys) {
  constexpr int kWriters = 8, kKeysEach = 500;
  test::TempFolder dir(true);
  std::vector<pid_t> children;
  for (int p = 0; p < kWriters; ++p) {
    children.push_back(fork());
    ASSERT_GE(children.back(), 0);
    if (children.back() == 0) {
      for (int i = 0; i < kKeysEach; ++i) {
        std::string id = std::to_string(p) + "_" + std::to_string(i);
        if (!WritePrivateProfileString("Shared", "k" + id, "v" + id, dir / "s.ini")) _exit(1);
      }
      _exit(0);
    }
  }
  for (pid_t pid : children) {
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  EXPECT_EQ(CountKeyLines(Slurp(dir / "s.ini"), "[Shared]"), size_t{kWriters * kKeysEach});
  for (int p = 0; p < kWriters; ++p) {
    for (int i = 0; i < kKeysEach; ++i) {
      std::string id = std::to_string(p) + "_" + std::to_string(i);
      EXPECT_EQ(Read(dir / "s.ini", "shared", "K" + id), "v" + id);
    }
  }
}

// A writer killed at any moment leaves the old or the new whole file, and
// its lock goes with it.  Each writer reports a key through the pipe once its
// write has returned; every reported key must survive the kill.  The delay
// varies where in a write the kill lands, and several writers in turn carry
// on with the file the last one left, so a non-atomic write is caught.
class KilledWriter : public ::testing::TestWithParam<int> {};
TEST_P(KilledWriter, FileStaysWhole) {
  test::TempFolder dir(true);
  const std::string pad(200, 'p');
  int confirmed = -1;  // highest key index reported so far
  for (int writer = 0; writer < 5 && !HasFailure(); ++writer) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    for (int i = confirmed + 1; pid == 0; ++i) {
      if (!WritePrivateProfileString("Run", "k" + std::to_string(i), std::to_string(i) + pad,
                                     dir / "r.ini") ||
          write(fds[1], &i, sizeof i) != sizeof i) {
        _exit(1);
      }
    }
    close(fds[1]);
    const int started = confirmed;
    int index = 0;
    while (confirmed < started + 20 && read(fds[0], &index, sizeof index) == sizeof index) confirmed = index;
    usleep(GetParam());
    kill(pid, SIGKILL);
    while (read(fds[0], &index, sizeof index) == sizeof index) confirmed = index;
    close(fds[0]);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFSIGNALED(status)) << "writer ended on its own";
    EXPECT_GE(CountKeyLines(Slurp(dir / "r.ini"), "[Run]"), static_cast<size_t>(confirmed + 1));
    for (int i = 0; i <= confirmed; ++i)
      EXPECT_EQ(Read(dir / "r.ini", "Run", "k" + std::to_string(i)), std::to_string(i) + pad);
  }
  EXPECT_TRUE(WritePrivateProfileString("Run", "after", "1", dir / "r.ini"));
}
INSTANTIATE_TEST_SUITE_P(Delays, KilledWriter, ::testing::Values(0, 300, 700, 1100, 1900, 2700));

// Reads are served from a cache while the file is unchanged; a change by any
// writer, within the same second and keeping the size, is seen at once.
TEST(ProfileCache, SeesChangesFromOtherProcessesAndOwnWrites) {
  test::TempFolder dir;
  const std::string file = dir / "c.ini";
  Spit(file, "[S]\nA=1\n");
  EXPECT_EQ(Read(file, "S", "A"), "1");
  EXPECT_EQ(Read(file, "S", "a"), "1");
  if (fork() == 0) {  // another process rewrites the file in place, same size
    std::FILE* g = std::fopen(file.c_str(), "r+");
    std::fputs("[S]\nA=2\n", g);
    std::fclose(g);
    _exit(0);
  }
  int status = 0;
  wait(&status);
  EXPECT_EQ(Read(file, "S", "A"), "2");
  ASSERT_TRUE(WritePrivateProfileString("S", "B", "3", file));
  EXPECT_EQ(Read(file, "S", "B"), "3");
  EXPECT_EQ(Read(file, "S", "A"), "2");
  std::remove(file.c_str());
  EXPECT_EQ(Read(file, "S", "A"), "<none>");
}

// A rewrite in place that keeps the size and puts the modification time back
// (cp -p, touch -r, unpacking an archive) still moves the change time.
TEST(ProfileCache, SeesRewriteWithModificationTimeRestored) {
  test::TempFolder dir;
  const std::string file = dir / "c.ini";
  Spit(file, "[S]\nA=1\n");
  const timespec times[2] = {{1'000'000'000, 0}, {1'000'000'000, 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
  usleep(150'000);  // long enough after the change for the read to be cached
  EXPECT_EQ(Read(file, "S", "A"), "1");
  Spit(file, "[S]\nA=2\n");  // truncated and rewritten: the same inode
  ASSERT_EQ(utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
  EXPECT_EQ(Read(file, "S", "A"), "2");
}

// Inside one member call every read is served from one snapshot (the file
// is asked once); the next call sees what another process wrote meanwhile.
TEST(ProfileCache, OneSnapshotPerMemberCall) {
  test::TempFolder dir;
  const std::string file = dir / "c.ini", other = dir / "other.ini";
  Spit(file, "[S]\nA=1\n");
  usleep(150'000);  // long enough after the change for the read to be cached
  KtEnterCall();
  EXPECT_EQ(Read(file, "S", "A"), "1");
  Spit(other, "[S]\nA=2\n");
  ASSERT_EQ(rename(other.c_str(), file.c_str()), 0);
  EXPECT_EQ(Read(file, "S", "A"), "1");
  KtLeaveCall();
  KtEnterCall();
  EXPECT_EQ(Read(file, "S", "A"), "2");
  KtLeaveCall();
  EXPECT_EQ(KtCallNumber(), 0u);
}

}  // namespace
}  // namespace kt::profile
