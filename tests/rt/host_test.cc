// Host settings, message boxes and module folders.
#include <gtest/gtest.h>

#include <string>

#include "rt/rt_test_util.h"

namespace {

std::string Setting(const char* name) {
  char* value = nullptr;
  HRESULT hr = KtGetHostSetting(name, &value);
  std::string out = hr == S_OK ? value : "<unset>";
  CoTaskMemFree(value);
  return out;
}

TEST(HostSettings, SetReplaceRemove) {
  EXPECT_EQ(Setting("db"), "<unset>");
  for (const char* value : {"/tmp/a.mdb", "", static_cast<const char*>(nullptr)}) {
    ASSERT_EQ(KtSetHostSetting("db", value), S_OK);
    EXPECT_EQ(Setting("db"), value ? value : "<unset>");
  }
  EXPECT_EQ(KtSetHostSetting(nullptr, "x"), E_INVALIDARG);
}

// Without a handler the text goes to standard error and the answer is the
// first button's.
TEST(MessageBox, DefaultPrintsAndAnswers) {
  KtSetMessageBoxHandler(nullptr, nullptr);
  for (auto [style, expected] : {std::pair<UINT, int>{MB_OK | MB_ICONSTOP, IDOK},
                                 {MB_YESNO, IDNO},
                                 {MB_YESNO | MB_ICONQUESTION, IDNO},
                                 {MB_OKCANCEL, IDOK}}) {
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(KtMessageBox("line one\rline two\r\nline three", "Title", style), expected);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "[Title] line one\nline two\nline three\n");
  }
}

TEST(ModuleDir, PathAndFolderOfRunTimeAndProgram) {
  const void* in_run_time = reinterpret_cast<const void*>(&SysAllocString);
  char *path = nullptr, *dir = nullptr;
  ASSERT_EQ(KtGetModulePath(in_run_time, &path), S_OK);
  const std::string file(path);
  CoTaskMemFree(path);
  EXPECT_EQ(file.front(), '/');
  EXPECT_NE(file.find("/libKeltraneRT.so"), std::string::npos) << file;
  ASSERT_EQ(KtGetModuleDir(in_run_time, &dir), S_OK);
  EXPECT_EQ(std::string(dir), file.substr(0, file.rfind('/')));
  CoTaskMemFree(dir);
  // The host's setting takes the folder's place.
  KtSetHostSetting("module-dir", "/opt/keltrane/");
  ASSERT_EQ(KtGetModuleDir(in_run_time, &dir), S_OK);
  EXPECT_EQ(std::string(dir), "/opt/keltrane");
  CoTaskMemFree(dir);
  KtSetHostSetting("module-dir", nullptr);
  // Inside the main program.
  ASSERT_EQ(KtGetModulePath(reinterpret_cast<const void*>(&Setting), &path), S_OK);
  char* exe = realpath("/proc/self/exe", nullptr);
  EXPECT_STREQ(path, exe);
  free(exe);
  CoTaskMemFree(path);
}

}  // namespace
