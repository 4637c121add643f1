#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "rt/rt_test_util.h"

namespace {

using kt::rt::test::Narrow;

TEST(SafeArray, CreateDescribesElementType) {
  const struct {
    VARTYPE vt;
    ULONG elem_size;
    USHORT kind_flag;
  } kTypes[] = {{VT_I2, 2, 0},
                {VT_R8, 8, 0},
                {VT_BOOL, 2, 0},
                {VT_UI1, 1, 0},
                {VT_BSTR, 8, FADF_BSTR},
                {VT_VARIANT, 24, FADF_VARIANT},
                {VT_UNKNOWN, 8, FADF_UNKNOWN},
                {VT_DISPATCH, 8, FADF_DISPATCH}};
  for (const auto& c : kTypes) {
    SAFEARRAY* psa = SafeArrayCreateVector(c.vt, 1, 3);
    ASSERT_NE(psa, nullptr);
    EXPECT_EQ(SafeArrayGetElemsize(psa), c.elem_size) << c.vt;
    EXPECT_EQ(psa->fFeatures & (FADF_BSTR | FADF_VARIANT | FADF_UNKNOWN | FADF_DISPATCH), c.kind_flag)
        << c.vt;
    EXPECT_TRUE(psa->fFeatures & FADF_HAVEVARTYPE);
    uint32_t stored;  // the element type sits in the four bytes before the descriptor
    std::memcpy(&stored, reinterpret_cast<uint8_t*>(psa) - 4, 4);
    EXPECT_EQ(stored, c.vt);
    VARTYPE vt = 0;
    ASSERT_EQ(SafeArrayGetVartype(psa, &vt), S_OK);
    EXPECT_EQ(vt, c.vt);
    LONG lb = 0, ub = 0;
    ASSERT_EQ(SafeArrayGetLBound(psa, 1, &lb), S_OK);
    ASSERT_EQ(SafeArrayGetUBound(psa, 1, &ub), S_OK);
    EXPECT_EQ(std::pair(lb, ub), std::pair(1, 3));
    EXPECT_EQ(SafeArrayDestroy(psa), S_OK);
  }
  EXPECT_EQ(SafeArrayCreateVector(VT_EMPTY, 0, 1), nullptr);
  EXPECT_EQ(SafeArrayCreateVector(VT_NULL, 0, 1), nullptr);
}

TEST(SafeArray, BoundsOfGetAndPut) {
  SAFEARRAY* psa = SafeArrayCreateVector(VT_I4, -2, 4);  // -2..1
  for (auto [index, hr] : {std::pair<LONG, HRESULT>{-3, DISP_E_BADINDEX},
                           {-2, S_OK},
                           {1, S_OK},
                           {2, DISP_E_BADINDEX},
                           {INT32_MIN, DISP_E_BADINDEX}}) {
    LONG value = index / 2 + 7, out = 0;
    EXPECT_EQ(SafeArrayPutElement(psa, &index, &value), hr) << index;
    EXPECT_EQ(SafeArrayGetElement(psa, &index, &out), hr) << index;
    EXPECT_TRUE(hr != S_OK || out == value) << index;
  }
  SafeArrayDestroy(psa);
  psa = SafeArrayCreateVector(VT_I4, 0, 0);
  ASSERT_NE(psa, nullptr);
  LONG ub = 99, i = 0, out;
  ASSERT_EQ(SafeArrayGetUBound(psa, 1, &ub), S_OK);
  EXPECT_EQ(ub, -1);
  EXPECT_EQ(SafeArrayGetElement(psa, &i, &out), DISP_E_BADINDEX);
  SafeArrayDestroy(psa);
}

// A BSTR vector holding the given texts at indices lb, lb+1, ...
SAFEARRAY* Texts(LONG lb, const std::vector<std::u16string>& texts) {
  SAFEARRAY* psa = SafeArrayCreateVector(VT_BSTR, lb, static_cast<ULONG>(texts.size()));
  for (LONG k = 0; k < static_cast<LONG>(texts.size()); ++k) {
    LONG i = lb + k;
    BSTR s = SysAllocString(texts[k].c_str());
    EXPECT_EQ(SafeArrayPutElement(psa, &i, s), S_OK);  // copies the string
    SysFreeString(s);
  }
  return psa;
}

std::string TextAt(SAFEARRAY* psa, LONG i) {
  BSTR s = nullptr;
  if (SafeArrayGetElement(psa, &i, &s) != S_OK) return "<bad>";
  std::string out = s ? Narrow(s) : "<null>";
  SysFreeString(s);
  return out;
}

// Elements kept, new ones empty; elements cut off are freed (the leak
// sanitizer would report them).
TEST(SafeArray, RedimPreservesAndFrees) {
  for (const std::vector<std::string>& expected :
       {std::vector<std::string>{"a", "b", "c", "<null>", "<null>"}, {"a"}, {}}) {
    SAFEARRAY* psa = Texts(5, {u"a", u"b", u"c"});
    SAFEARRAYBOUND bound{static_cast<ULONG>(expected.size()), 5};
    ASSERT_EQ(SafeArrayRedim(psa, &bound), S_OK);
    LONG ub;
    SafeArrayGetUBound(psa, 1, &ub);
    EXPECT_EQ(ub, 4 + static_cast<LONG>(expected.size()));
    std::vector<std::string> got;
    for (LONG i = 5; i <= ub; ++i) got.push_back(TextAt(psa, i));
    EXPECT_EQ(got, expected);
    EXPECT_EQ(TextAt(psa, ub + 1), "<bad>");
    EXPECT_EQ(SafeArrayDestroy(psa), S_OK);
  }
}

TEST(SafeArray, RedimRefusedWhenLockedFixedOrStatic) {
  for (USHORT extra : {USHORT{0}, USHORT{FADF_FIXEDSIZE}, USHORT{FADF_STATIC}}) {
    SAFEARRAY* psa = Texts(0, {u"x", u"y"});
    const USHORT saved = psa->fFeatures;
    psa->fFeatures |= extra;
    ASSERT_EQ(extra == 0 ? SafeArrayLock(psa) : S_OK, S_OK);  // locked instead
    SAFEARRAYBOUND bound{1, 0};
    EXPECT_EQ(SafeArrayRedim(psa, &bound), DISP_E_ARRAYISLOCKED) << extra;
    EXPECT_EQ(TextAt(psa, 1), "y");
    if (extra == 0) {
      EXPECT_EQ(SafeArrayDestroy(psa), DISP_E_ARRAYISLOCKED);
      ASSERT_EQ(SafeArrayUnlock(psa), S_OK);
    }
    psa->fFeatures = saved;
    EXPECT_EQ(SafeArrayDestroy(psa), S_OK);
  }
}

// Copies are deep, for strings and for variants holding strings.
TEST(SafeArray, CopyIsDeep) {
  SAFEARRAY* texts = Texts(0, {u"one", u"two"});
  SAFEARRAY* variants = SafeArrayCreateVector(VT_VARIANT, 0, 2);
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_BSTR;
  v.bstrVal = SysAllocString(u"inside");
  LONG i = 1;
  ASSERT_EQ(SafeArrayPutElement(variants, &i, &v), S_OK);
  VariantClear(&v);
  SAFEARRAY *text_copy = nullptr, *variant_copy = nullptr;
  ASSERT_EQ(SafeArrayCopy(texts, &text_copy), S_OK);
  ASSERT_EQ(SafeArrayCopy(variants, &variant_copy), S_OK);
  EXPECT_NE(static_cast<BSTR*>(texts->pvData)[0], static_cast<BSTR*>(text_copy->pvData)[0]);
  SafeArrayDestroy(texts);
  SafeArrayDestroy(variants);
  EXPECT_EQ(TextAt(text_copy, 0) + TextAt(text_copy, 1), "onetwo");
  VARTYPE vt;
  ASSERT_EQ(SafeArrayGetVartype(text_copy, &vt), S_OK);
  EXPECT_EQ(vt, VT_BSTR);
  ASSERT_EQ(SafeArrayGetElement(variant_copy, &i, &v), S_OK);
  EXPECT_EQ(Narrow(v.bstrVal), "inside");
  VariantClear(&v);
  SafeArrayDestroy(text_copy);
  SafeArrayDestroy(variant_copy);
}

TEST(SafeArray, TwoDimensionsIndexFirstFastest) {
  SAFEARRAYBOUND bounds[2] = {{2, 0}, {3, 1}};  // (0..1, 1..3)
  SAFEARRAY* psa = SafeArrayCreate(VT_I4, 2, bounds);
  ASSERT_NE(psa, nullptr);
  for (LONG i = 0; i < 2; ++i) {
    for (LONG j = 1; j <= 3; ++j) {
      LONG idx[2] = {i, j}, value = i * 10 + j;
      ASSERT_EQ(SafeArrayPutElement(psa, idx, &value), S_OK);
    }
  }
  auto* data = static_cast<LONG*>(psa->pvData);
  EXPECT_EQ(std::vector<LONG>(data, data + 3), (std::vector<LONG>{1, 11, 2}));  // (0,1) (1,1) (0,2)
  LONG ub;
  ASSERT_EQ(SafeArrayGetUBound(psa, 2, &ub), S_OK);
  EXPECT_EQ(ub, 3);
  SafeArrayDestroy(psa);
}

}  // namespace
