// clsINIData: the command catalogue (which group a command belongs to), the
// class value and company of an account's panel, and date conversion.
#include <string>

#include "base/vbtext.h"
#include "config/clsINIData.h"
#include "frame/convert.h"
#include "frame/handler.h"

namespace kt {

std::optional<int32_t> clsINIData::FindInIdGroups(const char* section, const char* count_key,
                                                  const char* entry_prefix, int32_t id) {
  if (!m_objCfgAppln) Raise(vberr::kObjectNotSet);
  const std::string count = m_objCfgAppln->ReadConfigValue(section, count_key, "Nill");
  if (count == "Nill") return std::nullopt;
  const int16_t wanted = CInt(count);
  // Lists enclose each id in slashes, so only a whole id matches.
  const std::string needle = "/" + Str(id) + "/";
  for (int32_t i = 1; i <= wanted; ++i) {
    const std::string entry = m_objCfgAppln->ReadConfigValue(section, entry_prefix + Str(i), "Nill");
    if (entry != "Nill" && entry.find(needle) != std::string::npos) return i;
  }
  return 0;
}

int32_t clsINIData::GetCommandTypeIndex(int32_t& lCommandID) {
  int32_t result = 0;
  OnErrorLeave(
      [&] {
        result = FindInIdGroups("CommandGroups", "CommandTypes", "CommandType", lCommandID).value_or(-1);
      },
      [&] { result = -1; });
  return result;
}

int32_t clsINIData::GetCommandType(int32_t& lCommandID) {
  int32_t result = 0;
  OnErrorLeave([&] { result = GetCommandTypeIndex(lCommandID); }, [&] { result = -1; });
  return result;
}

int16_t clsINIData::GetClassValueToInstatiate(int32_t& lAcctId, int32_t& lPanelTyperevId, int32_t& lPanelId,
                                              int32_t& lPanelNameID, int16_t& CompanyId) {
  int16_t result = 0;
  OnErrorLeave([&] {
    if (!m_objCfgAppln) Raise(vberr::kObjectNotSet);
    // The component fills the revision and the panel name straight into the
    // caller's variables, so they keep their values if a later step fails.
    lPanelId = m_objCfgAppln->GetAccountPanel(lAcctId, lPanelTyperevId);
    int32_t company = m_objCfgAppln->GetRevisionCompany(lPanelTyperevId, lPanelNameID);
    int32_t mapped = m_objCfgAppln->GetMappedCompany(company);
    const int16_t flag = m_objCfgAppln->GetPanelNameFlag(lPanelNameID);
    // A panel name without its own flag takes the class of the mapped
    // company, even when there is no mapping (company 0).
    const int16_t class_value = flag == 0 ? m_objCfgAppln->GetCompanyClassValue(mapped)
                                          : m_objCfgAppln->GetCompanyClassValue(company);
    if (mapped == 0) mapped = company;
    CompanyId = CheckedI2(mapped);
    result = class_value;
  });
  return result;
}

std::string clsINIData::ChangeDateTimeToXMLFormat(double& dtValue) {
  std::string result;
  OnErrorLeave([&] {
    // An out-of-range date formats as "" and has no blank to split at.
    const std::string text = base::FormatDatePattern(dtValue, "yyyy-mm-dd hh:mm:ss", ':');
    const size_t blank = text.find(' ');
    if (blank == std::string::npos) Raise(vberr::kInvalidCall);
    result = text.substr(0, blank) + "T" + text.substr(blank + 1);
  });
  return result;
}

bool clsINIData::UpdateConnectionString(int32_t& /*frmHWND*/, std::string& /*strFilePath*/,
                                        int16_t& /*intODBC*/) {
  // The connection is the configuration component's business; nothing to update here.
  return true;
}

}  // namespace kt
