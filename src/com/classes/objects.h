// Creation functions of the library's four classes, as the class table
// hands them to the object run time.
#pragma once

#include "keltrane/oleauto.h"

namespace kt::com {

HRESULT CreateSubscriber(REFIID riid, void** ppv);
HRESULT CreateIniData(REFIID riid, void** ppv);
HRESULT CreateProfile(REFIID riid, void** ppv);
HRESULT CreateCommon(REFIID riid, void** ppv);

}  // namespace kt::com
