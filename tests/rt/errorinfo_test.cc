#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "rt/rt_test_util.h"

namespace {

using kt::rt::test::Narrow;
using kt::rt::test::TakeError;

IErrorInfo* MakeError(const char16_t* description) {
  ICreateErrorInfo* create = nullptr;
  EXPECT_EQ(CreateErrorInfo(&create), S_OK);
  std::u16string text = description;
  create->SetDescription(text.data());
  std::u16string source = u"Test";
  create->SetSource(source.data());
  create->SetHelpContext(42);
  IErrorInfo* info = nullptr;
  EXPECT_EQ(create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info)), S_OK);
  create->Release();
  return info;
}

TEST(ErrorInfo, ObjectAnswersBothInterfaces) {
  IErrorInfo* info = MakeError(u"boom");
  ICreateErrorInfo* create = nullptr;
  ASSERT_EQ(info->QueryInterface(IID_ICreateErrorInfo, reinterpret_cast<void**>(&create)), S_OK);
  IUnknown* a = nullptr;
  IUnknown* b = nullptr;
  info->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&a));
  create->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&b));
  EXPECT_EQ(a, b) << "one identity";
  void* other = nullptr;
  EXPECT_EQ(info->QueryInterface(IID_IDispatch, &other), E_NOINTERFACE);
  EXPECT_EQ(other, nullptr);
  BSTR text = nullptr;
  info->GetDescription(&text);
  EXPECT_EQ(Narrow(text), "boom");
  SysFreeString(text);
  DWORD context = 0;
  info->GetHelpContext(&context);
  EXPECT_EQ(context, 42u);
  a->Release();
  b->Release();
  create->Release();
  info->Release();
}

TEST(ErrorInfo, GetTakesAndClears) {
  IErrorInfo* info = MakeError(u"first");
  ASSERT_EQ(SetErrorInfo(0, info), S_OK);
  info->Release();  // the thread keeps its own reference
  std::string description;
  ASSERT_TRUE(TakeError(&description));
  EXPECT_EQ(description, "first");
  IErrorInfo* none = reinterpret_cast<IErrorInfo*>(0x1);
  EXPECT_EQ(GetErrorInfo(0, &none), S_FALSE);
  EXPECT_EQ(none, nullptr);
}

TEST(ErrorInfo, SetNullClears) {
  IErrorInfo* info = MakeError(u"gone");
  SetErrorInfo(0, info);
  info->Release();
  ASSERT_EQ(SetErrorInfo(0, nullptr), S_OK);
  EXPECT_FALSE(TakeError(nullptr));
}

TEST(ErrorInfo, EachThreadHasItsOwn) {
  IErrorInfo* info = MakeError(u"main thread");
  SetErrorInfo(0, info);
  info->Release();
  bool other_saw_any = true;
  std::string other_description;
  std::thread t([&] {
    other_saw_any = TakeError(nullptr);
    IErrorInfo* mine = MakeError(u"worker");
    SetErrorInfo(0, mine);
    mine->Release();
    TakeError(&other_description);
    // Left set on purpose: the thread's exit must release it.
    mine = MakeError(u"left behind");
    SetErrorInfo(0, mine);
    mine->Release();
  });
  t.join();
  EXPECT_FALSE(other_saw_any);
  EXPECT_EQ(other_description, "worker");
  std::string description;
  ASSERT_TRUE(TakeError(&description));
  EXPECT_EQ(description, "main thread");
}

}  // namespace
