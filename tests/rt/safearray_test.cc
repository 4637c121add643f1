#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "rt/rt_test_util.h"

namespace {

using kt::rt::test::Narrow;

struct CreateCase {
  VARTYPE vt;
  ULONG elem_size;
  USHORT kind_flag;
};

class SafeArrayCreateTest : public ::testing::TestWithParam<CreateCase> {};

TEST_P(SafeArrayCreateTest, DescribesElementType) {
  const CreateCase& c = GetParam();
  SAFEARRAY* psa = SafeArrayCreateVector(c.vt, 1, 3);
  ASSERT_NE(psa, nullptr);
  EXPECT_EQ(SafeArrayGetDim(psa), 1u);
  EXPECT_EQ(SafeArrayGetElemsize(psa), c.elem_size);
  EXPECT_EQ(psa->fFeatures & (FADF_BSTR | FADF_VARIANT | FADF_UNKNOWN | FADF_DISPATCH), c.kind_flag);
  EXPECT_TRUE(psa->fFeatures & FADF_HAVEVARTYPE);
  // The element type sits in the four bytes before the descriptor.
  uint32_t stored;
  std::memcpy(&stored, reinterpret_cast<uint8_t*>(psa) - 4, 4);
  EXPECT_EQ(stored, c.vt);
  VARTYPE vt = 0;
  ASSERT_EQ(SafeArrayGetVartype(psa, &vt), S_OK);
  EXPECT_EQ(vt, c.vt);
  LONG lb = 0, ub = 0;
  ASSERT_EQ(SafeArrayGetLBound(psa, 1, &lb), S_OK);
  ASSERT_EQ(SafeArrayGetUBound(psa, 1, &ub), S_OK);
  EXPECT_EQ(lb, 1);
  EXPECT_EQ(ub, 3);
  EXPECT_EQ(SafeArrayDestroy(psa), S_OK);
}

INSTANTIATE_TEST_SUITE_P(Types, SafeArrayCreateTest,
                         ::testing::Values(CreateCase{VT_I2, 2, 0}, CreateCase{VT_I4, 4, 0},
                                           CreateCase{VT_R8, 8, 0}, CreateCase{VT_BOOL, 2, 0},
                                           CreateCase{VT_UI1, 1, 0}, CreateCase{VT_BSTR, 8, FADF_BSTR},
                                           CreateCase{VT_VARIANT, 24, FADF_VARIANT},
                                           CreateCase{VT_UNKNOWN, 8, FADF_UNKNOWN},
                                           CreateCase{VT_DISPATCH, 8, FADF_DISPATCH}));

TEST(SafeArray, RejectsEmptyAndNullElementTypes) {
  EXPECT_EQ(SafeArrayCreateVector(VT_EMPTY, 0, 1), nullptr);
  EXPECT_EQ(SafeArrayCreateVector(VT_NULL, 0, 1), nullptr);
}

TEST(SafeArray, ZeroElementVector) {
  SAFEARRAY* psa = SafeArrayCreateVector(VT_I4, 0, 0);
  ASSERT_NE(psa, nullptr);
  LONG ub = 99;
  ASSERT_EQ(SafeArrayGetUBound(psa, 1, &ub), S_OK);
  EXPECT_EQ(ub, -1);
  LONG i = 0;
  LONG out;
  EXPECT_EQ(SafeArrayGetElement(psa, &i, &out), DISP_E_BADINDEX);
  SafeArrayDestroy(psa);
}

// A BSTR vector holding the given texts at indices lb, lb+1, ...
SAFEARRAY* Texts(LONG lb, const std::vector<std::u16string>& texts) {
  SAFEARRAY* psa = SafeArrayCreateVector(VT_BSTR, lb, static_cast<ULONG>(texts.size()));
  for (size_t k = 0; k < texts.size(); ++k) {
    LONG i = lb + static_cast<LONG>(k);
    BSTR s = SysAllocString(texts[k].c_str());
    EXPECT_EQ(SafeArrayPutElement(psa, &i, s), S_OK);
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

struct RedimCase {
  const char* label;
  ULONG new_count;
  std::vector<std::string> expected;  // element texts after the change
};

class SafeArrayRedimTest : public ::testing::TestWithParam<RedimCase> {};

TEST_P(SafeArrayRedimTest, PreservesAndFrees) {
  const RedimCase& c = GetParam();
  SAFEARRAY* psa = Texts(5, {u"a", u"b", u"c"});
  SAFEARRAYBOUND bound{c.new_count, 5};
  ASSERT_EQ(SafeArrayRedim(psa, &bound), S_OK);
  LONG ub;
  SafeArrayGetUBound(psa, 1, &ub);
  EXPECT_EQ(ub, 5 + static_cast<LONG>(c.new_count) - 1);
  for (size_t k = 0; k < c.expected.size(); ++k) {
    EXPECT_EQ(TextAt(psa, 5 + static_cast<LONG>(k)), c.expected[k]) << k;
  }
  LONG past = 5 + static_cast<LONG>(c.new_count);
  EXPECT_EQ(TextAt(psa, past), "<bad>");
  // Elements cut off were freed: the leak sanitizer would report them.
  EXPECT_EQ(SafeArrayDestroy(psa), S_OK);
}

INSTANTIATE_TEST_SUITE_P(Sizes, SafeArrayRedimTest,
                         ::testing::Values(RedimCase{"Grow", 5, {"a", "b", "c", "<null>", "<null>"}},
                                           RedimCase{"Same", 3, {"a", "b", "c"}},
                                           RedimCase{"Shrink", 1, {"a"}}, RedimCase{"ToEmpty", 0, {}}),
                         [](const auto& info) { return std::string(info.param.label); });

struct RefusalCase {
  const char* label;
  USHORT extra_features;
  bool locked;
};

class SafeArrayRefusalTest : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(SafeArrayRefusalTest, RedimRefused) {
  const RefusalCase& c = GetParam();
  SAFEARRAY* psa = Texts(0, {u"x", u"y"});
  USHORT saved = psa->fFeatures;
  psa->fFeatures |= c.extra_features;
  if (c.locked) {
    ASSERT_EQ(SafeArrayLock(psa), S_OK);
  }
  SAFEARRAYBOUND bound{1, 0};
  EXPECT_EQ(SafeArrayRedim(psa, &bound), DISP_E_ARRAYISLOCKED);
  EXPECT_EQ(TextAt(psa, 1), "y");
  if (c.locked) {
    EXPECT_EQ(SafeArrayDestroy(psa), DISP_E_ARRAYISLOCKED);
    ASSERT_EQ(SafeArrayUnlock(psa), S_OK);
  }
  psa->fFeatures = saved;
  EXPECT_EQ(SafeArrayDestroy(psa), S_OK);
}

INSTANTIATE_TEST_SUITE_P(Kinds, SafeArrayRefusalTest,
                         ::testing::Values(RefusalCase{"Locked", 0, true},
                                           RefusalCase{"FixedSize", FADF_FIXEDSIZE, false},
                                           RefusalCase{"Static", FADF_STATIC, false}),
                         [](const auto& info) { return std::string(info.param.label); });

struct BoundsCase {
  LONG index;
  HRESULT hr;
};

class SafeArrayBoundsTest : public ::testing::TestWithParam<BoundsCase> {};

TEST_P(SafeArrayBoundsTest, GetAndPut) {
  const BoundsCase& c = GetParam();
  SAFEARRAY* psa = SafeArrayCreateVector(VT_I4, -2, 4);  // -2..1
  LONG index = c.index;
  LONG value = 9;
  EXPECT_EQ(SafeArrayPutElement(psa, &index, &value), c.hr);
  LONG out = 0;
  EXPECT_EQ(SafeArrayGetElement(psa, &index, &out), c.hr);
  if (c.hr == S_OK) {
    EXPECT_EQ(out, 9);
  }
  SafeArrayDestroy(psa);
}

INSTANTIATE_TEST_SUITE_P(Indices, SafeArrayBoundsTest,
                         ::testing::Values(BoundsCase{-3, DISP_E_BADINDEX}, BoundsCase{-2, S_OK},
                                           BoundsCase{1, S_OK}, BoundsCase{2, DISP_E_BADINDEX},
                                           BoundsCase{INT32_MIN, DISP_E_BADINDEX}));

TEST(SafeArray, CopyIsDeep) {
  SAFEARRAY* psa = Texts(0, {u"one", u"two"});
  SAFEARRAY* copy = nullptr;
  ASSERT_EQ(SafeArrayCopy(psa, &copy), S_OK);
  ASSERT_NE(copy, nullptr);
  BSTR* a = nullptr;
  BSTR* b = nullptr;
  ASSERT_EQ(SafeArrayAccessData(psa, reinterpret_cast<void**>(&a)), S_OK);
  ASSERT_EQ(SafeArrayAccessData(copy, reinterpret_cast<void**>(&b)), S_OK);
  EXPECT_NE(a[0], b[0]);
  EXPECT_EQ(Narrow(b[1]), "two");
  SafeArrayUnaccessData(psa);
  SafeArrayUnaccessData(copy);
  SafeArrayDestroy(psa);
  EXPECT_EQ(TextAt(copy, 0), "one");
  VARTYPE vt;
  ASSERT_EQ(SafeArrayGetVartype(copy, &vt), S_OK);
  EXPECT_EQ(vt, VT_BSTR);
  SafeArrayDestroy(copy);
}

TEST(SafeArray, VariantElementsCopyInAndOut) {
  SAFEARRAY* psa = SafeArrayCreateVector(VT_VARIANT, 0, 2);
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_BSTR;
  v.bstrVal = SysAllocString(u"inside");
  LONG i = 1;
  ASSERT_EQ(SafeArrayPutElement(psa, &i, &v), S_OK);
  VariantClear(&v);
  VARIANT out;
  VariantInit(&out);
  ASSERT_EQ(SafeArrayGetElement(psa, &i, &out), S_OK);
  EXPECT_EQ(Narrow(out.bstrVal), "inside");
  VariantClear(&out);
  SAFEARRAY* copy = nullptr;
  ASSERT_EQ(SafeArrayCopy(psa, &copy), S_OK);
  SafeArrayDestroy(psa);
  ASSERT_EQ(SafeArrayGetElement(copy, &i, &out), S_OK);
  EXPECT_EQ(Narrow(out.bstrVal), "inside");
  VariantClear(&out);
  SafeArrayDestroy(copy);
}

TEST(SafeArray, TwoDimensionsIndexFirstFastest) {
  SAFEARRAYBOUND bounds[2] = {{2, 0}, {3, 1}};  // (0..1, 1..3)
  SAFEARRAY* psa = SafeArrayCreate(VT_I4, 2, bounds);
  ASSERT_NE(psa, nullptr);
  for (LONG i = 0; i < 2; ++i) {
    for (LONG j = 1; j <= 3; ++j) {
      LONG idx[2] = {i, j};
      LONG value = i * 10 + j;
      ASSERT_EQ(SafeArrayPutElement(psa, idx, &value), S_OK);
    }
  }
  auto* data = static_cast<LONG*>(psa->pvData);
  EXPECT_EQ(data[0], 1);   // (0,1)
  EXPECT_EQ(data[1], 11);  // (1,1)
  EXPECT_EQ(data[2], 2);   // (0,2)
  LONG ub;
  ASSERT_EQ(SafeArrayGetUBound(psa, 2, &ub), S_OK);
  EXPECT_EQ(ub, 3);
  SafeArrayDestroy(psa);
}

}  // namespace
