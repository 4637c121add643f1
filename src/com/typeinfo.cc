#include "com/typeinfo.h"

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <deque>
#include <new>
#include <vector>

#include "com/marshal.h"
#include "com/object.h"

namespace kt::com {

// A client reads these structures by the x86-64 Windows layout (oaidl.h);
// the Windows build checks the same numbers against the system's headers.
#if defined(__x86_64__) || defined(_M_X64)
static_assert(sizeof(TYPEDESC) == 16 && offsetof(TYPEDESC, vt) == 8);
static_assert(sizeof(PARAMDESC) == 16 && offsetof(PARAMDESC, wParamFlags) == 8);
static_assert(sizeof(ELEMDESC) == 32 && offsetof(ELEMDESC, paramdesc) == 16);
static_assert(sizeof(TYPEATTR) == 96 && offsetof(TYPEATTR, lpstrSchema) == 32 &&
              offsetof(TYPEATTR, typekind) == 44 && offsetof(TYPEATTR, cFuncs) == 48 &&
              offsetof(TYPEATTR, cbSizeVft) == 54 && offsetof(TYPEATTR, wTypeFlags) == 58 &&
              offsetof(TYPEATTR, tdescAlias) == 64 && offsetof(TYPEATTR, idldescType) == 80);
static_assert(sizeof(FUNCDESC) == 88 && offsetof(FUNCDESC, lprgelemdescParam) == 16 &&
              offsetof(FUNCDESC, funckind) == 24 && offsetof(FUNCDESC, invkind) == 28 &&
              offsetof(FUNCDESC, cParams) == 36 && offsetof(FUNCDESC, oVft) == 40 &&
              offsetof(FUNCDESC, elemdescFunc) == 48 && offsetof(FUNCDESC, wFuncFlags) == 80);
#endif

namespace {

constexpr WORD kPointerSize = sizeof(void*);

// The function descriptions of one interface, made once.  The type
// descriptions they point at live in nodes_, whose elements never move.
class Description {
 public:
  explicit Description(const ClassInfo& cls) {
    const InterfaceInfo& iface = *cls.iface;
    params_.resize(iface.members.size());
    int last_slot = 6;  // IUnknown's three and IDispatch's four
    for (size_t i = 0; i < iface.members.size(); ++i) {
      const MemberInfo& m = iface.members[i];
      for (const ParamInfo& p : m.params) {
        ELEMDESC e{};
        e.tdesc = p.dir == Dir::kInOut ? Pointer(p.type) : Value(p.type);
        e.paramdesc.wParamFlags = p.dir == Dir::kInOut ? PARAMFLAG_FIN | PARAMFLAG_FOUT : PARAMFLAG_FIN;
        params_[i].push_back(e);
      }
      FUNCDESC f{};
      f.memid = m.dispid;
      f.lprgelemdescParam = params_[i].empty() ? nullptr : params_[i].data();
      f.funckind = FUNC_DISPATCH;
      f.invkind = InvokeKindOf(m.kind);
      f.callconv = CC_STDCALL;
      f.cParams = static_cast<SHORT>(m.params.size());
      f.oVft = static_cast<SHORT>(m.slot * kPointerSize);
      f.elemdescFunc.tdesc = Value(m.result);
      funcs_.push_back(f);
      last_slot = std::max(last_slot, m.slot);
    }
    attr_.guid = *iface.iid;
    attr_.memidConstructor = MEMBERID_NIL;
    attr_.memidDestructor = MEMBERID_NIL;
    attr_.cbSizeInstance = kPointerSize;
    attr_.typekind = TKIND_DISPATCH;
    attr_.cFuncs = static_cast<WORD>(funcs_.size());
    attr_.cbSizeVft = static_cast<WORD>((last_slot + 1) * kPointerSize);
    attr_.cbAlignment = kPointerSize;
    attr_.wTypeFlags = TYPEFLAG_FDUAL | TYPEFLAG_FDISPATCHABLE;
    attr_.tdescAlias.vt = VT_EMPTY;
  }
  Description(const Description&) = delete;
  Description& operator=(const Description&) = delete;

  const TYPEATTR& attr() const { return attr_; }
  const std::vector<FUNCDESC>& funcs() const { return funcs_; }

 private:
  // A type passed by value; an array is a SAFEARRAY of its element type, no
  // result is VT_VOID.
  TYPEDESC Value(ParamType t) {
    TYPEDESC d{};
    switch (t) {
      case ParamType::kNone:
        d.vt = VT_VOID;
        break;
      case ParamType::kBstrArray:
      case ParamType::kI4Array:
        d.vt = VT_SAFEARRAY;
        d.lptdesc = Node(Value(t == ParamType::kBstrArray ? ParamType::kBstr : ParamType::kI4));
        break;
      default:
        d.vt = TypeVt(t);
        break;
    }
    return d;
  }
  // A type passed by reference: a pointer to it.
  TYPEDESC Pointer(ParamType t) {
    TYPEDESC d{};
    d.vt = VT_PTR;
    d.lptdesc = Node(Value(t));
    return d;
  }
  TYPEDESC* Node(const TYPEDESC& d) { return &nodes_.emplace_back(d); }

  TYPEATTR attr_{};
  std::vector<FUNCDESC> funcs_;
  std::vector<std::vector<ELEMDESC>> params_;
  std::deque<TYPEDESC> nodes_;
};

// What the type information hands out is a copy the caller gives back with
// the matching Release call.
template <class T>
HRESULT HandOut(const T& value, T** out) {
  if (out == nullptr) return E_INVALIDARG;
  *out = new (std::nothrow) T(value);
  return *out != nullptr ? S_OK : E_OUTOFMEMORY;
}

template <class T>
HRESULT NotImplemented(T* out) {
  if (out != nullptr) *out = T{};
  return E_NOTIMPL;
}

class InterfaceTypeInfo final : public ITypeInfo {
 public:
  explicit InterfaceTypeInfo(const ClassInfo& cls) : cls_(cls), desc_(cls) {}
  InterfaceTypeInfo(const InterfaceTypeInfo&) = delete;
  InterfaceTypeInfo& operator=(const InterfaceTypeInfo&) = delete;
  const ClassInfo& Class() const { return cls_; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    if (ppv == nullptr) return E_POINTER;
    *ppv = nullptr;
    if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_ITypeInfo)) return E_NOINTERFACE;
    *ppv = static_cast<ITypeInfo*>(this);
    AddRef();
    return S_OK;
  }
  // The object outlives every reference; the references hold the library.
  ULONG STDMETHODCALLTYPE AddRef() override {
    const ULONG before = refs_.fetch_add(1, std::memory_order_relaxed);
    if (before == 0) KtServerLock(&Server(), +1);
    return before + 1;
  }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG before = refs_.fetch_sub(1, std::memory_order_acq_rel);
    if (before == 1) KtServerLock(&Server(), -1);
    return before - 1;
  }

  HRESULT STDMETHODCALLTYPE GetTypeAttr(TYPEATTR** attr) override { return HandOut(desc_.attr(), attr); }
  void STDMETHODCALLTYPE ReleaseTypeAttr(TYPEATTR* attr) override { delete attr; }
  HRESULT STDMETHODCALLTYPE GetFuncDesc(UINT index, FUNCDESC** func) override {
    if (func != nullptr) *func = nullptr;
    if (func != nullptr && index >= desc_.funcs().size()) return TYPE_E_ELEMENTNOTFOUND;
    return func != nullptr ? HandOut(desc_.funcs()[index], func) : E_INVALIDARG;
  }
  void STDMETHODCALLTYPE ReleaseFuncDesc(FUNCDESC* func) override { delete func; }

  // The member's name, then its parameters' names.  A property read and
  // write share a dispatch id; the write's names are given, which start
  // with the read's, so the value it takes keeps its declared name.
  HRESULT STDMETHODCALLTYPE GetNames(MEMBERID memid, BSTR* names, UINT max, UINT* count) override {
    if (names == nullptr || count == nullptr) return E_INVALIDARG;
    *count = 0;
    const MemberInfo* found = nullptr;
    for (const MemberInfo& m : cls_.iface->members)
      if (m.dispid == memid && (found == nullptr || m.params.size() > found->params.size())) found = &m;
    if (found == nullptr) return TYPE_E_ELEMENTNOTFOUND;
    std::vector<const char*> wanted{found->name};
    for (const ParamInfo& p : found->params) wanted.push_back(p.name);
    const UINT n = std::min(max, static_cast<UINT>(wanted.size()));
    for (UINT i = 0; i < n; ++i) {
      names[i] = ToBstr(wanted[i]);
      if (names[i] == nullptr) {
        for (UINT j = 0; j < i; ++j) SysFreeString(names[j]);
        return E_OUTOFMEMORY;
      }
    }
    *count = n;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(LPOLESTR* names, UINT count, MEMBERID* ids) override {
    return IdsOfNames(*cls_.iface, names, count, ids);
  }
  // The interface's name for MEMBERID_NIL, else the member's; there is no
  // help text or help file.
  HRESULT STDMETHODCALLTYPE GetDocumentation(MEMBERID memid, BSTR* name, BSTR* doc, DWORD* help_context,
                                             BSTR* help_file) override {
    const char* text = memid == MEMBERID_NIL ? cls_.iface->name : nullptr;
    for (const MemberInfo& m : cls_.iface->members)
      if (text == nullptr && m.dispid == memid) text = m.name;
    if (text == nullptr) return TYPE_E_ELEMENTNOTFOUND;
    if (doc != nullptr) *doc = nullptr;
    if (help_context != nullptr) *help_context = 0;
    if (help_file != nullptr) *help_file = nullptr;
    if (name != nullptr && (*name = ToBstr(text)) == nullptr) return E_OUTOFMEMORY;
    return S_OK;
  }
  // A late-bound call on instance, an interface pointer of this type.
  HRESULT STDMETHODCALLTYPE Invoke(PVOID instance, MEMBERID memid, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* excepinfo, UINT* arg_err) override {
    if (instance == nullptr) return E_INVALIDARG;
    return static_cast<IDispatch*>(instance)->Invoke(memid, IID_NULL, 0, flags, params, result, excepinfo,
                                                     arg_err);
  }

  HRESULT STDMETHODCALLTYPE GetTypeComp(ITypeComp** comp) override { return NotImplemented(comp); }
  HRESULT STDMETHODCALLTYPE GetVarDesc(UINT, VARDESC** var) override { return NotImplemented(var); }
  void STDMETHODCALLTYPE ReleaseVarDesc(VARDESC*) override {}
  HRESULT STDMETHODCALLTYPE GetRefTypeOfImplType(UINT, HREFTYPE* ref) override { return NotImplemented(ref); }
  HRESULT STDMETHODCALLTYPE GetImplTypeFlags(UINT, INT* flags) override { return NotImplemented(flags); }
  HRESULT STDMETHODCALLTYPE GetDllEntry(MEMBERID, INVOKEKIND, BSTR* dll, BSTR* name, WORD* ordinal) override {
    NotImplemented(dll);
    NotImplemented(name);
    return NotImplemented(ordinal);
  }
  HRESULT STDMETHODCALLTYPE GetRefTypeInfo(HREFTYPE, ITypeInfo** info) override {
    return NotImplemented(info);
  }
  HRESULT STDMETHODCALLTYPE AddressOfMember(MEMBERID, INVOKEKIND, PVOID* address) override {
    return NotImplemented(address);
  }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown*, REFIID, PVOID* object) override {
    return NotImplemented(object);
  }
  HRESULT STDMETHODCALLTYPE GetMops(MEMBERID, BSTR* mops) override { return NotImplemented(mops); }
  HRESULT STDMETHODCALLTYPE GetContainingTypeLib(ITypeLib** lib, UINT* index) override {
    if (index != nullptr) *index = 0;
    return NotImplemented(lib);
  }

 private:
  const ClassInfo& cls_;
  const Description desc_;
  std::atomic<ULONG> refs_{0};
};

}  // namespace

ITypeInfo* TypeInfoOf(const ClassInfo& cls) {
  // Made on first use, all at once (a function's static is made once even
  // when threads race to it).
  static std::deque<InterfaceTypeInfo> infos = [] {
    std::deque<InterfaceTypeInfo> made;
    for (const ClassInfo* c : AllClasses()) made.emplace_back(*c);
    return made;
  }();
  for (InterfaceTypeInfo& info : infos)
    if (&info.Class() == &cls) {
      info.AddRef();
      return &info;
    }
  return nullptr;
}

}  // namespace kt::com
