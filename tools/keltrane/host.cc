#include "host.h"

#include <cstdio>
#include <filesystem>
#include <iostream>

#include "args.h"
#include "base/paths.h"
#include "base/vbtext.h"
#include "keltrane/keltrane.h"
#include "system.h"

namespace kt::host {

namespace fs = std::filesystem;

namespace {

std::string HresultText(HRESULT hr) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<uint32_t>(hr));
  return text;
}

// The error number a caller of the member sees: the run-time number for
// 0x800A.... statuses, else the status itself.
int64_t ErrorNumber(HRESULT hr) {
  if ((static_cast<uint32_t>(hr) & 0xFFFF0000u) == 0x800A0000u) return hr & 0xFFFF;
  return hr;
}

json ErrorObject(HRESULT hr, BSTR source, BSTR description) {
  return {{"number", ErrorNumber(hr)}, {"source", BstrText(source)}, {"description", BstrText(description)}};
}

// A path of the command line (UTF-8) made absolute, as UTF-8.
std::string Absolute(const std::string& path) {
  return base::Utf8FromPath(fs::absolute(base::PathFromUtf8(path)));
}

}  // namespace

Host::Host(const Options& options) : options_(options) {
  CoInitialize(nullptr);
  if (!options_.module_dir.empty()) KtSetHostSetting("module-dir", Absolute(options_.module_dir).c_str());
  if (!options_.windows_dir.empty()) KtSetHostSetting("windows-dir", Absolute(options_.windows_dir).c_str());
  if (!options_.db.empty()) KtSetHostSetting("db", options_.db.c_str());
  if (!options_.log.empty()) KtSetHostSetting("log", Absolute(options_.log).c_str());
  if (!options_.log_max_bytes.empty()) KtSetHostSetting("log-max-bytes", options_.log_max_bytes.c_str());
  if (!options_.log_keep.empty()) KtSetHostSetting("log-keep", options_.log_keep.c_str());
  KtSetMessageBoxHandler(&Host::ShowBox, this);
  tap_ = std::make_unique<LogTap>(&log_);

  library_ = LoadKeltrane();
  auto get_class_object =
      Symbol<HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**)>(library_, "DllGetClassObject");
  register_ = Symbol<HRESULT(STDAPICALLTYPE*)()>(library_, "DllRegisterServer");
  unregister_ = Symbol<HRESULT(STDAPICALLTYPE*)()>(library_, "DllUnregisterServer");
  // The library's classes are reachable by class id and ProgID in this
  // process without a registration step.
  for (const com::ClassInfo* cls : com::AllClasses()) {
    IUnknown* factory = nullptr;
    if (FAILED(get_class_object(*cls->clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory))))
      continue;
    DWORD cookie = 0;
    if (SUCCEEDED(
            CoRegisterClassObject(*cls->clsid, factory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie)))
      cookies_.push_back(cookie);
    factory->Release();
#ifndef _WIN32
    KtRegisterProgID(cls->progid, *cls->clsid);
#endif
  }
}

Host::~Host() {
  for (DWORD cookie : cookies_) CoRevokeClassObject(cookie);
  tap_.reset();
  KtSetMessageBoxHandler(nullptr, nullptr);
  CoUninitialize();
}

int Host::ShowBox(void* context, const char* text, const char* title, UINT style) {
  auto* self = static_cast<Host*>(context);
  const bool yes_no = (style & 0xF) == MB_YESNO;
  const bool yes = yes_no && self->options_.answer == "yes";
  std::string shown = text;
  for (char& c : shown)
    if (c == '\r') c = '\n';
  std::cerr << "[" << title << "] " << shown;
  if (yes_no) std::cerr << " -> " << (yes ? "Yes" : "No");
  std::cerr << "\n";
  self->boxes_.push_back({{"title", title},
                          {"text", text},
                          {"style", style},
                          {"answer", yes_no ? json(yes ? "yes" : "no") : json(nullptr)}});
  return yes_no ? (yes ? IDYES : IDNO) : IDOK;
}

const com::ClassInfo& Host::ResolveClass(const std::string& target) const {
  // The library's own ProgIDs are known without a registration (as
  // KtRegisterProgID makes them on Linux); others go to the system.
  for (const com::ClassInfo* cls : com::AllClasses())
    if (base::EqualsNoCase(target, cls->progid)) return *cls;
  CLSID clsid{};
  BSTR wide = NewBstr(target);
  HRESULT hr = target.starts_with("{") ? CLSIDFromString(wide, &clsid) : CLSIDFromProgID(wide, &clsid);
  SysFreeString(wide);
  const com::ClassInfo* cls = SUCCEEDED(hr) ? com::FindClass(clsid) : nullptr;
  if (cls == nullptr) throw UsageError{"unknown class: " + target};
  return *cls;
}

json Host::FailureObject(HRESULT hr) {
  json error = nullptr;
  IErrorInfo* info = nullptr;
  if (GetErrorInfo(0, &info) == S_OK && info != nullptr) {
    BSTR source = nullptr, description = nullptr;
    info->GetSource(&source);
    info->GetDescription(&description);
    error = ErrorObject(hr, source, description);
    SysFreeString(source);
    SysFreeString(description);
    info->Release();
  } else if (FAILED(hr)) {
    error = {{"number", ErrorNumber(hr)}, {"source", ""}, {"description", ""}};
  }
  return {{"hresult", HresultText(hr)}, {"result", nullptr}, {"args", json::array()}, {"error", error}};
}

IDispatch* Host::Create(const com::ClassInfo& cls, json* failure) {
  boxes_ = json::array();
  log_ = json::array();
  IDispatch* object = nullptr;
  HRESULT hr = CoCreateInstance(*cls.clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                reinterpret_cast<void**>(&object));
  if (SUCCEEDED(hr)) return object;
  *failure = FailureObject(hr);
  (*failure)["boxes"] = boxes_;
  (*failure)["log"] = log_;
  return nullptr;
}

namespace {

const com::MemberInfo& ResolveMember(const com::ClassInfo& cls, const std::string& name, size_t argc) {
  const com::InterfaceInfo& iface = *cls.iface;
  std::vector<const com::MemberInfo*> found;
  if (name.starts_with("0x") || name.starts_with("0X")) {
    char* end = nullptr;
    const unsigned long id = std::strtoul(name.c_str() + 2, &end, 16);
    if (end == name.c_str() + 2 || *end != '\0' || id > 0xFFFFFFFFul)
      throw UsageError{"malformed dispatch id: " + name};
    for (const com::MemberInfo& m : iface.members)
      if (m.dispid == static_cast<DISPID>(id)) found.push_back(&m);
    if (found.empty()) throw UsageError{"unknown dispatch id " + name + " of " + cls.progid};
  } else {
    found = iface.FindByName(name);
    if (found.empty()) throw UsageError{"unknown member " + name + " of " + cls.progid};
  }
  const com::MemberInfo* get = nullptr;
  const com::MemberInfo* put = nullptr;
  for (const com::MemberInfo* m : found) (m->kind == com::Kind::kPropPut ? put : get) = m;
  const com::MemberInfo* chosen = nullptr;
  if (get && put)
    chosen = argc == 0 ? get : put;
  else
    chosen = get ? get : put;
  if (chosen->kind == com::Kind::kPropGet && argc > 0)
    throw UsageError{std::string(chosen->name) + " is a read-only property: it takes no argument"};
  if (argc != chosen->params.size())
    throw UsageError{std::string(chosen->name) + " takes " + std::to_string(chosen->params.size()) +
                     " argument(s), " + std::to_string(argc) + " given"};
  return *chosen;
}

}  // namespace

json Host::Call(IDispatch* object, const com::ClassInfo& cls, const CallRequest& request, bool* ok) {
  const com::MemberInfo& member = ResolveMember(cls, request.member, request.args.size());
  ArgPack pack(member, request.args);
  boxes_ = json::array();
  log_ = json::array();
  VARIANT result;
  VariantInit(&result);
  EXCEPINFO excep{};
  UINT arg_err = 0;
  const WORD flags = member.kind == com::Kind::kPropPut   ? DISPATCH_PROPERTYPUT
                     : member.kind == com::Kind::kPropGet ? DISPATCH_PROPERTYGET
                                                          : DISPATCH_METHOD;
  HRESULT hr = object->Invoke(member.dispid, IID_NULL, LOCALE_USER_DEFAULT, flags, pack.params(),
                              member.result == com::ParamType::kNone ? nullptr : &result, &excep, &arg_err);
  json out;
  if (hr == DISP_E_EXCEPTION) {
    hr = excep.scode;
    out["hresult"] = HresultText(hr);
    out["result"] = nullptr;
    out["args"] = pack.After();
    out["error"] = ErrorObject(hr, excep.bstrSource, excep.bstrDescription);
    SysFreeString(excep.bstrSource);
    SysFreeString(excep.bstrDescription);
    SysFreeString(excep.bstrHelpFile);
  } else {
    out["hresult"] = HresultText(hr);
    out["result"] = SUCCEEDED(hr) ? ValueToJson(result, member.result) : json(nullptr);
    out["args"] = pack.After();
    out["error"] = SUCCEEDED(hr) ? json(nullptr)
                                 : json{{"number", ErrorNumber(hr)}, {"source", ""}, {"description", ""}};
  }
  VariantClear(&result);
  out["boxes"] = boxes_;
  out["log"] = log_;
  *ok = SUCCEEDED(hr);
  return out;
}

json Host::Members(const com::ClassInfo& cls) {
  json list = json::array();
  for (const com::MemberInfo& m : cls.iface->members) {
    json params = json::array();
    for (const com::ParamInfo& p : m.params)
      params.push_back({{"name", p.name},
                        {"type", com::TypeName(p.type)},
                        {"dir", p.dir == com::Dir::kIn ? "in" : "inout"}});
    char dispid[16];
    std::snprintf(dispid, sizeof dispid, "0x%08X", static_cast<uint32_t>(m.dispid));
    list.push_back(
        {{"slot", m.slot},
         {"dispid", dispid},
         {"kind", com::KindName(m.kind)},
         {"name", m.name},
         {"params", params},
         {"result", m.result == com::ParamType::kNone ? json(nullptr) : json(com::TypeName(m.result))}});
  }
  return list;
}

json Host::Classes() {
  const auto guid = [](REFGUID id) {
    OLECHAR text[40];
    return StringFromGUID2(id, text, 40) > 0 ? base::Utf16ToUtf8(reinterpret_cast<const char16_t*>(text))
                                             : std::string();
  };
  json list = json::array();
  for (const com::ClassInfo* cls : com::AllClasses())
    list.push_back({{"name", cls->name},
                    {"progid", cls->progid},
                    {"clsid", guid(*cls->clsid)},
                    {"interface", cls->iface->name},
                    {"iid", guid(*cls->iface->iid)},
                    {"members", Members(*cls)}});
  return list;
}

HRESULT Host::Register() {
  return register_();
}
HRESULT Host::Unregister() {
  return unregister_();
}

std::string Host::ModuleDir() const {
  char* dir = nullptr;
  std::string out;
  if (SUCCEEDED(KtGetModuleDir(Symbol<const void*>(library_, "DllGetClassObject"), &dir)) && dir != nullptr)
    out = dir;
  CoTaskMemFree(dir);
  return out;
}

}  // namespace kt::host
