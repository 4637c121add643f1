#include <gtest/gtest.h>

#include <string>

#include "rt/rt_test_util.h"

namespace {

constexpr GUID kSample = {0x1A2B3C4D, 0x5E6F, 0x7081, {0x92, 0xA3, 0xB4, 0xC5, 0xD6, 0xE7, 0xF8, 0x09}};

struct ParseCase {
  const char16_t* text;
  HRESULT hr;
};

class GuidParseTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(GuidParseTest, IidFromString) {
  const ParseCase& c = GetParam();
  IID iid{};
  EXPECT_EQ(IIDFromString(c.text, &iid), c.hr);
  if (c.hr == S_OK) {
    EXPECT_TRUE(IsEqualGUID(iid, kSample));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, GuidParseTest,
    ::testing::Values(ParseCase{u"{1A2B3C4D-5E6F-7081-92A3-B4C5D6E7F809}", S_OK},
                      ParseCase{u"{1a2b3c4d-5e6f-7081-92a3-b4c5d6e7f809}", S_OK},
                      ParseCase{u"{1a2B3c4D-5E6f-7081-92a3-B4c5D6e7F809}", S_OK},
                      ParseCase{u"1A2B3C4D-5E6F-7081-92A3-B4C5D6E7F809", CO_E_CLASSSTRING},
                      ParseCase{u"{1A2B3C4D-5E6F-7081-92A3-B4C5D6E7F80}", CO_E_CLASSSTRING},
                      ParseCase{u"{1A2B3C4D-5E6F-7081-92A3-B4C5D6E7F8090}", CO_E_CLASSSTRING},
                      ParseCase{u"{1A2B3C4D 5E6F-7081-92A3-B4C5D6E7F809}", CO_E_CLASSSTRING},
                      ParseCase{u"{1A2B3C4G-5E6F-7081-92A3-B4C5D6E7F809}", CO_E_CLASSSTRING},
                      ParseCase{u"{1A2B3C4D-5E6F-7081-92A3B4C5D6E7F809-}", CO_E_CLASSSTRING},
                      ParseCase{u"", CO_E_CLASSSTRING}));

class GuidRoundTripTest : public ::testing::TestWithParam<GUID> {};

TEST_P(GuidRoundTripTest, StringAndBack) {
  OLECHAR text[39];
  ASSERT_EQ(StringFromGUID2(GetParam(), text, 39), 39);
  std::u16string s(text);
  EXPECT_EQ(s.size(), 38u);
  for (char16_t ch : s) EXPECT_FALSE(ch >= u'a' && ch <= u'f') << "hex digits are upper case";
  CLSID back{};
  ASSERT_EQ(CLSIDFromString(text, &back), S_OK);
  EXPECT_TRUE(IsEqualGUID(back, GetParam()));
  EXPECT_TRUE(KtIsEqualGUID(&back, &GetParam()));
}

INSTANTIATE_TEST_SUITE_P(
    Values, GuidRoundTripTest,
    ::testing::Values(kSample, GUID_NULL, IID_IDispatch,
                      GUID{0xFFFFFFFF, 0xFFFF, 0xFFFF, {255, 255, 255, 255, 255, 255, 255, 255}}));

TEST(Guid, StringFromGuidKnownText) {
  OLECHAR text[64];
  ASSERT_EQ(StringFromGUID2(IID_IDispatch, text, 64), 39);
  EXPECT_EQ(std::u16string(text), u"{00020400-0000-0000-C000-000000000046}");
}

TEST(Guid, StringFromGuidBufferTooSmall) {
  OLECHAR text[38];
  EXPECT_EQ(StringFromGUID2(kSample, text, 38), 0);
  EXPECT_EQ(StringFromGUID2(kSample, nullptr, 39), 0);
}

TEST(Guid, ClsidFromStringAcceptsRegisteredProgId) {
  ASSERT_EQ(KtRegisterProgID("GuidTest.Thing", kSample), S_OK);
  CLSID clsid{};
  ASSERT_EQ(CLSIDFromString(u"GuidTest.Thing", &clsid), S_OK);
  EXPECT_TRUE(IsEqualGUID(clsid, kSample));
  EXPECT_EQ(CLSIDFromString(u"GuidTest.Unknown", &clsid), CO_E_CLASSSTRING);
  std::string why;
  EXPECT_TRUE(kt::rt::test::TakeError(&why));
}

}  // namespace
