// What registering an in-process server writes, the same on every platform:
// the values below the classes root (CLSID\{...}, the ProgIDs, Interface\{...}
// and the type library's key), and the keys unregistering removes.  Linux
// keeps them in the registration store, Windows in the user's part of the
// system registry.
#pragma once

#include <string>
#include <vector>

#include "keltrane/ktrt.h"

namespace kt::rt {

// The class could not be registered (SELFREG_E_CLASS).
inline constexpr HRESULT kSelfRegClass = static_cast<HRESULT>(0x80040201);

// S_OK when the description names a type library, the server and every
// class; otherwise E_INVALIDARG with error information saying what lacks.
HRESULT CheckServerDesc(const KtServerDesc* server);

// The file of the server's library, found from its module anchor; on
// failure the status, with error information.
HRESULT ServerModulePath(const KtServerDesc& server, std::string* path);

struct RegValue {
  std::string key;   // below the classes root, '\' between names
  std::string name;  // "" for the key's default value
  std::string value;
};

// Every value a registration writes, in order.  module is the library's own
// file; typelib_platform names the type library's file key ("linux",
// "win64"), or nullptr when the library carries no type library and its
// TypeLib key is left alone.
std::vector<RegValue> RegistrationValues(const KtServerDesc& server, const std::string& module,
                                         const char* typelib_platform);
// The keys that unregistering removes with everything below them; the type
// library's version key only with_typelib.
std::vector<std::string> RegistrationKeys(const KtServerDesc& server, bool with_typelib);

}  // namespace kt::rt
