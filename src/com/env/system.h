// The few calls the default Env makes to the operating system itself:
// where the Windows directory is, and loading the installed-path provider.
#pragma once

#include <string>

#include "keltrane/oleauto.h"

namespace kt::com::sys {

// The folder that stands for the Windows directory.  module_dir is the
// library's own folder.
std::string WindowsDir(const std::string& module_dir);

// The installed-path provider's function: it returns a string of bytes in
// the system's ANSI code page, not UTF-16 text.
using InstalledPathFn = BSTR (*)();

// Loads the provider library by name, from the library's own folder first,
// then wherever the system looks for libraries, and finds its function.
// nullptr with *error set to the run-time error: 48 when the library
// cannot be loaded, 453 when it has no such function.
InstalledPathFn LoadInstalledPathProvider(const std::string& module_dir, int* error);

// The provider's answer as UTF-8 text.
std::string ProviderText(BSTR answer);

}  // namespace kt::com::sys
