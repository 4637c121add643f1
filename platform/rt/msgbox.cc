// Message boxes: the host may install its own way of showing them; without
// one a box is printed on stderr and answered without asking anyone.
#include <cstdio>
#include <mutex>
#include <string>

#include "rt/rt_internal.h"

namespace {

struct Handler {
  std::mutex mutex;
  KtMessageBoxHandler handler = nullptr;
  void* context = nullptr;
};

Handler& handler() {
  static Handler* h = new Handler();
  return *h;
}

int DefaultBox(const char* text, const char* title, UINT style) {
  // Old message text uses CR or CR LF line breaks.
  std::string shown;
  for (const char* p = text ? text : ""; *p; ++p) {
    if (*p == '\r') {
      shown.push_back('\n');
      if (p[1] == '\n') ++p;
    } else {
      shown.push_back(*p);
    }
  }
  std::fprintf(stderr, "[%s] %s\n", title ? title : "", shown.c_str());
  std::fflush(stderr);
  switch (style & 0xF) {
    case MB_YESNO:
    case 0x3:  // Yes/No/Cancel
      return IDNO;
    default:
      return IDOK;
  }
}

}  // namespace

STDAPI_(void) KtSetMessageBoxHandler(KtMessageBoxHandler fn, void* context) {
  Handler& h = handler();
  std::lock_guard lock(h.mutex);
  h.handler = fn;
  h.context = fn ? context : nullptr;
}

STDAPI_(int) KtMessageBox(const char* text, const char* title, UINT style) {
  KtMessageBoxHandler fn;
  void* context;
  {
    Handler& h = handler();
    std::lock_guard lock(h.mutex);
    fn = h.handler;
    context = h.context;
  }
  // The handler runs unlocked: it may show a box that takes a while, or call back in.
  return fn ? fn(context, text, title, style) : DefaultBox(text, title, style);
}
