// Small helpers shared by the run-time tests.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "keltrane/ktrt.h"
#include "keltrane/oleauto.h"

namespace kt::rt::test {

// UTF-16 -> narrow for ASCII-only test text.
inline std::string Narrow(const OLECHAR* text, size_t len) {
  std::string out;
  for (size_t i = 0; i < len; ++i) out.push_back(static_cast<char>(text[i]));
  return out;
}

inline std::string Narrow(BSTR text) {
  return text ? Narrow(text, SysStringLen(text)) : std::string();
}

// Takes the calling thread's error info; returns its description and source
// through the out parameters, false when the thread had none.
inline bool TakeError(std::string* description, std::string* source = nullptr) {
  IErrorInfo* info = nullptr;
  if (GetErrorInfo(0, &info) != S_OK) return false;
  BSTR text = nullptr;
  info->GetDescription(&text);
  if (description) *description = Narrow(text);
  SysFreeString(text);
  text = nullptr;
  info->GetSource(&text);
  if (source) *source = Narrow(text);
  SysFreeString(text);
  info->Release();
  return true;
}

// Points KELTRANE_REGISTRY at a fresh folder for the test's duration.
class TempRegistry : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/kt-rt-test-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    path_ = dir_ + "/sub/registry.json";
    const char* old = getenv("KELTRANE_REGISTRY");
    had_old_ = old != nullptr;
    if (had_old_) old_ = old;
    setenv("KELTRANE_REGISTRY", path_.c_str(), 1);
  }
  void TearDown() override {
    if (had_old_) {
      setenv("KELTRANE_REGISTRY", old_.c_str(), 1);
    } else {
      unsetenv("KELTRANE_REGISTRY");
    }
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }

  // The value, or "<none>" when missing.
  static std::string Query(const char* key, const char* name = "") {
    char* value = nullptr;
    HRESULT hr = KtRegQueryValue(key, name, &value);
    std::string out = hr == S_OK && value ? value : "<none>";
    CoTaskMemFree(value);
    return out;
  }

  std::string dir_, path_;
  std::string old_;
  bool had_old_ = false;
};

}  // namespace kt::rt::test
