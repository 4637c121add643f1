#include <gtest/gtest.h>

#include <cstring>

#include "keltrane/oleauto.h"

namespace {

// Text and the count of characters passed to SysAllocStringLen.
class BstrLenTest : public ::testing::TestWithParam<std::pair<const char16_t*, UINT>> {};

TEST_P(BstrLenTest, KeepsCountPrefixAndTerminator) {
  const auto [text, cch] = GetParam();
  BSTR s = SysAllocStringLen(text, cch);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(SysStringLen(s), cch);
  EXPECT_EQ(SysStringByteLen(s), cch * 2);
  uint32_t prefix;
  std::memcpy(&prefix, reinterpret_cast<uint8_t*>(s) - 4, 4);
  EXPECT_EQ(prefix, cch * 2);
  EXPECT_EQ(s[cch], u'\0');
  EXPECT_EQ(std::u16string(s, cch), text ? std::u16string(text, cch) : std::u16string(cch, u'\0'));
  SysFreeString(s);
}

INSTANTIATE_TEST_SUITE_P(Lengths, BstrLenTest,
                         ::testing::Values(std::pair{u"", 0u}, std::pair{u"a\0b\0c", 5u},
                                           std::pair<const char16_t*, UINT>{nullptr, 7},
                                           std::pair{u"\u00e9\u4e2d", 2u}));

TEST(Bstr, NullHandling) {
  EXPECT_EQ(SysStringLen(nullptr), 0u);
  EXPECT_EQ(SysStringByteLen(nullptr), 0u);
  EXPECT_EQ(SysAllocString(nullptr), nullptr);
  SysFreeString(nullptr);
}

// Raw bytes, terminated even after an odd byte count.
TEST(Bstr, ByteLenStoresRawBytes) {
  for (auto [bytes, len] : {std::pair<const char*, UINT>{"abc", 3}, {"abcd", 4}, {"a\0b", 3}, {nullptr, 5}}) {
    BSTR s = SysAllocStringByteLen(bytes, len);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(SysStringByteLen(s), len);
    EXPECT_EQ(SysStringLen(s), len / 2);
    const auto* raw = reinterpret_cast<const char*>(s);
    EXPECT_TRUE(!bytes || std::memcmp(raw, bytes, len) == 0);
    EXPECT_EQ(raw[len] | raw[len + 1], 0);
    SysFreeString(s);
  }
}

TEST(Bstr, ReAllocReplacesAndFrees) {
  BSTR s = SysAllocString(u"old");
  ASSERT_TRUE(SysReAllocString(&s, u"longer text"));
  EXPECT_EQ(std::u16string(s, SysStringLen(s)), u"longer text");
  ASSERT_TRUE(SysReAllocString(&s, u""));
  EXPECT_EQ(SysStringLen(s), 0u);
  SysFreeString(s);
}

}  // namespace
