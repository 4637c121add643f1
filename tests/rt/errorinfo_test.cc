#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "rt/rt_test_util.h"

namespace {

using kt::rt::test::MakeError;
using kt::rt::test::Narrow;
using kt::rt::test::SetError;
using kt::rt::test::TakeError;

TEST(ErrorInfo, ObjectAnswersBothInterfaces) {
  IErrorInfo* info = MakeError(u"boom");
  ICreateErrorInfo* create = nullptr;
  ASSERT_EQ(info->QueryInterface(IID_ICreateErrorInfo, reinterpret_cast<void**>(&create)), S_OK);
  IUnknown *a = nullptr, *b = nullptr;
  info->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&a));
  create->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&b));
  EXPECT_EQ(a, b) << "one identity";
  BSTR text = nullptr;
  info->GetDescription(&text);
  EXPECT_EQ(Narrow(text), "boom");
  SysFreeString(text);
  DWORD context = 0;
  info->GetHelpContext(&context);
  EXPECT_EQ(context, 42u);
  for (IUnknown* p : {a, b, static_cast<IUnknown*>(create), static_cast<IUnknown*>(info)}) p->Release();
}

TEST(ErrorInfo, GetTakesAndSetNullClears) {
  SetError(u"first");
  std::string description;
  ASSERT_TRUE(TakeError(&description));
  EXPECT_EQ(description, "first");
  IErrorInfo* none = reinterpret_cast<IErrorInfo*>(0x1);
  EXPECT_EQ(GetErrorInfo(0, &none), S_FALSE);
  EXPECT_EQ(none, nullptr);
  SetError(u"gone");
  ASSERT_EQ(SetErrorInfo(0, nullptr), S_OK);
  EXPECT_FALSE(TakeError(nullptr));
}

TEST(ErrorInfo, EachThreadHasItsOwn) {
  SetError(u"main thread");
  bool other_saw_any = true;
  std::string other_description;
  std::thread([&] {
    other_saw_any = TakeError(nullptr);
    SetError(u"worker");
    TakeError(&other_description);
    SetError(u"left behind");  // the thread's exit must release it
  }).join();
  EXPECT_FALSE(other_saw_any);
  EXPECT_EQ(other_description, "worker");
  std::string description;
  ASSERT_TRUE(TakeError(&description));
  EXPECT_EQ(description, "main thread");
}

}  // namespace
