// Creation functions of the suite's components, one per class id, as the
// server's class table hands them to the object run time.
#pragma once

#include "keltrane/oleauto.h"

namespace kt::suite {

HRESULT CreateDownloadApplication(REFIID riid, void** ppv);
HRESULT CreateFixedApplication(REFIID riid, void** ppv);
HRESULT CreateConfigServices(REFIID riid, void** ppv);
HRESULT CreateSettings(REFIID riid, void** ppv);
HRESULT CreateCompanyList(REFIID riid, void** ppv);
HRESULT CreateLogger(REFIID riid, void** ppv);
HRESULT CreateRecordset(REFIID riid, void** ppv);

}  // namespace kt::suite
