// The library's identity and class descriptions, as the generated class
// table (class_objects.cc, from idl/Keltrane.idl) gives them to the server.
#pragma once

#include <span>

#include "keltrane/ktrt.h"

namespace kt::com {

struct LibraryDesc {
  const char* name;  // the type library's name, "Keltrane"
  const GUID* libid;
  WORD version_major;
  WORD version_minor;
  LCID lcid;
  std::span<const KtClassDesc> classes;  // each with its creation function
};

const LibraryDesc& Library();

}  // namespace kt::com
