// Late binding: fresh clsProfile and clsINIData objects per input, then the
// input read as a sequence of IDispatch::Invoke calls with arguments of any
// type.  The caller's side frees everything the way a host must; ASan and
// LeakSanitizer judge the library's side.
//
// Input format, read front to back (missing bytes read as zero), per call:
//   head      bit 0 class (clsProfile / clsINIData), bits 1-3 flags choice,
//             bit 4 a named DISPID_PROPERTYPUT argument, bit 5 no result
//             slot, bit 6 an arbitrary dispatch id (4 bytes follow), bit 7 a
//             non-null interface id
//   member    index into the class's member table
//   argc      argument count modulo (larger of 4 and the member's count) + 1
//   arguments one type byte each, then that type's bytes (see Arg::Read)
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "com/member_table.h"
#include "com/object.h"
#include "fuzz_util.h"
#include "keltrane/keltrane.h"
#include "keltrane/ktrt.h"

namespace {

using kt::com::ClassInfo;
using kt::com::MemberInfo;

class Reader {
 public:
  Reader(const uint8_t* data, size_t size) : p_(data), end_(data + size) {}
  bool empty() const { return p_ >= end_; }
  uint8_t Byte() { return p_ < end_ ? *p_++ : 0; }
  template <class T>
  T Raw() {
    T v{};
    uint8_t bytes[sizeof(T)] = {};
    for (auto& b : bytes) b = Byte();
    std::memcpy(&v, bytes, sizeof(T));
    return v;
  }
  // Up to 63 UTF-16 units from byte pairs (lone surrogates included), or
  // an odd number of raw bytes.
  BSTR Bstr() {
    const uint8_t head = Byte();
    const size_t len = head & 0x3F;
    if (head & 0x40) {
      std::string bytes;
      for (size_t i = 0; i < len; ++i) bytes += static_cast<char>(Byte());
      return SysAllocStringByteLen(bytes.data(), static_cast<UINT>(bytes.size()));
    }
    std::u16string text;
    for (size_t i = 0; i < len; ++i) text += static_cast<char16_t>(Raw<uint16_t>());
    return SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  }

 private:
  const uint8_t* p_;
  const uint8_t* end_;
};

// A double from the input; NaN and infinities stay possible but rarer.
double Number(Reader& in) {
  switch (in.Byte() % 4) {
    case 0:
      return static_cast<double>(in.Raw<int16_t>());
    case 1:
      return static_cast<double>(in.Raw<int32_t>()) / 8.0;
    default:
      return in.Raw<double>();
  }
}

SAFEARRAY* ReadArray(Reader& in, VARTYPE vt) {
  const UINT dims = 1 + in.Byte() % 2;
  SAFEARRAYBOUND bounds[2] = {};
  for (UINT d = 0; d < dims; ++d) {
    bounds[d].cElements = in.Byte() % 5;
    const uint8_t kind = in.Byte();
    // Mostly small lower bounds; sometimes anything at all.
    bounds[d].lLbound = (kind & 0x80) ? in.Raw<LONG>() : static_cast<LONG>(kind % 8) - 2;
  }
  SAFEARRAY* sa = SafeArrayCreate(vt, dims, bounds);
  if (sa == nullptr) return nullptr;
  const size_t count = static_cast<size_t>(bounds[0].cElements) * (dims == 2 ? bounds[1].cElements : 1);
  void* raw = nullptr;
  if (SafeArrayAccessData(sa, &raw) == S_OK) {
    for (size_t i = 0; i < count; ++i) {
      if (vt == VT_BSTR) {
        static_cast<BSTR*>(raw)[i] = (in.Byte() & 7) == 0 ? nullptr : in.Bstr();
      } else {
        static_cast<LONG*>(raw)[i] = in.Raw<LONG>();
      }
    }
    SafeArrayUnaccessData(sa);
  }
  return sa;
}

// One argument with the storage a by-reference argument points at.  The
// caller owns all of it and frees it after the call, whatever the callee
// did to the referenced values.
struct Arg {
  VARIANT v;
  LONG l = 0;
  SHORT i = 0;
  DATE date = 0;
  BSTR bstr = nullptr;
  VARIANT inner;
  SAFEARRAY* array = nullptr;
  VARIANT_BOOL b = 0;

  Arg() {
    VariantInit(&v);
    VariantInit(&inner);
  }
  ~Arg() {
    // By-value contents belong to v; by-reference targets to the fields.
    if (v.vt & VT_BYREF) {
      SysFreeString(bstr);
      VariantClear(&inner);
      SafeArrayDestroy(array);
    } else {
      VariantClear(&v);
    }
  }
  Arg(const Arg&) = delete;
  Arg& operator=(const Arg&) = delete;

  // A value held in `out` itself (no reference).
  static void ReadValue(Reader& in, uint8_t type, VARIANT* out) {
    switch (type % 10) {
      case 0:
        out->vt = VT_EMPTY;
        break;
      case 1:
        out->vt = VT_NULL;
        break;
      case 2:
        out->vt = VT_I2;
        out->iVal = in.Raw<SHORT>();
        break;
      case 3:
        out->vt = VT_I4;
        out->lVal = in.Raw<LONG>();
        break;
      case 4:
        out->vt = VT_R8;
        out->dblVal = Number(in);
        break;
      case 5:
        out->vt = VT_BOOL;
        out->boolVal = (in.Byte() & 1) ? VARIANT_TRUE : VARIANT_FALSE;
        break;
      case 6:
        out->vt = VT_DATE;
        out->date = Number(in);
        break;
      case 7:
      case 8:
        out->vt = VT_BSTR;
        out->bstrVal = in.Bstr();
        break;
      default:
        out->vt = VT_ERROR;
        out->scode = in.Raw<SCODE>();
        break;
    }
  }

  void Read(Reader& in) {
    const uint8_t type = in.Byte();
    switch (type % 20) {
      case 10:
        v.vt = VT_BYREF | VT_I4;
        l = in.Raw<LONG>();
        v.plVal = &l;
        break;
      case 11:
        v.vt = VT_BYREF | VT_BSTR;
        bstr = (in.Byte() & 7) == 0 ? nullptr : in.Bstr();
        v.pbstrVal = &bstr;
        break;
      case 12:
        v.vt = VT_BYREF | VT_VARIANT;
        ReadValue(in, in.Byte(), &inner);
        v.pvarVal = &inner;
        break;
      case 13:
        v.vt = VT_BYREF | VT_I2;
        i = in.Raw<SHORT>();
        v.piVal = &i;
        break;
      case 14:
        v.vt = VT_BYREF | VT_DATE;
        date = Number(in);
        v.pdate = &date;
        break;
      case 15:
        v.vt = VT_BYREF | VT_BOOL;
        b = (in.Byte() & 1) ? VARIANT_TRUE : VARIANT_FALSE;
        v.pboolVal = &b;
        break;
      case 16:
        v.vt = VT_ARRAY | VT_BSTR;
        v.parray = ReadArray(in, VT_BSTR);
        if (v.parray == nullptr) v.vt = VT_EMPTY;
        break;
      case 17:
        v.vt = VT_BYREF | VT_ARRAY | VT_BSTR;
        array = (in.Byte() & 7) == 0 ? nullptr : ReadArray(in, VT_BSTR);
        v.pparray = &array;
        break;
      case 18:
        v.vt = VT_ARRAY | VT_I4;
        v.parray = ReadArray(in, VT_I4);
        if (v.parray == nullptr) v.vt = VT_EMPTY;
        break;
      case 19:
        v.vt = VT_BYREF | VT_ARRAY | VT_I4;
        array = (in.Byte() & 7) == 0 ? nullptr : ReadArray(in, VT_I4);
        v.pparray = &array;
        break;
      default:
        ReadValue(in, type, &v);
        break;
    }
  }
};

int AnswerAtOnce(void*, const char*, const char*, UINT style) {
  return (style & 0xF) == MB_YESNO ? IDNO : IDOK;
}

void Setup() {
  const std::string root = kt::fuzz::ScratchDir();
  for (const char* sub : {"Bin", "Storage", "Windows", "db"})
    std::filesystem::create_directories(root + "/" + sub);
  setenv("KELTRANE_REGISTRY", (root + "/registry.json").c_str(), 1);
  KtSetHostSetting("module-dir", (root + "/Bin").c_str());
  KtSetHostSetting("windows-dir", (root + "/Windows").c_str());
  KtSetHostSetting("db", (root + "/db/Suite.db").c_str());
  KtSetHostSetting("log", (root + "/Keltrane.log").c_str());
  KtSetHostSetting("log-max-bytes", "1048576");
  KtSetHostSetting("log-keep", "1");
  KtSetMessageBoxHandler(&AnswerAtOnce, nullptr);
}

IDispatch* Create(const ClassInfo& cls) {
  IClassFactory* factory = nullptr;
  if (KtServerGetClassObject(&kt::com::Server(), *cls.clsid, IID_IClassFactory,
                             reinterpret_cast<void**>(&factory)) != S_OK) {
    kt::fuzz::Fail("no class factory", cls.name);
  }
  IDispatch* object = nullptr;
  const HRESULT hr = factory->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(&object));
  factory->Release();
  if (hr != S_OK || object == nullptr) kt::fuzz::Fail("creation failed", cls.name);
  return object;
}

constexpr WORD kFlagChoices[8] = {DISPATCH_METHOD,
                                  DISPATCH_PROPERTYGET,
                                  DISPATCH_PROPERTYPUT,
                                  DISPATCH_METHOD | DISPATCH_PROPERTYGET,
                                  DISPATCH_PROPERTYPUTREF,
                                  0,
                                  DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF,
                                  0xFFFF};

void OneCall(Reader& in, IDispatch* const objects[2], const ClassInfo* const classes[2]) {
  const uint8_t head = in.Byte();
  const int which = head & 1;
  const auto members = classes[which]->iface->members;
  const MemberInfo& member = members[in.Byte() % members.size()];
  DISPID dispid = member.dispid;
  if (head & 0x40) dispid = in.Raw<DISPID>();
  const size_t most = std::max<size_t>(4, member.params.size());
  const size_t argc = in.Byte() % (most + 1);

  std::vector<std::unique_ptr<Arg>> args;
  for (size_t k = 0; k < argc; ++k) {
    args.push_back(std::make_unique<Arg>());
    args.back()->Read(in);
  }
  // DISPPARAMS lists arguments last to first.
  std::vector<VARIANT> packed(argc);
  for (size_t k = 0; k < argc; ++k) packed[argc - 1 - k] = args[k]->v;
  DISPID named = DISPID_PROPERTYPUT;
  DISPPARAMS params{argc ? packed.data() : nullptr, nullptr, static_cast<UINT>(argc), 0};
  if ((head & 0x10) && argc > 0) {
    params.rgdispidNamedArgs = &named;
    params.cNamedArgs = 1;
  }
  VARIANT result;
  VariantInit(&result);
  EXCEPINFO excep;
  std::memset(&excep, 0, sizeof excep);
  UINT arg_err = 0xFFFFFFFF;
  const IID& riid = (head & 0x80) ? IID_IDispatch : IID_NULL;

  objects[which]->Invoke(dispid, riid, 0, kFlagChoices[(head >> 1) & 7], &params,
                         (head & 0x20) ? nullptr : &result, &excep, &arg_err);

  SysFreeString(excep.bstrSource);
  SysFreeString(excep.bstrDescription);
  SysFreeString(excep.bstrHelpFile);
  VariantClear(&result);
  // The callee may have replaced what a by-reference argument refers to but
  // never the by-value VARIANTs themselves; args own both.
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  Setup();
  return 0;
}

namespace {

// Each input starts from no INI files: what one input wrote (a port bound
// that is not a number makes clsINIData's creation fail, by design) must not
// reach the next.
void ForgetFiles() {
  const std::string root = kt::fuzz::ScratchDir();
  for (const char* sub : {"Storage", "Windows"}) {
    std::error_code ec;
    std::filesystem::remove_all(root + "/" + sub, ec);
    std::filesystem::create_directories(root + "/" + sub, ec);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ForgetFiles();
  const ClassInfo* const classes[2] = {&kt::com::ProfileClass(), &kt::com::IniDataClass()};
  IDispatch* const objects[2] = {Create(*classes[0]), Create(*classes[1])};
  Reader in(data, size);
  for (int calls = 0; calls < 16 && !in.empty(); ++calls) OneCall(in, objects, classes);
  objects[0]->Release();
  objects[1]->Release();
  return 0;
}
