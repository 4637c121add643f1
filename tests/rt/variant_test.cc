#include <gtest/gtest.h>

#include <string>

#include "rt/rt_test_util.h"

namespace {

using kt::rt::test::Narrow;

// A value to convert: vt plus a number (numeric, bool, date) or text (BSTR).
struct Source {
  VARTYPE vt;
  double number = 0;
  const char16_t* text = nullptr;
};

VARIANT Make(const Source& s) {
  VARIANT v;
  VariantInit(&v);
  v.vt = s.vt;
  if (s.vt == VT_I2) v.iVal = static_cast<SHORT>(s.number);
  if (s.vt == VT_I4 || s.vt == VT_ERROR) v.lVal = static_cast<LONG>(s.number);
  if (s.vt == VT_R8 || s.vt == VT_DATE) v.dblVal = s.number;
  if (s.vt == VT_BOOL) v.boolVal = s.number != 0 ? VARIANT_TRUE : VARIANT_FALSE;
  if (s.vt == VT_BSTR) v.bstrVal = SysAllocString(s.text);
  return v;
}

// A numeric value (I2, I4, ERROR, R8, DATE, BOOL as -1/0); 0 for others.
double NumberOf(const VARIANT& v) {
  return v.vt == VT_I2                       ? v.iVal
         : v.vt == VT_BOOL                   ? v.boolVal
         : v.vt == VT_I4 || v.vt == VT_ERROR ? v.lVal
         : v.vt == VT_R8 || v.vt == VT_DATE  ? v.dblVal
                                             : 0;
}

struct ChangeCase {
  const char* label;
  Source src;
  VARTYPE target;
  USHORT flags;
  HRESULT hr;
  double number;     // expected numeric result
  const char* text;  // expected BSTR result
};

class ChangeTypeTest : public ::testing::TestWithParam<ChangeCase> {};

TEST_P(ChangeTypeTest, Converts) {
  const ChangeCase& c = GetParam();
  VARIANT src = Make(c.src);
  VARIANT dst;
  VariantInit(&dst);
  ASSERT_EQ(VariantChangeType(&dst, &src, c.flags, c.target), c.hr);
  if (FAILED(c.hr)) {
    EXPECT_EQ(dst.vt, VT_EMPTY) << "a failed conversion must leave dest alone";
  } else if (c.target == VT_BSTR) {
    EXPECT_EQ(Narrow(dst.bstrVal), c.text);
  } else {
    EXPECT_EQ(dst.vt, c.target);
    EXPECT_NEAR(NumberOf(dst), c.number, 1e-9);
  }
  VariantClear(&dst);
  VariantClear(&src);
}

// 2024-03-05 is day 45356 of the OLE calendar; 13:30 is 0.5625 of a day.
constexpr double kMar5 = 45356.0;

const ChangeCase kChangeCases[] = {
    {"HalfRoundsToEvenUp", {VT_BSTR, 0, u"13.5"}, VT_I2, 0, S_OK, 14, nullptr},
    {"NegativeHalf", {VT_BSTR, 0, u"-2.5"}, VT_I4, 0, S_OK, -2, nullptr},
    {"BlanksAround", {VT_BSTR, 0, u" 7 "}, VT_I2, 0, S_OK, 7, nullptr},
    {"HexText", {VT_BSTR, 0, u"&HFF"}, VT_I4, 0, S_OK, 255, nullptr},
    {"NonNumericText", {VT_BSTR, 0, u"abc"}, VT_I4, 0, DISP_E_TYPEMISMATCH, 0, nullptr},
    {"EmptyTextToI2", {VT_BSTR, 0, u""}, VT_I2, 0, DISP_E_TYPEMISMATCH, 0, nullptr},
    {"I2Overflow", {VT_BSTR, 0, u"40000"}, VT_I2, 0, DISP_E_OVERFLOW, 0, nullptr},
    {"I4Overflow", {VT_R8, 3e9}, VT_I4, 0, DISP_E_OVERFLOW, 0, nullptr},
    {"I4ToI2Overflow", {VT_I4, -32769}, VT_I2, 0, DISP_E_OVERFLOW, 0, nullptr},
    {"R8ToI2Rounds", {VT_R8, 2.5}, VT_I2, 0, S_OK, 2, nullptr},
    {"TextToR8", {VT_BSTR, 0, u"1.25E2"}, VT_R8, 0, S_OK, 125, nullptr},
    {"R8ToText", {VT_R8, 1.5}, VT_BSTR, 0, S_OK, 0, "1.5"},
    {"TrueAlpha", {VT_BOOL, 1}, VT_BSTR, VARIANT_ALPHABOOL, S_OK, 0, "True"},
    {"TrueNumeric", {VT_BOOL, 1}, VT_BSTR, 0, S_OK, 0, "-1"},
    {"TextTrueAnyCase", {VT_BSTR, 0, u"tRUE"}, VT_BOOL, 0, S_OK, VARIANT_TRUE, nullptr},
    {"TextFalse", {VT_BSTR, 0, u"False"}, VT_BOOL, 0, S_OK, VARIANT_FALSE, nullptr},
    {"TextNumberToBool", {VT_BSTR, 0, u"2"}, VT_BOOL, 0, S_OK, VARIANT_TRUE, nullptr},
    {"TextYesToBool", {VT_BSTR, 0, u"yes"}, VT_BOOL, 0, DISP_E_TYPEMISMATCH, 0, nullptr},
    {"BoolToI2", {VT_BOOL, 1}, VT_I2, 0, S_OK, -1, nullptr},
    {"NumberToBool", {VT_R8, 0.1}, VT_BOOL, 0, S_OK, VARIANT_TRUE, nullptr},
    {"EmptyToI4", {VT_EMPTY}, VT_I4, 0, S_OK, 0, nullptr},
    {"EmptyToBstr", {VT_EMPTY}, VT_BSTR, 0, S_OK, 0, ""},
    {"NullToI4", {VT_NULL}, VT_I4, 0, DISP_E_TYPEMISMATCH, 0, nullptr},
    {"NullToBstr", {VT_NULL}, VT_BSTR, 0, DISP_E_TYPEMISMATCH, 0, nullptr},
    {"NullToNull", {VT_NULL}, VT_NULL, 0, S_OK, 0, nullptr},
    {"IsoTextToDate", {VT_BSTR, 0, u"2024-03-05T13:30:00"}, VT_DATE, 0, S_OK, kMar5 + 0.5625, nullptr},
    {"GeneralTextToDate", {VT_BSTR, 0, u"3/5/2024 1:30:00 PM"}, VT_DATE, 0, S_OK, kMar5 + 0.5625, nullptr},
    {"GeneralDateOnly", {VT_BSTR, 0, u"3/5/2024"}, VT_DATE, 0, S_OK, kMar5, nullptr},
    {"TimeOnly", {VT_BSTR, 0, u"12:00:00 AM"}, VT_DATE, 0, S_OK, 0, nullptr},
    {"BadDateText", {VT_BSTR, 0, u"13/45/2024"}, VT_DATE, 0, DISP_E_TYPEMISMATCH, 0, nullptr},
    {"DateToText", {VT_DATE, kMar5 + 0.5625}, VT_BSTR, 0, S_OK, 0, "3/5/2024 1:30:00 PM"},
    {"DateToR8", {VT_DATE, 2.25}, VT_R8, 0, S_OK, 2.25, nullptr},
    {"ErrorToI4", {VT_ERROR, -2147352572.0}, VT_I4, 0, S_OK, -2147352572.0, nullptr},
    {"I4ToError", {VT_I4, 448}, VT_ERROR, 0, S_OK, 448, nullptr},
    {"ErrorToText", {VT_ERROR, 5}, VT_BSTR, 0, DISP_E_TYPEMISMATCH, 0, nullptr},
    {"ErrorToI2", {VT_ERROR, 5}, VT_I2, 0, DISP_E_TYPEMISMATCH, 0, nullptr},
    {"UnsupportedTarget", {VT_I4, 1}, VT_CY, 0, DISP_E_BADVARTYPE, 0, nullptr},
    {"GarbageTarget", {VT_I4, 1}, 0x0FF0, 0, DISP_E_BADVARTYPE, 0, nullptr},
};

INSTANTIATE_TEST_SUITE_P(Table, ChangeTypeTest, ::testing::ValuesIn(kChangeCases),
                         [](const auto& info) { return std::string(info.param.label); });

// In place, through a reference; a failure in place leaves the value.
TEST(Variant, ChangeTypeInPlaceAndByref) {
  BSTR text = SysAllocString(u"42");
  VARIANT v, ref, null_src;
  VariantInit(&v);
  VariantInit(&null_src);
  null_src.vt = VT_NULL;
  ref.vt = VT_BSTR | VT_BYREF;
  ref.pbstrVal = &text;
  ASSERT_EQ(VariantChangeType(&v, &ref, 0, VT_BSTR), S_OK);
  ASSERT_EQ(VariantChangeType(&v, &v, 0, VT_I4), S_OK);
  EXPECT_EQ(v.vt, VT_I4);
  EXPECT_EQ(v.lVal, 42);
  ASSERT_EQ(VariantChangeType(&v, &v, 0, VT_BSTR), S_OK);
  EXPECT_EQ(VariantChangeType(&v, &null_src, 0, VT_I4), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(Narrow(v.bstrVal), "42");
  VariantClear(&v);
  ASSERT_EQ(VariantChangeType(&v, &ref, 0, VT_I2), S_OK);
  EXPECT_EQ(v.iVal, 42);
  // Clearing a reference never frees what it points at.
  EXPECT_EQ(VariantClear(&ref), S_OK);
  EXPECT_EQ(Narrow(text), "42");
  SysFreeString(text);
}

TEST(Variant, CopyIsDeepAndClearReleases) {
  kt::rt::test::SimpleUnknown unk;  // on the stack: counts, never deletes
  VARIANT a, b;
  VariantInit(&a);
  VariantInit(&b);
  a.vt = VT_UNKNOWN;
  a.punkVal = &unk;
  unk.AddRef();
  ASSERT_EQ(VariantCopy(&b, &a), S_OK);
  EXPECT_EQ(unk.refs, 3u);
  VariantClear(&a);
  VariantClear(&b);
  EXPECT_EQ(unk.refs, 1u);
  a.vt = VT_BSTR;
  a.bstrVal = SysAllocStringLen(u"x\0y", 3);
  ASSERT_EQ(VariantCopy(&b, &a), S_OK);
  EXPECT_NE(a.bstrVal, b.bstrVal);
  EXPECT_EQ(SysStringLen(b.bstrVal), 3u);
  // Copying over a value frees the old one (checked by the leak sanitizer).
  ASSERT_EQ(VariantCopy(&b, &a), S_OK);
  VariantClear(&a);
  VariantClear(&b);
  // Clearing an array destroys it and its strings.
  a.vt = VT_ARRAY | VT_BSTR;
  a.parray = SafeArrayCreateVector(VT_BSTR, 0, 2);
  LONG i = 1;
  BSTR mine = SysAllocString(u"text");
  ASSERT_EQ(SafeArrayPutElement(a.parray, &i, mine), S_OK);
  SysFreeString(mine);  // PutElement copied it
  EXPECT_EQ(VariantClear(&a), S_OK);
  EXPECT_EQ(a.vt, VT_EMPTY);
}

TEST(Variant, CopyIndDereferences) {
  LONG number = 77;
  VARIANT ref, out, inner;
  VariantInit(&out);
  VariantInit(&inner);
  ref.vt = VT_I4 | VT_BYREF;
  ref.plVal = &number;
  ASSERT_EQ(VariantCopyInd(&out, &ref), S_OK);
  EXPECT_EQ(out.vt, VT_I4);
  EXPECT_EQ(out.lVal, 77);
  inner.vt = VT_BSTR;
  inner.bstrVal = SysAllocString(u"in");
  ref.vt = VT_VARIANT | VT_BYREF;
  ref.pvarVal = &inner;
  ASSERT_EQ(VariantCopyInd(&out, &ref), S_OK);
  EXPECT_EQ(out.vt, VT_BSTR);
  EXPECT_NE(out.bstrVal, inner.bstrVal);
  EXPECT_EQ(Narrow(out.bstrVal), "in");
  VariantClear(&out);
  VariantClear(&inner);
}

}  // namespace
