#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "rt/rt_test_util.h"

namespace {

using kt::rt::test::TakeError;
using Classes = kt::rt::test::TempRegistry;

constexpr CLSID kClassA = {0x11111111, 0x2222, 0x3333, {0x44, 0x44, 0x55, 0x55, 0x55, 0x55, 0x55, 0x01}};
constexpr CLSID kClassB = {0x11111111, 0x2222, 0x3333, {0x44, 0x44, 0x55, 0x55, 0x55, 0x55, 0x55, 0x02}};

std::string Text(const CLSID& clsid) {
  OLECHAR buf[39];
  StringFromGUID2(clsid, buf, 39);
  return kt::rt::test::Narrow(buf, 38);
}

// A plain object the fake factory hands out.
struct Thing final : IUnknown {
  ULONG refs = 1;
  int tag;
  explicit Thing(int t) : tag(t) {}
  HRESULT QueryInterface(REFIID riid, void** ppv) override {
    if (!IsEqualIID(riid, IID_IUnknown)) {
      *ppv = nullptr;
      return E_NOINTERFACE;
    }
    *ppv = this;
    AddRef();
    return S_OK;
  }
  ULONG AddRef() override { return ++refs; }
  ULONG Release() override {
    ULONG left = --refs;
    if (left == 0) delete this;
    return left;
  }
};

// A class factory living on the test's stack; counts its references.
struct FakeFactory : IClassFactory {
  ULONG refs = 1;
  int tag;
  HRESULT fail = S_OK;
  const char16_t* fail_text = nullptr;  // error info to leave when failing
  explicit FakeFactory(int t) : tag(t) {}
  HRESULT QueryInterface(REFIID riid, void** ppv) override {
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
      *ppv = static_cast<IClassFactory*>(this);
      AddRef();
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return ++refs; }
  ULONG Release() override { return --refs; }
  HRESULT CreateInstance(IUnknown*, REFIID riid, void** ppv) override {
    if (FAILED(fail)) {
      if (fail_text) {
        ICreateErrorInfo* create = nullptr;
        CreateErrorInfo(&create);
        std::u16string text = fail_text;
        create->SetDescription(text.data());
        IErrorInfo* info = nullptr;
        create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info));
        SetErrorInfo(0, info);
        info->Release();
        create->Release();
      }
      return fail;
    }
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
  TakeError(nullptr);
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
  TakeError(nullptr);
  IClassFactory* cf = nullptr;
  ASSERT_EQ(CoGetClassObject(kClassB, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                             reinterpret_cast<void**>(&cf)),
            S_OK);
  EXPECT_EQ(cf, &factory);
  cf->Release();
  CoRevokeClassObject(cookie);
}

TEST_F(Classes, FactoryErrorInfoIsKept) {
  FakeFactory factory(4);
  DWORD cookie = 0;
  CoRegisterClassObject(kClassB, &factory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie);
  struct {
    HRESULT hr;
    const char16_t* text;
    const char* expected;
  } cases[] = {{E_ACCESSDENIED, u"from the factory", "from the factory"},
               {E_ACCESSDENIED, nullptr, "could not create an instance"}};
  for (const auto& c : cases) {
    factory.fail = c.hr;
    factory.fail_text = c.text;
    HRESULT hr;
    CreateTag(kClassB, &hr);
    EXPECT_EQ(hr, c.hr);
    std::string why;
    ASSERT_TRUE(TakeError(&why));
    EXPECT_NE(why.find(c.expected), std::string::npos) << why;
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
struct FailureCase {
  const char* label;
  std::function<std::string()> server_path;  // "" = no InprocServer32 entry
  HRESULT hr;
  std::function<std::string(const std::string& store)> expected_text;
};

class ClassFailureTest : public Classes, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(ClassFailureTest, ReportsActionableError) {
  const FailureCase& c = GetParam();
  std::string server = c.server_path();
  if (!server.empty()) {
    ASSERT_EQ(KtRegSetValue(("CLSID\\" + Text(kClassA) + "\\InprocServer32").c_str(), "", server.c_str()),
              S_OK);
  }
  TakeError(nullptr);
  void* ptr = reinterpret_cast<void*>(0x1);
  EXPECT_EQ(CoCreateInstance(kClassA, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &ptr), c.hr);
  EXPECT_EQ(ptr, nullptr);
  std::string why, source;
  ASSERT_TRUE(TakeError(&why, &source));
  EXPECT_EQ(source, "KeltraneRT");
  EXPECT_NE(why.find(c.expected_text(path_)), std::string::npos) << why;
}

std::string RunTimePath() {
  char* path = nullptr;
  KtGetModulePath(reinterpret_cast<const void*>(&SysAllocString), &path);
  std::string out = path ? path : "";
  CoTaskMemFree(path);
  return out;
}

INSTANTIATE_TEST_SUITE_P(
    Paths, ClassFailureTest,
    ::testing::Values(
        FailureCase{"NotRegistered", [] { return std::string(); }, REGDB_E_CLASSNOTREG,
                    [](const std::string& store) {
                      return "Class " + Text(kClassA) +
                             " is not registered: no in-process class object, "
                             "no InprocServer32 entry in " +
                             store;
                    }},
        FailureCase{
            "MissingLibrary", [] { return std::string("/nonexistent/libNothing.so"); }, CO_E_DLLNOTFOUND,
            [](const std::string&) { return std::string("Cannot load /nonexistent/libNothing.so: "); }},
        FailureCase{"NoEntryPoint", RunTimePath, CO_E_ERRORINDLL,
                    [](const std::string&) { return RunTimePath() + " has no DllGetClassObject"; }}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(Classes, ProgIdLookups) {
  CLSID clsid{};
  EXPECT_EQ(CLSIDFromProgID(u"Test.Nowhere", &clsid), CO_E_CLASSSTRING);
  std::string why;
  ASSERT_TRUE(TakeError(&why));
  EXPECT_NE(why.find("Test.Nowhere"), std::string::npos);

  // From the store.
  ASSERT_EQ(KtRegSetValue("Test.Stored\\CLSID", "", Text(kClassB).c_str()), S_OK);
  ASSERT_EQ(KtRegSetValue(("CLSID\\" + Text(kClassB) + "\\ProgID").c_str(), "", "Test.Stored"), S_OK);
  ASSERT_EQ(CLSIDFromProgID(u"test.stored", &clsid), S_OK);
  EXPECT_TRUE(IsEqualCLSID(clsid, kClassB));
  LPOLESTR progid = nullptr;
  ASSERT_EQ(ProgIDFromCLSID(kClassB, &progid), S_OK);
  EXPECT_EQ(std::u16string(progid), u"Test.Stored");
  CoTaskMemFree(progid);

  // The in-process ProgID wins over the store.
  ASSERT_EQ(KtRegisterProgID("Test.Stored", kClassA), S_OK);
  ASSERT_EQ(CLSIDFromProgID(u"Test.Stored", &clsid), S_OK);
  EXPECT_TRUE(IsEqualCLSID(clsid, kClassA));
  ASSERT_EQ(ProgIDFromCLSID(kClassA, &progid), S_OK);
  EXPECT_EQ(std::u16string(progid), u"Test.Stored");
  CoTaskMemFree(progid);
}

}  // namespace
