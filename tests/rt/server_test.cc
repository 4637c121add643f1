#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "rt/rt_test_util.h"

namespace {

using Server = kt::rt::test::TempRegistry;
using kt::rt::test::SimpleUnknown;

constexpr GUID kLib = {0xAAAA0000, 0x0001, 0x0002, {1, 2, 3, 4, 5, 6, 7, 8}};
constexpr CLSID kFirst = {0xAAAA0001, 0x0001, 0x0002, {1, 2, 3, 4, 5, 6, 7, 8}};
constexpr CLSID kSecond = {0xAAAA0002, 0x0001, 0x0002, {1, 2, 3, 4, 5, 6, 7, 8}};
constexpr IID kFirstIid = {0xAAAA1001, 0x0001, 0x0002, {1, 2, 3, 4, 5, 6, 7, 8}};
constexpr IID kFirstOld = {0xAAAA1002, 0x0001, 0x0002, {1, 2, 3, 4, 5, 6, 7, 8}};
constexpr IID kSecondIid = {0xAAAA2001, 0x0001, 0x0002, {1, 2, 3, 4, 5, 6, 7, 8}};
constexpr CLSID kStranger = {0xBBBB0000, 0x0001, 0x0002, {1, 2, 3, 4, 5, 6, 7, 8}};

LONG g_locks = 0;
extern const KtServerDesc kDesc;

// An instance holds a server lock for its lifetime.
struct Instance : SimpleUnknown {
  Instance() { KtServerLock(&kDesc, +1); }
  ~Instance() override { KtServerLock(&kDesc, -1); }
};

HRESULT CreateInstance(REFIID riid, void** ppv) {
  auto* object = new Instance();
  HRESULT hr = object->QueryInterface(riid, ppv);
  object->Release();
  return hr;
}

const IID* const kFirstEarlier[] = {&kFirstOld};
const KtClassDesc kClasses[] = {
    {&kFirst, "clsFirst", "Test.clsFirst", &kFirstIid, "_clsFirst", kFirstEarlier, 1, CreateInstance},
    {&kSecond, "clsSecond", "Test.clsSecond", &kSecondIid, "_clsSecond", nullptr, 0, CreateInstance},
};
const KtServerDesc kDesc = {
    "TestLib", &kLib, 6, 10, 0x409, "Apartment", kClasses, 2, reinterpret_cast<const void*>(&CreateInstance),
    &g_locks};

using kt::rt::test::Text;

class ServerFactoryTest : public ::testing::TestWithParam<const CLSID*> {};

TEST_P(ServerFactoryTest, CreatesAndCountsLocks) {
  ASSERT_EQ(KtServerCanUnloadNow(&kDesc), S_OK);
  IClassFactory* factory = nullptr;
  ASSERT_EQ(
      KtServerGetClassObject(&kDesc, *GetParam(), IID_IClassFactory, reinterpret_cast<void**>(&factory)),
      S_OK);
  EXPECT_EQ(KtServerCanUnloadNow(&kDesc), S_OK) << "the factory itself is no lock";
  void* none = nullptr;
  EXPECT_EQ(factory->QueryInterface(IID_IDispatch, &none), E_NOINTERFACE);

  ASSERT_EQ(factory->LockServer(TRUE), S_OK);
  EXPECT_EQ(KtServerCanUnloadNow(&kDesc), S_FALSE);
  IUnknown* obj = nullptr;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(&obj)), S_OK);
  ASSERT_EQ(factory->LockServer(FALSE), S_OK);
  EXPECT_EQ(KtServerCanUnloadNow(&kDesc), S_FALSE) << "the instance still holds a lock";
  obj->Release();
  EXPECT_EQ(KtServerCanUnloadNow(&kDesc), S_OK);

  factory->Release();
  EXPECT_EQ(g_locks, 0);
}

INSTANTIATE_TEST_SUITE_P(Classes, ServerFactoryTest, ::testing::Values(&kFirst, &kSecond));

// Every key registration writes, with one value it must hold.
struct Expected {
  std::string key, name, value;
};

std::vector<Expected> ExpectedKeys(const std::string& module) {
  const std::string lib = Text(kLib);
  std::vector<Expected> out = {
      {"TypeLib\\" + lib + "\\6.a", "", "TestLib"},
      {"TypeLib\\" + lib + "\\6.a\\409\\linux", "", module},
      {"TypeLib\\" + lib + "\\6.a\\FLAGS", "", "0"},
  };
  struct {
    const CLSID* clsid;
    const char* progid;
    const char* name;
    std::vector<const IID*> iids;
    const char* iname;
  } classes[] = {{&kFirst, "Test.clsFirst", "clsFirst", {&kFirstIid, &kFirstOld}, "_clsFirst"},
                 {&kSecond, "Test.clsSecond", "clsSecond", {&kSecondIid}, "_clsSecond"}};
  for (const auto& c : classes) {
    const std::string key = "CLSID\\" + Text(*c.clsid);
    out.push_back({key, "", c.progid});
    out.push_back({key + "\\ProgID", "", c.progid});
    out.push_back({key + "\\VersionIndependentProgID", "", c.progid});
    out.push_back({key + "\\InprocServer32", "", module});
    out.push_back({key + "\\InprocServer32", "ThreadingModel", "Apartment"});
    out.push_back({key + "\\TypeLib", "", lib});
    out.push_back({key + "\\VERSION", "", "6.10"});
    out.push_back({c.progid, "", c.name});
    out.push_back({std::string(c.progid) + "\\CLSID", "", Text(*c.clsid)});
    for (const IID* iid : c.iids) {
      const std::string ikey = "Interface\\" + Text(*iid);
      out.push_back({ikey, "", c.iname});
      out.push_back({ikey + "\\ProxyStubClsid32", "", "{00020424-0000-0000-C000-000000000046}"});
      out.push_back({ikey + "\\TypeLib", "", lib});
      out.push_back({ikey + "\\TypeLib", "Version", "6.10"});
    }
  }
  return out;
}

TEST_F(Server, RegisterThenUnregisterLeavesOthersAlone) {
  ASSERT_EQ(KtRegSetValue("CLSID\\{OTHER}", "", "keep me"), S_OK);
  ASSERT_EQ(KtRegSetValue(("TypeLib\\" + Text(kLib) + "\\1.0").c_str(), "", "older version"), S_OK);

  ASSERT_EQ(KtServerRegister(&kDesc), S_OK);
  char* module = nullptr;
  ASSERT_EQ(KtGetModulePath(reinterpret_cast<const void*>(&CreateInstance), &module), S_OK);
  const auto expected = ExpectedKeys(module);
  CoTaskMemFree(module);
  for (const Expected& e : expected) EXPECT_EQ(Query(e.key, e.name), e.value) << e.key;

  // Registering twice changes nothing.
  ASSERT_EQ(KtServerRegister(&kDesc), S_OK);

  // The registered ProgID reaches the class id.
  CLSID clsid{};
  ASSERT_EQ(CLSIDFromProgID(u"Test.clsSecond", &clsid), S_OK);
  EXPECT_TRUE(IsEqualCLSID(clsid, kSecond));

  ASSERT_EQ(KtServerUnregister(&kDesc), S_OK);
  for (const Expected& e : expected) EXPECT_EQ(Query(e.key, e.name), "<none>") << e.key;

  std::vector<std::string> keys;
  const nlohmann::json doc = nlohmann::json::parse(std::ifstream(path_));
  for (const auto& item : doc.items()) keys.push_back(item.key());
  EXPECT_EQ(keys, (std::vector<std::string>{"CLSID\\{OTHER}", "TypeLib\\" + Text(kLib) + "\\1.0"}));

  EXPECT_EQ(KtServerUnregister(&kDesc), S_OK) << "unregistering twice is harmless";
}

TEST_F(Server, RegisterFailsOnDamagedStore) {
  ASSERT_EQ(KtRegSetValue("Seed", "", "x"), S_OK);
  std::ofstream(path_, std::ios::trunc) << "{broken";
  EXPECT_TRUE(FAILED(KtServerRegister(&kDesc)));
  std::string why;
  ASSERT_TRUE(kt::rt::test::TakeError(&why));
  EXPECT_NE(why.find(path_), std::string::npos) << why;
}

}  // namespace
