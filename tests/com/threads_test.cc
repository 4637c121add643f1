// Two threads, each with its own instances of the four classes, calling
// members at the same time, as an apartment-threaded host does.  Under
// ThreadSanitizer (make test-tsan) this shows any data race between them in
// the library, the run time or the suite's components; in every build it
// checks that nothing one thread gets (results, its error information, its
// INI keys, its log lines) is lost to or mixed with the other's.
#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "com/marshal.h"
#include "com/object.h"
#include "db/create.h"
#include "keltrane/keltrane.h"
#include "support/host_runner.h"

namespace kt::com {
namespace {

constexpr int kRounds = 40;
const std::string kProvider = "libRared16uzeRozudivovavuv.so";
const std::string kCompanySource = "\tKeltrane->clsCommon->GetCompanyIdFromPTRID\t";

template <class T>
T* New(REFCLSID clsid, REFIID iid) {
  IClassFactory* factory = nullptr;
  T* object = nullptr;
  if (KtServerGetClassObject(&Server(), clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory)) ==
      S_OK) {
    factory->CreateInstance(nullptr, iid, reinterpret_cast<void**>(&object));
    factory->Release();
  }
  return object;
}

std::string Take(BSTR b) {
  std::string text = FromBstr(b);
  SysFreeString(b);
  return text;
}

// The description in the calling thread's error information (taking it).
std::string ErrorDescription() {
  IErrorInfo* info = nullptr;
  if (GetErrorInfo(0, &info) != S_OK || info == nullptr) return "<none>";
  BSTR description = nullptr;
  info->GetDescription(&description);
  info->Release();
  return Take(description);
}

struct Worker {
  int id;
  LONG revision, company;  // a revision of the demo rows and its company
  std::string root;        // the installed folder the provider names
  std::vector<std::string> wrong;

  void Check(bool ok, const std::string& what, int round) {
    if (!ok) wrong.push_back(what + " in round " + std::to_string(round));
  }

  void Run() {
    const std::string section = "Thread" + std::to_string(id);
    for (int i = 0; i < kRounds; ++i) {
      auto* profile = New<_clsProfile>(CLSID_clsProfile, IID__clsProfile);
      auto* common = New<_clsCommon>(CLSID_clsCommon, IID__clsCommon);
      auto* ini = New<_clsINIData>(CLSID_clsINIData, IID__clsINIData);
      auto* subscriber = New<_clsSubscriber>(CLSID_clsSubscriber, IID__clsSubscriber);
      Check(profile && common && ini && subscriber, "creation", i);
      if (!profile || !common || !ini || !subscriber) return;  // leaked: the test fails anyway

      LONG client = id * 1000 + i, got = 0, max = INT_MAX, one = 1;
      profile->put_SetClientID(client);
      profile->get_GetClientID(&got);
      Check(got == client, "client id", i);
      profile->put_SetMaxRecord(&max);
      Check(profile->put_SetMaxRecord(&one) == static_cast<HRESULT>(0x800A0006), "overflow status", i);
      Check(ErrorDescription() == "Overflow", "overflow error information", i);

      // Found (3 log lines), not found (4, one of them an error line), and a
      // null argument that fails the call before the member runs.
      LONG revision = this->revision, missing = 9999, company = -1;
      common->GetCompanyIdFromPTRID(&revision, &company);
      Check(company == this->company, "company", i);
      common->GetCompanyIdFromPTRID(&missing, &company);
      Check(company == 0, "missing company", i);
      Check(common->GetCompanyIdFromPTRID(nullptr, &company) == E_POINTER, "null argument status", i);
      Check(ErrorDescription() == "A by-reference argument was passed as a null pointer",
            "null argument error", i);
      BSTR path = nullptr;
      common->GetVelmora20InstalledPath(&path);
      Check(Take(path) == root, "installed path", i);

      const std::string value = section + "." + std::to_string(i);
      BSTR s = ToBstr(section), k = ToBstr("k" + std::to_string(i)), none = ToBstr(""), read = nullptr;
      VARIANT v;
      VariantInit(&v);
      v.vt = VT_BSTR;
      v.bstrVal = ToBstr(value);
      ini->ini_write(s, k, v);
      ini->ini_get(s, k, none, &read);
      Check(Take(read) == value, "INI value", i);
      VariantClear(&v);
      for (BSTR b : {s, k, none}) SysFreeString(b);

      BSTR name = nullptr;
      subscriber->GetPanelName(40, &name);
      Check(Take(name) == "TV-2000 EU", "panel name", i);

      for (IUnknown* object : std::initializer_list<IUnknown*>{profile, common, ini, subscriber})
        object->Release();
    }
  }
};

class Threads : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(suite::CreateSuiteDatabase(tree_.Db(), true), "");
    // The installed-path provider beside the library's folder, where it is
    // looked for first (the tests run from the build folder).
    std::filesystem::create_symlink(std::filesystem::absolute("bin/" + kProvider),
                                    tree_.root / "Bin" / kProvider);
    KtSetHostSetting("module-dir", (tree_.root / "Bin").c_str());
    KtSetHostSetting("db", tree_.Db().c_str());
  }
  void TearDown() override {
    KtSetHostSetting("module-dir", nullptr);
    KtSetHostSetting("db", nullptr);
  }
  test::TempTree tree_;
};

TEST_F(Threads, OwnObjectsPerThreadCallConcurrently) {
  const std::string root = tree_.root.string() + "/";
  Worker workers[] = {{0, 301, 1, root, {}}, {1, 330, 3, root, {}}};
  {
    std::jthread a([&] { workers[0].Run(); }), b([&] { workers[1].Run(); });
  }
  for (const Worker& w : workers) {
    EXPECT_EQ(w.wrong, std::vector<std::string>{}) << "thread " << w.id;
    for (int i = 0; i < kRounds; ++i) {
      const std::string section = "Thread" + std::to_string(w.id);
      EXPECT_EQ(test::TempTree::Read(tree_.Ini(), section, "k" + std::to_string(i)),
                section + "." + std::to_string(i));
    }
  }
  std::ifstream log(tree_.root / "Storage" / "Keltrane.log");
  int lines = 0;
  for (std::string line; std::getline(log, line);) lines += line.find(kCompanySource) != std::string::npos;
  EXPECT_EQ(lines, 2 * kRounds * 7);
}

}  // namespace
}  // namespace kt::com
