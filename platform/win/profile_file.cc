// Profile files on Windows: the system's own profile functions, which the
// Linux implementation follows.  Text crosses as UTF-16; files without a
// byte order mark are read and written in the ANSI code page, as every
// other Windows program sharing them does.
#include "profile/profile_file.h"

#include <climits>

#include "win/text.h"

// <windows.h> maps these names to its A or W functions; here they are ours.
#undef GetPrivateProfileString
#undef WritePrivateProfileString

namespace kt::profile {

size_t GetPrivateProfileString(const std::string& section, const std::string& key,
                               const std::string& default_value, std::string& buffer, size_t size,
                               const std::string& file) {
  buffer.clear();
  if (size == 0) return 0;
  const DWORD room = size > INT_MAX ? INT_MAX : static_cast<DWORD>(size);
  std::wstring wide(room, L'\0');
  const DWORD n =
      GetPrivateProfileStringW(win::Wide(section).c_str(), win::Wide(key).c_str(),
                               win::Wide(default_value).c_str(), wide.data(), room, win::Wide(file).c_str());
  wide.resize(n < room ? n : 0);
  buffer = win::Utf8(wide);
  return wide.size();
}

bool WritePrivateProfileString(const std::string& section, const std::string& key, const std::string& value,
                               const std::string& file) {
  return WritePrivateProfileStringW(win::Wide(section).c_str(), win::Wide(key).c_str(),
                                    win::Wide(value).c_str(), win::Wide(file).c_str()) != FALSE;
}

}  // namespace kt::profile
