// clsINIData: the modem settings of a communication port exported to
// download.ini in the Windows directory, where the 16-bit modules read them.
#include <array>
#include <string>
#include <utility>

#include "config/clsINIData.h"
#include "frame/convert.h"
#include "frame/handler.h"

namespace kt {
namespace {

// Model names as the caller knows them -> as the 16-bit modules list them.
// Whole names, case and blanks exact; the first match wins.
constexpr std::array<std::pair<std::string_view, std::string_view>, 14> kModemModels{{
    {"Hayes Optima 336  External", "Hayes Optima 336 External"},
    {"Torvane RMX  2400", "Torvane RMX 2400"},
    {"Hayes SMARTMODEM  2400", "Hayes SMARTMODEM 2400"},
    {"Hayes Smartmodem  1200 w/vol", "Hayes Smartmodem 1200 w/vol"},
    {"Hayes Smartmodem  1200", "Hayes Smartmodem 1200"},
    {"REPKO  336", "REPKO 336"},
    {"Torvane RMX 2400 for  ZELM", "Torvane RMX 2400 for ZELM"},
    {"Torvane RMX 2400 for  Ostrel", "Torvane RMX 2400 for Ostrel"},
    {"Hayes Smartmodem Optima 2400 FAX", "Hayes Smartmodem Optima 2400 FAX96"},
    {"Hayes Accura 144 V4.0", "Hayes Accura 14.4"},
    {"Hayes Optima SMARTMODEM 2400", "Hayes Smartmodem Optima 2400"},
    {"New HayesOptima24 Smartmodem", "New Hayes Optima 24 Smartmodem"},
    {"US Robotics Sportster 14.4", "US RoboticsSportster 14.4"},
    {"Torvane RMX 2400 for Varnok", "Torvane RMX 2400 for Pellan"},
}};

// The 16-bit modules store a switch as -1 (on) or 0; only the value 1 counts as on.
int16_t Switch16(int16_t value) {
  return value == 1 ? -1 : 0;
}

}  // namespace

Variant clsINIData::Update16BitModemSettings(
    int32_t lCompanyId, int32_t lCommPort, const std::string& strModem_Model, int16_t btouch_tone,
    int16_t bspeaker_on, int16_t bspeaker_off_after_connect, int32_t lspeaker_volume,
    const std::string& strAux_AT_Commands, const std::string& strF7702_Local_Code,
    const std::string& strF7702_Remote_Code, const std::string& strF7702_Ring_Count,
    const std::string& strF7702_Carrier_Duration, int32_t lF7702_Mode, const std::string& strdialer_prefix) {
  OnErrorLeave([&] {
    const int16_t touch_tone = Switch16(btouch_tone);
    const int16_t speaker_on = Switch16(bspeaker_on);
    const int16_t speaker_off = Switch16(bspeaker_off_after_connect);
    // Mode -1 means "not set"; the modules expect 0 then.
    const int32_t mode = lF7702_Mode == -1 ? 0 : lF7702_Mode;

    int32_t company = lCompanyId;
    std::string interactive;
    std::string server;
    getCommSections(company, interactive, server);
    std::string model = strModem_Model;
    const std::string name = Get16BitModemModel(model);

    // Each write reports its own failure and the export goes on.
    const std::string n = Str(lCommPort);
    ini_write_16Bit(server, "CommPort" + n, Variant::Str(name));
    ini_write_16Bit(server, "touch_tone" + n, Variant::I2(touch_tone));
    ini_write_16Bit(server, "speaker_on" + n, Variant::I2(speaker_on));
    ini_write_16Bit(server, "speaker_off_after_connect" + n, Variant::I2(speaker_off));
    ini_write_16Bit(server, "speaker_volume" + n, Variant::I4(lspeaker_volume));
    ini_write_16Bit(server, "Aux_AT_Commands" + n, Variant::Str(strAux_AT_Commands));
    ini_write_16Bit(server, "f7702_local_code" + n, Variant::Str(strF7702_Local_Code));
    ini_write_16Bit(server, "f7702_remote_code" + n, Variant::Str(strF7702_Remote_Code));
    ini_write_16Bit(server, "f7702_ring_count" + n, Variant::Str(strF7702_Ring_Count));
    ini_write_16Bit(server, "f7702_carrier_duration" + n, Variant::Str(strF7702_Carrier_Duration));
    ini_write_16Bit(server, "f7702_mode" + n, Variant::I4(mode));
    ini_write_16Bit(server, "dialer_prefix" + n, Variant::Str(strdialer_prefix));
    ini_write_16Bit(interactive, "Comm_Port", Variant::I4(lCommPort));
  });
  return Variant();
}

void clsINIData::ini_write_16Bit(const std::string& Section, const std::string& Key,
                                 const Variant& stringvalue) {
  WriteKey(IniFile::kDownload, Section, Key, stringvalue);
}

std::string clsINIData::Get16BitModemModel(std::string& model) {
  std::string result;
  OnErrorLeave([&] {
    result = model;
    for (const auto& [known, exported] : kModemModels) {
      if (model == known) {
        result = exported;
        break;
      }
    }
  });
  return result;
}

}  // namespace kt
