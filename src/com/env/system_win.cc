// The default Env's calls to the operating system on Windows.
#include <string>

#include "com/env/system.h"
#include "keltrane/ktrt.h"
#include "win/text.h"

namespace kt::com::sys {

std::string WindowsDir(const std::string&) {
  if (std::string chosen = HostSetting("windows-dir"); !chosen.empty()) return chosen;
  wchar_t dir[MAX_PATH + 1];
  const UINT n = GetWindowsDirectoryW(dir, MAX_PATH + 1);
  if (n == 0 || n > MAX_PATH) return "C:\\Windows";
  return win::Utf8(std::wstring_view(dir, n));
}

InstalledPathFn LoadInstalledPathProvider(const std::string& module_dir, int* error) {
  const std::wstring name = L"Rared16uzeRozudivovavuv.dll";
  HMODULE lib = LoadLibraryW((win::Wide(module_dir) + L"\\" + name).c_str());
  if (lib == nullptr) lib = LoadLibraryW(name.c_str());
  if (lib == nullptr) {
    *error = 48;
    return nullptr;
  }
  auto fn = reinterpret_cast<InstalledPathFn>(
      reinterpret_cast<void (*)()>(GetProcAddress(lib, "GetVelmora20InstallPath")));
  if (fn == nullptr) *error = 453;
  return fn;
}

std::string ProviderText(BSTR answer) {
  if (answer == nullptr) return "";
  return win::AnsiToUtf8(std::string_view(reinterpret_cast<const char*>(answer), SysStringByteLen(answer)));
}

}  // namespace kt::com::sys
