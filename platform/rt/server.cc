// In-process server support: the class factory a server hands out, its
// lock count, and writing / removing its registration.
#include <atomic>
#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "rt/registry_store.h"
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

// The class could not be registered (SELFREG_E_CLASS).
constexpr HRESULT kSelfRegClass = static_cast<HRESULT>(0x80040201);

constexpr char kAutomationProxy[] = "{00020424-0000-0000-C000-000000000046}";

}  // namespace

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

STDAPI KtServerRegister(const KtServerDesc* server) {
  if (server == nullptr) return E_INVALIDARG;
  if (!IsComplete(server)) {
    return kt::rt::ReportError(E_INVALIDARG,
                               "The server description lacks a type library id, a name or a class id");
  }
  if (server->module_anchor == nullptr) {
    return kt::rt::ReportError(E_INVALIDARG,
                               std::string("Server ") + server->name +
                                   " gives no address inside its library, so its file is unknown");
  }
  char* module = nullptr;
  if (FAILED(KtGetModulePath(server->module_anchor, &module)) || module == nullptr) {
    return kt::rt::ReportError(kSelfRegClass, std::string("Cannot find the file of server ") + server->name);
  }
  std::string path(module);
  CoTaskMemFree(module);

  const std::string libid = GuidToString(*server->typelib_id);
  const std::string version = Version(server);
  HRESULT hr = kt::rt::RegTransact([&](kt::rt::RegStore& store) {
    const std::string tlb = TypeLibVersionKey(server);
    char lcid[16];
    std::snprintf(lcid, sizeof lcid, "%x", server->lcid);
    store.Set(tlb, "", server->name);
    store.Set(tlb + "\\" + lcid + "\\linux", "", path);
    store.Set(tlb + "\\FLAGS", "", "0");
    for (ULONG i = 0; i < server->class_count; ++i) {
      const KtClassDesc& cls = server->classes[i];
      const std::string clsid = GuidToString(*cls.clsid);
      const std::string key = "CLSID\\" + clsid;
      store.Set(key, "", cls.progid);
      store.Set(key + "\\ProgID", "", cls.progid);
      store.Set(key + "\\InprocServer32", "", path);
      store.Set(key + "\\InprocServer32", "ThreadingModel",
                server->threading_model ? server->threading_model : "Apartment");
      store.Set(key + "\\TypeLib", "", libid);
      store.Set(key + "\\VERSION", "", version);
      store.Set(cls.progid, "", cls.name);
      store.Set(std::string(cls.progid) + "\\CLSID", "", clsid);
      for (const IID& iid : InterfaceIds(cls)) {
        const std::string ikey = "Interface\\" + GuidToString(iid);
        store.Set(ikey, "", cls.interface_name ? cls.interface_name : "");
        store.Set(ikey + "\\ProxyStubClsid32", "", kAutomationProxy);
        store.Set(ikey + "\\TypeLib", "", libid);
        store.Set(ikey + "\\TypeLib", "Version", version);
      }
    }
    return true;
  });
  return FAILED(hr) ? kSelfRegClass : S_OK;
}

STDAPI KtServerUnregister(const KtServerDesc* server) {
  if (server == nullptr) return E_INVALIDARG;
  if (!IsComplete(server)) {
    return kt::rt::ReportError(E_INVALIDARG,
                               "The server description lacks a type library id, a name or a class id");
  }
  HRESULT hr = kt::rt::RegTransact([&](kt::rt::RegStore& store) {
    bool changed = store.DeleteTree(TypeLibVersionKey(server));
    for (ULONG i = 0; i < server->class_count; ++i) {
      const KtClassDesc& cls = server->classes[i];
      changed |= store.DeleteTree("CLSID\\" + GuidToString(*cls.clsid));
      changed |= store.DeleteTree(cls.progid);
      for (const IID& iid : InterfaceIds(cls)) changed |= store.DeleteTree("Interface\\" + GuidToString(iid));
    }
    return changed;
  });
  return FAILED(hr) ? kSelfRegClass : S_OK;
}
