#include <gtest/gtest.h>

#include <string>

#include "rt/rt_test_util.h"

namespace {

using kt::rt::test::SimpleUnknown;
using kt::rt::test::TakeError;
using kt::rt::test::Text;
using Classes = kt::rt::test::TempRegistry;

constexpr CLSID kClassA = {0x11111111, 0x2222, 0x3333, {0x44, 0x44, 0x55, 0x55, 0x55, 0x55, 0x55, 0x01}};
constexpr CLSID kClassB = {0x11111111, 0x2222, 0x3333, {0x44, 0x44, 0x55, 0x55, 0x55, 0x55, 0x55, 0x02}};

// A plain object the fake factory hands out.
struct Thing final : SimpleUnknown {
  int tag;
  explicit Thing(int t) : tag(t) {}
};

// A class factory living on the test's stack; counts its references.
struct FakeFactory : IClassFactory {
  ULONG refs = 1;
  int tag;
  HRESULT fail = S_OK;
  const char16_t* fail_text = nullptr;  // error info to leave when failing
  explicit FakeFactory(int t) : tag(t) {}
  HRESULT QueryInterface(REFIID riid, void** ppv) override {
    const bool ok = IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory);
    *ppv = ok ? this : nullptr;
    return ok ? (AddRef(), S_OK) : E_NOINTERFACE;
  }
  ULONG AddRef() override { return ++refs; }
  ULONG Release() override { return --refs; }
  HRESULT CreateInstance(IUnknown*, REFIID riid, void** ppv) override {
    if (fail_text) kt::rt::test::SetError(fail_text);
    if (FAILED(fail)) return fail;
    Thing* thing = new Thing(tag);
    HRESULT hr = thing->QueryInterface(riid, ppv);
    thing->Release();
    return hr;
  }
  HRESULT LockServer(BOOL) override { return S_OK; }
};

int CreateTag(const CLSID& clsid, HRESULT* hr_out = nullptr) {
  IUnknown* obj = nullptr;
  HRESULT hr =
      CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, reinterpret_cast<void**>(&obj));
  if (hr_out) *hr_out = hr;
  if (FAILED(hr)) return -1;
  int tag = static_cast<Thing*>(obj)->tag;
  obj->Release();
  return tag;
}

TEST_F(Classes, RegisteredFactoryIsReachedAndNewestWins) {
  FakeFactory first(1), second(2);
  DWORD c1 = 0, c2 = 0;
  ASSERT_EQ(CoRegisterClassObject(kClassA, &first, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &c1), S_OK);
  EXPECT_EQ(first.refs, 2u);
  EXPECT_EQ(CreateTag(kClassA), 1);
  ASSERT_EQ(CoRegisterClassObject(kClassA, &second, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &c2), S_OK);
  EXPECT_NE(c1, c2);
  EXPECT_EQ(CreateTag(kClassA), 2);
  ASSERT_EQ(CoRevokeClassObject(c2), S_OK);
  EXPECT_EQ(second.refs, 1u);
  EXPECT_EQ(CreateTag(kClassA), 1);
  ASSERT_EQ(CoRevokeClassObject(c1), S_OK);
  EXPECT_EQ(first.refs, 1u);
  EXPECT_EQ(CoRevokeClassObject(c1), CO_E_OBJNOTREG);
  HRESULT hr;
  EXPECT_EQ(CreateTag(kClassA, &hr), -1);
  EXPECT_EQ(hr, REGDB_E_CLASSNOTREG);
  TakeError(nullptr);
}

TEST_F(Classes, GetClassObjectQueriesRequestedInterface) {
  FakeFactory factory(3);
  DWORD cookie = 0;
  ASSERT_EQ(CoRegisterClassObject(kClassB, &factory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie),
            S_OK);
  void* ptr = reinterpret_cast<void*>(0x1);
  EXPECT_EQ(CoGetClassObject(kClassB, CLSCTX_INPROC_SERVER, nullptr, IID_IDispatch, &ptr), E_NOINTERFACE);
  EXPECT_EQ(ptr, nullptr);
  ASSERT_EQ(CoGetClassObject(kClassB, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory, &ptr), S_OK);
  EXPECT_EQ(ptr, static_cast<IClassFactory*>(&factory));
  factory.Release();
  CoRevokeClassObject(cookie);
  TakeError(nullptr);
}

// The factory's own error info is kept; without one the run time leaves its own.
TEST_F(Classes, FactoryFailureCarriesErrorInfo) {
  FakeFactory factory(4);
  factory.fail = E_ACCESSDENIED;
  DWORD cookie = 0;
  CoRegisterClassObject(kClassB, &factory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie);
  for (auto [text, expected] :
       {std::pair<const char16_t*, const char*>{u"from the factory", "from the factory"},
        {nullptr, "could not create an instance"}}) {
    factory.fail_text = text;
    HRESULT hr;
    CreateTag(kClassB, &hr);
    EXPECT_EQ(hr, E_ACCESSDENIED);
    std::string why;
    ASSERT_TRUE(TakeError(&why));
    EXPECT_NE(why.find(expected), std::string::npos) << why;
  }
  CoRevokeClassObject(cookie);
}

TEST_F(Classes, AggregationRefused) {
  Thing outer(0);
  void* ptr = nullptr;
  EXPECT_EQ(CoCreateInstance(kClassA, &outer, CLSCTX_INPROC_SERVER, IID_IUnknown, &ptr),
            CLASS_E_NOAGGREGATION);
  EXPECT_TRUE(TakeError(nullptr));
}

// Where the store says the class lives -> the failure and what it explains.
TEST_F(Classes, CreationFailuresExplainThemselves) {
  char* module = nullptr;
  KtGetModulePath(reinterpret_cast<const void*>(&SysAllocString), &module);
  const std::string run_time = module;
  CoTaskMemFree(module);
  const struct {
    std::string server;  // "" = no InprocServer32 entry
    HRESULT hr;
    std::string text;
  } kCases[] = {
      {"", REGDB_E_CLASSNOTREG,
       "Class " + Text(kClassA) +
           " is not registered: no in-process class object, no InprocServer32 entry in " + path_},
      {"/nonexistent/libNothing.so", CO_E_DLLNOTFOUND, "Cannot load /nonexistent/libNothing.so: "},
      {run_time, CO_E_ERRORINDLL, run_time + " has no DllGetClassObject"},
  };
  for (const auto& c : kCases) {
    if (!c.server.empty()) {
      ASSERT_EQ(KtRegSetValue(("CLSID\\" + Text(kClassA) + "\\InprocServer32").c_str(), "", c.server.c_str()),
                S_OK);
    }
    void* ptr = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(CoCreateInstance(kClassA, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &ptr), c.hr);
    EXPECT_EQ(ptr, nullptr);
    std::string why, source;
    ASSERT_TRUE(TakeError(&why, &source));
    EXPECT_EQ(source, "KeltraneRT");
    EXPECT_NE(why.find(c.text), std::string::npos) << why;
  }
}

TEST_F(Classes, ProgIdLookups) {
  CLSID clsid{};
  EXPECT_EQ(CLSIDFromProgID(u"Test.Nowhere", &clsid), CO_E_CLASSSTRING);
  std::string why;
  ASSERT_TRUE(TakeError(&why));
  EXPECT_NE(why.find("Test.Nowhere"), std::string::npos);
  // From the store; then the in-process ProgID wins over the store.
  ASSERT_EQ(KtRegSetValue("Test.Stored\\CLSID", "", Text(kClassB).c_str()), S_OK);
  ASSERT_EQ(KtRegSetValue(("CLSID\\" + Text(kClassB) + "\\ProgID").c_str(), "", "Test.Stored"), S_OK);
  auto check = [&](const char16_t* name, const CLSID& expected) {
    ASSERT_EQ(CLSIDFromProgID(name, &clsid), S_OK);
    EXPECT_TRUE(IsEqualCLSID(clsid, expected));
    LPOLESTR progid = nullptr;
    ASSERT_EQ(ProgIDFromCLSID(expected, &progid), S_OK);
    EXPECT_EQ(std::u16string(progid), u"Test.Stored");
    CoTaskMemFree(progid);
  };
  check(u"test.stored", kClassB);
  ASSERT_EQ(KtRegisterProgID("Test.Stored", kClassA), S_OK);
  check(u"Test.Stored", kClassA);
}

}  // namespace
