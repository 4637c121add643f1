// The type information of a class's interface, built from its member table:
// what generic automation clients read to learn the members, their dispatch
// ids, kinds, parameter names and types.
#pragma once

#include "com/member_table.h"

namespace kt::com {

// The ITypeInfo describing cls's interface, with a reference for the caller.
// There is one object per interface for the life of the process; while a
// caller holds a reference the library stays loaded, as for an instance.
ITypeInfo* TypeInfoOf(const ClassInfo& cls);

}  // namespace kt::com
