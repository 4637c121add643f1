// clsINIData: the suite's INI file Vizaride32.ini, the host's command line,
// port lists, company sections, command groups, panel support checks and the
// modem settings of the 16-bit modules in download.ini.
//
// Threads: an object is used by one thread at a time (its COM class is
// apartment-threaded); separate objects may be used from separate threads
// at once, and their writes to one INI file do not lose each other's keys.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "components/env.h"
#include "frame/variant.h"

namespace kt {

class clsINIData {
 public:
  // Creates the configuration services component, fixes the INI path and
  // reads the two port bounds; an error here makes the creation fail.
  explicit clsINIData(Env& env);
  ~clsINIData();
  clsINIData(const clsINIData&) = delete;
  clsINIData& operator=(const clsINIData&) = delete;

  // INI store.
  std::string ini_get(const std::string& Section, const std::string& Key, const std::string& szDefault);
  void ini_write(const std::string& Section, const std::string& Key, const Variant& stringvalue);
  std::string ini_getE2Path();

  // Command-line options.
  const std::string& GetCommandLineArgument() const { return m_strCommandLineArgument; }
  void SetCommandLineArgument(const std::string& New_CommandLineArgument) {
    m_strCommandLineArgument = New_CommandLineArgument;
  }
  Variant command_Line_Get(const std::string& command_option, const Variant& szDefault,
                           const std::string& cmdArg);
  void GetTheValueFromCmdArgument(std::string& cmdArgument, int32_t& lUserId, int16_t& lOdbc,
                                  int16_t& lCommPort, int16_t& intSchedule);
  void GetAccountID(std::string& cmdArgument, int32_t& lAcctId);
  Variant get_command_line_option(const std::string& Section, const std::string& Key,
                                  const Variant& szDefault, const std::string& suffix);

  // Communication ports and company sections.
  void GetModemInformation(int32_t& lCompanyId, int32_t& lProtocolID, VbArray<std::string>& strModem);
  void GetTCPIPPortInformation(int32_t& lCompanyId, int32_t& lProtocolID, VbArray<std::string>& strTCPIP);
  void getCommSections(int32_t& company, std::string& SectionInteractive, std::string& SectionServer);
  int32_t GetProtocolIndex(int16_t& lCompanyId);

  // Command catalogue and conversions.
  int32_t GetCommandTypeIndex(int32_t& lCommandID);
  int32_t GetCommandType(int32_t& lCommandID);
  int16_t GetClassValueToInstatiate(int32_t& lAcctId, int32_t& lPanelTyperevId, int32_t& lPanelId,
                                    int32_t& lPanelNameID, int16_t& CompanyId);
  std::string ChangeDateTimeToXMLFormat(double& dtValue);
  bool UpdateConnectionString(int32_t& frmHWND, std::string& strFilePath, int16_t& intODBC);

  // Panel support checks.
  int16_t IsSupported(int32_t& lAccountId, std::string& strProtocol, int16_t& nSupport);
  int16_t IsTCPSupport(int32_t& lPanelTyperevId);

  // 16-bit modem settings export.
  Variant Update16BitModemSettings(
      int32_t lCompanyId, int32_t lCommPort, const std::string& strModem_Model, int16_t btouch_tone,
      int16_t bspeaker_on, int16_t bspeaker_off_after_connect, int32_t lspeaker_volume,
      const std::string& strAux_AT_Commands, const std::string& strF7702_Local_Code,
      const std::string& strF7702_Remote_Code, const std::string& strF7702_Ring_Count,
      const std::string& strF7702_Carrier_Duration, int32_t lF7702_Mode, const std::string& strdialer_prefix);
  void ini_write_16Bit(const std::string& Section, const std::string& Key, const Variant& stringvalue);

  // State fixed at construction (tests and diagnostics).
  const std::string& ini_file() const { return m_strIniFile; }
  int16_t max_com_ports() const { return m_intMaxComPorts; }
  int16_t max_tcpip_ports() const { return m_intMaxTCPIPPorts; }

 private:
  // ini_write (Vizaride32.ini) and ini_write_16Bit (download.ini in the
  // Windows directory): one key, the failure box if the write fails.
  enum class IniFile { kSettings, kDownload };
  void WriteKey(IniFile which, const std::string& Section, const std::string& Key,
                const Variant& stringvalue);
  // The port-list loop shared by GetModemInformation and GetTCPIPPortInformation.
  void GetPortList(int32_t lProtocolID, const char* count_section, const char* key_prefix, int16_t bound,
                   VbArray<std::string>& ports);
  // Scans the numbered id lists ("/101/102/") of a configuration section:
  // the 1-based index of the first list holding id, 0 when none does, nullopt
  // when the count entry is absent ("Nill").
  std::optional<int32_t> FindInIdGroups(const char* section, const char* count_key, const char* entry_prefix,
                                        int32_t id);
  // Model names of the caller mapped to the names the 16-bit modules use.
  std::string Get16BitModemModel(std::string& model);

  Env& env_;
  std::unique_ptr<ConfigServices> m_objCfgAppln;
  std::string m_strCommandLineArgument;
  int16_t m_intMaxTCPIPPorts = 0;
  int16_t m_intMaxComPorts = 0;
  std::string m_strIniFile;
};

}  // namespace kt
