#include <gtest/gtest.h>

#include <string>

#include "rt/rt_test_util.h"

namespace {

constexpr GUID kSample = {0x1A2B3C4D, 0x5E6F, 0x7081, {0x92, 0xA3, 0xB4, 0xC5, 0xD6, 0xE7, 0xF8, 0x09}};

TEST(Guid, IidFromString) {
  for (const char16_t* good :
       {u"{1A2B3C4D-5E6F-7081-92A3-B4C5D6E7F809}", u"{1a2B3c4D-5E6f-7081-92a3-B4c5D6e7F809}"}) {
    IID iid{};
    EXPECT_EQ(IIDFromString(good, &iid), S_OK);
    EXPECT_TRUE(IsEqualGUID(iid, kSample));
  }
  for (const char16_t* bad :
       {u"1A2B3C4D-5E6F-7081-92A3-B4C5D6E7F809", u"{1A2B3C4D-5E6F-7081-92A3-B4C5D6E7F80}",
        u"{1A2B3C4D-5E6F-7081-92A3-B4C5D6E7F8090}", u"{1A2B3C4D 5E6F-7081-92A3-B4C5D6E7F809}",
        u"{1A2B3C4G-5E6F-7081-92A3-B4C5D6E7F809}", u"{1A2B3C4D-5E6F-7081-92A3B4C5D6E7F809-}", u""}) {
    IID iid{};
    EXPECT_EQ(IIDFromString(bad, &iid), CO_E_CLASSSTRING)
        << kt::rt::test::Narrow(bad, std::u16string(bad).size());
  }
  IID none = kSample;  // no text at all is the null id
  EXPECT_EQ(IIDFromString(nullptr, &none), S_OK);
  EXPECT_TRUE(IsEqualGUID(none, IID_NULL));
}

TEST(Guid, StringAndBack) {
  for (const GUID& g :
       {kSample, GUID_NULL, GUID{0xFFFFFFFF, 0xFFFF, 0xFFFF, {255, 255, 255, 255, 255, 255, 255, 255}}}) {
    OLECHAR text[39];
    ASSERT_EQ(StringFromGUID2(g, text, 39), 39);
    CLSID back{};
    ASSERT_EQ(CLSIDFromString(text, &back), S_OK);
    EXPECT_TRUE(IsEqualGUID(back, g));
    EXPECT_TRUE(KtIsEqualGUID(&back, &g));
  }
  OLECHAR text[64];
  ASSERT_EQ(StringFromGUID2(IID_IDispatch, text, 64), 39);
  EXPECT_EQ(std::u16string(text), u"{00020400-0000-0000-C000-000000000046}");
  EXPECT_EQ(kt::rt::test::Text(kSample), "{1A2B3C4D-5E6F-7081-92A3-B4C5D6E7F809}");  // upper case
  EXPECT_EQ(StringFromGUID2(kSample, text, 38), 0);
  EXPECT_EQ(StringFromGUID2(kSample, nullptr, 39), 0);
}

TEST(Guid, ClsidFromStringAcceptsRegisteredProgId) {
  ASSERT_EQ(KtRegisterProgID("GuidTest.Thing", kSample), S_OK);
  CLSID clsid{};
  ASSERT_EQ(CLSIDFromString(u"GuidTest.Thing", &clsid), S_OK);
  EXPECT_TRUE(IsEqualGUID(clsid, kSample));
  EXPECT_EQ(CLSIDFromString(u"GuidTest.Unknown", &clsid), CO_E_CLASSSTRING);
  EXPECT_TRUE(kt::rt::test::TakeError(nullptr));
}

}  // namespace
