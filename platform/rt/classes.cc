// Class objects and creation: in-process class object registrations,
// in-process ProgIDs, and CoGetClassObject's search through them, the
// registration store's InprocServer32 entries and the default servers that
// live beside this library.
#include <dlfcn.h>
#include <unistd.h>

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "base/vbtext.h"
#include "rt/registry_store.h"
#include "rt/rt_internal.h"

namespace kt::rt {
namespace {

// Libraries beside libKeltraneRT.so asked for classes no one registered, in order.
constexpr const char* kDefaultServers[] = {"libKeltraneSuite.so"};

using GetClassObjectFn = HRESULT (*)(REFCLSID, REFIID, void**);

struct Registration {
  DWORD cookie;
  CLSID clsid;
  IUnknown* object;
};

struct ProgIdEntry {
  std::string progid;  // as registered
  CLSID clsid;
};

struct State {
  std::mutex mutex;
  std::vector<Registration> registrations;
  DWORD next_cookie = 1;
  std::map<std::string, ProgIdEntry> progids;  // by lower-case ProgID
  std::map<std::string, void*> libraries;      // loaded servers by path; never closed
};

State& state() {
  static State* s = new State();  // outlives every static destructor that might create objects
  return *s;
}

// Loads (once) the library at path; on failure error holds dlerror's text.
void* LoadLibrary(const std::string& path, std::string* error) {
  State& s = state();
  std::lock_guard lock(s.mutex);
  if (auto it = s.libraries.find(path); it != s.libraries.end()) return it->second;
  void* handle = ::dlopen(path.c_str(), RTLD_NOW);
  if (handle == nullptr) {
    const char* why = ::dlerror();
    *error = why ? why : "unknown error";
    return nullptr;
  }
  s.libraries.emplace(path, handle);
  return handle;
}

bool IsLoaded(const std::string& path) {
  State& s = state();
  std::lock_guard lock(s.mutex);
  return s.libraries.count(path) != 0;
}

// Asks the server library at path for the class object.  Reports its own
// errors; keeps whatever error info the server left when it fails.
HRESULT AskServer(const std::string& path, REFCLSID clsid, REFIID riid, void** ppv) {
  std::string error;
  void* handle = LoadLibrary(path, &error);
  if (handle == nullptr) return ReportError(CO_E_DLLNOTFOUND, "Cannot load " + path + ": " + error);
  auto entry = reinterpret_cast<GetClassObjectFn>(::dlsym(handle, "DllGetClassObject"));
  if (entry == nullptr) return ReportError(CO_E_ERRORINDLL, path + " has no DllGetClassObject");
  ClearErrorInfo();
  HRESULT hr = entry(clsid, riid, ppv);
  if (FAILED(hr) && !HasErrorInfo()) {
    ReportError(hr, path + " could not supply class " + GuidToString(clsid) + " (" + HexCode(hr) + ")");
  }
  return hr;
}

std::string FindOwnDir() {
  char* path = nullptr;
  if (FAILED(KtGetModulePath(reinterpret_cast<const void*>(&CoGetClassObject), &path)) || path == nullptr) {
    return {};
  }
  std::string dir(path);
  CoTaskMemFree(path);
  size_t slash = dir.rfind('/');
  return slash == std::string::npos ? std::string(".") : dir.substr(0, slash);
}

// The run time's own folder (where the default servers are), found once.
const std::string& OwnDir() {
  static const std::string dir = FindOwnDir();
  return dir;
}

}  // namespace
}  // namespace kt::rt

using namespace kt::rt;

namespace {
std::atomic<int> g_init_count{0};
}

STDAPI CoInitialize(PVOID reserved) {
  return CoInitializeEx(reserved, COINIT_APARTMENTTHREADED);
}

STDAPI CoInitializeEx(PVOID, DWORD) {
  return g_init_count.fetch_add(1, std::memory_order_relaxed) == 0 ? S_OK : S_FALSE;
}

STDAPI_(void) CoUninitialize(void) {
  int count = g_init_count.load(std::memory_order_relaxed);
  while (count > 0 && !g_init_count.compare_exchange_weak(count, count - 1, std::memory_order_relaxed)) {
  }
}

STDAPI CoRegisterClassObject(REFCLSID rclsid, IUnknown* punk, DWORD, DWORD, DWORD* cookie) {
  if (cookie == nullptr) return E_POINTER;
  *cookie = 0;
  if (punk == nullptr) return E_INVALIDARG;
  punk->AddRef();
  State& s = state();
  std::lock_guard lock(s.mutex);
  *cookie = s.next_cookie++;
  s.registrations.push_back({*cookie, rclsid, punk});
  return S_OK;
}

STDAPI CoRevokeClassObject(DWORD cookie) {
  IUnknown* object = nullptr;
  {
    State& s = state();
    std::lock_guard lock(s.mutex);
    for (auto it = s.registrations.begin(); it != s.registrations.end(); ++it) {
      if (it->cookie == cookie) {
        object = it->object;
        s.registrations.erase(it);
        break;
      }
    }
  }
  if (object == nullptr) {
    return ReportError(CO_E_OBJNOTREG,
                       "No class object is registered under cookie " + std::to_string(cookie));
  }
  object->Release();
  return S_OK;
}

STDAPI KtRegisterProgID(const char* progid, REFCLSID clsid) {
  if (progid == nullptr || *progid == '\0') return E_INVALIDARG;
  State& s = state();
  std::lock_guard lock(s.mutex);
  s.progids[kt::base::ToLowerAscii(progid)] = {progid, clsid};
  return S_OK;
}

STDAPI CLSIDFromProgID(LPCOLESTR lpszProgID, CLSID* pclsid) {
  if (lpszProgID == nullptr || pclsid == nullptr) return E_INVALIDARG;
  std::string progid = OleToUtf8(lpszProgID);
  {
    State& s = state();
    std::lock_guard lock(s.mutex);
    if (auto it = s.progids.find(kt::base::ToLowerAscii(progid)); it != s.progids.end()) {
      *pclsid = it->second.clsid;
      return S_OK;
    }
  }
  auto text = RegQuery(progid + "\\CLSID", "");
  if (text && ParseGuid(std::string_view(*text), pclsid)) return S_OK;
  if (text) {
    return ReportError(CO_E_CLASSSTRING,
                       "ProgID " + progid + " has a malformed CLSID \"" + *text + "\" in " + RegistryPath());
  }
  return ReportError(CO_E_CLASSSTRING, "ProgID " + progid +
                                           " is not registered: not registered in this process and no " +
                                           progid + "\\CLSID entry in " + RegistryPath());
}

STDAPI ProgIDFromCLSID(REFCLSID clsid, LPOLESTR* lplpszProgID) {
  if (lplpszProgID == nullptr) return E_INVALIDARG;
  *lplpszProgID = nullptr;
  std::string found;
  {
    State& s = state();
    std::lock_guard lock(s.mutex);
    for (const auto& [key, entry] : s.progids) {
      if (IsEqualCLSID(entry.clsid, clsid)) {
        found = entry.progid;
        break;
      }
    }
  }
  if (found.empty()) {
    auto text = RegQuery("CLSID\\" + GuidToString(clsid) + "\\ProgID", "");
    if (!text || text->empty()) {
      return ReportError(REGDB_E_CLASSNOTREG,
                         "Class " + GuidToString(clsid) +
                             " has no ProgID: not registered in this process and no CLSID\\" +
                             GuidToString(clsid) + "\\ProgID entry in " + RegistryPath());
    }
    found = *text;
  }
  *lplpszProgID = TaskMemDup16(kt::base::Utf8ToUtf16(found));
  return *lplpszProgID == nullptr ? E_OUTOFMEMORY : S_OK;
}

STDAPI CoGetClassObject(REFCLSID rclsid, DWORD, PVOID, REFIID riid, void** ppv) {
  if (ppv == nullptr)
    return ReportError(E_POINTER, "CoGetClassObject was given no place for the class object");
  *ppv = nullptr;
  const std::string name = GuidToString(rclsid);

  // (a) Class objects registered in this process; the newest wins.
  IUnknown* object = nullptr;
  {
    State& s = state();
    std::lock_guard lock(s.mutex);
    for (auto it = s.registrations.rbegin(); it != s.registrations.rend(); ++it) {
      if (IsEqualCLSID(it->clsid, rclsid)) {
        object = it->object;
        object->AddRef();
        break;
      }
    }
  }
  if (object != nullptr) {
    HRESULT hr = object->QueryInterface(riid, ppv);
    object->Release();
    if (FAILED(hr)) {
      return ReportError(hr, "The class object registered for " + name +
                                 " does not offer the requested interface " + GuidToString(riid));
    }
    return hr;
  }

  // (b) The store's InprocServer32 entry.
  std::string store = RegistryPath();
  if (auto path = RegQuery("CLSID\\" + name + "\\InprocServer32", ""); path && !path->empty()) {
    return AskServer(*path, rclsid, riid, ppv);
  }

  // (c) The default servers beside this library.
  const std::string& dir = OwnDir();
  std::string tried;
  for (const char* server : kDefaultServers) {
    std::string path = dir + "/" + server;
    // A server once loaded stays loaded: only a new one is looked for.
    if (!IsLoaded(path) && ::access(path.c_str(), F_OK) != 0) continue;
    HRESULT hr = AskServer(path, rclsid, riid, ppv);
    if (hr == CLASS_E_CLASSNOTAVAILABLE) {
      tried += tried.empty() ? path : ", " + path;
      continue;
    }
    if (hr == CO_E_DLLNOTFOUND || hr == CO_E_ERRORINDLL) {
      // A broken default server must not hide the classes of the others;
      // say what went wrong if no one supplies the class.
      IErrorInfo* info = nullptr;
      BSTR why = nullptr;
      if (GetErrorInfo(0, &info) == S_OK) {
        info->GetDescription(&why);
        info->Release();
      }
      tried += (tried.empty() ? "" : ", ") + BstrToUtf8(why);
      SysFreeString(why);
      continue;
    }
    return hr;
  }
  std::string defaults =
      tried.empty() ? "no default server" : "the default servers do not have it (" + tried + ")";
  return ReportError(REGDB_E_CLASSNOTREG,
                     "Class " + name +
                         " is not registered: no in-process class object, no InprocServer32 "
                         "entry in " +
                         store + ", " + defaults);
}

namespace {
// Return address of the CoCreateInstance call whose factory runs on this
// thread: an address inside the creating library.
thread_local const void* creator = nullptr;
}  // namespace

STDAPI KtGetCreatorModuleDir(char** dir) {
  if (dir == nullptr) return E_POINTER;
  *dir = nullptr;
  return creator == nullptr ? S_FALSE : KtGetModuleDir(creator, dir);
}

STDAPI CoCreateInstance(REFCLSID rclsid, IUnknown* outer, DWORD clsctx, REFIID riid, void** ppv) {
  const void* const caller = __builtin_return_address(0);
  if (ppv == nullptr) return ReportError(E_POINTER, "CoCreateInstance was given no place for the new object");
  *ppv = nullptr;
  if (outer != nullptr) {
    return ReportError(CLASS_E_NOAGGREGATION, "Class " + GuidToString(rclsid) + " cannot be aggregated");
  }
  IClassFactory* factory = nullptr;
  HRESULT hr =
      CoGetClassObject(rclsid, clsctx, nullptr, IID_IClassFactory, reinterpret_cast<void**>(&factory));
  if (FAILED(hr)) return hr;
  ClearErrorInfo();
  const void* const outer_creator = creator;  // a component may create others
  creator = caller;
  hr = factory->CreateInstance(nullptr, riid, ppv);
  creator = outer_creator;
  factory->Release();
  if (FAILED(hr)) {
    *ppv = nullptr;
    if (!HasErrorInfo()) {
      ReportError(hr,
                  "Class " + GuidToString(rclsid) + " could not create an instance (" + HexCode(hr) + ")");
    }
  }
  return hr;
}
