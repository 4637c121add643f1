// The library's own Env, the one its COM objects give their class logic:
// components through CoCreateInstance, message boxes and folders through the
// run time's host services, profile files through the platform's layer.
// The class logic never names it (it takes an Env&), so the logic links and
// is tested without COM.
#pragma once

#include "keltrane/oleauto.h"

// After the system's headers: on Windows they define MessageBox and the
// profile functions as macros, which components/env.h takes back for the
// Env's own member names only when it comes after them.
#include "components/env.h"

namespace kt::com {

// One per process, made on first use; safe to use from any thread (each
// call creates its own components).
Env& DefaultEnv();

}  // namespace kt::com
