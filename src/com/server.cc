// The library's own description, handed to the object run time by the four
// entry points: type library identity and the class table (both generated
// from idl/Keltrane.idl) and the lock count.
#include "com/classes/objects.h"
#include "com/object.h"

namespace kt::com {
namespace {

LONG g_lock_count = 0;

}  // namespace

const KtServerDesc& Server() {
  static const KtServerDesc desc{Library().name,
                                 Library().libid,
                                 Library().version_major,
                                 Library().version_minor,
                                 Library().lcid,
                                 "Apartment",
                                 Library().classes.data(),
                                 static_cast<ULONG>(Library().classes.size()),
                                 reinterpret_cast<const void*>(&Server),
                                 &g_lock_count};
  return desc;
}

}  // namespace kt::com
