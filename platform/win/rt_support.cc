// The run time's helpers that the shared server support calls, over the
// system's COM functions.
#include <cstdio>
#include <cstring>

#include "rt/rt_internal.h"
#include "win/text.h"

namespace kt::rt {

std::string GuidToString(const GUID& g) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", g.Data1, g.Data2,
                g.Data3, g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6],
                g.Data4[7]);
  return buf;
}

char* TaskMemDup(std::string_view text) {
  auto* out = static_cast<char*>(CoTaskMemAlloc(text.size() + 1));
  if (out == nullptr) return nullptr;
  std::memcpy(out, text.data(), text.size());
  out[text.size()] = '\0';
  return out;
}

HRESULT ReportError(HRESULT hr, const std::string& description) {
  return KtSetErrorInfo(hr, nullptr, "Keltrane", description.c_str(), nullptr, 0);
}

}  // namespace kt::rt
