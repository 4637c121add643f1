// Message boxes: the system's own, modal to the calling task.
#include <string>

#include "rt/rt_internal.h"
#include "win/text.h"

STDAPI_(int) KtMessageBox(const char* text, const char* title, UINT style) {
  const std::wstring wide_text = kt::win::Wide(text ? text : "");
  const std::wstring wide_title = kt::win::Wide(title ? title : "");
  // Without an owner window the box disables the calling thread's windows
  // until it is answered, as a box owned by the host's window would.
  return MessageBoxW(nullptr, wide_text.c_str(), wide_title.c_str(), style | MB_TASKMODAL);
}
