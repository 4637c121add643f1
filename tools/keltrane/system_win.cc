// The host's operating-system needs on Windows (see system.h).
#include <windows.h>
// <windows.h> first: <shellapi.h> needs its types.
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <cstdio>

#include "system.h"
#include "win/text.h"

namespace kt::host {

void* LoadKeltrane() {
  wchar_t exe[MAX_PATH + 1];
  const DWORD n = GetModuleFileNameW(nullptr, exe, MAX_PATH + 1);
  std::wstring dir = n > 0 && n <= MAX_PATH ? std::wstring(exe, n) : std::wstring();
  dir = dir.substr(0, dir.find_last_of(L"\\/") == std::wstring::npos ? 0 : dir.find_last_of(L"\\/"));
  const std::wstring beside = dir.empty() ? L"Keltrane.dll" : dir + L"\\Keltrane.dll";
  if (HMODULE lib = LoadLibraryW(beside.c_str())) return lib;
  const DWORD error = GetLastError();
  throw std::runtime_error("cannot load " + win::Utf8(beside) + " (system error " + std::to_string(error) +
                           ")");
}

void* FindSymbol(void* library, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide == nullptr) return {argv, argv + argc};
  std::vector<std::string> out;
  for (int i = 0; i < count; ++i) out.push_back(win::Utf8(wide[i]));
  LocalFree(wide);
  return out;
}

void BinaryStdio() {
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
}

std::string RegistrationPlace() {
  return "HKEY_CURRENT_USER\\Software\\Classes";
}

}  // namespace kt::host
