// In-process server support: the class factory a server hands out, its
// lock count, and what its registration holds.  Plain C++ over the COM
// interfaces, built for Linux and Windows alike.
#include <atomic>
#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "rt/registration.h"
#include "rt/rt_internal.h"

namespace {

using kt::rt::GuidToString;

// Class factory over one KtClassDesc.  It does not hold a server lock of
// its own: only LockServer and live instances keep the server loaded.
class ClassFactory final : public IClassFactory {
 public:
  ClassFactory(const KtServerDesc* server, const KtClassDesc* cls) : server_(server), cls_(cls) {}

  HRESULT QueryInterface(REFIID riid, void** ppv) override {
    if (ppv == nullptr) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
      *ppv = static_cast<IClassFactory*>(this);
      AddRef();
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return refs_.fetch_add(1, std::memory_order_relaxed) + 1; }
  ULONG Release() override {
    ULONG left = refs_.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (left == 0) delete this;
    return left;
  }

  HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
    if (ppv == nullptr) return E_POINTER;
    *ppv = nullptr;
    if (outer != nullptr) {
      return kt::rt::ReportError(CLASS_E_NOAGGREGATION,
                                 std::string("Class ") + cls_->name + " cannot be aggregated");
    }
    if (cls_->create == nullptr) return E_NOTIMPL;
    return cls_->create(riid, ppv);
  }
  HRESULT LockServer(BOOL lock) override {
    KtServerLock(server_, lock ? +1 : -1);
    return S_OK;
  }

 private:
  ~ClassFactory() = default;

  std::atomic<ULONG> refs_{1};
  const KtServerDesc* server_;
  const KtClassDesc* cls_;
};

std::string Version(const KtServerDesc* server) {
  return std::to_string(server->version_major) + "." + std::to_string(server->version_minor);
}

// The TypeLib key's version part is hexadecimal, as type libraries write it.
std::string TypeLibVersionKey(const KtServerDesc* server) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%x.%x", server->version_major, server->version_minor);
  return "TypeLib\\" + GuidToString(*server->typelib_id) + "\\" + buf;
}

// Every interface id a class answers to: the default one and its earlier ids.
std::vector<IID> InterfaceIds(const KtClassDesc& cls) {
  std::vector<IID> ids;
  if (cls.iid != nullptr) ids.push_back(*cls.iid);
  for (ULONG i = 0; i < cls.earlier_count; ++i) {
    if (cls.earlier_iids != nullptr && cls.earlier_iids[i] != nullptr) ids.push_back(*cls.earlier_iids[i]);
  }
  return ids;
}

bool IsComplete(const KtServerDesc* server) {
  if (server->typelib_id == nullptr || server->name == nullptr) return false;
  if (server->class_count > 0 && server->classes == nullptr) return false;
  for (ULONG i = 0; i < server->class_count; ++i) {
    const KtClassDesc& cls = server->classes[i];
    if (cls.clsid == nullptr || cls.progid == nullptr || cls.name == nullptr) return false;
  }
  return true;
}

constexpr char kAutomationProxy[] = "{00020424-0000-0000-C000-000000000046}";

}  // namespace

namespace kt::rt {

HRESULT CheckServerDesc(const KtServerDesc* server) {
  if (server == nullptr) return E_INVALIDARG;
  if (!IsComplete(server)) {
    return ReportError(E_INVALIDARG, "The server description lacks a type library id, a name or a class id");
  }
  return S_OK;
}

HRESULT ServerModulePath(const KtServerDesc& server, std::string* path) {
  if (server.module_anchor == nullptr) {
    return ReportError(E_INVALIDARG, std::string("Server ") + server.name +
                                         " gives no address inside its library, so its file is unknown");
  }
  char* module = nullptr;
  if (FAILED(KtGetModulePath(server.module_anchor, &module)) || module == nullptr) {
    return ReportError(kSelfRegClass, std::string("Cannot find the file of server ") + server.name);
  }
  *path = module;
  CoTaskMemFree(module);
  return S_OK;
}

std::vector<RegValue> RegistrationValues(const KtServerDesc& server, const std::string& module,
                                         const char* typelib_platform) {
  std::vector<RegValue> out;
  const std::string libid = GuidToString(*server.typelib_id);
  const std::string version = Version(&server);
  if (typelib_platform != nullptr) {
    const std::string tlb = TypeLibVersionKey(&server);
    char lcid[16];
    std::snprintf(lcid, sizeof lcid, "%x", static_cast<unsigned>(server.lcid));
    out.push_back({tlb, "", server.name});
    out.push_back({tlb + "\\" + lcid + "\\" + typelib_platform, "", module});
    out.push_back({tlb + "\\FLAGS", "", "0"});
  }
  for (ULONG i = 0; i < server.class_count; ++i) {
    const KtClassDesc& cls = server.classes[i];
    const std::string clsid = GuidToString(*cls.clsid);
    const std::string key = "CLSID\\" + clsid;
    out.push_back({key, "", cls.progid});
    out.push_back({key + "\\ProgID", "", cls.progid});
    out.push_back({key + "\\VersionIndependentProgID", "", cls.progid});
    out.push_back({key + "\\InprocServer32", "", module});
    out.push_back({key + "\\InprocServer32", "ThreadingModel",
                   server.threading_model ? server.threading_model : "Apartment"});
    out.push_back({key + "\\TypeLib", "", libid});
    out.push_back({key + "\\VERSION", "", version});
    out.push_back({cls.progid, "", cls.name});
    out.push_back({std::string(cls.progid) + "\\CLSID", "", clsid});
    for (const IID& iid : InterfaceIds(cls)) {
      const std::string ikey = "Interface\\" + GuidToString(iid);
      out.push_back({ikey, "", cls.interface_name ? cls.interface_name : ""});
      out.push_back({ikey + "\\ProxyStubClsid32", "", kAutomationProxy});
      out.push_back({ikey + "\\TypeLib", "", libid});
      out.push_back({ikey + "\\TypeLib", "Version", version});
    }
  }
  return out;
}

std::vector<std::string> RegistrationKeys(const KtServerDesc& server, bool with_typelib) {
  std::vector<std::string> out;
  if (with_typelib) out.push_back(TypeLibVersionKey(&server));
  for (ULONG i = 0; i < server.class_count; ++i) {
    const KtClassDesc& cls = server.classes[i];
    out.push_back("CLSID\\" + GuidToString(*cls.clsid));
    out.push_back(cls.progid);
    for (const IID& iid : InterfaceIds(cls)) out.push_back("Interface\\" + GuidToString(iid));
  }
  return out;
}

}  // namespace kt::rt

STDAPI_(void) KtServerLock(const KtServerDesc* server, int delta) {
  if (server == nullptr || server->lock_count == nullptr) return;
  __atomic_add_fetch(server->lock_count, delta, __ATOMIC_SEQ_CST);
}

STDAPI KtServerCanUnloadNow(const KtServerDesc* server) {
  if (server == nullptr || server->lock_count == nullptr) return S_OK;
  return __atomic_load_n(server->lock_count, __ATOMIC_SEQ_CST) == 0 ? S_OK : S_FALSE;
}

STDAPI KtServerGetClassObject(const KtServerDesc* server, REFCLSID rclsid, REFIID riid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  if (server == nullptr) return E_INVALIDARG;
  for (ULONG i = 0; i < server->class_count; ++i) {
    const KtClassDesc& cls = server->classes[i];
    if (cls.clsid == nullptr || !IsEqualCLSID(*cls.clsid, rclsid)) continue;
    auto* factory = new (std::nothrow) ClassFactory(server, &cls);
    if (factory == nullptr) return E_OUTOFMEMORY;
    HRESULT hr = factory->QueryInterface(riid, ppv);
    factory->Release();
    return hr;
  }
  // Not ours: the caller goes on to other servers, so no error info here.
  return CLASS_E_CLASSNOTAVAILABLE;
}
