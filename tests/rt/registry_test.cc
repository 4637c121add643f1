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
  EXPECT_EQ(KtRegSetValue("", "", "x"), E_INVALIDARG);
  EXPECT_EQ(KtRegSetValue("\\\\", "", "x"), E_INVALIDARG);
  EXPECT_EQ(KtRegDeleteTree(""), E_INVALIDARG);
}

// Keys and names ignore case and stray separators; a write keeps the first
// spelling.
TEST_F(Registry, KeysAndNamesIgnoreCase) {
  ASSERT_EQ(KtRegSetValue("CLSID\\{ABCDEF}\\InprocServer32", "ThreadingModel", "Apartment"), S_OK);
  EXPECT_EQ(Query("clsid\\{abcdef}\\inprocserver32", "threadingmodel"), "Apartment");
  EXPECT_EQ(Query("CLSID\\{ABCDEF}\\InprocServer32\\", "ThreadingModel"), "Apartment");
  EXPECT_EQ(Query("CLSID\\\\{ABCDEF}\\InprocServer32", "ThreadingModel"), "Apartment");
  EXPECT_EQ(Query("CLSID\\{ABCDEF}", "ThreadingModel"), "<none>");
  EXPECT_EQ(Query("CLSID\\{ABCDEF}\\InprocServer", "ThreadingModel"), "<none>");
  ASSERT_EQ(KtRegSetValue("CLSID\\{abcdef}\\INPROCSERVER32", "", "2"), S_OK);
  const std::string text = ReadFile(path_);
  EXPECT_EQ(text.find("INPROCSERVER32"), std::string::npos) << text;
  EXPECT_EQ(Query("clsid\\{ABCDEF}\\inprocserver32"), "2");
}

TEST_F(Registry, DeleteTreeRemovesSubkeysOnly) {
  for (const char* key :
       {"Root\\Item", "Root\\Item\\Child", "root\\item\\child\\Deeper", "Root\\Item2", "Root"}) {
    ASSERT_EQ(KtRegSetValue(key, "", key), S_OK);
  }
  ASSERT_EQ(KtRegDeleteTree("ROOT\\ITEM"), S_OK);
  EXPECT_EQ(Query("Root\\Item"), "<none>");
  EXPECT_EQ(Query("Root\\Item\\Child\\Deeper"), "<none>");
  EXPECT_EQ(Query("Root\\Item2"), "Root\\Item2") << "a sibling sharing the prefix stays";
  EXPECT_EQ(Query("Root"), "Root");
  EXPECT_EQ(KtRegDeleteTree("Root\\Item"), S_FALSE);
}

TEST_F(Registry, ConcurrentWritersLoseNothing) {
  constexpr int kProcesses = 4, kKeysEach = 12;
  auto key = [](int p, int k) { return "Writer" + std::to_string(p) + "\\Key" + std::to_string(k); };
  pid_t children[kProcesses];
  for (int p = 0; p < kProcesses; ++p) {
    children[p] = fork();
    ASSERT_GE(children[p], 0);
    if (children[p] == 0) {
      bool ok = true;
      for (int k = 0; k < kKeysEach; ++k) {
        ok &= KtRegSetValue(key(p, k).c_str(), "", std::to_string(p * 100 + k).c_str()) == S_OK;
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
    for (int k = 0; k < kKeysEach; ++k) EXPECT_EQ(Query(key(p, k)), std::to_string(p * 100 + k));
  }
}

// A damaged store reads as empty and is never overwritten.
TEST_F(Registry, CorruptStoreNotOverwritten) {
  ASSERT_EQ(KtRegSetValue("Seed", "", "x"), S_OK);  // creates the folder
  for (const std::string damaged : {"{\"Seed\": {\"\": \"x\"", "not json at all", "[1, 2, 3]",
                                    "{\"Seed\": \"x\"}", "{\"Seed\": {\"\": 5}}"}) {
    std::ofstream(path_, std::ios::binary | std::ios::trunc) << damaged;
    EXPECT_EQ(Query("Seed"), "<none>") << damaged;
    EXPECT_EQ(KtRegSetValue("New", "", "value"), REGDB_E_WRITEREGDB);
    std::string why;
    ASSERT_TRUE(kt::rt::test::TakeError(&why));
    EXPECT_NE(why.find(path_), std::string::npos) << why;
    EXPECT_EQ(KtRegDeleteTree("Seed"), REGDB_E_WRITEREGDB);
    EXPECT_EQ(ReadFile(path_), damaged);
  }
}

// Class lookups keep the store in memory, but never past a change: an edit
// in place that keeps the size, a rewrite by rename, a removal.
TEST_F(Registry, ClassLookupsSeeEveryChange) {
  const auto lookup = [] {
    CLSID clsid{};
    const HRESULT hr = CLSIDFromProgID(u"Cache.Test", &clsid);
    OLECHAR text[40] = {};
    if (FAILED(hr) || StringFromGUID2(clsid, text, 40) == 0) return std::string("none");
    return std::string(text, text + 38);
  };
  const std::string one = "{00000000-0000-0000-0000-000000000001}";
  const std::string two = "{00000000-0000-0000-0000-000000000002}";
  ASSERT_EQ(KtRegSetValue("Cache.Test\\CLSID", nullptr, one.c_str()), S_OK);
  EXPECT_EQ(lookup(), one);
  std::string text = ReadFile(path_);
  text.replace(text.find(one), one.size(), two);
  std::ofstream(path_, std::ios::binary | std::ios::in | std::ios::out) << text;  // same size, same inode
  EXPECT_EQ(lookup(), two);
  ASSERT_EQ(KtRegSetValue("Cache.Test\\CLSID", nullptr, one.c_str()), S_OK);
  EXPECT_EQ(lookup(), one);
  std::remove(path_.c_str());
  EXPECT_EQ(lookup(), "none");
  SetErrorInfo(0, nullptr);
}

}  // namespace
