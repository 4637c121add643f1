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
  ASSERT_EQ(KtSetHostSetting("db", "/tmp/a.mdb"), S_OK);
  EXPECT_EQ(Setting("db"), "/tmp/a.mdb");
  ASSERT_EQ(KtSetHostSetting("db", ""), S_OK);
  EXPECT_EQ(Setting("db"), "");
  ASSERT_EQ(KtSetHostSetting("db", nullptr), S_OK);
  EXPECT_EQ(Setting("db"), "<unset>");
  EXPECT_EQ(KtSetHostSetting(nullptr, "x"), E_INVALIDARG);
}

struct BoxCase {
  UINT style;
  int answer;
};

class DefaultMessageBoxTest : public ::testing::TestWithParam<BoxCase> {};

TEST_P(DefaultMessageBoxTest, PrintsAndAnswers) {
  KtSetMessageBoxHandler(nullptr, nullptr);
  ::testing::internal::CaptureStderr();
  int answer = KtMessageBox("line one\rline two\r\nline three", "Title", GetParam().style);
  std::string printed = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(answer, GetParam().answer);
  EXPECT_EQ(printed, "[Title] line one\nline two\nline three\n");
}

INSTANTIATE_TEST_SUITE_P(Styles, DefaultMessageBoxTest,
                         ::testing::Values(BoxCase{MB_OK, IDOK}, BoxCase{MB_OK | MB_ICONSTOP, IDOK},
                                           BoxCase{MB_YESNO, IDNO}, BoxCase{MB_YESNO | MB_ICONQUESTION, IDNO},
                                           BoxCase{MB_OKCANCEL, IDOK}));

TEST(MessageBox, InstalledHandlerGetsEverything) {
  struct Seen {
    std::string text, title;
    UINT style = 0;
  } seen;
  KtSetMessageBoxHandler(
      [](void* context, const char* text, const char* title, UINT style) {
        auto* s = static_cast<Seen*>(context);
        s->text = text;
        s->title = title;
        s->style = style;
        return IDYES;
      },
      &seen);
  EXPECT_EQ(KtMessageBox("Proceed?", "Ask", MB_YESNO), IDYES);
  EXPECT_EQ(seen.text, "Proceed?");
  EXPECT_EQ(seen.title, "Ask");
  EXPECT_EQ(seen.style, static_cast<UINT>(MB_YESNO));
  KtSetMessageBoxHandler(nullptr, nullptr);
}

TEST(ModuleDir, PathAndFolderOfRunTime) {
  char* path = nullptr;
  ASSERT_EQ(KtGetModulePath(reinterpret_cast<const void*>(&SysAllocString), &path), S_OK);
  std::string file(path);
  CoTaskMemFree(path);
  EXPECT_EQ(file.front(), '/');
  EXPECT_NE(file.find("/libKeltraneRT.so"), std::string::npos) << file;

  char* dir = nullptr;
  ASSERT_EQ(KtGetModuleDir(reinterpret_cast<const void*>(&SysAllocString), &dir), S_OK);
  std::string folder(dir);
  CoTaskMemFree(dir);
  EXPECT_EQ(folder, file.substr(0, file.rfind('/')));
  EXPECT_NE(folder.back(), '/');

  // The host's setting takes the folder's place.
  KtSetHostSetting("module-dir", "/opt/keltrane/");
  ASSERT_EQ(KtGetModuleDir(reinterpret_cast<const void*>(&SysAllocString), &dir), S_OK);
  EXPECT_EQ(std::string(dir), "/opt/keltrane");
  CoTaskMemFree(dir);
  KtSetHostSetting("module-dir", nullptr);
}

TEST(ModuleDir, MainProgramPath) {
  char* path = nullptr;
  ASSERT_EQ(KtGetModulePath(reinterpret_cast<const void*>(&Setting), &path), S_OK);
  char* exe = realpath("/proc/self/exe", nullptr);
  EXPECT_STREQ(path, exe);
  free(exe);
  CoTaskMemFree(path);
}

}  // namespace
