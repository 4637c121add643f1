#include "host.h"

#include <cstdio>
#include <filesystem>
#include <iostream>

#include "args.h"
#include "base/ole_text.h"
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
  return {{"number", ErrorNumber(hr)},
          {"source", base::BstrToUtf8(source)},
          {"description", base::BstrToUtf8(description)}};
}

// A class of the public header: its ProgID is the library's name, a dot and
// the class's name.
ClassRef MakeClass(REFCLSID clsid, const OLECHAR* progid) {
  ClassRef cls{clsid, base::OleToUtf8(progid), {}};
  cls.name = cls.progid.substr(cls.progid.find('.') + 1);
  return cls;
}

// A path of the command line (UTF-8) made absolute, as UTF-8.
std::string Absolute(const std::string& path) {
  return base::Utf8FromPath(fs::absolute(base::PathFromUtf8(path)));
}

}  // namespace

const std::vector<ClassRef>& LibraryClasses() {
  static const std::vector<ClassRef> classes = {
      MakeClass(CLSID_clsSubscriber, KELTRANE_PROGID_clsSubscriber),
      MakeClass(CLSID_clsINIData, KELTRANE_PROGID_clsINIData),
      MakeClass(CLSID_clsProfile, KELTRANE_PROGID_clsProfile),
      MakeClass(CLSID_clsCommon, KELTRANE_PROGID_clsCommon),
  };
  return classes;
}

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
  for (const ClassRef& cls : LibraryClasses()) {
    IUnknown* factory = nullptr;
    if (FAILED(get_class_object(cls.clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory)))) continue;
    DWORD cookie = 0;
    if (SUCCEEDED(
            CoRegisterClassObject(cls.clsid, factory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie)))
      cookies_.push_back(cookie);
    factory->Release();
#ifndef _WIN32
    KtRegisterProgID(cls.progid.c_str(), cls.clsid);
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

const ClassRef& Host::ResolveClass(const std::string& target) const {
  // The library's own ProgIDs are known without a registration (as
  // KtRegisterProgID makes them on Linux); others go to the system.
  for (const ClassRef& cls : LibraryClasses())
    if (base::EqualsNoCase(target, cls.progid)) return cls;
  CLSID clsid{};
  BSTR wide = base::Utf8ToBstr(target);
  HRESULT hr = target.starts_with("{") ? CLSIDFromString(wide, &clsid) : CLSIDFromProgID(wide, &clsid);
  SysFreeString(wide);
  if (SUCCEEDED(hr))
    for (const ClassRef& cls : LibraryClasses())
      if (IsEqualCLSID(cls.clsid, clsid)) return cls;
  throw UsageError{"unknown class: " + target};
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

IDispatch* Host::Create(const ClassRef& cls, json* failure) {
  boxes_ = json::array();
  log_ = json::array();
  IDispatch* object = nullptr;
  HRESULT hr = CoCreateInstance(cls.clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                reinterpret_cast<void**>(&object));
  if (SUCCEEDED(hr)) return object;
  *failure = FailureObject(hr);
  (*failure)["boxes"] = boxes_;
  (*failure)["log"] = log_;
  return nullptr;
}

namespace {

const MemberDesc& ResolveMember(const InterfaceDesc& iface, const ClassRef& cls, const std::string& name,
                                size_t argc) {
  std::vector<const MemberDesc*> found;
  if (name.starts_with("0x") || name.starts_with("0X")) {
    char* end = nullptr;
    const unsigned long id = std::strtoul(name.c_str() + 2, &end, 16);
    if (end == name.c_str() + 2 || *end != '\0' || id > 0xFFFFFFFFul)
      throw UsageError{"malformed dispatch id: " + name};
    for (const MemberDesc& m : iface.members)
      if (m.dispid == static_cast<DISPID>(id)) found.push_back(&m);
    if (found.empty()) throw UsageError{"unknown dispatch id " + name + " of " + cls.progid};
  } else {
    for (const MemberDesc& m : iface.members)
      if (base::EqualsNoCase(m.name, name)) found.push_back(&m);
    if (found.empty()) throw UsageError{"unknown member " + name + " of " + cls.progid};
  }
  const MemberDesc* get = nullptr;
  const MemberDesc* put = nullptr;
  for (const MemberDesc* m : found) (m->kind == INVOKE_PROPERTYPUT ? put : get) = m;
  const MemberDesc* chosen = nullptr;
  if (get && put)
    chosen = argc == 0 ? get : put;
  else
    chosen = get ? get : put;
  if (chosen->kind == INVOKE_PROPERTYGET && argc > 0)
    throw UsageError{chosen->name + " is a read-only property: it takes no argument"};
  if (argc != chosen->params.size())
    throw UsageError{chosen->name + " takes " + std::to_string(chosen->params.size()) + " argument(s), " +
                     std::to_string(argc) + " given"};
  return *chosen;
}

}  // namespace

const InterfaceDesc* Host::Interface(IDispatch* object, const ClassRef& cls, json* failure) {
  if (auto known = interfaces_.find(cls.progid); known != interfaces_.end()) return &known->second;
  InterfaceDesc iface;
  std::string why;
  HRESULT hr = Describe(object, &iface, &why);
  if (FAILED(hr)) {
    *failure = {{"hresult", HresultText(hr)},
                {"result", nullptr},
                {"args", json::array()},
                {"error",
                 {{"number", ErrorNumber(hr)},
                  {"source", "keltrane"},
                  {"description", "cannot read the " + why + " of " + cls.progid + " (status " +
                                      HresultText(hr) + "): the library does not describe its members"}}},
                {"boxes", boxes_},
                {"log", log_}};
    return nullptr;
  }
  return &interfaces_.emplace(cls.progid, std::move(iface)).first->second;
}

json Host::Call(IDispatch* object, const ClassRef& cls, const CallRequest& request, bool* ok) {
  json failure;
  const InterfaceDesc* iface = Interface(object, cls, &failure);
  if (iface == nullptr) {
    *ok = false;
    return failure;
  }
  const MemberDesc& member = ResolveMember(*iface, cls, request.member, request.args.size());
  ArgPack pack(member, request.args);
  boxes_ = json::array();
  log_ = json::array();
  VARIANT result;
  VariantInit(&result);
  EXCEPINFO excep{};
  UINT arg_err = 0;
  const WORD flags = member.kind == INVOKE_PROPERTYPUT   ? DISPATCH_PROPERTYPUT
                     : member.kind == INVOKE_PROPERTYGET ? DISPATCH_PROPERTYGET
                                                         : DISPATCH_METHOD;
  HRESULT hr = object->Invoke(member.dispid, IID_NULL, LOCALE_USER_DEFAULT, flags, pack.params(),
                              member.result == VT_EMPTY ? nullptr : &result, &excep, &arg_err);
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

json Host::Members(const ClassRef& cls, bool* ok) {
  json failure;
  IDispatch* object = Create(cls, &failure);
  const InterfaceDesc* iface = object != nullptr ? Interface(object, cls, &failure) : nullptr;
  if (object != nullptr) object->Release();
  *ok = iface != nullptr;
  return iface != nullptr ? MembersJson(*iface) : failure;
}

json Host::Classes(bool* ok) {
  const auto guid = [](REFGUID id) {
    OLECHAR text[40];
    return StringFromGUID2(id, text, 40) > 0 ? base::OleToUtf8(text) : std::string();
  };
  json list = json::array();
  for (const ClassRef& cls : LibraryClasses()) {
    json members = Members(cls, ok);
    if (!*ok) return members;
    const InterfaceDesc& iface = interfaces_.at(cls.progid);
    list.push_back({{"name", cls.name},
                    {"progid", cls.progid},
                    {"clsid", guid(cls.clsid)},
                    {"interface", iface.name},
                    {"iid", guid(iface.iid)},
                    {"members", members}});
  }
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
