// OLE strings: a 4-byte byte count, then the UTF-16 text, then a NUL
// character.  The BSTR points at the text, just past the count.
#include <cstdlib>
#include <cstring>

#include "keltrane/oleauto.h"

namespace {

constexpr size_t kPrefix = sizeof(uint32_t);

// Allocates room for `bytes` bytes of text plus a terminating NUL character;
// everything past the count starts zeroed.
BSTR AllocBytes(size_t bytes) {
  if (bytes > 0xFFFFFFF0u) return nullptr;
  // Room for one extra byte so an odd byte length still ends in a whole NUL.
  auto* block = static_cast<uint8_t*>(std::calloc(1, kPrefix + bytes + sizeof(OLECHAR) + 1));
  if (block == nullptr) return nullptr;
  uint32_t count = static_cast<uint32_t>(bytes);
  std::memcpy(block, &count, kPrefix);
  return reinterpret_cast<BSTR>(block + kPrefix);
}

uint32_t ByteCount(BSTR bstr) {
  uint32_t count;
  std::memcpy(&count, reinterpret_cast<const uint8_t*>(bstr) - kPrefix, kPrefix);
  return count;
}

}  // namespace

STDAPI_(BSTR) SysAllocStringLen(const OLECHAR* pch, UINT cch) {
  BSTR out = AllocBytes(static_cast<size_t>(cch) * sizeof(OLECHAR));
  if (out != nullptr && pch != nullptr) std::memcpy(out, pch, static_cast<size_t>(cch) * sizeof(OLECHAR));
  return out;
}

STDAPI_(BSTR) SysAllocString(const OLECHAR* psz) {
  if (psz == nullptr) return nullptr;
  UINT len = 0;
  while (psz[len] != u'\0') ++len;
  return SysAllocStringLen(psz, len);
}

STDAPI_(BSTR) SysAllocStringByteLen(const char* psz, UINT len) {
  BSTR out = AllocBytes(len);
  if (out != nullptr && psz != nullptr) std::memcpy(out, psz, len);
  return out;
}

STDAPI_(INT) SysReAllocString(BSTR* pbstr, const OLECHAR* psz) {
  if (pbstr == nullptr) return 0;
  BSTR copy = SysAllocString(psz);
  if (copy == nullptr && psz != nullptr) return 0;
  SysFreeString(*pbstr);
  *pbstr = copy;
  return 1;
}

STDAPI_(void) SysFreeString(BSTR bstr) {
  if (bstr == nullptr) return;
  std::free(reinterpret_cast<uint8_t*>(bstr) - kPrefix);
}

STDAPI_(UINT) SysStringLen(BSTR bstr) {
  return bstr == nullptr ? 0 : ByteCount(bstr) / sizeof(OLECHAR);
}

STDAPI_(UINT) SysStringByteLen(BSTR bstr) {
  return bstr == nullptr ? 0 : ByteCount(bstr);
}
