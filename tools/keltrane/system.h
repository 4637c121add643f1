// What the host asks of the operating system: loading the library beside
// it, its command line as UTF-8, byte-exact standard streams, and where the
// registration goes.  system_posix.cc and system_win.cc answer.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace kt::host {

// The library, from the host's own folder, else the installed library
// folder, else the system's search path; throws std::runtime_error saying
// where it looked.
void* LoadKeltrane();
// A symbol of a loaded library; null when it has none.
void* FindSymbol(void* library, const char* name);

template <class F>
F Symbol(void* library, const char* name) {
  void* found = FindSymbol(library, name);
  if (found == nullptr) throw std::runtime_error(std::string("the Keltrane library has no ") + name);
  return reinterpret_cast<F>(found);
}

// The program's arguments as UTF-8 (Windows hands a program its command
// line in UTF-16; argv would be the ANSI code page).
std::vector<std::string> Utf8Arguments(int argc, char** argv);
// Standard input and output pass bytes unchanged (no CR LF translation).
void BinaryStdio();
// Where register and unregister write: the store's file on Linux, the
// user's class registry on Windows.
std::string RegistrationPlace();

}  // namespace kt::host
