// Helpers shared by the run time's sources: GUID text, UTF conversions of
// OLE strings, task-memory copies and error reporting.  Not exported.
#pragma once

#include <string>
#include <string_view>

#include "base/ole_text.h"
#include "keltrane/ktrt.h"
#include "keltrane/oleauto.h"

namespace kt::rt {

// The source name every error raised by the run time carries.
inline constexpr char kErrorSource[] = "KeltraneRT";

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper-case hex.
std::string GuidToString(const GUID& guid);
// Parses the braced form (any hex case); false for anything else.
bool ParseGuid(std::u16string_view text, GUID* guid);
bool ParseGuid(std::string_view text, GUID* guid);

// Text conversion, shared with the library and the components.
using base::BstrToUtf8;
using base::OleToUtf8;
using base::Utf8ToBstr;

// Copies into CoTaskMemAlloc'd memory; nullptr when memory runs out.
char* TaskMemDup(std::string_view text);
// This copy of the run time's own table of host settings (host_settings.cc).
HRESULT SetLocalHostSetting(const char* name, const char* value);
HRESULT GetLocalHostSetting(const char* name, char** value);
OLECHAR* TaskMemDup16(std::u16string_view text);

// Makes an error object with source "KeltraneRT" and the description, puts
// it on the calling thread and returns hr.
HRESULT ReportError(HRESULT hr, const std::string& description);
// True when the calling thread holds error information (it stays in place).
bool HasErrorInfo();
// Drops the calling thread's error information.
void ClearErrorInfo();

// Text of an HRESULT as "0x80004005".
std::string HexCode(HRESULT hr);

// Bytes one value of this type takes in an array or behind a by-reference
// pointer; 0 for types the run time does not store.
ULONG ElementSize(VARTYPE vt);

}  // namespace kt::rt
