#include <gtest/gtest.h>

#include <cstring>

#include "keltrane/oleauto.h"

namespace {

struct LenCase {
  const char16_t* text;
  UINT cch;  // characters passed to SysAllocStringLen
};

class BstrLenTest : public ::testing::TestWithParam<LenCase> {};

TEST_P(BstrLenTest, KeepsCountPrefixAndTerminator) {
  const LenCase& c = GetParam();
  BSTR s = SysAllocStringLen(c.text, c.cch);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(SysStringLen(s), c.cch);
  EXPECT_EQ(SysStringByteLen(s), c.cch * 2);
  uint32_t prefix;
  std::memcpy(&prefix, reinterpret_cast<uint8_t*>(s) - 4, 4);
  EXPECT_EQ(prefix, c.cch * 2);
  EXPECT_EQ(s[c.cch], u'\0');
  if (c.text != nullptr) {
    EXPECT_EQ(std::memcmp(s, c.text, c.cch * 2), 0);
  } else {
    for (UINT i = 0; i < c.cch; ++i) EXPECT_EQ(s[i], u'\0') << i;
  }
  SysFreeString(s);
}

INSTANTIATE_TEST_SUITE_P(Lengths, BstrLenTest,
                         ::testing::Values(LenCase{u"", 0}, LenCase{u"abc", 3}, LenCase{u"a\0b\0c", 5},
                                           LenCase{u"\0\0", 2}, LenCase{nullptr, 0}, LenCase{nullptr, 7},
                                           LenCase{u"\u00e9\u4e2d", 2}));

TEST(Bstr, NullHandling) {
  EXPECT_EQ(SysStringLen(nullptr), 0u);
  EXPECT_EQ(SysStringByteLen(nullptr), 0u);
  EXPECT_EQ(SysAllocString(nullptr), nullptr);
  SysFreeString(nullptr);
}

struct ByteCase {
  const char* bytes;
  UINT len;
};

class BstrByteLenTest : public ::testing::TestWithParam<ByteCase> {};

TEST_P(BstrByteLenTest, StoresRawBytes) {
  const ByteCase& c = GetParam();
  BSTR s = SysAllocStringByteLen(c.bytes, c.len);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(SysStringByteLen(s), c.len);
  EXPECT_EQ(SysStringLen(s), c.len / 2);
  if (c.bytes) {
    EXPECT_EQ(std::memcmp(s, c.bytes, c.len), 0);
  }
  // Terminated even after an odd byte count.
  const auto* raw = reinterpret_cast<const uint8_t*>(s);
  EXPECT_EQ(raw[c.len], 0);
  EXPECT_EQ(raw[c.len + 1], 0);
  SysFreeString(s);
}

INSTANTIATE_TEST_SUITE_P(Bytes, BstrByteLenTest,
                         ::testing::Values(ByteCase{"abc", 3}, ByteCase{"abcd", 4}, ByteCase{"a\0b", 3},
                                           ByteCase{"", 0}, ByteCase{nullptr, 5}));

TEST(Bstr, ReAllocReplacesAndFrees) {
  BSTR s = SysAllocString(u"old");
  ASSERT_TRUE(SysReAllocString(&s, u"longer text"));
  EXPECT_EQ(SysStringLen(s), 11u);
  EXPECT_EQ(std::u16string(s), u"longer text");
  ASSERT_TRUE(SysReAllocString(&s, u""));
  EXPECT_EQ(SysStringLen(s), 0u);
  SysFreeString(s);
}

}  // namespace
