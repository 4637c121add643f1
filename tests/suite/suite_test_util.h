// Shared helpers of the suite tests: a temporary folder with a demo
// database, components created through the object run time exactly as the
// library creates them, and the thread's error information.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <utility>

#include "base/vbtext.h"
#include "db/create.h"
#include "keltrane/components.h"
#include "keltrane/ktrt.h"

namespace kt::suite::testing {

// A fresh folder under the system's temporary folder, removed afterwards.
class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "kt-suite-XXXXXX").string();
    path_ = mkdtemp(pattern.data());
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// Owns one reference.
template <class I>
class Ref {
 public:
  Ref() = default;
  explicit Ref(I* p) : p_(p) {}
  Ref(Ref&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  Ref& operator=(Ref&& o) noexcept {
    std::swap(p_, o.p_);
    return *this;
  }
  ~Ref() {
    if (p_ != nullptr) p_->Release();
  }
  I* get() const { return p_; }
  I* operator->() const { return p_; }
  I** put() {
    if (p_ != nullptr) p_->Release();
    p_ = nullptr;
    return &p_;
  }
  explicit operator bool() const { return p_ != nullptr; }

 private:
  I* p_ = nullptr;
};

template <class I>
Ref<I> Create(REFCLSID clsid, REFIID iid) {
  Ref<I> p;
  const HRESULT hr =
      CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, iid, reinterpret_cast<void**>(p.put()));
  EXPECT_EQ(hr, S_OK) << "CoCreateInstance";
  return p;
}

// A BSTR argument for one call.
class Bstr {
 public:
  explicit Bstr(std::string_view text) {
    const std::u16string w = base::Utf8ToUtf16(text);
    b_ = SysAllocStringLen(w.data(), static_cast<UINT>(w.size()));
  }
  ~Bstr() { SysFreeString(b_); }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  operator BSTR() const { return b_; }
  BSTR* out() { return &b_; }

 private:
  BSTR b_;
};

// Takes over a BSTR result.
inline std::string Take(BSTR b) {
  std::string text =
      b == nullptr ? std::string() : base::Utf16ToUtf8(std::u16string_view(b, SysStringLen(b)));
  SysFreeString(b);
  return text;
}

struct ErrorText {
  std::string source, description;
};
// The thread's error information (taken, so the next failure starts clean).
inline ErrorText TakeError() {
  ErrorText e;
  IErrorInfo* info = nullptr;
  if (GetErrorInfo(0, &info) == S_OK && info != nullptr) {
    BSTR s = nullptr, d = nullptr;
    info->GetSource(&s);
    info->GetDescription(&d);
    e.source = Take(s);
    e.description = Take(d);
    info->Release();
  }
  return e;
}

inline void SetHost(const char* name, const std::string& value) {
  KtSetHostSetting(name, value.c_str());
}
inline void ClearHost(const char* name) {
  KtSetHostSetting(name, nullptr);
}

// A temporary folder holding Suite.db with the demo rows, named to the
// components by the host setting "db" for the life of the fixture.
class DemoDatabaseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    db_path_ = dir_ / "Suite.db";
    ASSERT_EQ(CreateSuiteDatabase(db_path_, true), "");
    SetHost("db", db_path_);
    SetHost("log", dir_ / "Keltrane.log");
    SetErrorInfo(0, nullptr);
  }
  void TearDown() override {
    ClearHost("db");
    ClearHost("log");
    ClearHost("module-dir");
  }

  TempDir dir_;
  std::string db_path_;
};

}  // namespace kt::suite::testing
