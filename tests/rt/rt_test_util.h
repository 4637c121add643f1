// Small helpers shared by the run-time tests.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <optional>
#include <string>

#include "keltrane/ktrt.h"
#include "keltrane/oleauto.h"
#include "support/temp_folder.h"

namespace kt::rt::test {

// UTF-16 -> narrow for ASCII-only test text.
inline std::string Narrow(const OLECHAR* text, size_t len) {
  return std::string(text, text + len);
}
inline std::string Narrow(BSTR text) {
  return text ? Narrow(text, SysStringLen(text)) : std::string();
}

// Takes the calling thread's error info; returns its description and source
// through the out parameters, false when the thread had none.
inline bool TakeError(std::string* description, std::string* source = nullptr) {
  IErrorInfo* info = nullptr;
  if (GetErrorInfo(0, &info) != S_OK) return false;
  BSTR d = nullptr, s = nullptr;
  info->GetDescription(&d);
  info->GetSource(&s);
  if (description) *description = Narrow(d);
  if (source) *source = Narrow(s);
  SysFreeString(d);
  SysFreeString(s);
  info->Release();
  return true;
}

// A new error object with this description and help context 42.
inline IErrorInfo* MakeError(const char16_t* description) {
  ICreateErrorInfo* create = nullptr;
  EXPECT_EQ(CreateErrorInfo(&create), S_OK);
  std::u16string text = description;
  create->SetDescription(text.data());
  create->SetHelpContext(42);
  IErrorInfo* info = nullptr;
  EXPECT_EQ(create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info)), S_OK);
  create->Release();
  return info;
}
// Sets the thread's error info (which keeps its own reference).
inline void SetError(const char16_t* description) {
  IErrorInfo* info = MakeError(description);
  EXPECT_EQ(SetErrorInfo(0, info), S_OK);
  info->Release();
}

// The text form of a GUID.
inline std::string Text(const GUID& g) {
  OLECHAR buf[39];
  StringFromGUID2(g, buf, 39);
  return Narrow(buf, 38);
}

// Points KELTRANE_REGISTRY at a fresh folder for the test's duration.
class TempRegistry : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = dir_ / "sub/registry.json";
    if (const char* old = getenv("KELTRANE_REGISTRY")) old_ = old;
    setenv("KELTRANE_REGISTRY", path_.c_str(), 1);
  }
  void TearDown() override {
    old_ ? setenv("KELTRANE_REGISTRY", old_->c_str(), 1) : unsetenv("KELTRANE_REGISTRY");
  }

  // The value, or "<none>" when missing.
  static std::string Query(const std::string& key, const std::string& name = "") {
    char* value = nullptr;
    HRESULT hr = KtRegQueryValue(key.c_str(), name.c_str(), &value);
    std::string out = hr == S_OK && value ? value : "<none>";
    CoTaskMemFree(value);
    return out;
  }

  kt::test::TempFolder dir_;
  std::string path_;
  std::optional<std::string> old_;
};

// A plain object that answers only IUnknown and deletes itself at zero.
struct SimpleUnknown : IUnknown {
  ULONG refs = 1;
  virtual ~SimpleUnknown() = default;
  HRESULT QueryInterface(REFIID riid, void** ppv) override {
    *ppv = IsEqualIID(riid, IID_IUnknown) ? this : nullptr;
    return *ppv ? (AddRef(), S_OK) : E_NOINTERFACE;
  }
  ULONG AddRef() override { return ++refs; }
  ULONG Release() override {
    const ULONG left = --refs;
    if (left == 0) delete this;
    return left;
  }
};

}  // namespace kt::rt::test
