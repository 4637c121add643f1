#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <string>

#include "rt/rt_test_util.h"

namespace {

using Registry = kt::rt::test::TempRegistry;

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST_F(Registry, SetCreatesFolderAndQueryReads) {
  EXPECT_EQ(Query("A\\B"), "<none>");
  ASSERT_EQ(KtRegSetValue("A\\B", nullptr, "default"), S_OK);
  ASSERT_EQ(KtRegSetValue("A\\B", "Named", "named value"), S_OK);
  EXPECT_EQ(Query("A\\B"), "default");
  EXPECT_EQ(Query("A\\B", "Named"), "named value");
  EXPECT_EQ(Query("A\\B", "Other"), "<none>");
  EXPECT_EQ(Query("A"), "<none>");
  ASSERT_EQ(KtRegSetValue("A\\B", "", "replaced"), S_OK);
  EXPECT_EQ(Query("A\\B"), "replaced");
  char* value = reinterpret_cast<char*>(0x1);
  EXPECT_EQ(KtRegQueryValue("Missing", "", &value), S_FALSE);
  EXPECT_EQ(value, nullptr);
}

struct CaseLookup {
  const char* key;
  const char* name;
  bool found;
};

class RegistryCaseTest : public Registry, public ::testing::WithParamInterface<CaseLookup> {};

TEST_P(RegistryCaseTest, KeysAndNamesIgnoreCase) {
  ASSERT_EQ(KtRegSetValue("CLSID\\{ABCDEF}\\InprocServer32", "ThreadingModel", "Apartment"), S_OK);
  const CaseLookup& c = GetParam();
  EXPECT_EQ(Query(c.key, c.name), c.found ? "Apartment" : "<none>");
}

INSTANTIATE_TEST_SUITE_P(
    Spellings, RegistryCaseTest,
    ::testing::Values(CaseLookup{"CLSID\\{ABCDEF}\\InprocServer32", "ThreadingModel", true},
                      CaseLookup{"clsid\\{abcdef}\\inprocserver32", "threadingmodel", true},
                      CaseLookup{"CLSID\\{ABCDEF}\\InprocServer32\\", "ThreadingModel", true},
                      CaseLookup{"CLSID\\\\{ABCDEF}\\InprocServer32", "ThreadingModel", true},
                      CaseLookup{"CLSID\\{ABCDEF}", "ThreadingModel", false},
                      CaseLookup{"CLSID\\{ABCDEF}\\InprocServer", "ThreadingModel", false}));

TEST_F(Registry, WriteKeepsFirstSpelling) {
  ASSERT_EQ(KtRegSetValue("Key\\MixedCase", "", "1"), S_OK);
  ASSERT_EQ(KtRegSetValue("KEY\\MIXEDCASE", "", "2"), S_OK);
  std::string text = ReadFile(path_);
  EXPECT_NE(text.find("Key\\\\MixedCase"), std::string::npos) << text;
  EXPECT_EQ(text.find("KEY\\\\MIXEDCASE"), std::string::npos) << text;
  EXPECT_EQ(Query("key\\mixedcase"), "2");
}

TEST_F(Registry, DeleteTreeRemovesSubkeysOnly) {
  const char* keys[] = {"Root\\Item", "Root\\Item\\Child", "root\\item\\child\\Deeper", "Root\\Item2",
                        "Root"};
  for (const char* key : keys) ASSERT_EQ(KtRegSetValue(key, "", key), S_OK);
  ASSERT_EQ(KtRegDeleteTree("ROOT\\ITEM"), S_OK);
  EXPECT_EQ(Query("Root\\Item"), "<none>");
  EXPECT_EQ(Query("Root\\Item\\Child"), "<none>");
  EXPECT_EQ(Query("Root\\Item\\Child\\Deeper"), "<none>");
  EXPECT_EQ(Query("Root\\Item2"), "Root\\Item2") << "a sibling sharing the prefix stays";
  EXPECT_EQ(Query("Root"), "Root");
  EXPECT_EQ(KtRegDeleteTree("Root\\Item"), S_FALSE);
}

TEST_F(Registry, ConcurrentWritersLoseNothing) {
  constexpr int kProcesses = 4;
  constexpr int kKeysEach = 12;
  pid_t children[kProcesses];
  for (int p = 0; p < kProcesses; ++p) {
    children[p] = fork();
    ASSERT_GE(children[p], 0);
    if (children[p] == 0) {
      bool ok = true;
      for (int k = 0; k < kKeysEach; ++k) {
        std::string key = "Writer" + std::to_string(p) + "\\Key" + std::to_string(k);
        ok &= KtRegSetValue(key.c_str(), "", std::to_string(p * 100 + k).c_str()) == S_OK;
      }
      _exit(ok ? 0 : 1);
    }
  }
  for (pid_t child : children) {
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  for (int p = 0; p < kProcesses; ++p) {
    for (int k = 0; k < kKeysEach; ++k) {
      std::string key = "Writer" + std::to_string(p) + "\\Key" + std::to_string(k);
      EXPECT_EQ(Query(key.c_str()), std::to_string(p * 100 + k)) << key;
    }
  }
}

class RegistryCorruptTest : public Registry, public ::testing::WithParamInterface<const char*> {};

TEST_P(RegistryCorruptTest, NotOverwritten) {
  ASSERT_EQ(KtRegSetValue("Seed", "", "x"), S_OK);  // creates the folder
  const std::string damaged = GetParam();
  {
    std::ofstream out(path_, std::ios::binary | std::ios::trunc);
    out << damaged;
  }
  EXPECT_EQ(Query("Seed"), "<none>") << "a damaged store reads as empty";
  EXPECT_EQ(KtRegSetValue("New", "", "value"), REGDB_E_WRITEREGDB);
  std::string why;
  ASSERT_TRUE(kt::rt::test::TakeError(&why));
  EXPECT_NE(why.find(path_), std::string::npos) << why;
  EXPECT_EQ(KtRegDeleteTree("Seed"), REGDB_E_WRITEREGDB);
  kt::rt::test::TakeError(nullptr);
  EXPECT_EQ(ReadFile(path_), damaged);
}

INSTANTIATE_TEST_SUITE_P(Contents, RegistryCorruptTest,
                         ::testing::Values("{\"Seed\": {\"\": \"x\"", "not json at all", "[1, 2, 3]",
                                           "{\"Seed\": \"x\"}", "{\"Seed\": {\"\": 5}}"));

TEST_F(Registry, RejectsEmptyKey) {
  EXPECT_EQ(KtRegSetValue("", "", "x"), E_INVALIDARG);
  EXPECT_EQ(KtRegSetValue("\\\\", "", "x"), E_INVALIDARG);
  EXPECT_EQ(KtRegDeleteTree(""), E_INVALIDARG);
}

}  // namespace
