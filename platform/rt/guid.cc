// GUID text in the registry form "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
#include <cstdio>

#include "rt/rt_internal.h"

namespace kt::rt {
namespace {

int HexValue(char32_t c) {
  if (c >= '0' && c <= '9') return static_cast<int>(c - '0');
  if (c >= 'a' && c <= 'f') return static_cast<int>(c - 'a' + 10);
  if (c >= 'A' && c <= 'F') return static_cast<int>(c - 'A' + 10);
  return -1;
}

template <typename Char>
bool ParseGuidText(std::basic_string_view<Char> text, GUID* guid) {
  if (text.size() != 38 || text[0] != '{' || text[37] != '}') return false;
  for (size_t dash : {9u, 14u, 19u, 24u}) {
    if (text[dash] != '-') return false;
  }
  // Reads `digits` hex digits starting at pos.
  auto read = [&](size_t pos, size_t digits, uint64_t* out) {
    uint64_t value = 0;
    for (size_t i = 0; i < digits; ++i) {
      int h = HexValue(static_cast<char32_t>(text[pos + i]));
      if (h < 0) return false;
      value = value << 4 | static_cast<uint64_t>(h);
    }
    *out = value;
    return true;
  };
  uint64_t d1, d2, d3, d4a, d4b;
  if (!read(1, 8, &d1) || !read(10, 4, &d2) || !read(15, 4, &d3) || !read(20, 4, &d4a) ||
      !read(25, 12, &d4b)) {
    return false;
  }
  guid->Data1 = static_cast<uint32_t>(d1);
  guid->Data2 = static_cast<uint16_t>(d2);
  guid->Data3 = static_cast<uint16_t>(d3);
  guid->Data4[0] = static_cast<uint8_t>(d4a >> 8);
  guid->Data4[1] = static_cast<uint8_t>(d4a);
  for (int i = 0; i < 6; ++i) guid->Data4[2 + i] = static_cast<uint8_t>(d4b >> (8 * (5 - i)));
  return true;
}

}  // namespace

// Every class creation looks its class id up in the registration store by
// this text, so it is written digit by digit rather than through printf.
std::string GuidToString(const GUID& g) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out(38, '-');
  size_t at = 0;
  const auto put = [&](uint64_t value, int digits) {
    for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) out[at++] = kHex[(value >> shift) & 0xF];
  };
  out[at++] = '{';
  put(g.Data1, 8);
  ++at;
  put(g.Data2, 4);
  ++at;
  put(g.Data3, 4);
  ++at;
  put(g.Data4[0], 2);
  put(g.Data4[1], 2);
  ++at;
  for (int i = 2; i < 8; ++i) put(g.Data4[i], 2);
  out[at] = '}';
  return out;
}

bool ParseGuid(std::u16string_view text, GUID* guid) {
  return ParseGuidText(text, guid);
}
bool ParseGuid(std::string_view text, GUID* guid) {
  return ParseGuidText(text, guid);
}

}  // namespace kt::rt

STDAPI IIDFromString(LPCOLESTR lpsz, IID* piid) {
  if (piid == nullptr) return E_INVALIDARG;
  if (lpsz == nullptr) {
    *piid = IID_NULL;
    return S_OK;
  }
  return kt::rt::ParseGuid(std::u16string_view(lpsz), piid) ? S_OK : CO_E_CLASSSTRING;
}

STDAPI CLSIDFromString(LPCOLESTR lpsz, CLSID* pclsid) {
  if (pclsid == nullptr) return E_INVALIDARG;
  if (lpsz == nullptr) {
    *pclsid = GUID_NULL;
    return S_OK;
  }
  if (kt::rt::ParseGuid(std::u16string_view(lpsz), pclsid)) return S_OK;
  // Text that is not a braced GUID may be a ProgID.
  if (lpsz[0] != u'{' && lpsz[0] != u'\0') {
    CLSID found;
    if (SUCCEEDED(CLSIDFromProgID(lpsz, &found))) {
      *pclsid = found;
      return S_OK;
    }
  }
  return kt::rt::ReportError(CO_E_CLASSSTRING, "\"" + kt::rt::OleToUtf8(lpsz) +
                                                   "\" is neither a class id {XXXXXXXX-XXXX-XXXX-XXXX-"
                                                   "XXXXXXXXXXXX} nor a registered ProgID");
}

STDAPI_(int) StringFromGUID2(REFGUID rguid, LPOLESTR lpsz, int cchMax) {
  std::string text = kt::rt::GuidToString(rguid);
  int needed = static_cast<int>(text.size()) + 1;
  if (lpsz == nullptr || cchMax < needed) return 0;
  for (size_t i = 0; i < text.size(); ++i) lpsz[i] = static_cast<OLECHAR>(text[i]);
  lpsz[text.size()] = u'\0';
  return needed;
}
