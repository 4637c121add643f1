// Type information as a generic automation client reads it: every member's
// description must agree with what IDispatch::Invoke and GetIDsOfNames of
// the same object accept, and with the slot the C++ interface really has.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "com/com_test_util.h"
#include "com/marshal.h"
#include "com/member_table.h"
#include "com/object.h"
#include "keltrane/keltrane.h"

namespace kt::com {
namespace {

// An object of a class and its type information, released at the end.
class Described {
 public:
  explicit Described(const ClassInfo& cls) : object_(Create<IDispatch>(*cls.clsid, IID_IDispatch)) {
    if (object_ != nullptr) {
      EXPECT_EQ(object_->GetTypeInfo(0, 0, &info_), S_OK);
    }
  }
  ~Described() {
    if (info_ != nullptr) info_->Release();
    if (object_ != nullptr) object_->Release();
  }
  Described(const Described&) = delete;
  Described& operator=(const Described&) = delete;
  IDispatch* object() const { return object_; }
  ITypeInfo* info() const { return info_; }

 private:
  IDispatch* object_;
  ITypeInfo* info_ = nullptr;
};

std::vector<std::u16string> Names(ITypeInfo* info, MEMBERID memid, UINT max = 16) {
  std::vector<BSTR> names(max);
  UINT count = 0;
  EXPECT_EQ(info->GetNames(memid, names.data(), max, &count), S_OK);
  std::vector<std::u16string> out;
  for (UINT i = 0; i < count; ++i) {
    out.emplace_back(names[i]);
    SysFreeString(names[i]);
  }
  return out;
}

TEST(TypeInfo, EachClassDescribesItsInterfaceAsDual) {
  for (const ClassInfo* cls : AllClasses()) {
    Described d(*cls);
    UINT count = 0;
    ASSERT_EQ(d.object()->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 1u) << cls->name;
    ASSERT_NE(d.info(), nullptr) << cls->name;
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(d.info()->GetTypeAttr(&attr), S_OK);
    EXPECT_TRUE(IsEqualIID(attr->guid, *cls->iface->iid)) << cls->name;
    EXPECT_EQ(attr->typekind, TKIND_DISPATCH);
    EXPECT_EQ(attr->wTypeFlags & (TYPEFLAG_FDUAL | TYPEFLAG_FDISPATCHABLE),
              TYPEFLAG_FDUAL | TYPEFLAG_FDISPATCHABLE);
    EXPECT_EQ(attr->cFuncs, cls->iface->members.size());
    int last = 0;
    for (const MemberInfo& m : cls->iface->members) last = std::max(last, m.binding.vtable_index());
    EXPECT_EQ(attr->cbSizeVft, (last + 1) * sizeof(void*)) << cls->name;
    d.info()->ReleaseTypeAttr(attr);
    BSTR name = nullptr;
    ASSERT_EQ(d.info()->GetDocumentation(MEMBERID_NIL, &name, nullptr, nullptr, nullptr), S_OK);
    EXPECT_EQ(FromBstrText(name), cls->iface->name);
    SysFreeString(name);
  }
}

// One member of one class, as the index of its description.
struct MemberCase {
  const ClassInfo* cls;
  UINT index;
};

void PrintTo(const MemberCase& c, std::ostream* os) {
  *os << c.cls->name << "." << c.cls->iface->members[c.index].name;
}

std::vector<MemberCase> EveryMember() {
  std::vector<MemberCase> cases;
  for (const ClassInfo* cls : AllClasses())
    for (UINT i = 0; i < cls->iface->members.size(); ++i) cases.push_back({cls, i});
  return cases;
}

// Arguments made from a description alone: one the parameter takes (a
// reference to a variable of exactly its type when it is passed by
// reference, a reference to a 16-bit zero when it is passed by value), or
// one it must refuse.
class Arguments {
 public:
  Arguments() = default;
  Arguments(const Arguments&) = delete;
  Arguments& operator=(const Arguments&) = delete;
  ~Arguments() {
    for (VARIANT& v : values_) VariantClear(&v);
  }
  void Accepted(const TYPEDESC& t) {
    VARIANT v;
    VariantInit(&v);
    if (t.vt == VT_PTR) {
      held_.push_back(std::make_unique<VARIANT>());
      VARIANT* variable = held_.back().get();
      v.vt = VT_BYREF | Tag(*t.lptdesc);
      v.byref = t.lptdesc->vt == VT_VARIANT ? static_cast<void*>(variable) : &variable->llVal;
    } else if (t.vt == VT_SAFEARRAY) {
      v.vt = Tag(t);
      v.parray = SafeArrayCreateVector(t.lptdesc->vt, 0, 0);
    } else {
      // A reference to another type, which only a parameter passed by value
      // takes (it is read and coerced).
      held_.push_back(std::make_unique<VARIANT>());
      v.vt = VT_BYREF | VT_I2;
      v.byref = &held_.back()->llVal;
    }
    Push(v);
  }
  // Whether the parameter refuses some value: a VARIANT takes anything.
  static bool Refuses(const TYPEDESC& t) { return (t.vt == VT_PTR ? t.lptdesc->vt : t.vt) != VT_VARIANT; }
  void Refused(const TYPEDESC& t) {
    VARIANT v;
    VariantInit(&v);
    if (t.vt == VT_PTR) {  // a reference of a type no parameter has
      held_.push_back(std::make_unique<VARIANT>());
      v.vt = VT_BYREF | VT_UI1;
      v.byref = &held_.back()->llVal;
    } else if (t.vt == VT_SAFEARRAY) {
      v.vt = VT_I4;
    } else if (t.vt == VT_BSTR) {
      v.vt = VT_ARRAY | VT_I4;
      v.parray = SafeArrayCreateVector(VT_I4, 0, 1);
    } else {
      v.vt = VT_BSTR;
      v.bstrVal = SysAllocString(u"not a number");
    }
    Push(v);
  }
  void Empty() {
    VARIANT v;
    VariantInit(&v);
    Push(v);
  }
  // Invoke takes the arguments last first.
  HRESULT Call(IDispatch* object, const FUNCDESC& f, UINT* arg_err) {
    std::vector<VARIANT> reversed(values_.rbegin(), values_.rend());
    DISPID put = DISPID_PROPERTYPUT;
    const bool is_put = f.invkind == INVOKE_PROPERTYPUT;
    DISPPARAMS params{reversed.data(), is_put ? &put : nullptr, static_cast<UINT>(reversed.size()),
                      is_put ? 1u : 0u};
    VARIANT result;
    VariantInit(&result);
    const WORD flags = f.invkind == INVOKE_FUNC ? DISPATCH_METHOD : static_cast<WORD>(f.invkind);
    HRESULT hr = object->Invoke(f.memid, IID_NULL, 0, flags, &params, &result, nullptr, arg_err);
    VariantClear(&result);
    return hr;
  }

 private:
  static VARTYPE Tag(const TYPEDESC& t) {
    return t.vt == VT_SAFEARRAY ? static_cast<VARTYPE>(VT_ARRAY | t.lptdesc->vt) : t.vt;
  }
  void Push(const VARIANT& v) { values_.push_back(v); }

  std::vector<VARIANT> values_;                 // owned: strings and arrays
  std::vector<std::unique_ptr<VARIANT>> held_;  // the variables referred to
};

class EveryMemberTest : public ::testing::TestWithParam<MemberCase> {
 protected:
  void SetUp() override {
    described_ = std::make_unique<Described>(*GetParam().cls);
    ASSERT_NE(described_->info(), nullptr);
    ASSERT_EQ(described_->info()->GetFuncDesc(GetParam().index, &func_), S_OK);
  }
  void TearDown() override {
    if (func_ != nullptr) described_->info()->ReleaseFuncDesc(func_);
    described_.reset();
  }
  const MemberInfo& member() const { return GetParam().cls->iface->members[GetParam().index]; }
  std::unique_ptr<Described> described_;
  FUNCDESC* func_ = nullptr;
};

// Nothing runs: every call is refused before the member is reached.
TEST_P(EveryMemberTest, DescribedParametersAreTheOnesInvokeTakes) {
  const FUNCDESC& f = *func_;
  IDispatch* object = described_->object();
  {
    Arguments one_too_many;
    for (SHORT i = 0; i <= f.cParams; ++i) one_too_many.Empty();
    EXPECT_EQ(one_too_many.Call(object, f, nullptr), DISP_E_BADPARAMCOUNT) << "memid, kind or count";
  }
  for (SHORT k = 0; k < f.cParams; ++k) {
    const ELEMDESC& e = f.lprgelemdescParam[k];
    const bool by_ref = e.tdesc.vt == VT_PTR;
    EXPECT_EQ(e.paramdesc.wParamFlags, by_ref ? PARAMFLAG_FIN | PARAMFLAG_FOUT : PARAMFLAG_FIN) << k;
    if (!Arguments::Refuses(e.tdesc)) continue;
    Arguments args;
    for (SHORT i = 0; i < k; ++i) args.Accepted(f.lprgelemdescParam[i].tdesc);
    args.Refused(e.tdesc);
    for (SHORT i = k + 1; i < f.cParams; ++i) args.Empty();
    UINT arg_err = 99;
    EXPECT_EQ(args.Call(object, f, &arg_err), DISP_E_TYPEMISMATCH) << "parameter " << k;
    EXPECT_EQ(arg_err, static_cast<UINT>(f.cParams - 1 - k)) << "parameter " << k;
  }
}

TEST_P(EveryMemberTest, NamesResolveToTheDescribedIds) {
  std::vector<std::u16string> names = Names(described_->info(), func_->memid);
  ASSERT_GE(names.size(), static_cast<size_t>(func_->cParams) + 1);
  BSTR doc_name = nullptr;
  ASSERT_EQ(described_->info()->GetDocumentation(func_->memid, &doc_name, nullptr, nullptr, nullptr), S_OK);
  EXPECT_EQ(std::u16string(doc_name), names[0]);
  SysFreeString(doc_name);
  std::vector<LPOLESTR> wanted;
  for (size_t i = 0; i <= static_cast<size_t>(func_->cParams); ++i) wanted.push_back(names[i].data());
  std::vector<DISPID> ids(wanted.size(), 12345), type_ids(wanted.size(), 12345);
  ASSERT_EQ(described_->object()->GetIDsOfNames(IID_NULL, wanted.data(), static_cast<UINT>(wanted.size()), 0,
                                                ids.data()),
            S_OK);
  ASSERT_EQ(
      described_->info()->GetIDsOfNames(wanted.data(), static_cast<UINT>(wanted.size()), type_ids.data()),
      S_OK);
  EXPECT_EQ(ids, type_ids);
  EXPECT_EQ(ids[0], func_->memid);
  for (SHORT i = 0; i < func_->cParams; ++i) EXPECT_EQ(ids[i + 1], i);
  EXPECT_EQ(func_->funckind, FUNC_DISPATCH);
  EXPECT_EQ(func_->oVft, member().binding.vtable_index() * static_cast<int>(sizeof(void*)));
}

INSTANTIATE_TEST_SUITE_P(TypeInfo, EveryMemberTest, ::testing::ValuesIn(EveryMember()), [](const auto& info) {
  return std::string(info.param.cls->name) + "_" + info.param.cls->iface->members[info.param.index].name +
         "_" + std::to_string(info.param.index);
});

TEST(TypeInfo, HeldTypeInformationKeepsTheLibraryLoaded) {
  ASSERT_EQ(KtServerCanUnloadNow(&Server()), S_OK);
  ITypeInfo* first = nullptr;
  ITypeInfo* second = nullptr;
  {
    Described d(ProfileClass());
    ASSERT_EQ(d.object()->GetTypeInfo(0, 0, &first), S_OK);
    ASSERT_EQ(d.object()->GetTypeInfo(0, 0, &second), S_OK);
  }
  EXPECT_EQ(first, second) << "one description per interface";
  EXPECT_EQ(KtServerCanUnloadNow(&Server()), S_FALSE);
  void* again = nullptr;
  ASSERT_EQ(first->QueryInterface(IID_ITypeInfo, &again), S_OK);
  EXPECT_EQ(again, first);
  EXPECT_EQ(first->QueryInterface(IID_IDispatch, &again), E_NOINTERFACE);
  EXPECT_EQ(again, nullptr);
  EXPECT_EQ(first->Release(), 2u);
  EXPECT_EQ(second->Release(), 1u);
  EXPECT_EQ(KtServerCanUnloadNow(&Server()), S_FALSE);
  EXPECT_EQ(first->Release(), 0u);
  EXPECT_EQ(KtServerCanUnloadNow(&Server()), S_OK);
}

TEST(TypeInfo, InvokeThroughTheDescriptionReachesTheObject) {
  Described d(ProfileClass());
  LONG five = 5;
  VARIANT arg;
  VariantInit(&arg);
  arg.vt = VT_BYREF | VT_I4;
  arg.plVal = &five;
  DISPID put = DISPID_PROPERTYPUT;
  DISPPARAMS set{&arg, &put, 1, 1};
  MEMBERID ids[1];
  LPOLESTR name[] = {const_cast<LPOLESTR>(u"SetMaxRecord")};
  ASSERT_EQ(d.info()->GetIDsOfNames(name, 1, ids), S_OK);
  ASSERT_EQ(d.info()->Invoke(d.object(), ids[0], DISPATCH_PROPERTYPUT, &set, nullptr, nullptr, nullptr),
            S_OK);
  LONG count = 0;
  ASSERT_EQ(static_cast<_clsProfile*>(d.object())->get_GetMaxRecord(&count), S_OK);
  EXPECT_EQ(count, 5);
}

// Bad arguments get the status a client of the system's type information
// gets, and out pointers are cleared.
struct BadCallCase {
  const char* what;
  std::function<HRESULT(IDispatch*, ITypeInfo*)> call;
  HRESULT expected;
};

void PrintTo(const BadCallCase& c, std::ostream* os) {
  *os << c.what;
}

class BadCall : public ::testing::TestWithParam<BadCallCase> {};

TEST_P(BadCall, GetsItsStatus) {
  Described d(ProfileClass());
  ASSERT_NE(d.info(), nullptr);
  EXPECT_EQ(GetParam().call(d.object(), d.info()), GetParam().expected);
}

constexpr MEMBERID kUnknownMember = 0x12345;

INSTANTIATE_TEST_SUITE_P(
    TypeInfo, BadCall,
    ::testing::Values(
        BadCallCase{"CountWithoutOut", [](IDispatch* o, ITypeInfo*) { return o->GetTypeInfoCount(nullptr); },
                    E_POINTER},
        BadCallCase{"InfoWithoutOut", [](IDispatch* o, ITypeInfo*) { return o->GetTypeInfo(0, 0, nullptr); },
                    E_POINTER},
        BadCallCase{"InfoIndexOne",
                    [](IDispatch* o, ITypeInfo*) {
                      ITypeInfo* t = reinterpret_cast<ITypeInfo*>(1);
                      HRESULT hr = o->GetTypeInfo(1, 0, &t);
                      return t == nullptr ? hr : E_FAIL;
                    },
                    DISP_E_BADINDEX},
        BadCallCase{"FuncDescPastTheEnd",
                    [](IDispatch*, ITypeInfo* t) {
                      FUNCDESC* f = reinterpret_cast<FUNCDESC*>(1);
                      HRESULT hr =
                          t->GetFuncDesc(static_cast<UINT>(ProfileClass().iface->members.size()), &f);
                      return f == nullptr ? hr : E_FAIL;
                    },
                    TYPE_E_ELEMENTNOTFOUND},
        BadCallCase{"NamesOfUnknownMember",
                    [](IDispatch*, ITypeInfo* t) {
                      BSTR names[2];
                      UINT count = 9;
                      HRESULT hr = t->GetNames(kUnknownMember, names, 2, &count);
                      return count == 0 ? hr : E_FAIL;
                    },
                    TYPE_E_ELEMENTNOTFOUND},
        BadCallCase{"IdsOfUnknownName",
                    [](IDispatch*, ITypeInfo* t) {
                      LPOLESTR name[] = {const_cast<LPOLESTR>(u"NoSuchMember")};
                      MEMBERID id = 0;
                      HRESULT hr = t->GetIDsOfNames(name, 1, &id);
                      return id == MEMBERID_NIL ? hr : E_FAIL;
                    },
                    DISP_E_UNKNOWNNAME},
        BadCallCase{"ContainingLibrary",
                    [](IDispatch*, ITypeInfo* t) {
                      ITypeLib* lib = reinterpret_cast<ITypeLib*>(1);
                      UINT index = 9;
                      HRESULT hr = t->GetContainingTypeLib(&lib, &index);
                      return lib == nullptr && index == 0 ? hr : E_FAIL;
                    },
                    E_NOTIMPL}),
    [](const auto& info) { return std::string(info.param.what); });

}  // namespace
}  // namespace kt::com
