// The COM face: slots, interface ids, class factories, late binding and the
// error convention, reached the way a host reaches them.
#include <gtest/gtest.h>

#include <array>
#include <ostream>
#include <string>
#include <vector>

#include "com/com_test_util.h"
#include "com/member_table.h"
#include "com/object.h"
#include "keltrane/keltrane.h"

namespace kt::com {
namespace {

struct QiCase {
  const CLSID* clsid;
  const IID* iid;
  HRESULT expected;
};

class QueryInterfaceTest : public ::testing::TestWithParam<QiCase> {};

TEST_P(QueryInterfaceTest, EarlierIdsYieldTheSameInterface) {
  const QiCase& c = GetParam();
  IUnknown* object = Create<IUnknown>(*c.clsid, IID_IUnknown);
  ASSERT_NE(object, nullptr);
  IDispatch* current = nullptr;
  ASSERT_EQ(object->QueryInterface(*FindClass(*c.clsid)->iface->iid, reinterpret_cast<void**>(&current)),
            S_OK);
  void* asked = reinterpret_cast<void*>(1);
  EXPECT_EQ(object->QueryInterface(*c.iid, &asked), c.expected);
  if (c.expected == S_OK) {
    EXPECT_EQ(asked, current);
    static_cast<IUnknown*>(asked)->Release();
  } else {
    EXPECT_EQ(asked, nullptr);
  }
  current->Release();
  object->Release();
}

constexpr GUID kStranger = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};

INSTANTIATE_TEST_SUITE_P(Ids, QueryInterfaceTest,
                         ::testing::Values(QiCase{&CLSID_clsSubscriber, &IID__clsSubscriber___v0, S_OK},
                                           QiCase{&CLSID_clsSubscriber, &IID__clsSubscriber___v1, S_OK},
                                           QiCase{&CLSID_clsSubscriber, &IID__clsSubscriber___v2, S_OK},
                                           QiCase{&CLSID_clsINIData, &IID__clsINIData___v0, S_OK},
                                           QiCase{&CLSID_clsINIData, &IID__clsINIData___v1, S_OK},
                                           QiCase{&CLSID_clsINIData, &IID__clsINIData___v2, S_OK},
                                           QiCase{&CLSID_clsCommon, &IID__clsCommon___v0, S_OK},
                                           QiCase{&CLSID_clsProfile, &IID_IDispatch, S_OK},
                                           QiCase{&CLSID_clsProfile, &IID__clsCommon___v0, E_NOINTERFACE},
                                           QiCase{&CLSID_clsProfile, &IID__clsINIData, E_NOINTERFACE},
                                           QiCase{&CLSID_clsCommon, &kStranger, E_NOINTERFACE}));

TEST(ClassFactory, RefusesClassIdsOutsideTheTable) {
  void* factory = reinterpret_cast<void*>(1);
  EXPECT_EQ(KtServerGetClassObject(&Server(), kStranger, IID_IClassFactory, &factory),
            CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(factory, nullptr);
}

TEST(ClassFactory, UnloadWaitsForInstancesAndLocks) {
  ASSERT_EQ(KtServerCanUnloadNow(&Server()), S_OK);
  IClassFactory* factory = nullptr;
  ASSERT_EQ(KtServerGetClassObject(&Server(), CLSID_clsProfile, IID_IClassFactory,
                                   reinterpret_cast<void**>(&factory)),
            S_OK);
  factory->LockServer(TRUE);
  EXPECT_EQ(KtServerCanUnloadNow(&Server()), S_FALSE);
  factory->LockServer(FALSE);
  EXPECT_EQ(KtServerCanUnloadNow(&Server()), S_OK);
  _clsProfile* profile = nullptr;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID__clsProfile, reinterpret_cast<void**>(&profile)), S_OK);
  factory->Release();
  EXPECT_EQ(KtServerCanUnloadNow(&Server()), S_FALSE);
  profile->Release();
  EXPECT_EQ(KtServerCanUnloadNow(&Server()), S_OK);
}

// A late-bound call with arguments given first to last.
HRESULT Call(IDispatch* object, DISPID id, WORD flags, std::vector<VARIANT> args, VARIANT* result = nullptr,
             EXCEPINFO* excep = nullptr, UINT* arg_err = nullptr) {
  std::vector<VARIANT> reversed(args.rbegin(), args.rend());
  DISPID put = DISPID_PROPERTYPUT;
  DISPPARAMS params{reversed.data(), (flags & DISPATCH_PROPERTYPUT) ? &put : nullptr,
                    static_cast<UINT>(reversed.size()), (flags & DISPATCH_PROPERTYPUT) ? 1u : 0u};
  return object->Invoke(id, IID_NULL, 0, flags, &params, result, excep, arg_err);
}

VARIANT I4(LONG v) {
  VARIANT x;
  VariantInit(&x);
  x.vt = VT_I4;
  x.lVal = v;
  return x;
}

VARIANT Text(const char16_t* s) {
  VARIANT x;
  VariantInit(&x);
  x.vt = VT_BSTR;
  x.bstrVal = SysAllocString(s);
  return x;
}

DISPID IdOf(IDispatch* object, const char16_t* name) {
  DISPID id = 0;
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  EXPECT_EQ(object->GetIDsOfNames(IID_NULL, names, 1, 0, &id), S_OK) << "no member";
  return id;
}

class ProfileLateBound : public ::testing::Test {
 protected:
  void SetUp() override { profile_ = Create<_clsProfile>(CLSID_clsProfile, IID__clsProfile); }
  void TearDown() override { profile_->Release(); }
  _clsProfile* profile_ = nullptr;
};

TEST_F(ProfileLateBound, NameInAnyCaseAndDispatchIdReachTheSameMember) {
  EXPECT_EQ(IdOf(profile_, u"setmaxrecord"), 0x68030017);
  EXPECT_EQ(IdOf(profile_, u"GETMAXRECORD"), 0x68030018);
  ASSERT_EQ(Call(profile_, 0x68030017, DISPATCH_PROPERTYPUT, {I4(5)}), S_OK);
  LONG slot_value = 0;
  ASSERT_EQ(profile_->get_GetMaxRecord(&slot_value), S_OK);
  EXPECT_EQ(slot_value, 5);
  VARIANT result;
  VariantInit(&result);
  ASSERT_EQ(Call(profile_, 0x68030018, DISPATCH_PROPERTYGET, {}, &result), S_OK);
  EXPECT_EQ(result.vt, VT_I4);
  EXPECT_EQ(result.lVal, 5);
}

TEST_F(ProfileLateBound, ReadOnlyAndWriteOnlyPropertiesStayThatWay) {
  EXPECT_EQ(Call(profile_, 0x68030020, DISPATCH_PROPERTYPUT, {I4(1)}), DISP_E_MEMBERNOTFOUND);
  VARIANT result;
  VariantInit(&result);
  EXPECT_EQ(Call(profile_, 0x6803001F, DISPATCH_PROPERTYGET, {}, &result), DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(Call(profile_, 0x12345, DISPATCH_METHOD, {}), DISP_E_MEMBERNOTFOUND);
}

TEST_F(ProfileLateBound, BadArgumentsGetDispatchErrors) {
  EXPECT_EQ(Call(profile_, 0x68030017, DISPATCH_PROPERTYPUT, {}), DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(Call(profile_, 0x6003002A, DISPATCH_METHOD, {I4(1), I4(2)}), DISP_E_BADPARAMCOUNT);
  UINT arg_err = 99;
  VARIANT bad = Text(u"abc");
  EXPECT_EQ(Call(profile_, 0x68030017, DISPATCH_PROPERTYPUT, {bad}, nullptr, nullptr, &arg_err),
            DISP_E_TYPEMISMATCH);
  EXPECT_EQ(arg_err, 0u);
  VariantClear(&bad);
  VARIANT big = Text(u"70000");
  EXPECT_EQ(Call(profile_, 0x6003002C, DISPATCH_METHOD, {big}), DISP_E_OVERFLOW);
  VariantClear(&big);
  EXPECT_EQ(profile_->Invoke(0x68030018, IID_IDispatch, 0, DISPATCH_PROPERTYGET, nullptr, nullptr, nullptr,
                             nullptr),
            DISP_E_UNKNOWNINTERFACE);
}

TEST_F(ProfileLateBound, OverflowReachesTheCallerWithErrorInfoAndExcepInfo) {
  LONG max = 2147483647;
  ASSERT_EQ(profile_->put_SetMaxRecord(&max), S_OK);
  LONG one = 1;
  EXPECT_EQ(profile_->put_SetMaxRecord(&one), static_cast<HRESULT>(0x800A0006));
  IErrorInfo* info = nullptr;
  ASSERT_EQ(GetErrorInfo(0, &info), S_OK);
  BSTR description = nullptr, source = nullptr;
  info->GetDescription(&description);
  info->GetSource(&source);
  EXPECT_EQ(std::u16string(description), u"Overflow");
  EXPECT_EQ(std::u16string(source), u"Keltrane.clsProfile");
  SysFreeString(description);
  SysFreeString(source);
  info->Release();

  EXCEPINFO excep{};
  EXPECT_EQ(Call(profile_, 0x68030017, DISPATCH_PROPERTYPUT, {I4(1)}, nullptr, &excep), DISP_E_EXCEPTION);
  EXPECT_EQ(excep.scode, static_cast<SCODE>(0x800A0006));
  EXPECT_EQ(std::u16string(excep.bstrDescription), u"Overflow");
  SysFreeString(excep.bstrSource);
  SysFreeString(excep.bstrDescription);
  SysFreeString(excep.bstrHelpFile);
  LONG count = 0;
  profile_->get_GetMaxRecord(&count);
  EXPECT_EQ(count, 2147483647) << "the count stays";
}

// A by-reference argument of another type than the parameter declares, a
// script's variable (a reference to a VARIANT) among them, is refused as the
// system's type-library dispatch refuses it: nothing runs and the caller's
// value keeps its type and contents.
struct RefusedRefCase {
  const char* what;
  DISPID dispid;
  WORD flags;
  size_t count;     // arguments, each Empty by value but the refused one
  size_t refused;   // its position, first to last
  VARTYPE ref_vt;   // the refused argument's tag
  VARTYPE held_vt;  // what it refers to, made from held_text
  const char16_t* held_text;
};

void PrintTo(const RefusedRefCase& c, std::ostream* os) {
  *os << c.what;
}

class RefusedReference : public ProfileLateBound, public ::testing::WithParamInterface<RefusedRefCase> {};

TEST_P(RefusedReference, NothingRunsAndTheVariableStays) {
  const RefusedRefCase& c = GetParam();
  VARIANT held;
  VariantInit(&held);
  if (c.held_text != nullptr) {
    held = Text(c.held_text);
    ASSERT_EQ(VariantChangeType(&held, &held, 0, c.held_vt), S_OK);
  }
  std::vector<VARIANT> args(c.count);
  for (VARIANT& a : args) VariantInit(&a);
  args[c.refused].vt = c.ref_vt;
  args[c.refused].byref = c.ref_vt == (VT_BYREF | VT_VARIANT) ? static_cast<void*>(&held) : &held.llVal;
  UINT arg_err = 99;
  EXPECT_EQ(Call(profile_, c.dispid, c.flags, args, nullptr, nullptr, &arg_err), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(arg_err, c.count - 1 - c.refused);
  EXPECT_EQ(held.vt, c.held_vt);
  VARIANT text;
  VariantInit(&text);
  ASSERT_EQ(VariantChangeType(&text, &held, 0, VT_BSTR), S_OK);
  EXPECT_EQ(std::u16string(text.bstrVal), c.held_text != nullptr ? c.held_text : u"");
  VariantClear(&text);
  VariantClear(&held);
  LONG count = -1;
  profile_->get_GetMaxRecord(&count);
  EXPECT_EQ(count, 0) << "SetMaxRecord ran";
}

constexpr VARTYPE kVarRef = VT_BYREF | VT_VARIANT;
constexpr DISPID kSetMaxRecord = 0x68030017, kDeleteClientEntry = 0x6003002C, kSetCommands = 0x60030028,
                 kGetCommands = 0x60030029;

INSTANTIATE_TEST_SUITE_P(
    Invoke, RefusedReference,
    ::testing::Values(
        RefusedRefCase{"LongBehindVariant", kSetMaxRecord, DISPATCH_PROPERTYPUT, 1, 0, kVarRef, VT_I4, u"5"},
        RefusedRefCase{"TextBehindVariant", kSetMaxRecord, DISPATCH_PROPERTYPUT, 1, 0, kVarRef, VT_BSTR,
                       u"5"},
        RefusedRefCase{"EmptyBehindVariant", kSetMaxRecord, DISPATCH_PROPERTYPUT, 1, 0, kVarRef, VT_EMPTY,
                       nullptr},
        RefusedRefCase{"ShortRefForLong", kSetMaxRecord, DISPATCH_PROPERTYPUT, 1, 0, VT_BYREF | VT_I2, VT_I2,
                       u"5"},
        RefusedRefCase{"ShortBehindVariant", kDeleteClientEntry, DISPATCH_METHOD, 1, 0, kVarRef, VT_I2, u"1"},
        RefusedRefCase{"FirstOfThree", kSetCommands, DISPATCH_METHOD, 3, 0, kVarRef, VT_BSTR, u"x"},
        RefusedRefCase{"LastOfThree", kSetCommands, DISPATCH_METHOD, 3, 2, kVarRef, VT_I2, u"3"},
        RefusedRefCase{"EmptyForArray", kGetCommands, DISPATCH_METHOD, 2, 1, kVarRef, VT_EMPTY, nullptr}),
    [](const auto& info) { return std::string(info.param.what); });

TEST_F(ProfileLateBound, TableFreeInstanceAnswersTheHandlerPath) {
  ASSERT_EQ(profile_->put_SetClientID(7), S_OK);
  LONG account = 5;
  SHORT index = 9;
  ASSERT_EQ(profile_->GetAccountIDIndex(&account, &index), S_OK);
  EXPECT_EQ(index, 0);
  std::array<LONG, 4> ids = {0, 1, 0, 0};  // client, account, request, command
  profile_->get_GetClientID(&ids[0]);
  profile_->get_GetAccountID(&ids[1]);
  profile_->get_GetRequestID(&ids[2]);
  profile_->get_GetCommandID(&ids[3]);
  EXPECT_EQ(ids, (std::array<LONG, 4>{-1, 0, -1, -1}));
  VARIANT_BOOL connected = VARIANT_TRUE;
  ASSERT_EQ(profile_->GetConnectionStatus(&connected), S_OK);
  EXPECT_EQ(connected, VARIANT_FALSE);
}

TEST_F(ProfileLateBound, NoEffectMembersLeaveArraysAlone) {
  SAFEARRAY* texts = SafeArrayCreateVector(VT_BSTR, 0, 2);
  LONG i = 1;
  BSTR b = SysAllocString(u"x");
  SafeArrayPutElement(texts, &i, b);
  SysFreeString(b);
  SAFEARRAY* ids = nullptr;
  ASSERT_EQ(profile_->GetCommands(&texts, &ids), S_OK);
  ASSERT_NE(texts, nullptr);
  LONG ub = 0;
  SafeArrayGetUBound(texts, 1, &ub);
  EXPECT_EQ(ub, 1);
  EXPECT_EQ(ids, nullptr);
  SafeArrayDestroy(texts);
}

}  // namespace
}  // namespace kt::com
