#include "base/vbtext.h"

#include <cmath>
#include <limits>
#include <tuple>
#include <utility>

#include <gtest/gtest.h>

namespace kt::base {
namespace {

struct NumberCase {
  const char* text;
  double value;
};

class ParseNumberAccepts : public ::testing::TestWithParam<NumberCase> {};
TEST_P(ParseNumberAccepts, Value) {
  auto got = ParseNumber(GetParam().text);
  ASSERT_TRUE(got.has_value()) << GetParam().text;
  EXPECT_DOUBLE_EQ(*got, GetParam().value) << GetParam().text;
}
INSTANTIATE_TEST_SUITE_P(
    Table, ParseNumberAccepts,
    ::testing::Values(NumberCase{"42", 42}, NumberCase{"  -17\t", -17}, NumberCase{"+3", 3},
                      NumberCase{".5", 0.5}, NumberCase{"5.", 5}, NumberCase{"-0.25", -0.25},
                      NumberCase{"1E3", 1000}, NumberCase{"1e-2", 0.01}, NumberCase{"2D+2", 200},
                      NumberCase{"1.5d1", 15}, NumberCase{"&H10", 16}, NumberCase{"&hfa", 250},
                      NumberCase{"&HFFFF", -1}, NumberCase{"&H8000", -32768}, NumberCase{"&H10000", 65536},
                      NumberCase{"&HFFFFFFFF", -1}, NumberCase{"&O17", 15}, NumberCase{" &H7FFF ", 32767},
                      NumberCase{"1E-400", 0}, NumberCase{"0.0001E-330", 0},
                      // Exponents past the range of any integer type.
                      NumberCase{"0.01e-99999999999999999999999", 0},
                      NumberCase{"1e-99999999999999999999999", 0}));

class ParseNumberRejects : public ::testing::TestWithParam<const char*> {};
TEST_P(ParseNumberRejects, Nullopt) {
  EXPECT_FALSE(ParseNumber(GetParam()).has_value()) << GetParam();
}
INSTANTIATE_TEST_SUITE_P(Table, ParseNumberRejects,
                         ::testing::Values("", "   ", "\t", "1,2", "12abc", "--1", "+-1", ".", "-", "1E",
                                           "1E+", "E5", "1 2", "&H", "&HG", "&O8", "&H100000000", "1.2.3",
                                           "0x10", "1E400", "-12345678901234567890E300",
                                           "99e99999999999999999999999", "1e99999999999999999999999"));

struct RoundCase {
  double in, out;
};
class RoundHalfEvenTable : public ::testing::TestWithParam<RoundCase> {};
TEST_P(RoundHalfEvenTable, Value) {
  EXPECT_EQ(RoundHalfEven(GetParam().in), GetParam().out) << GetParam().in;
}
INSTANTIATE_TEST_SUITE_P(Table, RoundHalfEvenTable,
                         ::testing::Values(RoundCase{0.5, 0}, RoundCase{1.5, 2}, RoundCase{2.5, 2},
                                           RoundCase{3.5, 4}, RoundCase{-0.5, 0}, RoundCase{-1.5, -2},
                                           RoundCase{-2.5, -2}, RoundCase{2.4999, 2}, RoundCase{2.5001, 3},
                                           RoundCase{-2.6, -3}, RoundCase{7, 7}));

// bits: 16 for DoubleToI2, 32 for DoubleToI4.
struct IntCase {
  int bits;
  double in;
  ConvStatus status;
  int32_t value;
};
class DoubleToIntTable : public ::testing::TestWithParam<IntCase> {};
TEST_P(DoubleToIntTable, Value) {
  const IntCase& c = GetParam();
  const I2Result r2 = DoubleToI2(c.in);
  const I4Result r = c.bits == 16 ? I4Result{r2.status, r2.value} : DoubleToI4(c.in);
  EXPECT_EQ(r.status, c.status) << c.bits << " " << c.in;
  EXPECT_EQ(r.status == ConvStatus::kOk ? r.value : 0, c.value) << c.in;
}
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
INSTANTIATE_TEST_SUITE_P(Table, DoubleToIntTable,
                         ::testing::Values(IntCase{16, 32767.4, ConvStatus::kOk, 32767},
                                           IntCase{16, 32767.5, ConvStatus::kOverflow, 0},
                                           IntCase{16, -32768.5, ConvStatus::kOk, -32768},
                                           IntCase{16, -32768.6, ConvStatus::kOverflow, 0},
                                           IntCase{16, kNaN, ConvStatus::kOverflow, 0},
                                           IntCase{32, 2147483647.0, ConvStatus::kOk, 2147483647},
                                           IntCase{32, 2147483647.5, ConvStatus::kOverflow, 0},
                                           IntCase{32, -2147483648.5, ConvStatus::kOk, INT32_MIN},
                                           IntCase{32, -2147483649.0, ConvStatus::kOverflow, 0},
                                           IntCase{32, kNaN, ConvStatus::kOverflow, 0}));

TEST(TextToInt, StatusesFollowTheText) {
  EXPECT_EQ(TextToI2("12abc").status, ConvStatus::kTypeMismatch);
  EXPECT_EQ(TextToI2("40000").status, ConvStatus::kOverflow);
  EXPECT_EQ(TextToI2(" 2.5 ").value, 2);
  EXPECT_EQ(TextToI4("").status, ConvStatus::kTypeMismatch);
  EXPECT_EQ(TextToI4("&HFFFF").value, -1);
  EXPECT_EQ(TextToI4("3e9").status, ConvStatus::kOverflow);
}

struct FormatCase {
  double in;
  const char* out;
};
class FormatDoubleTable : public ::testing::TestWithParam<FormatCase> {};
TEST_P(FormatDoubleTable, Text) {
  EXPECT_EQ(FormatDouble(GetParam().in), GetParam().out);
}
INSTANTIATE_TEST_SUITE_P(Table, FormatDoubleTable,
                         ::testing::Values(FormatCase{0, "0"}, FormatCase{-0.0, "0"}, FormatCase{0.1, "0.1"},
                                           FormatCase{1.5, "1.5"}, FormatCase{-3, "-3"},
                                           FormatCase{100, "100"}, FormatCase{0.0001, "0.0001"},
                                           FormatCase{0.00001, "1E-05"}, FormatCase{-1.25e-7, "-1.25E-07"},
                                           FormatCase{123456789012345.0, "123456789012345"},
                                           FormatCase{1e15, "1E+15"}, FormatCase{1.5e20, "1.5E+20"},
                                           FormatCase{1.0 / 3, "0.333333333333333"},
                                           FormatCase{2.0 / 3, "0.666666666666667"},
                                           FormatCase{0.1 + 0.2, "0.3"}, FormatCase{1e300, "1E+300"},
                                           FormatCase{12.5e-3, "0.0125"}));

struct DateCase {
  double serial;
  DateParts parts;
};
class DateRoundTrip : public ::testing::TestWithParam<DateCase> {};
TEST_P(DateRoundTrip, BothWays) {
  const DateCase& c = GetParam();
  auto parts = DateToParts(c.serial);
  ASSERT_TRUE(parts.has_value()) << c.serial;
  const auto tie = [](const DateParts& p) {
    return std::tie(p.year, p.month, p.day, p.hour, p.minute, p.second);
  };
  EXPECT_EQ(tie(*parts), tie(c.parts));
  auto back = PartsToDate(c.parts);
  ASSERT_TRUE(back.has_value());
  EXPECT_NEAR(*back, c.serial, 1e-9);
}
INSTANTIATE_TEST_SUITE_P(
    Table, DateRoundTrip,
    ::testing::Values(DateCase{0, {1899, 12, 30, 0, 0, 0}}, DateCase{2, {1900, 1, 1, 0, 0, 0}},
                      DateCase{60, {1900, 2, 28, 0, 0, 0}}, DateCase{61, {1900, 3, 1, 0, 0, 0}},
                      DateCase{36585, {2000, 2, 29, 0, 0, 0}}, DateCase{36585.5, {2000, 2, 29, 12, 0, 0}},
                      DateCase{39512 + 50829.0 / 86400, {2008, 3, 5, 14, 7, 9}},
                      DateCase{-1.25, {1899, 12, 29, 6, 0, 0}}, DateCase{-657434, {100, 1, 1, 0, 0, 0}},
                      DateCase{2958465 + 86399.0 / 86400, {9999, 12, 31, 23, 59, 59}}));

// -0.5 is day 0 at noon, the same moment as 0.5 (which is how it is built back).
TEST(DateToParts, NegativeTimeRoundingAndRange) {
  auto p = DateToParts(-0.5);
  ASSERT_TRUE(p.has_value());
  EXPECT_EQ(std::pair(p->day, p->hour), std::pair(30, 12));
  EXPECT_EQ(PartsToDate(*p), 0.5);
  p = DateToParts(36585 + 86399.6 / 86400);  // rounds to the second across midnight
  ASSERT_TRUE(p.has_value());
  EXPECT_EQ(std::tuple(p->month, p->day, p->hour), std::tuple(3, 1, 0));
  EXPECT_FALSE(DateToParts(-657435).has_value());
  EXPECT_FALSE(DateToParts(2958466).has_value());
  EXPECT_FALSE(DateToParts(std::nan("")).has_value());
}

class PartsToDateRejects : public ::testing::TestWithParam<DateParts> {};
TEST_P(PartsToDateRejects, Nullopt) {
  EXPECT_FALSE(PartsToDate(GetParam()).has_value());
}
INSTANTIATE_TEST_SUITE_P(Table, PartsToDateRejects,
                         ::testing::Values(DateParts{1900, 2, 29, 0, 0, 0}, DateParts{2001, 2, 29, 0, 0, 0},
                                           DateParts{2000, 4, 31, 0, 0, 0}, DateParts{2000, 13, 1, 0, 0, 0},
                                           DateParts{2000, 0, 1, 0, 0, 0}, DateParts{2000, 1, 0, 0, 0, 0},
                                           DateParts{2000, 1, 1, 24, 0, 0}, DateParts{2000, 1, 1, 0, 60, 0},
                                           DateParts{2000, 1, 1, 0, 0, 60}, DateParts{99, 12, 31, 0, 0, 0},
                                           DateParts{10000, 1, 1, 0, 0, 0}));

TEST(ParseIsoDate, AcceptedAndRejectedForms) {
  EXPECT_EQ(ParseIsoDate("2000-02-29"), 36585.0);
  EXPECT_EQ(ParseIsoDate("2000-02-29T12:00:00"), 36585.5);
  EXPECT_EQ(ParseIsoDate("2000-02-29 12:00:00"), 36585.5);
  for (const char* text :
       {"", "2000-2-29", "2000/02/29", "2001-02-29", "2000-02-29T", "2000-02-29X12:00:00", "2000-02-29T12:00",
        "2000-02-29T24:00:00", "2000-02-29T12:00:00Z", " 2000-02-29", "20a0-02-29"})
    EXPECT_FALSE(ParseIsoDate(text).has_value()) << text;
}

// pattern nullptr: the general form.
struct DateTextCase {
  double serial;
  const char* pattern;
  char sep;
  const char* out;
};
class FormatDateTable : public ::testing::TestWithParam<DateTextCase> {};
TEST_P(FormatDateTable, Text) {
  const DateTextCase& c = GetParam();
  EXPECT_EQ(c.pattern ? FormatDatePattern(c.serial, c.pattern, c.sep) : FormatDateGeneral(c.serial), c.out);
}
constexpr double kMarch5 = 39512 + 50829.0 / 86400;  // 2008-03-05 14:07:09
INSTANTIATE_TEST_SUITE_P(
    Table, FormatDateTable,
    ::testing::Values(
        DateTextCase{kMarch5, "yyyy-mm-dd hh:mm:ss", '.', "2008-03-05 14.07.09"},
        DateTextCase{kMarch5, "yyyymmddhhnnss", ':', "20080305140709"},
        DateTextCase{kMarch5, "mm:ss", ':', "07:09"}, DateTextCase{kMarch5, "m/d/yy", ':', "3/5/08"},
        DateTextCase{kMarch5, "dd.mm.yyyy", ':', "05.03.2008"}, DateTextCase{kMarch5, "h\\h n", ':', "14h 7"},
        DateTextCase{kMarch5, nullptr, 0, "3/5/2008 2:07:09 PM"}, DateTextCase{39512, nullptr, 0, "3/5/2008"},
        DateTextCase{50829.0 / 86400, nullptr, 0, "2:07:09 PM"}, DateTextCase{0, nullptr, 0, "12:00:00 AM"},
        DateTextCase{36585.5, nullptr, 0, "2/29/2000 12:00:00 PM"},
        DateTextCase{-1.25, nullptr, 0, "12/29/1899 6:00:00 AM"}));

struct Utf8Case {
  std::string in;
  std::u16string out;
};
class Utf8Decode : public ::testing::TestWithParam<Utf8Case> {};
TEST_P(Utf8Decode, Units) {
  EXPECT_EQ(Utf8ToUtf16(GetParam().in), GetParam().out);
}
INSTANTIATE_TEST_SUITE_P(
    Table, Utf8Decode,
    ::testing::Values(Utf8Case{"abc", u"abc"}, Utf8Case{"\xC3\xA9", u"\u00E9"},
                      Utf8Case{"\xE2\x82\xAC", u"\u20AC"}, Utf8Case{"\xF0\x9F\x98\x80", u"\U0001F600"},
                      Utf8Case{"\xC0\xAF", u"\uFFFD\uFFFD"}, Utf8Case{"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},
                      Utf8Case{"\xF4\x90\x80\x80x", u"\uFFFD\uFFFD\uFFFD\uFFFDx"},
                      Utf8Case{"a\xE2\x82", u"a\uFFFD"}, Utf8Case{"\xE2\x82z", u"\uFFFDz"},
                      Utf8Case{"\x80", u"\uFFFD"}, Utf8Case{"\xFF", u"\uFFFD"}));

TEST(Utf16ToUtf8, PairsAndLoneSurrogates) {
  EXPECT_EQ(Utf16ToUtf8(u"\u00E9\u20AC\U0001F600"), "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
  EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xD800)) + u"x"), "\xEF\xBF\xBDx");
  EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xDC00))), "\xEF\xBF\xBD");
}

TEST(CaseFolding, AsciiOnly) {
  EXPECT_TRUE(EqualsNoCase("ClientID", "CLIENTid"));
  EXPECT_FALSE(EqualsNoCase("abc", "abd"));
  EXPECT_FALSE(EqualsNoCase("\xC3\xA9", "\xC3\x89"));
  EXPECT_EQ(ToUpperAscii("a\xC3\xA9z"), "A\xC3\xA9Z");
  EXPECT_EQ(ToLowerAscii("ABC-1"), "abc-1");
  EXPECT_EQ(FindNoCase("Select FROM x from", "from"), 7u);
  EXPECT_EQ(FindNoCase("Select FROM x from", "from", 8), 14u);
  EXPECT_EQ(FindNoCase("abc", "abcd"), std::string_view::npos);
  EXPECT_EQ(FindNoCase("abc", "", 3), 3u);
  EXPECT_EQ(FindNoCase("abc", "a", 9), std::string_view::npos);
}

}  // namespace
}  // namespace kt::base
