#include "frame/convert.h"

#include <cmath>
#include <functional>
#include <new>
#include <stdexcept>
#include <thread>

#include <gtest/gtest.h>

#include "frame/handler.h"

namespace kt {
namespace {

// The error number a call raises, or 0 when it returns normally.
int32_t ErrorOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const VbError& e) {
    return e.number();
  }
  return 0;
}

const double kMarch5 = 39512 + 50829.0 / 86400;  // 2008-03-05 14:07:09

// One row per source value: what each conversion gives, or the error it raises.
struct ConvCase {
  const char* name;
  Variant value;
  int32_t cint;  // expected value (0 with cint_err)
  int32_t cint_err;
  int32_t clng;
  int32_t clng_err;
  const char* cstr;  // nullptr when CStr raises cstr_err
  int32_t cstr_err;
  bool cbool;
  int32_t cbool_err;
  bool numeric;
};

class ConversionTable : public ::testing::TestWithParam<ConvCase> {};

TEST_P(ConversionTable, EachTarget) {
  const ConvCase& c = GetParam();
  int16_t i2 = 0;
  EXPECT_EQ(ErrorOf([&] { i2 = CInt(c.value); }), c.cint_err) << "CInt";
  EXPECT_EQ(i2, c.cint);
  int32_t i4 = 0;
  EXPECT_EQ(ErrorOf([&] { i4 = CLng(c.value); }), c.clng_err) << "CLng";
  EXPECT_EQ(i4, c.clng);
  std::string s;
  EXPECT_EQ(ErrorOf([&] { s = CStr(c.value); }), c.cstr_err) << "CStr";
  EXPECT_EQ(s, c.cstr ? c.cstr : "");
  bool b = false;
  EXPECT_EQ(ErrorOf([&] { b = CBool(c.value); }), c.cbool_err) << "CBool";
  EXPECT_EQ(b, c.cbool);
  EXPECT_EQ(IsNumeric(c.value), c.numeric);
}

VariantArray OneElement() {
  VariantArray a;
  a.Redim(0, 0);
  return a;
}

INSTANTIATE_TEST_SUITE_P(
    Table, ConversionTable,
    ::testing::Values(
        ConvCase{"Empty", Variant(), 0, 0, 0, 0, "", 0, false, 0, true},
        ConvCase{"Null", Variant::Null(), 0, 94, 0, 94, nullptr, 94, false, 94, false},
        ConvCase{"I2", Variant::I2(-7), -7, 0, -7, 0, "-7", 0, true, 0, true},
        ConvCase{"I4Big", Variant::I4(40000), 0, 6, 40000, 0, "40000", 0, true, 0, true},
        ConvCase{"R8Half", Variant::R8(2.5), 2, 0, 2, 0, "2.5", 0, true, 0, true},
        ConvCase{"R8Huge", Variant::R8(3e9), 0, 6, 0, 6, "3000000000", 0, true, 0, true},
        ConvCase{"True", Variant::Bool(true), -1, 0, -1, 0, "True", 0, true, 0, true},
        ConvCase{"TextNumber", Variant::Str(" 1.5 "), 2, 0, 2, 0, " 1.5 ", 0, true, 0, true},
        ConvCase{"TextHex", Variant::Str("&HFFFF"), -1, 0, -1, 0, "&HFFFF", 0, true, 0, true},
        ConvCase{"TextZero", Variant::Str("0"), 0, 0, 0, 0, "0", 0, false, 0, true},
        ConvCase{"TextTrue", Variant::Str("tRUE"), 0, 13, 0, 13, "tRUE", 0, true, 0, false},
        ConvCase{"TextFalse", Variant::Str("FALSE"), 0, 13, 0, 13, "FALSE", 0, false, 0, false},
        ConvCase{"TextJunk", Variant::Str("12abc"), 0, 13, 0, 13, "12abc", 0, false, 13, false},
        ConvCase{"TextEmpty", Variant::Str(""), 0, 13, 0, 13, "", 0, false, 13, false},
        ConvCase{"TextBig", Variant::Str("70000"), 0, 6, 70000, 0, "70000", 0, true, 0, true},
        ConvCase{"Date", Variant::Date(kMarch5), 0, 6, 39513, 0, "3/5/2008 2:07:09 PM", 0, true, 0, false},
        ConvCase{"DateSmall", Variant::Date(2.5), 2, 0, 2, 0, "1/1/1900 12:00:00 PM", 0, true, 0, false},
        ConvCase{"Error", Variant::Error(5), 0, 13, 0, 13, nullptr, 13, false, 13, false},
        ConvCase{"Array", Variant::Array(OneElement()), 0, 13, 0, 13, nullptr, 13, false, 13, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Convert, DoublesAndText) {
  EXPECT_EQ(CDbl(Variant::Str("1E3")), 1000.0);
  EXPECT_EQ(CDbl(Variant::Bool(true)), -1.0);
  EXPECT_EQ(CDbl(Variant::Date(1.25)), 1.25);
  EXPECT_EQ(ErrorOf([] { CDbl(Variant::Str("x")); }), 13);
  EXPECT_EQ(ErrorOf([] { CDbl(Variant::Null()); }), 94);
  EXPECT_EQ(CInt(std::string_view("-32768.5")), -32768);
  EXPECT_EQ(ErrorOf([] { CInt(std::string_view("32767.5")); }), 6);
  EXPECT_EQ(ErrorOf([] { CLng(std::string_view("--1")); }), 13);
  EXPECT_TRUE(IsNumeric(std::string_view(".5")));
  EXPECT_FALSE(IsNumeric(std::string_view("1,2")));
  EXPECT_EQ(ErrorOf([] { CStr(Variant::Date(1e8)); }), 6);
}

TEST(Convert, CheckedArithmeticBounds) {
  EXPECT_EQ(CheckedI2(-32768), -32768);
  EXPECT_EQ(ErrorOf([] { CheckedI2(32768); }), 6);
  EXPECT_EQ(ErrorOf([] { CheckedI2(-32769); }), 6);
  EXPECT_EQ(ErrorOf([] { AddI4(INT32_MAX, 1); }), 6);
  EXPECT_EQ(ErrorOf([] { SubI4(INT32_MIN, 1); }), 6);
  EXPECT_EQ(AddI2(32000, 767), 32767);
  EXPECT_EQ(Str(-42), "-42");
  EXPECT_EQ(Str(INT64_MIN), "-9223372036854775808");
}

TEST(VariantEquality, TypeAndValue) {
  EXPECT_NE(Variant::I2(1), Variant::I4(1));
  EXPECT_NE(Variant::R8(1), Variant::Date(1));
  EXPECT_EQ(Variant(), Variant());
  EXPECT_NE(Variant(), Variant::Null());
  VariantArray a;
  a.Redim(1, 2);
  a.At(2) = Variant::Str("x");
  VariantArray b = a;
  EXPECT_EQ(Variant::Array(a), Variant::Array(b));  // separate storage, same elements
  b.At(2) = Variant::Str("y");
  EXPECT_NE(Variant::Array(a), Variant::Array(b));
}

TEST(VbArray, BoundsAndResizing) {
  VbArray<int32_t> a;
  EXPECT_EQ(ErrorOf([&] { a.UBound(); }), 9);
  EXPECT_EQ(ErrorOf([&] { a.At(0); }), 9);
  a.RedimPreserve(1, 3);
  a.At(3) = 30;
  EXPECT_EQ(a.UBound(), 3);
  EXPECT_EQ(ErrorOf([&] { a.At(0); }), 9);
  EXPECT_EQ(ErrorOf([&] { a.At(4); }), 9);
  a.RedimPreserve(1, 5);
  EXPECT_EQ(a.At(3), 30);
  EXPECT_EQ(ErrorOf([&] { a.RedimPreserve(0, 5); }), 9);  // lower bound may not move
  a.RedimPreserve(1, 0);                                  // empty but allocated
  EXPECT_EQ(a.UBound(), 0);
  a.fixed = true;
  EXPECT_EQ(ErrorOf([&] { a.RedimPreserve(1, 2); }), 10);
  EXPECT_EQ(ErrorOf([&] { a.Redim(1, 2); }), 10);
}

TEST(ErrRecord, RaiseFillsRecordAndStandardText) {
  Err().Clear();
  EXPECT_EQ(ErrorOf([] { Raise(13, "clsProfile"); }), 13);
  EXPECT_EQ(Err().number, 13);
  EXPECT_EQ(Err().source, "clsProfile");
  EXPECT_EQ(Err().description, "Type mismatch");
  EXPECT_EQ(ErrorOf([] { Raise(vberr::kObjectNotSet + 50000, "", "custom"); }), 50091);
  EXPECT_EQ(Err().description, "custom");
  EXPECT_EQ(StandardDescription(94), "Invalid use of Null");
  EXPECT_EQ(StandardDescription(10), "This array is fixed or temporarily locked");
  EXPECT_EQ(StandardDescription(1234), "Application-defined or object-defined error");
  Err().Clear();
}

// What a body throws and the record the handler sees.
struct CaptureCase {
  const char* name;
  std::function<void()> body;
  int32_t number;
  const char* description;
};

class HandlerCapture : public ::testing::TestWithParam<CaptureCase> {};

TEST_P(HandlerCapture, LeaveRunsHandlerWithRecordThenClears) {
  Err().number = 99;  // stale error from earlier must not survive entry
  ErrRecord seen;
  bool body_saw_clear = false;
  OnErrorLeave(
      [&] {
        body_saw_clear = Err().number == 0;
        GetParam().body();
      },
      [&] { seen = Err(); });
  EXPECT_TRUE(body_saw_clear);
  EXPECT_EQ(seen.number, GetParam().number);
  EXPECT_EQ(seen.description, GetParam().description);
  EXPECT_EQ(Err(), ErrRecord{});
}

TEST_P(HandlerCapture, RaiseAgainKeepsNumberAndReplacesSource) {
  try {
    OnErrorRaiseAgain("clsSubscriber", GetParam().body);
    FAIL() << "no error came out";
  } catch (const VbError& e) {
    EXPECT_EQ(e.number(), GetParam().number);
    EXPECT_EQ(e.record().description, GetParam().description);
    EXPECT_EQ(e.record().source, "clsSubscriber");
    EXPECT_EQ(Err(), e.record());
  }
  Err().Clear();
}

INSTANTIATE_TEST_SUITE_P(
    Table, HandlerCapture,
    ::testing::Values(CaptureCase{"Raised", [] { Raise(6, "inner"); }, 6, "Overflow"},
                      CaptureCase{"RaisedCustom", [] { Raise(5, "inner", "bad index"); }, 5, "bad index"},
                      CaptureCase{"BadAlloc", [] { throw std::bad_alloc(); }, 7, "Out of memory"},
                      CaptureCase{"StdException", [] { throw std::runtime_error("disk gone"); }, 51,
                                  "disk gone"},
                      CaptureCase{"Unknown", [] { throw 42; }, 51, "Internal error"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Handler, NormalExitClearsRecord) {
  Err().number = 5;
  bool handler_ran = false;
  OnErrorLeave([] {}, [&] { handler_ran = true; });
  EXPECT_FALSE(handler_ran);
  EXPECT_EQ(Err().number, 0);
  EXPECT_NO_THROW(OnErrorRaiseAgain("x", [] {}));
}

TEST(ErrRecord, IsPerThread) {
  Err().Clear();
  EXPECT_EQ(ErrorOf([] { Raise(11); }), 11);
  ErrRecord other;
  other.number = -1;
  std::thread([&] { other = Err(); }).join();
  EXPECT_EQ(other, ErrRecord{});
  EXPECT_EQ(Err().number, 11);
  Err().Clear();
}

}  // namespace
}  // namespace kt
