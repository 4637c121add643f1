// The cost of reaching a member: through the vtable, IDispatch::Invoke by
// dispatch id, and by name (GetIDsOfNames + Invoke on every call).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

#include "com/marshal.h"
#include "com/member_table.h"
#include "com/object.h"
#include "keltrane/keltrane.h"
#include "subscriber/clsSubscriber.h"
#include "support/fake_env.h"

namespace {

using kt::com::Server;

template <class T>
T* Create(REFCLSID clsid, REFIID iid) {
  IClassFactory* factory = nullptr;
  if (KtServerGetClassObject(&Server(), clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory)) != S_OK)
    std::abort();
  T* object = nullptr;
  if (factory->CreateInstance(nullptr, iid, reinterpret_cast<void**>(&object)) != S_OK) std::abort();
  factory->Release();
  return object;
}

constexpr DISPID kGetMaxRecord = 0x68030018;
constexpr DISPID kGetPanelInformation = 0x60030003;

// ---- GetMaxRecord on a clsProfile object.

void BM_GetMaxRecord_Vtable(benchmark::State& state) {
  _clsProfile* p = Create<_clsProfile>(CLSID_clsProfile, IID__clsProfile);
  LONG v = 0;
  for (auto _ : state) {
    if (p->get_GetMaxRecord(&v) != S_OK) state.SkipWithError("call failed");
    benchmark::DoNotOptimize(v);
  }
  p->Release();
}
BENCHMARK(BM_GetMaxRecord_Vtable);

void BM_GetMaxRecord_InvokeById(benchmark::State& state) {
  _clsProfile* p = Create<_clsProfile>(CLSID_clsProfile, IID__clsProfile);
  DISPPARAMS none{};
  VARIANT result;
  VariantInit(&result);
  for (auto _ : state) {
    if (p->Invoke(kGetMaxRecord, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr) != S_OK)
      state.SkipWithError("invoke failed");
    benchmark::DoNotOptimize(result.lVal);
  }
  VariantClear(&result);
  p->Release();
}
BENCHMARK(BM_GetMaxRecord_InvokeById);

void BM_GetMaxRecord_InvokeByName(benchmark::State& state) {
  _clsProfile* p = Create<_clsProfile>(CLSID_clsProfile, IID__clsProfile);
  DISPPARAMS none{};
  VARIANT result;
  VariantInit(&result);
  OLECHAR name[] = u"GetMaxRecord";
  LPOLESTR names[] = {name};
  for (auto _ : state) {
    DISPID id = 0;
    if (p->GetIDsOfNames(IID_NULL, names, 1, 0, &id) != S_OK) state.SkipWithError("no such name");
    if (p->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr) != S_OK)
      state.SkipWithError("invoke failed");
    benchmark::DoNotOptimize(result.lVal);
  }
  VariantClear(&result);
  p->Release();
}
BENCHMARK(BM_GetMaxRecord_InvokeByName);

// ---- GetPanelInformation on clsSubscriber over the fake Env.
//
// The library's own clsSubscriber object always runs on com::DefaultEnv(); to
// put the COM face over scripted rows this file has its own object with the
// library's frame (DispatchObject::Call, StrRef) and the library's member
// table (so Invoke goes through InvokeByTable exactly as for the real one).
// Only GetPanelInformation is wired; the other members answer E_NOTIMPL.

kt::test::FakeEnv& Fake() {
  static kt::test::FakeEnv* env = [] {
    auto* e = new kt::test::FakeEnv;
    using kt::Variant;
    e->results
        ["SELECT panel_name_id,parent_panel_type_rev_id FROM panel_type_revision WHERE "
         "panel_type_rev_id = 301"] = {
        {{"panel_name_id", Variant::I4(40)}, {"parent_panel_type_rev_id", Variant::I4(300)}}};
    e->results["SELECT panel_name FROM panel_names WHERE panel_name_id = 40"] = {
        {{"panel_name", Variant::Str("VX-2000")}}};
    return e;
  }();
  return *env;
}

// The fake records every statement; keeps the record from growing without end.
void Trim(kt::test::FakeEnv& env) {
  if (env.statements.size() > 4096) env.statements.clear();
}

class FakeSubscriberObject final : public kt::com::DispatchObject<_clsSubscriber, FakeSubscriberObject> {
 public:
  FakeSubscriberObject() : logic_(Fake()) {}
  static const kt::com::ClassInfo& Info() { return kt::com::SubscriberClass(); }

  HRESULT GetPanelInformation(LONG lPanelTyperevId, BSTR* strPanelname,
                              LONG* lParentPanelTypeRevId) override {
    return Call([&] {
      kt::com::StrRef name(strPanelname);
      logic_.GetPanelInformation(lPanelTyperevId, name.value(), kt::com::Ref(lParentPanelTypeRevId));
    });
  }
  HRESULT SavePanelPhoneNumber(BSTR, LONG) override { return E_NOTIMPL; }
  HRESULT UpdateTheStatus(LONG, SHORT) override { return E_NOTIMPL; }
  HRESULT GetSubscriberInformation(LONG, BSTR*, BSTR*, BSTR*, BSTR*, BSTR*) override { return E_NOTIMPL; }
  HRESULT GetPanelName(LONG, BSTR*) override { return E_NOTIMPL; }
  HRESULT GetPanelNamebyProductid(LONG, LONG, BSTR*) override { return E_NOTIMPL; }
  HRESULT GetCommandIDFromPanelCommandDataID(LONG, LONG*) override { return E_NOTIMPL; }
  HRESULT GetPanelNamebyRevid(LONG, BSTR*) override { return E_NOTIMPL; }
  HRESULT SavePanelLastConnectionType(BSTR, LONG) override { return E_NOTIMPL; }
  HRESULT GetSubscriber_Information(LONG, BSTR*, BSTR*, BSTR*, BSTR*, BSTR*, BSTR*) override {
    return E_NOTIMPL;
  }
  HRESULT GetPanelNamebyProductidAndPanel_NameID(LONG, LONG, LONG, BSTR*) override { return E_NOTIMPL; }
  HRESULT GetPanelNamebyProductidFamilyidRevNum(LONG, LONG, BSTR, BSTR*) override { return E_NOTIMPL; }

 private:
  kt::clsSubscriber logic_;
};

_clsSubscriber* NewFakeSubscriber() {
  void* p = nullptr;
  if (kt::com::CreateObject<FakeSubscriberObject>(IID__clsSubscriber, &p) != S_OK) std::abort();
  return static_cast<_clsSubscriber*>(p);
}

void BM_GetPanelInformation_Logic(benchmark::State& state) {
  kt::clsSubscriber s(Fake());
  std::string name;
  int32_t parent = 0;
  for (auto _ : state) {
    s.GetPanelInformation(301, name, parent);
    benchmark::DoNotOptimize(name.data());
    Trim(Fake());
  }
  if (name != "VX-2000" || parent != 300) state.SkipWithError(("wrong answer: " + name).c_str());
}
BENCHMARK(BM_GetPanelInformation_Logic);

void BM_GetPanelInformation_Vtable(benchmark::State& state) {
  _clsSubscriber* s = NewFakeSubscriber();
  BSTR name = nullptr;
  LONG parent = 0;
  for (auto _ : state) {
    if (s->GetPanelInformation(301, &name, &parent) != S_OK) state.SkipWithError("call failed");
    benchmark::DoNotOptimize(name);
    Trim(Fake());
  }
  if (kt::com::FromBstr(name) != "VX-2000" || parent != 300) state.SkipWithError("wrong answer");
  SysFreeString(name);
  s->Release();
}
BENCHMARK(BM_GetPanelInformation_Vtable);

void BM_GetPanelInformation_InvokeById(benchmark::State& state) {
  _clsSubscriber* s = NewFakeSubscriber();
  BSTR name = nullptr;
  LONG parent = 0;
  // Arguments last to first: parent (by reference), name (by reference), revision.
  VARIANT args[3];
  for (VARIANT& a : args) VariantInit(&a);
  args[0].vt = VT_I4 | VT_BYREF;
  args[0].plVal = &parent;
  args[1].vt = VT_BSTR | VT_BYREF;
  args[1].pbstrVal = &name;
  args[2].vt = VT_I4;
  args[2].lVal = 301;
  DISPPARAMS params{};
  params.rgvarg = args;
  params.cArgs = 3;
  for (auto _ : state) {
    if (s->Invoke(kGetPanelInformation, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr) !=
        S_OK)
      state.SkipWithError("invoke failed");
    benchmark::DoNotOptimize(name);
    Trim(Fake());
  }
  if (kt::com::FromBstr(name) != "VX-2000" || parent != 300) state.SkipWithError("wrong answer");
  SysFreeString(name);
  s->Release();
}
BENCHMARK(BM_GetPanelInformation_InvokeById);

}  // namespace

BENCHMARK_MAIN();
