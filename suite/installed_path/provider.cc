// The suite's installed-path provider: answers GetVelmora20InstallPath with
// the suite's root folder, the parent of the folder that holds the suite's
// libraries (the host's module-dir when it names one), with its trailing
// separator.
// As the suite's own provider does, it hands back a BSTR whose bytes are
// ANSI text rather than UTF-16.
#include <string>

#include "keltrane/ktrt.h"
#ifdef _WIN32
#include "win/text.h"
#endif

extern "C" KT_API BSTR GetVelmora20InstallPath() {
  char* dir = nullptr;
  if (FAILED(KtGetModuleDir(reinterpret_cast<const void*>(&GetVelmora20InstallPath), &dir)) || dir == nullptr)
    return nullptr;
  std::string root = dir;
  CoTaskMemFree(dir);
  const size_t slash = root.find_last_of("/\\");
  root = slash == std::string::npos ? std::string("./") : root.substr(0, slash + 1);
#ifdef _WIN32
  // The folder's name in the ANSI code page, as the suite's provider gives it.
  root = kt::win::AnsiFromUtf8(root);
#endif
  return SysAllocStringByteLen(root.data(), static_cast<UINT>(root.size()));
}
