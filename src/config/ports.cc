// clsINIData: the communication port lists of a protocol, the download.ini
// sections of each company and the protocol group a company belongs to.
#include <string>

#include "config/clsINIData.h"
#include "frame/convert.h"
#include "frame/handler.h"

namespace kt {
namespace {

const std::string kCommSectionsSource = "scheduler.clsCmnFuncationality.getCommSections";

// Elements 1..4 the caller always gets back when a port list cannot be read.
constexpr int16_t kFallbackPorts = 4;

}  // namespace

void clsINIData::GetModemInformation(int32_t& /*lCompanyId*/, int32_t& lProtocolID,
                                     VbArray<std::string>& strModem) {
  GetPortList(lProtocolID, "ComPorts", "CommPort", m_intMaxComPorts, strModem);
}

void clsINIData::GetTCPIPPortInformation(int32_t& /*lCompanyId*/, int32_t& lProtocolID,
                                         VbArray<std::string>& strTCPIP) {
  GetPortList(lProtocolID, "TcpIpPorts", "TcpIpPort", m_intMaxTCPIPPorts, strTCPIP);
}

void clsINIData::GetPortList(int32_t lProtocolID, const char* count_section, const char* key_prefix,
                             int16_t bound, VbArray<std::string>& ports) {
  Err().Clear();
  try {
    if (!m_objCfgAppln) Raise(vberr::kObjectNotSet);
    std::string scratch;
    const std::string section = m_objCfgAppln->GetProtocolSection(lProtocolID, scratch);
    const std::string count = ini_get(count_section, "Number", "");
    if (IsNumeric(count)) {
      const int16_t wanted = CInt(count);
      // Element n holds key n of the protocol's section; empty keys keep
      // their place but do not count towards the wanted number.  The loop
      // always reads the first key, whatever the bound.
      int16_t found = 1;
      int16_t n = 1;
      while (found <= wanted) {
        const std::string entry = ini_get(section, key_prefix + Str(n), "");
        ports.RedimPreserve(0, n);
        ports.At(n) = entry;
        if (!entry.empty()) found = AddI2(found, 1);
        n = AddI2(n, 1);
        if (n > bound) break;
      }
    }
    Err().Clear();
    return;
  } catch (...) {
    CaptureCurrentException();
  }
  // Outside the protection on purpose: when the caller's array cannot take
  // the fallback shape, that error is the one the caller sees.
  for (int16_t k = 1; k <= kFallbackPorts; ++k) {
    ports.RedimPreserve(0, kFallbackPorts);
    ports.At(k) = "";
  }
  Err().Clear();
}

void clsINIData::getCommSections(int32_t& company, std::string& SectionInteractive,
                                 std::string& SectionServer) {
  OnErrorRaiseAgain(kCommSectionsSource, [&] {
    switch (company) {
      case 1:
      case 2:
        SectionInteractive = "TORVANE Comm Interactive";
        SectionServer = "TORVANE Comm Server";
        break;
      case 3:
      case 6:
        SectionInteractive = "ZELM Comm Interactive";
        SectionServer = "ZELM Comm Server";
        break;
      case 4:
        SectionInteractive = "OSTREL Comm Interactive";
        SectionServer = "OSTREL Comm Server";
        break;
      default:
        SectionInteractive.clear();
        SectionServer.clear();
        break;
    }
  });
}

int32_t clsINIData::GetProtocolIndex(int16_t& lCompanyId) {
  int32_t result = 0;
  OnErrorLeave([&] { result = FindInIdGroups("Protocol", "Protocols", "Protocol", lCompanyId).value_or(0); },
               [&] { result = -1; });
  return result;
}

}  // namespace kt
