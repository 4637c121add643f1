// Host settings and the host's message-box handler on Windows.
//
// Keltrane.dll and each suite DLL link their own copy of this file, so a
// table kept here would be one per library and a host's settings would
// reach only its own copy.  A host program therefore exports
// KtGetHostSetting and KtMessageBox (keltrane.exe does, see its .def file):
// every copy first asks the program's export, so the whole process shares
// the program's table and handler.  Without such a host (VBScript, a site's
// own program) a library's copy answers for itself: no settings, and the
// system's MessageBoxW.
#include <mutex>
#include <string>

#include "rt/rt_internal.h"
#include "win/text.h"

namespace {

struct State {
  std::mutex mutex;
  KtMessageBoxHandler handler = nullptr;
  void* context = nullptr;
};

State& state() {
  static State* s = new State();  // usable from other static destructors
  return *s;
}

// The program's export `name`, unless that is this very copy's function.
template <class Fn>
Fn ProgramExport(const char* name, Fn self) {
  auto found =
      reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(nullptr), name)));
  return found == self ? nullptr : found;
}

using GetSettingFn = HRESULT(STDAPICALLTYPE*)(const char*, char**);
using MessageBoxFn = int(STDAPICALLTYPE*)(const char*, const char*, UINT);

}  // namespace

STDAPI KtSetHostSetting(const char* name, const char* value) {
  return kt::rt::SetLocalHostSetting(name, value);
}

STDAPI KtGetHostSetting(const char* name, char** value) {
  static const GetSettingFn program = ProgramExport<GetSettingFn>("KtGetHostSetting", &KtGetHostSetting);
  return program != nullptr ? program(name, value) : kt::rt::GetLocalHostSetting(name, value);
}

STDAPI_(void) KtSetMessageBoxHandler(KtMessageBoxHandler fn, void* context) {
  State& s = state();
  std::lock_guard lock(s.mutex);
  s.handler = fn;
  s.context = fn ? context : nullptr;
}

STDAPI_(int) KtMessageBox(const char* text, const char* title, UINT style) {
  static const MessageBoxFn program = ProgramExport<MessageBoxFn>("KtMessageBox", &KtMessageBox);
  if (program != nullptr) return program(text, title, style);
  KtMessageBoxHandler fn;
  void* context;
  {
    State& s = state();
    std::lock_guard lock(s.mutex);
    fn = s.handler;
    context = s.context;
  }
  if (fn != nullptr) return fn(context, text, title, style);
  const std::wstring wide_text = kt::win::Wide(text ? text : "");
  const std::wstring wide_title = kt::win::Wide(title ? title : "");
  // Without an owner window the box disables the calling thread's windows
  // until it is answered, as a box owned by the host's window would.
  return MessageBoxW(nullptr, wide_text.c_str(), wide_title.c_str(), style | MB_TASKMODAL);
}

STDAPI KtGetCreatorModuleDir(char** dir) {
  if (dir == nullptr) return E_POINTER;
  *dir = nullptr;
  return S_FALSE;
}
