// Creation functions of the suite's components, one per class id, as the
// server's class table hands them to the object run time.
#pragma once

#include <string>

#include "keltrane/oleauto.h"

namespace kt::suite {

HRESULT CreateDownloadApplication(REFIID riid, void** ppv);
HRESULT CreateFixedApplication(REFIID riid, void** ppv);
HRESULT CreateConfigServices(REFIID riid, void** ppv);
HRESULT CreateSettings(REFIID riid, void** ppv);
HRESULT CreateCompanyList(REFIID riid, void** ppv);
HRESULT CreateLogger(REFIID riid, void** ppv);
HRESULT CreateRecordset(REFIID riid, void** ppv);

// Writes a failure of one of the suite's components straight to the log file
// of the Storage folder `storage` (the host setting "log" when set), source
// "KeltraneSuite.<source>", level 1, the HRESULT as error number.  The
// library's members hide many such failures from their callers by design;
// this line is how an operator still sees them.  A line that cannot be
// written is dropped: there is nowhere left to report it.
void LogDiagnostic(const std::string& storage, const std::string& source, const std::string& message,
                   HRESULT hr);

}  // namespace kt::suite
