// Task memory, GUID comparison and the shared string helpers.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "rt/rt_internal.h"

STDAPI_(void*) CoTaskMemAlloc(size_t cb) {
  return std::malloc(cb ? cb : 1);
}

STDAPI_(void) CoTaskMemFree(void* pv) {
  std::free(pv);
}

STDAPI_(int) KtIsEqualGUID(const GUID* a, const GUID* b) {
  if (a == nullptr || b == nullptr) return a == b;
  return std::memcmp(a, b, sizeof(GUID)) == 0;
}

namespace kt::rt {

char* TaskMemDup(std::string_view text) {
  auto* out = static_cast<char*>(CoTaskMemAlloc(text.size() + 1));
  if (out == nullptr) return nullptr;
  std::memcpy(out, text.data(), text.size());
  out[text.size()] = '\0';
  return out;
}

OLECHAR* TaskMemDup16(std::u16string_view text) {
  auto* out = static_cast<OLECHAR*>(CoTaskMemAlloc((text.size() + 1) * sizeof(OLECHAR)));
  if (out == nullptr) return nullptr;
  std::memcpy(out, text.data(), text.size() * sizeof(OLECHAR));
  out[text.size()] = u'\0';
  return out;
}

std::string HexCode(HRESULT hr) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%08X", static_cast<unsigned>(hr));
  return buf;
}

}  // namespace kt::rt
