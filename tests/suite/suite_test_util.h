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
#include "support/temp_folder.h"
#include "support/test_database.h"

namespace kt::suite::testing {

// Owns one reference.
template <class I>
class Ref {
 public:
  Ref() = default;
  explicit Ref(I* p) : p_(p) {}
  Ref(Ref&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
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
  EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, iid, reinterpret_cast<void**>(p.put())),
            S_OK);
  return p;
}
inline Ref<IKtFixedApplication> Fixed() {
  return Create<IKtFixedApplication>(CLSID_KtFixedApplication, IID_IKtFixedApplication);
}
inline Ref<IKtDownloadApplication> Download() {
  return Create<IKtDownloadApplication>(CLSID_KtDownloadApplication, IID_IKtDownloadApplication);
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

// OpenRecordset with the library's trailing arguments.
template <class App>
HRESULT OpenOn(App* app, const std::string& statement, IKtRecordset** rs) {
  VARIANT a, b;
  VariantInit(&a);
  VariantInit(&b);
  a.vt = b.vt = VT_NULL;
  return app->OpenRecordset(Bstr(statement), rs, -1, &a, &b);
}
inline Ref<IKtRecordset> Open(const std::string& statement) {
  Ref<IKtRecordset> rs;
  EXPECT_EQ(OpenOn(Fixed().get(), statement, rs.put()), S_OK) << TakeError().description;
  return rs;
}
inline LONG CountOf(IKtRecordset* rs) {
  LONG n = -1;
  EXPECT_EQ(rs->get_RecordCount(&n), S_OK);
  return n;
}

// A value as text: "I4:300", "R8:2.5", "BSTR:text", "NULL".
inline std::string Describe(VARIANT& v) {
  std::string text = "vt " + std::to_string(v.vt);
  char number[64];
  if (v.vt == VT_I4) text = "I4:" + std::to_string(v.lVal);
  if (v.vt == VT_NULL) text = "NULL";
  if (v.vt == VT_BSTR) text = "BSTR:" + Take(std::exchange(v.bstrVal, nullptr));
  if (v.vt == VT_R8) text = std::string(number, snprintf(number, sizeof number, "R8:%g", v.dblVal));
  VariantClear(&v);
  return text;
}
// The named field of the current row, or "ERR <hr>".
inline std::string FieldOf(IKtRecordset* rs, const char* name) {
  VARIANT v;
  VariantInit(&v);
  const HRESULT hr = rs->get_Field(Bstr(name), &v);
  return hr == S_OK ? Describe(v) : "ERR " + std::to_string(hr);
}

inline void SetHost(const char* name, const std::string& value) {
  KtSetHostSetting(name, value.c_str());
}
inline void ClearHost(const char* name) {
  KtSetHostSetting(name, nullptr);
}

using kt::test::NewTestDatabase;
using kt::test::OnPostgres;

// A temporary folder, and a database with the demo rows (Suite.db in the
// folder, or a PostgreSQL schema) named to the components by the host
// setting "db" for the life of the fixture.
class DemoDatabaseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    db_path_ = NewTestDatabase(dir_ / "Suite.db");
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

  kt::test::TempFolder dir_;
  std::string db_path_;
};

}  // namespace kt::suite::testing
